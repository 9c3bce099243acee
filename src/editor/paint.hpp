// Painting the text window: turns the repaint level an operation left in
// `redisplay` into row messages for the current corefile, scrolls sideways,
// and places the cursor.  The messages go through the transmitter
// (frontend.hpp).
#pragma once

#include <array>
#include <cstdint>

#include "editor/repaint.hpp"
#include "editor/store.hpp"

namespace oxa {

// Window geometry; the values for an 80 by 24 terminal until `getwindsize`
// or the WINDOW command sets them from the real size.
extern int32_t swidth;     // text columns shown
extern int32_t depth;      // text rows
extern int32_t windowtop;  // screen row of the first text row
extern int32_t windowend;  // screen row of the last text row
extern int32_t helpline;   // screen row of the help and message line
extern int32_t cmdline;    // screen row of the command line
extern int32_t rightcol;   // last text column shown
extern int32_t pshift;     // columns hidden on the left (rightcol - swidth)
extern int32_t shiftc;     // sideways step of rightcol
extern int32_t overlap;    // columns that stay in view across a sideways step
extern int32_t windresize; // set when the terminal size changed


// Record fields.  `findfield` locates the cursor's field in the current
// record line: its number (from 1), the heap offset of its first byte and
// its size.
extern int32_t fieldnum;
extern int64_t recptr;
extern int32_t fieldsiz;

// Template layout of the record fields, numbers 1..MAXFIELDS: screen row,
// screen column, maximum length and type letter; `numfields` is the highest
// field number defined.  Without a template: 10 fields of length 5 and type
// 'c' on a grid of six per row.
constexpr int MAXFIELDS = 100;
extern std::array<int32_t, MAXFIELDS + 1> frow;
extern std::array<int32_t, MAXFIELDS + 1> fcol;
extern std::array<int32_t, MAXFIELDS + 1> maxfieldlen;
extern std::array<char, MAXFIELDS + 1> ftype;
extern int32_t numfields;
// Puts the field layout back to the grid used without a template.
void deftemplate();

// The register display and the record checks are shown by their own
// modules; the painter calls these for levels 11 and 19 when they are set.
extern void (*showregister)();
extern void (*showchecks)();

// Repaints by `redisplay`, by the current corefile's object type.
void display();
// Text object types (0, 1, 3, 5): sideways scroll, then the repaint.
void distxt();
// Writes rows row..windowend from `line` down; past the last line the rows
// are empty.
void wrtext(LINE* line, int32_t row);
// One row: its flags, then (unless the level is 9 to 19) its text.
void wrline(LINE* line, int32_t row);
// "$TL%d," and n bytes of the heap from `index`, each through `outtran`.
void putstg(int32_t row, int64_t index, int32_t n);
// Record object types (2, 7) through a template.
void disrec();
void wrecord();
// Sends field `field` whose bytes start at `pos` (up to the next '|' or
// `end`); `pos` then moves past the '|'.
void disfield(int32_t field, int64_t& pos, int64_t end);
void findfield();
void fieldlen();
void wfield();
// "$Tf" with the current line's flags: starred, incompatible.
void wflag();
void disgraph();
void dismath();
// Places the cursor.
void discur();

// Restores the initial geometry, level and field layout (start-up and tests).
void resetpaint();

} // namespace oxa
