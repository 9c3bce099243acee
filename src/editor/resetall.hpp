// The whole program's initial state: every module of the editor and of the
// generation engine reset in one place, so that start-up, the tests and the
// editor fuzz target cannot drift apart.  A module that gains state gains a
// reset, and that reset is called from here.
#pragma once

namespace oxa {

// Gives every editor module its initial state (margins, options, key map,
// protocol caches ...), the store its 20 corefiles with corefile 1 current,
// and the engine its initial state with no language file loaded.  Starts no
// program and touches no terminal.  The engine's start-up work (the built-in
// transformations, the seed from the clock and its message) is
// bormo::initbormo's, which start-up and the fuzz target call next.
void resetall();

} // namespace oxa
