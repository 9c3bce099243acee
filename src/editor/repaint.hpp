// Repaint levels: what an operation leaves in `redisplay` for the painter
// (paint.hpp), the smallest repaint that covers its change.  The painter
// repaints by the level after every operation and sets it back to RP_NONE.
#pragma once

#include <cstdint>

namespace oxa {

constexpr int32_t RP_NONE = 0;       // nothing
constexpr int32_t RP_ALL = 1;        // every text row from the window's first line
constexpr int32_t RP_SCROLLUP = 2;   // every text row (the window moved up)
constexpr int32_t RP_SCROLLDOWN = 3; // every text row (the window moved down)
constexpr int32_t RP_ECHO = 4;       // echo the byte just typed at the cursor
constexpr int32_t RP_ROW = 5;        // the cursor's row
constexpr int32_t RP_ROWDOWN = 6;    // the cursor's row and every row below it
constexpr int32_t RP_FIELD = 7;      // the cursor's row (in a record: its field)
constexpr int32_t RP_RULER = 8;      // the ruler, then every text row (a sideways scroll)
constexpr int32_t RP_FLAGROW = 9;    // the flags of the cursor's row
constexpr int32_t RP_FLAGS = 10;     // the flags of every row
constexpr int32_t RP_REGISTER = 11;  // the evaluator's register display, then nothing
constexpr int32_t RP_FORMULA = 12;   // the formula display (the flags of the cursor's row)
constexpr int32_t RP_CHECKS = 19;    // the record checks, then nothing
constexpr int32_t RP_ROWABOVE = 20;  // the cursor's row and the one above it
constexpr int32_t RP_ROWBELOW = 21;  // the cursor's row and the one below it

// Levels RP_FLAGROW to RP_CHECKS send only the flags of a row, not its text.
constexpr bool flagsonly(int32_t level) {
    return level >= RP_FLAGROW && level <= RP_CHECKS;
}

// The pending repaint level.
extern int32_t redisplay;

} // namespace oxa
