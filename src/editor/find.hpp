// Find and change: searching the current corefile from the cursor by a unit,
// counting and testing matches, replacing text (CHANGE), and the pattern
// matcher they share.
//
// The search unit `scanunit` and the pattern `scanpattern` are parameters of
// the command processor (commands.hpp); the record checks of units 5 and 6
// live in checks.hpp.  Every search leaves its outcome in the result
// register and reports it with `putresult`.
//
// Pattern bytes: a byte from 32 up matches itself (exactly, never the line
// end); 3 any one character, the line end included; 5 one or more
// separators; 1 a gap of up to 19 characters before the byte that follows it;
// 23 such a gap inside a word, unlimited; 14 inverts the outcome (each one
// toggles); every other byte below 32 is ignored.
#pragma once

#include <cstdint>

#include "editor/store.hpp"

namespace oxa {

// Search units.
enum ScanUnit : int32_t {
    U_CHAR = 0,
    U_WORD = 1,
    U_LINE = 2,
    U_SENTENCE = 3,
    U_BACK = 4,
    U_RECORD = 5,
    U_CHECK = 6,
    U_PATTERN = 7,
};

// Pattern bytes with a meaning of their own.
enum PatternByte : unsigned char {
    PB_GAP = 1,      // up to 19 characters
    PB_ANY = 3,      // any one character
    PB_SEP = 5,      // a run of separators
    PB_NOT = 14,     // inverts the outcome
    PB_WORDGAP = 23, // any characters inside a word
};

// The widest gap of PB_GAP, in characters after the first place looked at.
constexpr int32_t GAPWIDTH = 19;

// A walker position: a line of the current corefile and a column in it
// (length + 1 is the line end); the header is the end of the text.
struct TEXTPOS {
    LINE* line;
    int32_t col;
};

// Applies `pat` (NUL-terminated) at the walker; the walker is left where it
// was.  True when every pattern byte is satisfied (inverted by PB_NOT).
bool match(const unsigned char* pat);
// The same at `at`; on a match that is not inverted, `*end` (if given) is the
// position just after the text matched.  An inverted match matches no text:
// `*end` is `at`.
bool matchat(const unsigned char* pat, TEXTPOS at, TEXTPOS* end);

// Walker steps by unit (the word steps are in motion.hpp).
void nextline();    // column 1 of the next line
void altnextline(); // the same, for the pattern unit
void nextsent();    // to a sentence end (or the text's end), then the next word character
void nextfldend();  // to the next `|` or the line end
void moveoneunit();
// Tests the walker position by `scanunit`; `first` marks the first test of a
// search (the record checks then start their field history afresh).
bool basictest(bool first);

// Edit codes 31 (find), 32 (resfind), 63 (resnumber), 64 (rescheck).
void find();
void resfind();
void resnumber();
void rescheck();

// CHANGE: its checker and operation.  Every match from the cursor to the end
// of the text is replaced by `targetstring`; the replacement takes exactly the
// text matched, cut at the end of the line the match starts on.
void changechk();
void change();

// Restores the initial state of the find layer and its record checks.
void resetfind();

} // namespace oxa
