// Rectangles: column blocks of text lines.  The rows are the lines between
// the two line stars (blocks.hpp), the columns those between two column stars
// set on the tab ruler.  A rectangle can be cut, copied, blanked and moved
// into one rectangle store, shared by all corefiles, and the store can be
// inserted or written over the text at the cursor.
#pragma once

#include <cstdint>
#include <vector>

namespace oxa {

// The rectangle store: `rrows` rows of `rcols` bytes, row by row; empty when
// nothing was stored.
extern std::vector<unsigned char> rstore;
extern int32_t rrows;
extern int32_t rcols;
// The column range of the operation being run.
extern int32_t cfirst;
extern int32_t clast;

// Whether `bytes` more heap bytes and `lines` more line headers would not
// fit (true: inadequate).
bool inadequate(int64_t lines, int64_t bytes);

// Edit operations.
void makecstars();
void deleterect();
void insertrect();
void copyrect();
void insertcols();
void overwrect();
void cpclrrect();
void cpclrovrect();

// Empties the store.
void resetrectangles();

} // namespace oxa
