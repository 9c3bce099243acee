// Starred blocks: two line stars, A and B, mark a block of lines in a
// corefile.  A block can be moved into corefile 0 (delete), moved back from
// it (recover) or copied into it (copy); corefile 0 is the block buffer and
// keeps what it receives starred, so that the next recover takes it out again.
// Moving relinks line headers; copying duplicates headers and text.
#pragma once

#include <cstdint>

#include "editor/store.hpp"

namespace oxa {

// The block being worked on: its upper and lower line, its line and byte
// counts, and whether it holds the cursor line, the window's top line or a
// starred line.  Set by `locatestars` and `findinfo`.
extern LINE* first;
extern LINE* last;
extern int32_t lines;
extern int64_t charcount;
extern bool b_curline;
extern bool b_disln;
extern bool b_star;

// Sets `first` and `last` from the current corefile's stars (at least one set).
void locatestars();
// Counts the block from `first` to `last` and sets the three flags.
void findinfo();
// Moves the starred block of corefile `source` behind the cursor line of
// corefile `dest`, where it stays starred.
void moveblock(int32_t source, int32_t dest);

// Edit operations.
void makestars();    // sets or removes a star on the cursor line
void deleteblock();  // the current corefile's block into corefile 0
void recover();      // corefile 0's block into the current corefile
void copyop();       // a copy of the block into corefile 0
void clearallstars(); // line and column stars off, typing mode
void bor_moveblock(); // every line of the current corefile into corefile 8
void bor_sleep();     // a pause of three seconds
extern int32_t bor_sleep_ms; // its length (the fuzz target makes it 0)

// Restores the block state.
void resetblocks();

} // namespace oxa
