// SORT: reorders a range of lines of the current corefile in place by
// relinking their headers, on a key that starts at the cursor column (text)
// or at the cursor's field (records), in one of three character orders
// chosen by SKEY.  Equal keys keep their order.
#pragma once

#include <array>
#include <cstdint>

#include "editor/store.hpp"

namespace oxa {

// Parameters of the sort being run (set by `sortchk`).
extern int32_t sortdir;   // 0 ascending, else descending; 1 and 2 while sorting
extern int32_t keylength; // key columns; negative: leftwards from the key column
extern int32_t sortln1;   // first line, from 1
extern int32_t sortln2;   // last line, inclusive
extern int32_t sortpos;   // the cursor column when the command was given

// The character order: 0 byte values, 1 French without accents, 2 accents only.
constexpr int NSORTORDERS = 3;
extern int32_t sorttable;
extern const std::array<int32_t, 256> unaccented;
extern const std::array<int32_t, 256> accents;

// The range while it is sorted, and whether the partition scan has passed
// the pivot.
extern LINE* headptr;
extern LINE* tailptr;
extern bool after;

// Key comparison of two lines of the range: negative, 0 or positive.
int linecmp(const LINE* a, const LINE* b);

void sortchk();
void sort();
void skey();

// Restores the sort settings.
void resetsort();

} // namespace oxa
