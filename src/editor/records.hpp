// Record fields: the location of the cursor's field in a record line and the
// field layout (row, column, maximum length and type of fields 1..100) that a
// record template gives.  Without a template there are 10 fields of length 5
// and type 'c' on a grid of six per row.
#pragma once

#include <array>
#include <cstdint>

#include "editor/store.hpp"

namespace oxa {

constexpr int MAXFIELDS = 100;

extern int32_t fieldnum; // field holding the cursor, from 1
extern int64_t recptr;   // heap offset of that field's first byte
extern int32_t fieldsiz; // bytes from recptr to the next '|' or the line end

extern int32_t numfields;                               // highest field defined
extern std::array<int32_t, MAXFIELDS + 1> frow;         // screen row of field n
extern std::array<int32_t, MAXFIELDS + 1> fcol;         // screen column of field n
extern std::array<int32_t, MAXFIELDS + 1> maxfieldlen;  // maximum length of field n
extern std::array<char, MAXFIELDS + 1> ftype;           // type letter 'b'..'j' of field n

// Locates the cursor's field on the current line: sets fieldnum, recptr and
// (through fieldlen) fieldsiz.
void findfield();
void fieldlen();

// Field layout of field `n`, with the defaults for numbers outside 1..100.
int32_t fieldmax(int32_t n);
char fieldtype(int32_t n);

// Restores the default layout.
void resetrecords();

}  // namespace oxa
