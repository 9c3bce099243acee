// Line stars of the starred-block operations: the bookkeeping that the store
// needs when a corefile is emptied or a line is removed.
#pragma once

#include <cstdint>

namespace oxa {

// Clears both line stars of the current corefile; the next star set is A.
void clrstars();
// If the cursor line carries star A (else star B) that star is cleared and is
// the one set next.  Returns 1 if a star was removed, else 0.
int32_t delstar();

} // namespace oxa
