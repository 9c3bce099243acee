// Calls from the text store and text entry into neighbouring layers (screen
// repaint, command parameters, edit masks).  Each hook forwards to its owner
// once that owner's header is available; until then it keeps the effect
// local, so the store can be built and tested on its own.
#pragma once

#include <cstdint>

#include "editor/motion.hpp"
#include "editor/store.hpp"

namespace oxa {

// Repaint level requested from the painter.
void hook_repaint(int32_t level);
int32_t hook_lastrepaint();
// Clears the text area of the front end.
void hook_clrtextzone();
// The prepared file-name parameter of the command being run.
const char* hook_curfile();
// Numeric parameter 1 of the command being run.
int64_t hook_coreparam();
// Makes the edit mask follow object type `t`.
void hook_seteditmask(int32_t t);
// Shows the record template again.
void hook_showtemplate();
// Sends the ruler of margins and tab stops.
inline void hook_ruler() { prtabs(); }
// Scrolls the window when the cursor line has left its bottom.
inline void hook_scrollwindow() { mwd(); }
inline int32_t hook_lmargin() { return lmargin; }
// Number of text rows of the window.
int32_t hook_depth();
// Releases the picture of a picture line (the picture layer keeps nothing).
inline void hook_releasepicture(LINE*) {}
void hook_makeobject();

}  // namespace oxa
