// The controlling terminal and the signal handlers.  This is the only file that
// includes the terminal library's headers: they define macros with common names.
#include "editor/terminal.hpp"

namespace oxa {

// The window geometry is defined with the painter (paint.cpp).
int32_t termactive = 0;

void stermpars() {}
void initerm() {}
void reseterm() {}
int getwindsize() { return 0; }
int setwindow(int cols, int rows) { return 0; }
void termrefresh() {}
void termbeep() {}
void SuspHandler(int sig) {}
void ResHandler(int sig) {}
void WindowHandler(int sig) {}
void IntHandler(int sig) {}
void setsig() {}

void resetterminal() {
    swidth = 78;
    rightcol = 78;
    shiftc = 59;
    pshift = 0;
    cmdline = 23;
    helpline = 22;
    windowend = 21;
    windowtop = 2;
    depth = 20;
    overlap = 19;
    windresize = 0;
}

}  // namespace oxa
