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
constexpr int NPARAM = 25;
constexpr int PSTRINGMAX = 48;            // characters the user may type in all
extern std::array<int32_t, NPARAM> param; // filled from index 1
extern int32_t paramcount;                // index in `param` of the current parameter
extern int32_t sptr;                      // position in `pstring`
extern int32_t tptr;                      // position in the row's `paramtype`
extern std::array<char, 128> pstring;     // typed text, `|` between fields, then defaults
extern int32_t cmdptr;                    // row of the command being run

// String-parameter buffers (48 characters and the NUL each).
constexpr int STRSIZE = 49;
using strparam = std::array<char, STRSIZE>;
extern strparam curfile;      // file name for file commands
extern strparam scanpattern;  // search pattern
extern strparam mrgstring;    // merge string
extern strparam expression;   // expression template
extern strparam sysstring;    // shell command
extern strparam termstring;   // terminal string
extern strparam picstring;    // file names of the generation commands
extern strparam mathstring;   // the evaluator's input
extern strparam recboolcheck; // record check of FETCH, APPEND, INSERT
extern strparam targetstring; // replacement pattern, new file name
extern strparam listfile;
extern strparam listinitfile;
extern strparam v_error; // the error function string

// Settings kept by the setter commands and read elsewhere.
constexpr int NTABS = 145;
extern int32_t lmargin;                 // left margin column (1)
extern int32_t rmargin;                 // right margin column (72)
extern std::array<uint8_t, NTABS> tabs; // tab stop flags per column 0..144
extern int32_t jmode;                   // 0 no justification, 1 right-justify
extern int32_t hyphlevel;               // degree of hyphenation 0..3
extern int32_t scanunit;                // the search unit of FIND and SCANSET
extern int32_t crinsert;                // what return does (0, 1, 2; initially 1)
extern int32_t fetchstyle;              // 1 kind prefixes recognised, 2 not
extern int32_t octflag;                 // 0 tabs expanded on reading, 1 kept
extern int32_t lfonly;                  // 1 lines written with LF only, 0 with CR LF
extern int32_t askanswers;              // 1 when ASK answers go to the driver program

// Where ASK answers go: installed by the layer that runs a driver program
// while one runs (null otherwise).  Each call is one piece of an answer; the
// layer writes it to the driver program's input and flushes.
using askreplyfn = void (*)(const char* text, size_t len);
extern askreplyfn askreply;

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

// Restores the initial state of everything above.
void resetcommands();

} // namespace oxa
