// The front-end protocol: every change of the display is a short message
// beginning with `$`, composed here or by the painter (paint.hpp) and handed
// to the one transmitter, `xvtransmit`, which decides what reaches the front
// end on standard output.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "wire/protocol.hpp"

namespace oxa {

constexpr int XVMSGSIZE = 1000; // the message buffer, NUL included
constexpr int SHADOWSIZE = 200; // the shadow command line, NUL included

// The one message buffer reused by every message with variable content.
extern std::array<char, XVMSGSIZE> xvmsg;

// 1: messages are transmitted; 0: the transmitter sends nothing at all.
extern int32_t visible;
// 1 while something stands in the help line that `clearhelp` must clear.
extern int32_t bhelp;

// The command line as the front end should show it: every command letter
// sent is appended, a backspace steps back, the command processor sets
// `shadow_ptr` to 0 after each command.  Always NUL-terminated at shadow_ptr.
extern std::array<char, SHADOWSIZE> shadow_cmdline;
extern int32_t shadow_ptr;

// Status cache: the values last sent by `putstats`; -1 sends again,
// `oldcoreview` is -2 while "FULL    " is shown.
extern int32_t oldcore;
extern int32_t oldline;
extern int32_t oldcol;
extern int32_t oldlncnt;
extern int32_t oldcoreview;

// The byte that stands on the wire for each stored text byte (text rows and
// the echo of typed characters).  The FONT command changes entries.
extern std::array<unsigned char, 256> outtran;
// The byte sent for stored byte b: its outtran entry, except that on the full
// stream a byte above 127 that the default stream shows as '~' (or '-', the
// soft hyphen) is sent as itself, for the front end to show as its character.
unsigned char wirechar(unsigned char b);

// The user's answer to the last confirmation: 1 after return, 2 after rubout.
// Callers abandon their work when it is 2; a refusing checker sets it to 2.
extern int32_t del;

// Status labels of the object types, eight characters each; row t is type t.
struct viewrow {
    int32_t type;
    const char* label;
};
constexpr std::array<viewrow, 8> views = {{
    // type, label
    {0, "TEXT    "},
    {1, "RECORD  "},
    {2, "RECORD  "},
    {3, "GRAPHICS"},
    {4, "GRAPHICS"},
    {5, "MATH    "},
    {6, "MATH    "},
    {7, "VIEWTAB "},
}};
static_assert(views.size() == 8);

// Where passed messages go.  Production writes them to standard output;
// tests swap in a capture.  Reset by `resetfrontend`.
using xvsinkfn = void (*)(const char* data, size_t len);
extern xvsinkfn xvsink;
void stdoutsink(const char* data, size_t len);
// When set, sees every message that reaches the transmitter while `visible`,
// before the pass rule (tests use it to read the dropped messages too).
using xvtracefn = void (*)(const char* msg);
extern xvtracefn xvtrace;

// The stream's mode, chosen by the environment variable OXA_WIRE at start-up.
// 0, the default: only the command-line and message-line messages pass,
// without their codes.  1 ("full"): every message passes whole, with its `$`,
// family and sub-code, for a front end that draws the whole screen; the window
// size then comes from LINES and COLUMNS and the input stream accepts the size
// report ESC [ 8 ; rows ; cols t.
extern int32_t wirefull;
// Sets `wirefull` from the value of OXA_WIRE (null when it is not set).
void setwiremode(const char* value);
// Whether the text rows, the cursor position and the status fields reach
// anything: the default stream drops them, the full stream passes them and a
// trace sees them.  Their composers skip the work when they would not.
bool textshown();

// The transmitter: passes the command-line and message-line messages (without
// their code, ended by CR LF) and drops everything else; in the full stream it
// passes every message of a known family whole.
void xvtransmit(const char* str);
// True when a message of this family would reach neither the stream nor the
// trace, so that a painter need not compose it.
bool xvdrops(char family);
inline bool xvdrops(wire::kind k) { return xvdrops(wire::family(wire::row(k))); }
// Program output: EMIT to the front end and what shell commands print.  On
// the default stream it goes to standard output as it is.  On the full stream
// each line is framed as an output message (the `$o` code, the line without
// its CR LF, then CR LF), so that no text can pass for a message; a line not
// yet ended waits for the rest or for `endoutput`.  Neither looks at `visible`.
void putoutput(const char* data, size_t len);
void putoutput(const char* text);
// Frames the line not yet ended, if any (the program has finished).
void endoutput();

// Flushes standard output.  The input stream flushes before it waits for a
// byte, so the front end has every message before the editor waits.
void flushout();
// While a procedure runs: flushes when PACEMS milliseconds have gone by since
// the last flush, looking at the clock every PACECHECK calls.
constexpr int32_t PACECHECK = 256;
constexpr long PACEMS = 50;
void pacedflush();

// "$m", the code character and the text.
void putstring(const char* text, char code);
// The wait for return or rubout after an error or failed record checks: the
// input stream's `gcr`, which `resetinput` installs (no wait before that).
using replywaitfn = int (*)();
extern replywaitfn replywait;
// Shows an error and waits for return or rubout; sets and returns `del`.
int32_t diserr(const char* msg);
// A progress or help message; it stays until the next `clearhelp`.
void progress(const char* msg);
// A problem shown in the help line without waiting for a key, so that a
// procedure or a typist going on loses nothing; it stays until the help line
// is next written (the end of a command does not clear it).
void notice(const char* msg);
void clearhelp();
// Sends the status fields that changed since they were last sent.
void putstats();
// The current corefile's file name.
void putfname();
// The first steps of a redraw (`gendis`): the front end clears the screen,
// and every status field and the file name are sent again.
void beginredraw();
// Clears the command line and sends it again as `shadow_cmdline` holds it.
void putshadow();
// The result value of the last find, check or count.
void putresult(int32_t value);
// The evaluator's register display: the value formatted "%.8g" with every
// `e` turned into an apostrophe, or the error text for `error` 1 (syntax) and
// 2 (overflow).
void putfloat(double value, int32_t error);
// Formats a register value as `putfloat` shows it, into out (cut to size).
void fmtfloat(double value, char* out, size_t size);
// The record checks: the failed checks (sent with a wait for a reply when any
// is '1'), then the checks in force.  Both are strings of '0' and '1'.
void putbool(const char* errbits, const char* chkbits);

void txtcur();
void rmtxtcur();
void cmdcur();
void rmcmdcur();
void clrtextzone();
// Cursor at column, row (the row goes first on the wire).
void postcur(int32_t column, int32_t row);
void ibeep();
// Deletes the last character of the command line.
void backspace();
// Adds a character to the command line.
void putcmdlett(int c);
// Appends text to the shadow command line (cut at its size).
void shadowappend(const char* text);
// Echoes a character typed at the cursor, through `outtran`.
void putch(int c);

// Restores the initial state of the protocol (start-up and tests).
void resetfrontend();

} // namespace oxa
