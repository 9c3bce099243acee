#include "editor/blocks.hpp"

#include <chrono>
#include <thread>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/repaint.hpp"

namespace oxa {

LINE* first = nullptr;
LINE* last = nullptr;
int32_t lines = 0;
int64_t charcount = 0;
bool b_curline = false;
bool b_disln = false;
bool b_star = false;

namespace {

constexpr int32_t BLOCKBUFFER = 0;
constexpr int32_t MOVEDFILES = 8;

bool hasstars(const COREFILE& c) {
    return c.starA != nullptr || c.starB != nullptr;
}

// Stars a block that has just been linked into a corefile: star A on its last
// line, star B on its first when it holds more than one line.
void starblock(COREFILE& c) {
    c.starA = last;
    c.starB = lines > 1 ? first : nullptr;
    c.starcount = lines > 1 ? 2 : 1;
    c.nextstar = 'B';
}

// An emptied corefile gets one empty line, its cursor line and window top.
// Needs a spare header (checked by the callers before anything is detached).
void emptyline(int32_t f) {
    int32_t saved = corenum;
    corenum = f;
    COREFILE& c = cur();
    c.lnptr = c.header;
    allocln(K_EMPTY, 0);
    c.disln = c.lnptr;
    corenum = saved;
}

// Takes the block `first`..`last` (counted by `findinfo`) out of corefile f,
// repairing its cursor and window; f's stars are cleared.
void detachblock(int32_t f) {
    COREFILE& c = core[f];
    LINE* above = first->up;
    LINE* below = last->down;
    linkschanged(f);
    above->down = below;
    below->up = above;
    first->up = nullptr;
    last->down = nullptr;
    c.lncount -= lines;
    c.charcount -= charcount;
    clearstarsof(c);
    if (c.lncount == 0) {
        emptyline(f);
        return;
    }
    LINE* stay = above == c.header ? c.header->down : above;
    if (b_disln) c.disln = stay;
    if (b_curline) c.lnptr = stay;
}

// Links the detached block `first`..`last` into corefile f below line `at`.
void linkblock(int32_t f, LINE* at) {
    COREFILE& c = core[f];
    LINE* after = at->down;
    linkschanged(f);
    at->down = first;
    first->up = at;
    last->down = after;
    after->up = last;
    c.lncount += lines;
    c.charcount += charcount;
}

// Whether the emptied corefile could get its empty line: a spare header, after
// a collection if need be.
bool roomforemptyline() {
    if (reserve == nullptr) garbage();
    if (reserve != nullptr) return true;
    diserr("no room for a new line");
    return false;
}

// The copy being made: its headers (chained by up/down from `dummyheader`),
// its physical chain, and the heap top of its text.
LINE dummyheader{};
LINE* copyphys = nullptr;
LINE* copyphystail = nullptr;
int64_t copytop = 0;

void freecopy() {
    LINE* l = dummyheader.down;
    while (l != nullptr) {
        LINE* next = l->down;
        releasehdr(l);
        l = next;
    }
    dummyheader.down = nullptr;
}

// Copies the block line by line above `avail`.  False when the heap or the
// header memory ran out on the way (the partial copy is freed).
bool copyblock() {
    dummyheader.down = nullptr;
    copyphys = nullptr;
    copyphystail = nullptr;
    copytop = avail;
    LINE* prev = &dummyheader;
    for (LINE* src = first;; src = src->down) {
        LINE* h = allochdr();
        if (h == nullptr || reserve == nullptr ||
            (src->object != K_PICTURE && copytop + src->length > HEAPSIZE)) {
            if (h != nullptr) {
                h->down = nullptr;
                prev->down = h;
            }
            freecopy();
            return false;
        }
        h->object = src->object;
        h->length = src->length;
        h->linekey = 0;
        h->nextphys = nullptr;
        h->down = nullptr;
        h->up = prev;
        prev->down = h;
        prev = h;
        if (src->object == K_PICTURE) {
            // No graphics layer: the copy shares the picture handle.
            h->index = src->index;
        } else {
            h->index = copytop;
            for (int32_t i = 0; i < src->length; ++i)
                textbase[copytop + i] = textbase[src->index + i];
            copytop += src->length;
        }
        if (src->object != K_EMPTY) {
            if (copyphystail == nullptr) {
                copyphys = h;
            } else {
                copyphystail->nextphys = h;
            }
            copyphystail = h;
        }
        if (copytop > hiaddr) {
            freecopy();
            return false;
        }
        if (src == last) break;
    }
    return true;
}

} // namespace

void locatestars() {
    const COREFILE& c = cur();
    LINE* a = c.starA;
    LINE* b = c.starB;
    if (a == nullptr || b == nullptr) {
        first = last = a != nullptr ? a : b;
        return;
    }
    // Two walkers from A, one each way, until one of them finds B (or the
    // header); the cost is the distance between the stars.
    LINE* upw = a;
    LINE* downw = a;
    bool babove = false;
    for (;;) {
        if (upw != c.header) upw = upw->up;
        if (downw != c.header) downw = downw->down;
        if (upw == b || downw == c.header) {
            babove = true;
            break;
        }
        if (downw == b || upw == c.header) break;
    }
    first = babove ? b : a;
    last = babove ? a : b;
}

void findinfo() {
    const COREFILE& c = cur();
    lines = 0;
    charcount = 0;
    b_curline = b_disln = b_star = false;
    for (LINE* l = first;; l = l->down) {
        ++lines;
        charcount += l->length;
        if (l == c.lnptr) b_curline = true;
        if (l == c.disln) b_disln = true;
        if (l == c.starA || l == c.starB) b_star = true;
        if (l == last) break;
    }
}

void moveblock(int32_t source, int32_t dest) {
    int32_t saved = corenum;
    corenum = source;
    if (!hasstars(cur())) {
        corenum = saved;
        diserr("no stars set in source corefile!");
        return;
    }
    locatestars();
    findinfo();
    if (lines == cur().lncount && !roomforemptyline()) {
        corenum = saved;
        return;
    }
    detachblock(source);
    linkblock(dest, core[dest].lnptr);
    starblock(core[dest]);
    corenum = saved;
    redisplay = RP_ALL;
}

void makestars() {
    COREFILE& c = cur();
    if (delstar()) {
        redisplay = RP_FLAGROW;
        return;
    }
    if (c.starcount < 2) c.starcount += 1;
    if (c.nextstar == 'A') {
        c.starA = c.lnptr;
        c.nextstar = 'B';
    } else {
        c.starB = c.lnptr;
        c.nextstar = 'A';
    }
    redisplay = RP_FLAGS;
}

void deleteblock() {
    moveblock(corenum, BLOCKBUFFER);
}

void recover() {
    moveblock(BLOCKBUFFER, corenum);
}

void copyop() {
    if (!hasstars(cur())) {
        diserr("no stars set in source corefile!");
        return;
    }
    detrfile();
    locatestars();
    findinfo();
    if (!copyblock()) {
        garbage();
        if (full || !copyblock()) {
            diserr("inadequate free space for block copy");
            return;
        }
    }
    if (copyphys != nullptr) {
        lastphys->nextphys = copyphys;
        lastphys = copyphystail;
    }
    avail = copytop;
    clrstars();
    first = dummyheader.down;
    last = first;
    while (last->down != nullptr)
        last = last->down;
    dummyheader.down = nullptr;
    linkblock(BLOCKBUFFER, core[BLOCKBUFFER].lnptr);
    starblock(core[BLOCKBUFFER]);
    redisplay = corenum == BLOCKBUFFER ? RP_ALL : RP_FLAGS;
}

void clearallstars() {
    COREFILE& c = cur();
    clearstarsof(c);
    c.cstarA = 0;
    c.cstarB = 0;
    c.cstarcount = 0;
    c.cnextstar = 'A';
    prtabs();
    mode = 1;
    prmptpar(1);
    redisplay = RP_FLAGS;
}

void bor_moveblock() {
    COREFILE& c = cur();
    if (!roomforemptyline()) return;
    first = c.header->down;
    last = c.header->up;
    findinfo();
    detachblock(corenum);
    COREFILE& d = core[MOVEDFILES];
    linkblock(MOVEDFILES, d.disln->up);
    redisplay = RP_ALL;
}

int32_t bor_sleep_ms = 3000;

void bor_sleep() {
    std::this_thread::sleep_for(std::chrono::milliseconds(bor_sleep_ms));
}

void resetblocks() {
    first = last = nullptr;
    lines = 0;
    charcount = 0;
    b_curline = b_disln = b_star = false;
    dummyheader = LINE{};
    copyphys = copyphystail = nullptr;
    copytop = 0;
}

} // namespace oxa
