// Painting the text window: turns the repaint level an operation left in
// `redisplay` into row messages for the current corefile, scrolls sideways,
// and places the cursor.  The messages go through the transmitter
// (frontend.hpp).
#pragma once

#include <array>
#include <cstdint>

#include "editor/lines.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"
#include "editor/window.hpp"

namespace oxa {




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
