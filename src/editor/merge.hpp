// Merge and field assignment: a template with field references (`#n`) is
// expanded with the fields of the record (or, in a text corefile, the
// paragraph) at the cursor.  The expansion is evaluated into the register,
// appended to the merge corefile, or computed into a field by the
// assignment rules of the rule corefile.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "editor/store.hpp"

namespace oxa {

constexpr int MAXMRGFIELDS = 50;
constexpr int32_t MERGECORE = 16;  // receives merged text
constexpr int32_t RULECORE = 19;   // holds the assignment rules
constexpr unsigned char MRGLINEEND = 13; // cuts merged text into lines
extern const char* const stars;    // written into a field whose assignment failed

// Fields of the current record, numbered from 1: heap offset and length.
extern std::array<int64_t, MAXMRGFIELDS + 1> fieldptr;
extern std::array<int32_t, MAXMRGFIELDS + 1> mrgflen;
extern int32_t mrgnumfields;
// The field separator: '|' on a record line, a blank on a text line.
extern int32_t terminate;

// The template being expanded and the end of the expansion, which lies in
// the free heap from `avail` to `mrgavail` until a caller adopts it.
extern const unsigned char* mrgptr;
extern int32_t mrglen;
extern int32_t mrgcnt;
extern int64_t mrgavail;

// Collects the fields of the record at `line` (column `col` on a text line;
// a record line is read from its start).  In object type 0 a paragraph is
// one record: continuation lines whose first non-blank stands at the left
// margin supply further words.
void mrgsetup(LINE* line, int32_t col);
// Expands the template `tmpl` (`len` bytes, or up to a NUL) with the fields
// collected last.  Sets `fperror` to 3 and stops at a reference to a
// missing field; returns false then.
bool mrgexpand(const unsigned char* tmpl, int32_t len, std::string& out);
// Expands the template at `mrgptr`/`mrglen` with the fields at the cursor
// into the heap from `avail` to `mrgavail`.  Returns false when the
// expansion was not built: a missing field (`fperror` 3), or no room in the
// heap even after a collection (`fperror` left alone); `message` then says
// which, for the caller to show.
bool merge(std::string* message = nullptr);
// A record condition: `tmpl` merged with the fields of `line` at column `col`
// and evaluated.  Returns the evaluator's `fperror` (0 good, 3 missing
// field); the value is in `value` when it is 0.  Touches neither the heap
// nor the cursor.
int32_t mrgcondition(const unsigned char* tmpl, int32_t len, LINE* line, int32_t col,
                     double& value);

// The record checks' arithmetic (installed as their `arithcheck`): true with
// the value when the condition was merged and evaluated.
bool arithmerge(const char* text, int32_t len, LINE* line, int32_t col, double& value);

// Appends the expansion lying at `avail` (`mrgavail` - `avail` bytes) to the
// merge corefile, one line per piece between carriage returns.
void domerge();

// Edit operations.
void mrgexp();
void mrgtext();
void mrgrec();
void mrgassign();

// Restores the initial state (start-up and tests) and installs the record
// checks' arithmetic.
void resetmerge();

} // namespace oxa
