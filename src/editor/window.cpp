// The text window's geometry.
#include "editor/window.hpp"

namespace oxa {

int32_t swidth = 78;
int32_t depth = 20;
int32_t windowtop = 2;
int32_t windowend = 21;
int32_t helpline = 22;
int32_t cmdline = 23;
int32_t rightcol = 78;
int32_t pshift = 0;
int32_t shiftc = 59;
int32_t overlap = 19;
int32_t windresize = 0;

void resetwindow() {
    swidth = 78;
    depth = 20;
    windowtop = 2;
    windowend = 21;
    helpline = 22;
    cmdline = 23;
    rightcol = 78;
    pshift = 0;
    shiftc = 59;
    overlap = 19;
    windresize = 0;
}

} // namespace oxa
