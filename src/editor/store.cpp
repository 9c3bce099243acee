// The text store: corefiles, line headers, the character heap and its
// compacting collector.
#include "editor/store.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <set>
#include <string>

#include "editor/blocks.hpp"
#include "editor/lines.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/encoding.hpp"
#include "editor/frontend.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/repaint.hpp"
#include "editor/templates.hpp"
#include "editor/typing.hpp"
#include "editor/undo.hpp"

namespace oxa {

std::array<COREFILE, NCORE> core{};
int32_t corenum = 1;
// Aligned so that the heap can be backed by large pages (fewer page faults
// when a big file is read).
alignas(1 << 21) std::array<unsigned char, HEAPSIZE> textbase{};
int64_t avail = 0;
int64_t hiaddr = HIADDR;
LINE* reserve = nullptr;
int32_t full = 0;
LINE firstphys{};
LINE* lastphys = &firstphys;
int32_t hdrblocklimit = -1;
uint64_t collections = 0;

namespace {

// Removed empty-line headers.  They are kept (chained through `nextphys`)
// until the next collection so that a caller may still read `up`/`down` of
// the line it has just removed.
LINE* limbo = nullptr;

// Line headers come from blocks of HDRBLOCK, taken fresh (bump) or from the
// free list of released headers (chained through `nextphys`).  A block's
// headers are touched only when they are handed out.  A block fills one
// large page.
constexpr size_t HDRBLOCKBYTES = size_t{1} << 21;
// Forms large pages over a range at once (copying what it holds); missing
// from older C library headers.
constexpr int ADVICE_COLLAPSE = 25;
struct HdrBlock {
    HdrBlock* next;
    LINE hdrs[HDRBLOCK];
};
static_assert(sizeof(HdrBlock) <= HDRBLOCKBYTES);
HdrBlock* hdrpool = nullptr; // every block, newest first
int32_t nblocks = 0;
LINE* freehdrs = nullptr;
LINE* bumpnext = nullptr; // next never-used header of the newest block
LINE* bumpend = nullptr;

// Asks for large pages over one header block; `formnow` also forms them at
// once over the headers already in use (which are copied across).
void largepages(HdrBlock* b, bool formnow = false) {
#ifdef MADV_HUGEPAGE
    ::madvise(b, HDRBLOCKBYTES, MADV_HUGEPAGE);
#if defined(__linux__)
    if (formnow) ::madvise(b, HDRBLOCKBYTES, ADVICE_COLLAPSE);
#endif
#endif
    (void)b;
    (void)formnow;
}

// Headers of the first block handed out in small pages (64 KB of them).
constexpr ptrdiff_t FIRSTBLOCKSMALL = (ptrdiff_t{1} << 16) / static_cast<ptrdiff_t>(sizeof(LINE));

LINE* newheader() {
    LINE* l = freehdrs;
    if (l != nullptr) {
        freehdrs = l->nextphys;
    } else {
        if (bumpnext == bumpend) {
            if (hdrblocklimit >= 0 && nblocks >= hdrblocklimit) return nullptr;
            auto* b = static_cast<HdrBlock*>(std::aligned_alloc(HDRBLOCKBYTES, HDRBLOCKBYTES));
            if (b == nullptr) return nullptr;
            // The first block starts in small pages: most runs use a few
            // dozen headers, and a large page costs its whole clearing on
            // first touch.  It is made large once it holds many lines.
            if (nblocks > 0) largepages(b);
            b->next = hdrpool;
            hdrpool = b;
            ++nblocks;
            bumpnext = b->hdrs;
            bumpend = b->hdrs + HDRBLOCK;
        }
        l = bumpnext++;
        if (nblocks == 1 && bumpnext - hdrpool->hdrs == FIRSTBLOCKSMALL) largepages(hdrpool, true);
    }
    *l = LINE{};
    return l;
}

void freeheader(LINE* l) {
    l->object = K_DEAD;
    l->nextphys = freehdrs;
    freehdrs = l;
}

// Gives every block back but the first, which is kept for reuse; all headers
// become invalid.
void freepool() {
    HdrBlock* first = nullptr;
    while (hdrpool != nullptr) {
        HdrBlock* next = hdrpool->next;
        if (next == nullptr) {
            first = hdrpool;
        } else {
            std::free(hdrpool);
        }
        hdrpool = next;
    }
    hdrpool = first;
    nblocks = first != nullptr ? 1 : 0;
    freehdrs = nullptr;
    bumpnext = first != nullptr ? first->hdrs : nullptr;
    bumpend = first != nullptr ? first->hdrs + HDRBLOCK : nullptr;
}

// Static storage reads as zero until it is first written: the heap needs
// no clearing before the first reset.
bool heapclean = true;

// Changes that give text or headers back to a collection: a line removed,
// emptied or moved.  A collection that freed nothing is not run again until
// this count or the top of the heap has moved (bytes freed inside a line, as
// by deleting a character, wait for the next such change).
uint64_t storechanges = 0;
bool futile = false;        // the last collection freed nothing
uint64_t futilechanges = 0; // `storechanges` and `avail` as it left them
int64_t futiletop = 0;

void tolimbo(LINE* l) {
    ++storechanges;
    l->object = K_DEAD;
    l->length = 0;
    l->nextphys = limbo;
    limbo = l;
}

void freelimbo() {
    while (limbo != nullptr) {
        LINE* next = limbo->nextphys;
        freeheader(limbo);
        limbo = next;
    }
}

void markfree(const LINE* l) {
    ++storechanges;
    if (l->length > 0 && l->object != K_PICTURE)
        std::memset(&textbase[l->index], FREEBYTE, static_cast<size_t>(l->length));
}

bool ownstext(int32_t kind) {
    return kind != K_EMPTY && kind != K_PICTURE;
}

// One remembered line number per corefile, in force while `linkchanges` still
// holds the value it had when the number was taken.
struct numbermemo {
    const LINE* line = nullptr;
    int32_t number = 0;
    uint64_t changes = 0;
};
std::array<numbermemo, NCORE> numbers{};
uint64_t linkchanges = 1; // 0 is never current: a fresh memo is not in force

} // namespace

void linkschanged() {
    ++linkchanges;
}

void linereplaced(const LINE* was, const LINE* now) {
    numbermemo& m = numbers[static_cast<size_t>(corenum)];
    const bool kept = m.changes == linkchanges && m.line == was;
    ++linkchanges;
    if (kept) {
        m.line = now;
        m.changes = linkchanges;
    }
}

int32_t linenumber(const LINE* l) {
    const COREFILE& c = cur();
    numbermemo& m = numbers[static_cast<size_t>(corenum)];
    int32_t n = -1;
    if (l == c.header) {
        n = 0;
    } else if (m.changes == linkchanges && m.line != nullptr) {
        // Outwards from the remembered line, a step each way in turn, each
        // direction until it reaches the header.  No walk goes further than
        // round the corefile once (a remembered line that is no longer in it
        // must not hold the count up).
        const LINE* down = m.line;
        const LINE* up = m.line;
        bool downdone = false, updone = m.line == c.header;
        if (m.line == l) n = m.number;
        for (int32_t i = 1; n < 0 && !(downdone && updone) && i <= c.lncount + 1; ++i) {
            if (!downdone) {
                down = down->down;
                if (down == l)
                    n = m.number + i;
                else if (down == c.header)
                    downdone = true;
            }
            if (n < 0 && !updone) {
                up = up->up;
                if (up == l)
                    n = m.number - i;
                else if (up == c.header)
                    updone = true;
            }
        }
    }
    if (n < 0) n = distance(c.header, l);
    m = numbermemo{l, n, linkchanges};
    return n;
}

std::string checklinenumbers() {
    for (int32_t f = 0; f < NCORE; ++f) {
        const numbermemo& m = numbers[static_cast<size_t>(f)];
        if (m.changes != linkchanges || m.line == nullptr) continue;
        if (distance(core[f].header, m.line) != m.number)
            return "corefile " + std::to_string(f) + ": remembered line number is wrong";
    }
    return "";
}

LINE* allochdr() {
    LINE* l = reserve;
    reserve = newheader();
    return l;
}

void releasehdr(LINE* l) {
    if (l != nullptr) freeheader(l);
}

bool allocln(int32_t linetype, int32_t length) {
    if (reserve == nullptr || length < 0 || avail + length > HEAPSIZE) return false;
    undotouch();
    COREFILE& c = cur();
    LINE* l = allochdr();
    LINE* above = c.lnptr;
    linkschanged();
    l->up = above;
    l->down = above->down;
    above->down->up = l;
    above->down = l;
    l->nextphys = nullptr;
    l->object = linetype;
    l->length = length;
    l->index = avail;
    l->linekey = 0;
    c.lncount += 1;
    c.charcount += length;
    avail += length;
    c.lnptr = l;
    return true;
}

void linkphys() {
    LINE* l = cur().lnptr;
    // A header that is already in the chain is never linked twice.
    if (l == lastphys || l->nextphys != nullptr || l == cur().header) return;
    l->nextphys = nullptr;
    lastphys->nextphys = l;
    lastphys = l;
}

void removeline() {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (l == c.header) return;
    undotouch();
    delstar();
    linkschanged();
    l->up->down = l->down;
    l->down->up = l->up;
    markfree(l);
    c.charcount -= l->length;
    c.lncount -= 1;
    if (l->object == K_EMPTY) {
        tolimbo(l);
    } else {
        l->object = K_DEAD;
    }
}

void shiftline() {
    COREFILE& c = cur();
    LINE* old = c.lnptr;
    if (old == c.header || !ownstext(old->object) || old->object == K_DEAD) return;
    if (avail + old->length > HEAPSIZE) return;
    LINE* moved = nullptr;
    if (reserve != nullptr) {
        moved = allochdr();
        *moved = *old;
        moved->nextphys = nullptr;
        old->up->down = moved;
        old->down->up = moved;
        linereplaced(old, moved);
    } else {
        // No spare header: the line keeps its header, which is taken out of
        // its place in the physical chain and appended at the tail.
        LINE* prev = &firstphys;
        while (prev->nextphys != old)
            prev = prev->nextphys;
        prev->nextphys = old->nextphys;
        if (lastphys == old) lastphys = prev;
        old->nextphys = nullptr;
        moved = old;
    }
    // The line lies wholly below avail: the two places never overlap.
    const int64_t from = old->index;
    std::memcpy(&textbase[avail], &textbase[from], static_cast<size_t>(old->length));
    std::memset(&textbase[from], FREEBYTE, static_cast<size_t>(old->length));
    moved->index = avail;
    avail += old->length;
    if (moved != old) {
        old->object = K_DEAD;
        old->length = 0;
        if (c.disln == old) c.disln = moved;
        if (c.starA == old) c.starA = moved;
        if (c.starB == old) c.starB = moved;
        if (lp == old) lp = moved;
    }
    c.lnptr = moved;
    linkphys();
}

void initfile() {
    undotouch();
    COREFILE& c = cur();
    clrstars();
    linkschanged();
    c.header->up = c.header;
    c.header->down = c.header;
    c.lnptr = c.header;
    c.curcol = 1;
    c.curline = 1;
    c.lncount = 0;
    c.charcount = 0;
    c.filname.fill('\0');
    c.edited = 0;
    c.curflag = 1;
    c.encoding = ENC_UNSET;
    c.bom = 0;
    c.cutdev = 0;
    c.cutino = 0;
}

void removefile() {
    undotouch();
    COREFILE& c = cur();
    linkschanged();
    LINE* l = c.header->down;
    while (l != c.header) {
        LINE* next = l->down;
        if (l->object == K_EMPTY) {
            tolimbo(l);
        } else {
            // A picture line releases its picture here; the picture layer
            // keeps nothing in this build.
            markfree(l);
            l->object = K_DEAD;
        }
        l = next;
    }
}

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

int32_t distance(const LINE* l1, const LINE* l2) {
    int32_t n = 0;
    const LINE* l = l1;
    while (l != l2) {
        l = l->down;
        ++n;
        if (l == l1) break; // l2 is not in this list: stop after one round
    }
    return n;
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

void garbage() {
    if (futile && storechanges == futilechanges && avail == futiletop && limbo == nullptr) {
        full = (avail > hiaddr || reserve == nullptr) ? 1 : 0;
        return;
    }
    ++collections;
    const int64_t before = avail;
    const bool hadreserve = reserve != nullptr;
    bool freedheaders = limbo != nullptr;
    int32_t saved = corenum;
    for (int32_t f = 0; f < NCORE; ++f) {
        corenum = f;
        detrfile();
    }
    corenum = saved;

    avail = 0;
    LINE* prev = &firstphys;
    LINE* l = firstphys.nextphys;
    while (l != nullptr) {
        LINE* next = l->nextphys;
        if (l->object == K_DEAD) {
            prev->nextphys = next;
            if (lastphys == l) lastphys = prev;
            if (lp == l) lp = nullptr;
            freeheader(l);
            freedheaders = true;
        } else {
            if (l->object != K_PICTURE) {
                if (l->index != avail) {
                    // Slides down (avail < l->index); the regions may overlap.
                    std::memmove(&textbase[avail], &textbase[l->index],
                                 static_cast<size_t>(l->length));
                    l->index = avail;
                }
                avail += l->length;
            }
            prev = l;
        }
        l = next;
    }
    freelimbo();
    if (reserve == nullptr) reserve = newheader();
    full = (avail > hiaddr || reserve == nullptr) ? 1 : 0;
    futile = avail == before && !freedheaders && hadreserve == (reserve != nullptr);
    futilechanges = storechanges;
    futiletop = avail;
}

void initcore() {
    allochdr();
    for (int32_t f = 0; f < NCORE; ++f) {
        corenum = f;
        COREFILE& c = core[f];
        c = COREFILE{};
        c.header = newheader();
        c.header->length = 0;
        c.header->object = K_EMPTY;
        c.header->nextphys = nullptr;
        c.viewtype = 0;
        initfile();
        allocln(K_EMPTY, 0);
        c.disln = c.lnptr;
    }
    corenum = 1;
}

WorkBlock workblock(size_t bytes) {
    constexpr size_t SMALLBLOCK = size_t{1} << 18;
    if (bytes < SMALLBLOCK) return WorkBlock(static_cast<unsigned char*>(std::malloc(std::max<size_t>(bytes, 1))));
    const size_t size = (bytes + HDRBLOCKBYTES - 1) & ~(HDRBLOCKBYTES - 1);
    WorkBlock b(static_cast<unsigned char*>(std::aligned_alloc(HDRBLOCKBYTES, size)));
#ifdef MADV_HUGEPAGE
    if (b) ::madvise(b.get(), size, MADV_HUGEPAGE);
#endif
    return b;
}

void resetstore() {
    // Every header lives in the pool: giving the blocks back frees them all.
    freepool();
    hdrblocklimit = -1;
    limbo = nullptr;
    reserve = nullptr;
    numbers.fill(numbermemo{});
    linkschanged();
    core.fill(COREFILE{});
    if (!heapclean) textbase.fill(0);
#ifdef MADV_HUGEPAGE
    // The advice covers whole large pages: the heap's last one is shared with
    // the static state after it.
    if (heapclean) {
        const size_t span = (textbase.size() + HDRBLOCKBYTES - 1) & ~(HDRBLOCKBYTES - 1);
        ::madvise(textbase.data(), span, MADV_HUGEPAGE);
#if defined(__linux__)
        // The state after the heap was set up before this advice, in small
        // pages, which keep the heap's last large page from forming when
        // text first reaches it: that page is formed now.
        ::madvise(textbase.data() + span - HDRBLOCKBYTES, HDRBLOCKBYTES, ADVICE_COLLAPSE);
#endif
    }
#endif
    heapclean = false;
    avail = 0;
    hiaddr = HIADDR;
    full = 0;
    futile = false;
    firstphys = LINE{};
    lastphys = &firstphys;
    resetlines();
    // The history belongs to the text it was made on: the new corefiles'
    // first lines are none of its business.
    undoapplying = true;
    initcore();
    resetundo();
}

void takebackline(int64_t mark, LINE* prevtail) {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (l == c.header) return;
    linkschanged();
    l->up->down = l->down;
    l->down->up = l->up;
    c.lnptr = l->up;
    c.lncount -= 1;
    c.charcount -= l->length;
    if (l->object == K_EMPTY) {
        freeheader(l);
        return;
    }
    markfree(l);
    if (l != lastphys || prevtail == nullptr || prevtail->nextphys != l) {
        // Not the chain's newest line: the next collection releases it.
        l->object = K_DEAD;
        return;
    }
    prevtail->nextphys = nullptr;
    lastphys = prevtail;
    if (mark >= 0 && mark <= l->index && l->index + l->length == avail) {
        std::memset(&textbase[mark], FREEBYTE, static_cast<size_t>(avail - mark));
        avail = mark;
    }
    freeheader(l);
}

int32_t hdrblockcount() {
    return nblocks;
}

namespace {

// The first offset in [from, to) whose byte is not free, or `to`.  Compared a
// block at a time: the checker runs after every step of many tests and of
// every fuzz run, over a heap of megabytes.
int64_t firstnotfree(int64_t from, int64_t to) {
    static const std::array<unsigned char, 4096> freeblock = [] {
        std::array<unsigned char, 4096> b{};
        b.fill(FREEBYTE);
        return b;
    }();
    for (int64_t p = from; p < to;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(to - p, freeblock.size()));
        if (std::memcmp(&textbase[static_cast<size_t>(p)], freeblock.data(), n) != 0) {
            while (textbase[static_cast<size_t>(p)] == FREEBYTE)
                ++p;
            return p;
        }
        p += static_cast<int64_t>(n);
    }
    return to;
}

} // namespace

std::string checkstore() {
    // Physical chain: live text in increasing offsets, no 255 inside it, and
    // only free bytes between the live texts below avail.
    std::set<const LINE*> inchain;
    int64_t prevend = 0;
    const LINE* prevline = nullptr;
    for (const LINE* l = firstphys.nextphys; l != nullptr; l = l->nextphys) {
        if (!inchain.insert(l).second) return "header twice in the physical chain";
        if (l->object == K_EMPTY) return "empty line in the physical chain";
        if (l->nextphys == nullptr && l != lastphys) return "lastphys is not the chain's tail";
        if (l->object == K_DEAD || l->object == K_PICTURE) continue;
        if (l->length < 0) return "negative length";
        if (l->length == 0) continue;
        if (l->index < 0 || l->index + l->length > avail) return "live text outside [0, avail)";
        if (prevline != nullptr && l->index < prevend)
            return "live text overlaps or is out of order in the physical chain";
        if (std::memchr(&textbase[static_cast<size_t>(l->index)], FREEBYTE,
                        static_cast<size_t>(l->length)) != nullptr)
            return "free byte inside live text";
        const int64_t stray = firstnotfree(prevend, l->index);
        if (stray < l->index)
            return "byte below avail neither live nor free at offset " + std::to_string(stray);
        prevend = l->index + l->length;
        prevline = l;
    }
    if (lastphys != &firstphys && inchain.count(lastphys) == 0)
        return "lastphys is not in the physical chain";
    if (lastphys == &firstphys && firstphys.nextphys != nullptr)
        return "lastphys is the anchor but the chain is not empty";
    const int64_t stray = firstnotfree(prevend, avail);
    if (stray < avail)
        return "byte below avail neither live nor free at offset " + std::to_string(stray);

    // Corefiles: circular lists, counts, chain membership.
    std::set<const LINE*> seen;
    for (int32_t f = 0; f < NCORE; ++f) {
        const COREFILE& c = core[f];
        const std::string where = "corefile " + std::to_string(f) + ": ";
        if (c.header == nullptr) return where + "no header";
        if (c.header->object != K_EMPTY || c.header->length != 0)
            return where + "header is not an empty kind-5 line";
        if (inchain.count(c.header)) return where + "header in the physical chain";
        int32_t n = 0;
        int64_t chars = 0;
        bool lnptrfound = c.lnptr == c.header;
        const LINE* l = c.header;
        do {
            const LINE* next = l->down;
            if (next == nullptr || next->up != l) return where + "up/down links disagree";
            l = next;
            if (l == c.header) break;
            if (!seen.insert(l).second) return where + "line reached twice";
            ++n;
            chars += l->length;
            if (l == c.lnptr) lnptrfound = true;
            switch (l->object) {
            case K_TEXT:
            case K_RECORD:
            case K_FORMULA:
            case K_HLINE:
            case K_ALINE:
                if (!inchain.count(l)) return where + "text line missing from the physical chain";
                break;
            case K_EMPTY:
                if (l->length != 0) return where + "empty line with text";
                if (inchain.count(l)) return where + "empty line in the physical chain";
                break;
            case K_PICTURE:
                if (l->length != 0) return where + "picture line owns text";
                break;
            default:
                return where + "dead or unknown line kind in the list";
            }
            if (n > 100000000) return where + "line list does not close";
        } while (true);
        if (n != c.lncount) return where + "lncount is wrong";
        if (chars != c.charcount) return where + "charcount is wrong";
        if (n < 1) return where + "no line";
        if (!lnptrfound) return where + "lnptr is not a line of the corefile";
    }
    return checklinenumbers();
}

} // namespace oxa
