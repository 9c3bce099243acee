// Operations on a whole corefile and the new-line key.
#include "editor/corefiles.hpp"

#include <cstring>

#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/motion.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"
#include "editor/templates.hpp"
#include "editor/typing.hpp"

namespace oxa {

void clrfile() {
    removefile();
    initfile();
    garbage();
    allocln(K_EMPTY, 0);
    makeobject();
    wrwholescreen();
}

void wrwholescreen() {
    COREFILE& c = cur();
    c.lnptr = c.header->down;
    c.curcol = 1;
    c.curline = 1;
    c.disln = c.lnptr;
    if (c.lnptr->object == K_PICTURE) c.curflag = 2;
    redisplay = RP_ALL;
}

void nmeset() {
    COREFILE& c = cur();
    const char* name = curfile.data();
    size_t n = strnlen(name, curfile.size());
    if (n > FILNAMESIZE - 1) n = FILNAMESIZE - 1;
    c.filname.fill('\0');
    std::memcpy(c.filname.data(), name, n);
}

void insline() {
    if (!allocln(K_EMPTY, 0)) return;
    makeobject();
    cur().edited = 1;
    redisplay = RP_ROWDOWN;
    mwd();
}

void nuline() {
    COREFILE& c = cur();
    LINE* before = c.lnptr;
    insline();
    if (c.lnptr == before) return;
    int32_t kind = c.lnptr->object;
    c.curcol = (kind == K_TEXT || kind == K_EMPTY) ? lmargin : 1;
    c.curflag = 1;
}

void coreset() {
    int64_t n = param[1];
    if (n < 0 || n >= 19 || n == corenum) return;
    clrtextzone();
    corenum = static_cast<int32_t>(n);
    cureditmask = editmask[static_cast<size_t>(cur().viewtype & 7)];
    showtemplate();
    redisplay = RP_ALL;
    cur().curflag = 1;
    prtabs();
}

} // namespace oxa
