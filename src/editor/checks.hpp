// Record checks: the boolean checks kept as lines of corefile 18, evaluated
// for the record (or the window of words) at the walker, and the result
// patterns that select records by them (the search unit 6, FETCH, APPEND and
// INSERT with a record check, edit code 24).
//
// A check that begins with `$` is a string check on the fields:
//   $#n=text   field n begins with text (`>` the same; `<` never holds)
//   $#n=a\b    field n begins with a or with b
// The comparison texts are patterns of the find layer (find.hpp).  Any other
// check is an arithmetic expression over the fields, evaluated through
// `arithcheck`.
//
// A result pattern has one character per check, the last one for the last
// check: `1` the check must hold, `0` it must not, anything else either.
#pragma once

#include <array>
#include <cstdint>

#include "editor/store.hpp"

namespace oxa {

constexpr int CHECKCORE = 18; // the corefile holding the checks
constexpr int FINDRING = 50;  // slots of the field history
constexpr int MAXFINDFIELDS = 49;
constexpr int CHECKTEXTMAX = 48; // a string check is cut to this length
constexpr int MAXCHECKS = 64;    // bits of boolcheck

// Results of the last evaluation of all checks, the first check in the
// highest used bit; `boolerror` has a 1 for each check that could not be
// evaluated; `numchecks` counts the checks evaluated.
extern uint64_t boolcheck;
extern uint64_t boolerror;
extern int32_t numchecks;

// Field history: the starts of the fields of the record, or of the words of
// the window, at the walker.  Entry n (from 1) is ring slot
// (n + findbufptr - 1) mod FINDRING; `findbotptr` is the newest slot.
extern std::array<LINE*, FINDRING> findlptr;
extern std::array<int32_t, FINDRING> findcptr;
extern int32_t findbufptr;
extern int32_t findbotptr;

// The number of entries in the field history.
int32_t findentries();

// The evaluation of an arithmetic check or record condition, installed by the
// evaluator: `text` (`len` bytes, NUL-terminated) is expanded by the merge with
// the fields of the record at `line`, column `col` of the current corefile
// taken as the cursor, and the expansion is evaluated.  Returns true with the
// value, or false when a field is missing or the evaluation fails.  While it
// is null every arithmetic check counts as not evaluated.
using arithcheckfn = bool (*)(const char* text, int32_t len, LINE* line, int32_t col,
                              double& value);
extern arithcheckfn arithcheck;

// Compiles a result pattern: one bit per character, the first character
// highest; `chk` has a 1 unless the character is `0`, `mask` a 1 unless it is
// `0` or `1`.  A record passes when (boolcheck | mask) == chk.
void makecheck(const char* pat, uint64_t& chk, uint64_t& mask);

// Fills the field history from the walker (which is restored): the fields of
// a record line, else up to 49 word starts.
void checksetup();
// Slides the word window one word on.
void checkupdate();
// Evaluates every check of corefile 18 into boolcheck and boolerror.
void multicheck();
// A string check, `text` being what follows the `$`: true when it holds; a
// malformed check does not hold.
bool recstrmatch(const char* text);
// The outcome of an arithmetic condition at the walker (false when not
// evaluated).
bool recmathmatch(const char* text);

// Edit code 24: evaluates the checks for the record at the cursor and shows
// the result bits.
void extchk();
// The painter's record-check display: "$mbERR" with the error bits when any
// is set (and a wait), then "$mbCH" with the result bits.
void showbool();

// Record checks of FETCH, APPEND and INSERT.  `startrecfilter` compiles
// `recboolcheck` before a file is read (an empty check keeps every line);
// `recfilter` runs after each line is adopted, `mark` being `avail` and
// `prevtail` the physical chain's tail before it was read: the line is taken
// out again unless it is a record line that passes.
void startrecfilter();
void recfilter(int64_t mark, LINE* prevtail);

// Clears the check state (the evaluator hook is the evaluator's).
void resetchecks();

} // namespace oxa
