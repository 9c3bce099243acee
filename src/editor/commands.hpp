// The command processor: command mode, the command table, the parameter reader
// and the small setter commands.
//
// A command is chosen by the first two characters of its name.  Its parameters
// are typed field by field (`|` between fields, return ends them), checked
// against the rules of `optable`, completed from the row's defaults and
// converted into `param` and the string-parameter buffers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "editor/params.hpp"

namespace oxa {

using cmdfn = void (*)();

// One row of `commands`.
struct CMDSPEC {
    const char* name;      // command name; the first two characters select it
    uint32_t sideffects;   // CMD_W, CMD_N, CMD_L, CMD_R, CMD_S
    const char* paramtype; // two characters per parameter: type letter, qualifier
    const char* defstr;    // each parameter's default text followed by `|`
    cmdfn checker;         // validates after the parameters are read (may be null)
    cmdfn cmdop;           // the command's operation (null: nothing to do)
    const char* prompt;    // help text while the parameters are typed (null: none)
    const char* help;      // what the command does, for the guide (docs/editor.md)
};

// Side-effect flags of a command row.
constexpr uint32_t CMD_W = 1;  // warn first when the corefile is unsaved
constexpr uint32_t CMD_N = 4;  // resend the file name afterwards
constexpr uint32_t CMD_L = 8;  // recompute the line number afterwards
constexpr uint32_t CMD_R = 16; // the command does not set the result register
constexpr uint32_t CMD_S = 32; // refused while the store is full

// The command table, one row a command; the last row, "**", ends it.
extern const std::span<const CMDSPEC> commands;
// The buffer that a string parameter with this qualifier goes to, its size,
// and whether the brace notation applies; null for an unknown qualifier.
char* stringparam(char qual, int& size, bool& braces);

// Parameter reader rules: one row per type letter `c` to `k`, one column per
// key class.
enum ParamClass : int {
    PC_RETURN = 0,
    PC_PRINT = 1, // printable character other than the ones below
    PC_DIGIT = 2,
    PC_LETTER = 3, // letter class: letters, `.`, `/`, `_`, `~`
    PC_RUBOUT = 4,
    PC_MINUS = 5,
    PC_STAR = 6,
    PC_BAR = 7,
    NPCLASS = 8,
};
enum ParamAction : uint8_t {
    PA_IGNORE,   // the key is dropped
    PA_ACCEPT,   // appended to the field
    PA_FIRST,    // appended only as the field's first character
    PA_NOSTAR,   // appended unless the field begins with `*`
    PA_DIGITMAX, // a digit not above the qualifier, as the first character
    PA_END,      // return: the parameters are complete
    PA_RUBOUT,   // delete the last character (abandon at the very start)
    PA_NEXT,     // `|`: end the field, move to the next parameter
};
constexpr int NPTYPE = 9; // type letters `c` .. `k`
extern const std::array<std::array<ParamAction, NPCLASS>, NPTYPE> optable;

// Parameter values and the reader's positions.
constexpr int PSTRINGMAX = 48;            // characters the user may type in all
extern int32_t paramcount;                // index in `param` of the current parameter
extern int32_t sptr;                      // position in `pstring`
extern int32_t tptr;                      // position in the row's `paramtype`
extern std::array<char, 128> pstring;     // typed text, `|` between fields, then defaults
extern int32_t cmdptr;                    // row of the command being run

// Command mode (edit code 21).
void prcmnd();
// Reads one command name: its row, -1 to leave command mode, -2 after an invalid name.
int getcmnd();
// Reads and converts the parameters of row `cmdptr`; `del` = 2 if abandoned.
void getparam();
// Sends the prompt or mode word for `code` (0 command, 1 typing, 2 insert, 3..11 parameter types).
void prmptpar(int code);
// Prompt code of a parameter type letter.
int promptcode(char typeletter);

// The steps of `getparam`, usable on their own.
// Class of an edit code (1..5) with its character, for `optable`.
int paramclass(int code, int ch);
// Applies the current parameter's rule to one key: 0 go on, 1 the parameters
// are complete (return), 2 abandoned (rubout at the very start).
int paramkey(int cls, int ch);
// Appends the defaults of the fields the user did not end to `pstring`.
void applydefaults();
// Converts `pstring` field by field into `param` and the string buffers.
void convparams();
// Runs row `row` as command mode does once its name is read: the full-store
// refusal, the unsaved warning, the prompt, parameters, checker, operation,
// the result register and the work after an operation.
void runcommand(int row);

// Checkers.
void findchk();
void marginchk();

// Limits of the WINDOW command: the rows and columns of the screen.
constexpr int32_t MAXWINROWS = 500;
constexpr int32_t MAXWINCOLS = 500;

// Setter commands and edit code 56.
void window();
void justset();
void hyphenset();
void objset();
void settabs();
void option();
void inkeyset();
void outkeyset();
void ask();
void silent();

// Restores the initial state of everything above and of the parameters.
void resetcommands();

} // namespace oxa
