// The text window's geometry: where the text rows, the help line and the
// command line stand on the screen, and how far the text is shifted sideways.
#pragma once

#include <cstdint>

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

// Restores the 80 by 24 geometry.
void resetwindow();

} // namespace oxa
