#include "editor/storehooks.hpp"

#include "editor/typing.hpp"

namespace oxa {

namespace {
int32_t lastlevel = 0;
} // namespace

void hook_repaint(int32_t level) { lastlevel = level; }
int32_t hook_lastrepaint() { return lastlevel; }
void hook_clrtextzone() {}
const char* hook_curfile() { return ""; }
int64_t hook_coreparam() { return -1; }
void hook_seteditmask(int32_t) {}
void hook_showtemplate() {}
int32_t hook_depth() { return 20; }
void hook_makeobject() { makeobject(); }

} // namespace oxa
