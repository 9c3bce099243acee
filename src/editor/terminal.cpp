// The controlling terminal and the signal handlers.  This is the only file that
// includes the terminal library's headers: they define macros with common names.
#include "editor/terminal.hpp"

namespace oxa {

int32_t swidth = 78;
int32_t rightcol = 78;
int32_t shiftc = 59;
int32_t pshift = 0;
int32_t cmdline = 23;
int32_t helpline = 22;
int32_t windowend = 21;
int32_t windowtop = 2;
int32_t depth = 20;
int32_t overlap = 19;
int32_t windresize = 0;
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
