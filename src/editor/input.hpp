// The input stream: the key map, the input stack and the procedure language.
//
// Every edit code the editor acts on comes from `fetchchar`.  It takes bytes
// from the top of the input stack (procedure files, function-key strings,
// pushed text) or, when the stack is empty or paused, from `inptr` (standard
// input or a driver program's output), translates them through `intran` and
// `char_map`, and carries out the procedure-language constructs itself.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

namespace oxa {

// Extended key numbers: a byte read plainly is its own number, ESC followed by
// byte c is 128 + c, ESC [ followed by c is 256 + c, and ESC [ n ~ (any
// terminating byte) is 384 + n with n capped at 239.
constexpr int NKEYS = 624;
constexpr int NCHARMAP = 424;
constexpr int MAXKEYNUM = 239;
constexpr int ESCKEY = 128;
constexpr int CSIKEY = 256;
constexpr int NUMKEY = 384;
constexpr int esckey(int c) {
    return ESCKEY + c;
}
constexpr int csikey(int c) {
    return CSIKEY + c;
}
constexpr int numkey(int n) {
    return NUMKEY + n;
}
constexpr int ctl(int c) {
    return c & 31;
}

constexpr int NCODES = 128; // edit codes 0..127
constexpr int ctrlmask = 31;
constexpr unsigned char CMDKEY = 3; // the byte of the command key (edit code 21)

// Edit codes that the input stream gives a meaning of its own.
enum InputCode : int {
    C_RETURN = 1,
    C_PRINT = 2,
    C_DIGIT = 3,
    C_LETTER = 4,
    C_RUBOUT = 5,
    C_ESC = 6,     // prefix: next byte + 128
    C_CSI = 7,     // prefix: next byte + 256
    C_NUMERIC = 8, // prefix: decimal number, then one byte
    C_IGNORE = 9,
    C_RESUME = 13,   // end a pause, or resume a suspended driver program
    C_PAUSE = 14,    // pause a procedure, or suspend the driver program
    C_KILLPROG = 15, // kill the driver program
    C_ACK = 16,      // acknowledge to the driver program
    C_COMMAND = 21,
    C_UCLC = 29,
    C_PATTTEST = 107,
    C_RESTEST = 108,
    C_LOOPSTART = 110,
    C_LOOPEND = 111,
    C_LOOPTEST = 112,
    C_COUNTER = 113,
    C_CLOSELEVEL = 114,
    C_IFPOS = 115,
    C_ELSE = 116,
    C_ENDIF = 117,
    C_FNKEY0 = 118, // function keys 0..9 are codes 118..127
};

// Procedure-language construct bytes, as stored in procedure text.
enum ProcByte : unsigned char {
    P_PATTTEST = 217,   // {-}
    P_RESTEST = 211,    // {=}
    P_LOOPSTART = 251,  // {<}
    P_LOOPEND = 252,    // {>}
    P_LOOPTEST = 253,   // {^}
    P_COUNTER = 254,    // {$}
    P_CLOSELEVEL = 247, // {%}
    P_IFPOS = 241,      // {?}
    P_ELSE = 245,       // {:}
    P_ENDIF = 246,      // {.}
    P_OPENER = 214,     // {&}
};

// ---- Input stack ----------------------------------------------------------
constexpr int FNSTACKSIZE = 11; // slots 1..10 are used
constexpr int FNSTACKMAX = 10;
constexpr int PROCBUFSIZE = 5120; // a procedure text with its NUL
constexpr int NFNKEYS = 10;
constexpr int FNKEYSIZE = 49; // 48 bytes and the NUL

// Read position of each stacked string (slot 1..fnptr); a null entry is the
// pause marker.  Pushed text is copied into a slot of its own, so the pusher's
// buffer need not outlive the push.
extern std::array<unsigned char*, FNSTACKSIZE> fnstack;
extern int fnptr;
extern FILE* inptr; // standard input, or a driver program's output
// True when the next byte will be read from the keyboard (standard input):
// no stacked string has bytes left to give, and no driver program's output
// is the input.
bool keyboardnext();
extern std::array<std::array<char, FNKEYSIZE>, NFNKEYS> fn; // function-key strings

// The driver-program layer's handler of the input control codes C_RESUME
// (when no pause is to end), C_PAUSE (met outside a procedure), C_KILLPROG and
// C_ACK, and of end of file on its output (called with C_KILLPROG before
// input returns to standard input).  Null while no such layer is linked in:
// the codes then do nothing.
using drivercontrol = void (*)(int code);
extern drivercontrol driverctl;

// ---- Key map ----------------------------------------------------------------
// The initial key map, one row per edit code: the keys that produce it.  The
// printable bytes get codes 2, 3 and 4 by class instead.
struct KEYROW {
    int16_t code;
    int16_t nkeys;
    std::array<int16_t, 10> keys;
};
extern const std::array<KEYROW, NCODES> keytable;

extern std::array<uint8_t, NKEYS> intran;            // extended key -> edit code
extern std::array<unsigned char, NCHARMAP> char_map; // extended key -> character
extern int escflg;                                   // pending prefix: 0, 128, 256 or 384
extern int holdch; // character belonging to the last edit code (0..255)
extern int type;   // the last edit code
extern int transb; // 1: letters a..z of code 4 are delivered in upper case

// ---- Character classes ------------------------------------------------------
enum CharKind : uint8_t {
    WORDCH = 1,  // word character
    SEPCH = 2,   // word separator
    SENTCH = 4,  // sentence end
    EXPRCH = 64, // part of a number or expression
};
// Byte 4 is what the character walker reports at the end of the text; it
// counts as word character, separator and sentence end at once.
constexpr std::array<uint8_t, 256> makecharkind() {
    std::array<uint8_t, 256> k{};
    for (int c = 'A'; c <= 'Z'; c++)
        k[c] |= WORDCH;
    for (int c = 'a'; c <= 'z'; c++)
        k[c] |= WORDCH;
    for (int c = '0'; c <= '9'; c++)
        k[c] |= WORDCH | EXPRCH;
    k['_'] |= WORDCH;
    // Latin-1 letters (the multiplication and division signs excepted).
    for (int c = 192; c <= 255; c++)
        if (c != 215 && c != 247) k[c] |= WORDCH;
    for (unsigned char c : {'\n', ' ', ',', ':', ';', '!', '.', '?'})
        k[c] |= SEPCH;
    for (unsigned char c : {'!', '.', '?'})
        k[c] |= SENTCH;
    for (unsigned char c : {'!', '#', '&', '\'', '(', ')', '*', '+', '-', '.', '/', '<', '=', '>'})
        k[c] |= EXPRCH;
    k[4] |= WORDCH | SEPCH | SENTCH;
    return k;
}
inline constexpr std::array<uint8_t, 256> charkind = makecharkind();

// ---- Procedure language -------------------------------------------------------
constexpr int NLOOPS = 20;  // loopstack slots 1..19
constexpr int NLEVELS = 20; // vl_result levels 0..19
constexpr int PATTSIZE = 200;
constexpr int NCAPTURES = 22; // capture slots 1..20, and 21 for all further stars
constexpr int CAPTSIZE = 200;
constexpr int MATCHSIZE = 200;

extern std::array<unsigned char*, NLOOPS> loopstack; // loop starts, slots 1..loopptr
extern int loopptr;
extern std::array<int32_t, NLEVELS> vl_result; // the result register of each level
extern int loopdepth;
extern std::array<unsigned char, PATTSIZE> patt;
extern std::array<std::array<unsigned char, CAPTSIZE>, NCAPTURES> unified;
extern std::array<int64_t, MATCHSIZE> matcharray;

// The result register of the current level.
inline int32_t& result() {
    return vl_result[loopdepth];
}

// ---- Brace notation -----------------------------------------------------------
extern int transflag;   // procedure files: translation switched on by `~`
extern int ctrlflag;    // inside braces
// Bytes that procedures and function-key strings may still give (negative: no
// limit, as in the editor); when none are left the running procedure is
// abandoned.  The fuzz targets that run the editor set a limit, since a
// procedure's loop may run for ever.
extern int64_t procbudget;
extern int untransflag; // `untranschar`: inside braces in the text produced

// Brace notation of one character: stores the byte it stands for at *dest and
// returns 1, or returns 0 when the character produces no byte (a brace, or a
// control character that would be NUL and so end the text).  With `transflag`
// 0 the character is copied unchanged.
int transchar(int ch, unsigned char* dest);
// Brace notation of a whole string (translation on, control mode off at the
// start) into dest of the given size, NUL-terminated; returns the length.
int transstring(const char* src, char* dest, int size);
// The inverse: writes the brace notation of the byte ch (1 or 2 characters) to
// dest and returns their count.
int untranschar(int ch, char* dest);
// The brace notation of a stored string, ended by `}` if braces are open; cut
// to fit size with its NUL.  Returns the length.
int untransstring(const char* src, char* dest, int size);

// ---- Operations -----------------------------------------------------------------
// Delivers the next edit code in `type` and its character in `holdch`.  The
// UTF-8 form of a character from 128 to 255 (bytes C2 or C3 and one
// continuation byte from the same source, no prefix pending) is one letter key,
// code 4 with that character; every other byte goes through the key map.
void fetchchar();
void pushfn(const char* str); // null pushes the pause marker
int gcr();                    // waits for return (`del` 1) or rubout (`del` 2), returns `del`
int gnum();
int glett();
int fetchint();
void fetchpatt();
// Edit code 41: type the text of the capture slot whose number follows.
void wildtxt();
void wildrec();
// Matches textbase[start .. start+length-1] against pattern (ended by
// terminator), `*` matching any run.  Returns 1 on a match.
int unify(const char* pattern, int64_t start, int terminator, int64_t length);
void copywild(); // captures of the last successful `unify`

// `KEY`: maps an extended key number to an edit code; returns 0 when either
// number lies outside the key map.
int setkey(int key, int code);

// Empties the stack and the procedure state and restores the initial key map,
// reading from standard input.
void resetinput();

} // namespace oxa
