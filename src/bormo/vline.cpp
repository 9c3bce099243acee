// The engine's message line: text prepared at the top of the character heap
// is adopted as a new last line of a corefile.
#include "bormo/vline.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "editor/repaint.hpp"
#include "editor/store.hpp"
#include "editor/window.hpp"

namespace bormo {

namespace {

oxa::LINE* saved_lnptr = nullptr;
oxa::LINE* saved_disln = nullptr;

} // namespace

bool v_overflow = false;
bool v_stop_on_overflow = false;
void (*v_printhook)(int corefile, const char* text) = nullptr;

void v_line(int corefile, int linetype) {
    if (corefile < 0 || corefile >= oxa::NCORE) return;
    int64_t room = oxa::HEAPSIZE - oxa::avail;
    if (room <= 0) return;
    const char* text = reinterpret_cast<const char*>(&oxa::textbase[oxa::avail]);
    int32_t length = static_cast<int32_t>(strnlen(text, static_cast<size_t>(room)));

    int32_t keep = oxa::corenum;
    oxa::corenum = corefile;
    oxa::COREFILE& c = oxa::cur();
    c.lnptr = c.header->up;
    bool empty = length == 0 && linetype == oxa::K_TEXT;
    if (!oxa::allocln(empty ? oxa::K_EMPTY : linetype, length)) {
        v_overflow = true;
    } else {
        if (length > 0) oxa::linkphys();
        c.curcol = 1;
        c.curline = c.lncount;
        c.curflag = 1;
        if (oxa::distance(c.disln, c.lnptr) + oxa::windowtop > oxa::windowend) c.disln = c.lnptr;
        if (corefile == keep) oxa::redisplay = oxa::RP_ALL;
    }
    oxa::corenum = keep;
}

void v_print(int corefile, const char* text) {
    if (v_printhook) v_printhook(corefile, text);
    if (v_overflow && v_stop_on_overflow) return;
    size_t n = strlen(text);
    if (oxa::avail + static_cast<int64_t>(n) + 1 > oxa::HEAPSIZE) oxa::garbage();
    int64_t room = oxa::HEAPSIZE - oxa::avail - 1;
    // A line that does not fit whole is not written at all.
    if (room < 0 || static_cast<int64_t>(n) > room) {
        v_overflow = true;
        return;
    }
    memcpy(&oxa::textbase[oxa::avail], text, n);
    oxa::textbase[oxa::avail + static_cast<int64_t>(n)] = 0;
    v_line(corefile, oxa::K_TEXT);
}

void v_printf(int corefile, const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    v_print(corefile, buf);
}

void save_cursor(int corefile) {
    if (corefile < 0 || corefile >= oxa::NCORE) return;
    saved_lnptr = oxa::core[corefile].lnptr;
    saved_disln = oxa::core[corefile].disln;
}

void restore_cursor(int corefile) {
    if (corefile < 0 || corefile >= oxa::NCORE || !saved_lnptr) return;
    oxa::core[corefile].lnptr = saved_lnptr;
    oxa::core[corefile].disln = saved_disln;
}

void resetvline() {
    saved_lnptr = nullptr;
    saved_disln = nullptr;
    v_overflow = false;
    v_stop_on_overflow = false;
}

} // namespace bormo
