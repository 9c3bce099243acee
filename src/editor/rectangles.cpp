#include "editor/rectangles.hpp"

#include <algorithm>
#include <new>

#include "editor/blocks.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"

namespace oxa {

std::vector<unsigned char> rstore;
int32_t rrows = 0;
int32_t rcols = 0;
int32_t cfirst = 0;
int32_t clast = 0;

namespace {

constexpr int64_t TRIALBYTES = 58; // per line, for the header memory check

bool haslinestars() {
    return cur().starA != nullptr || cur().starB != nullptr;
}

// The rectangle's rows (`first`..`last`) and columns; false, with the
// message shown, when either kind of star is missing.
bool locaterect() {
    const COREFILE& c = cur();
    if (!haslinestars() || c.cstarcount == 0 || (c.cstarA == 0 && c.cstarB == 0)) {
        diserr("No rectangle defined");
        return false;
    }
    int32_t a = c.cstarA, b = c.cstarB;
    if (a == 0) a = b;
    if (b == 0) b = a;
    cfirst = std::min(a, b);
    clast = std::max(a, b);
    locatestars();
    findinfo();
    return true;
}

bool ownstext(const LINE* l) {
    return l->object != K_EMPTY && l->object != K_PICTURE;
}

// Copies the rectangle into the store (`xcopyrect`); false when no memory.
bool xcopyrect() {
    rstore.clear();
    rstore.shrink_to_fit();
    rrows = 0;
    rcols = 0;
    const int32_t cols = clast - cfirst + 1;
    std::vector<unsigned char> block;
    try {
        block.resize(static_cast<size_t>(lines) * static_cast<size_t>(cols));
    } catch (const std::bad_alloc&) {
        diserr("Inadequate memory for stored rectangle");
        return false;
    }
    size_t k = 0;
    for (const LINE* l = first;; l = l->down) {
        for (int32_t col = cfirst; col <= clast; ++col)
            block[k++] = ownstext(l) && col <= l->length ? textbase[l->index + col - 1] : ' ';
        if (l == last) break;
    }
    rstore.swap(block);
    rrows = lines;
    rcols = cols;
    return true;
}

// Runs `op` on each line of the star block as the cursor line (column
// unchanged); the cursor line and column are restored, following a line that
// moved to the top of the heap.
template <typename Op>
void eachline(Op op) {
    COREFILE& c = cur();
    LINE* saved = c.lnptr;
    const int32_t savedcol = c.curcol;
    for (LINE* l = first;;) {
        const bool islast = l == last;
        const bool iscursor = l == saved;
        c.lnptr = l;
        op(l);
        if (iscursor) saved = c.lnptr;
        if (islast) break;
        l = c.lnptr->down;
    }
    c.lnptr = saved;
    c.curcol = savedcol;
}

// Removes the rectangle's columns from its lines (`xcloserect`).
void xcloserect() {
    COREFILE& c = cur();
    eachline([&](LINE* l) {
        if (!ownstext(l) || l->length < cfirst) return;
        c.curcol = cfirst;
        cremove(std::min(clast, l->length) - cfirst + 1);
    });
}

// Blanks the rectangle in place (`clearsrect`).
void clearsrect() {
    eachline([&](LINE* l) {
        if (!ownstext(l)) return;
        for (int32_t col = cfirst; col <= std::min(clast, l->length); ++col)
            textbase[l->index + col - 1] = ' ';
    });
}

// The space check with one collection; false, with the message shown, when
// there is still no room.
bool room(int64_t nlines, int64_t bytes) {
    if (!inadequate(nlines, bytes)) return true;
    garbage();
    if (!inadequate(nlines, bytes)) return true;
    diserr("Inadequate space for this operation");
    return false;
}

// The cursor line and the rrows - 1 lines below it, an empty line added
// whenever the corefile ends; `op` gets each as the cursor line and its row.
template <typename Op>
void eachrow(Op op) {
    COREFILE& c = cur();
    LINE* saved = nullptr;
    for (int32_t r = 0; r < rrows; ++r) {
        if (r > 0) {
            if (c.lnptr->down == c.header) {
                if (!allocln(K_EMPTY, 0)) break;
            } else {
                c.lnptr = c.lnptr->down;
            }
        }
        op(r);
        if (r == 0) saved = c.lnptr;
    }
    if (saved != nullptr) c.lnptr = saved;
}

// Pads the cursor line with blanks to `col` - 1 columns at least; false when
// the line cannot hold text.
bool padto(int32_t col) {
    LINE* l = cur().lnptr;
    if (l->object == K_PICTURE || l->object == K_DEAD) return false;
    while (cur().lnptr->length < col - 1)
        if (!cadd(' ')) return false;
    return true;
}

// Writes the store over the text from the cursor column (`overwrect`'s
// work, after the space check).
void overwrite() {
    COREFILE& c = cur();
    const int32_t col = c.curcol;
    eachrow([&](int32_t r) {
        if (!padto(col + rcols)) return;
        LINE* l = c.lnptr;
        std::copy_n(&rstore[static_cast<size_t>(r) * static_cast<size_t>(rcols)], rcols,
                    &textbase[l->index + col - 1]);
    });
    c.curcol = col;
}

// Opens a gap of the store's width at the cursor column and copies the store
// into it (`xinsertrect` and `xrestorerect`).
void insertstore() {
    COREFILE& c = cur();
    const int32_t col = c.curcol;
    eachrow([&](int32_t r) {
        if (!padto(col + 1)) return;
        for (int32_t i = 0; i < rcols; ++i)
            if (!cadd(' ')) return;
        c.curcol = col;
        cinsert(rcols);
        LINE* l = c.lnptr;
        std::copy_n(&rstore[static_cast<size_t>(r) * static_cast<size_t>(rcols)], rcols,
                    &textbase[l->index + col - 1]);
    });
    c.curcol = col;
}

bool stored() {
    if (!rstore.empty()) return true;
    diserr("No rectangle stored");
    return false;
}

} // namespace

bool inadequate(int64_t nlines, int64_t bytes) {
    if (avail + bytes > hiaddr) return true;
    if (reserve == nullptr) return true;
    char* trial = new (std::nothrow) char[static_cast<size_t>(std::max<int64_t>(nlines, 1) * TRIALBYTES)];
    if (trial == nullptr) return true;
    delete[] trial;
    return false;
}

void makecstars() {
    COREFILE& c = cur();
    const int32_t col = c.curcol;
    if (c.cstarA != 0 && col == c.cstarA) {
        c.cstarA = 0;
        c.cstarcount -= 1;
        c.cnextstar = 'A';
    } else if (c.cstarB != 0 && col == c.cstarB) {
        c.cstarB = 0;
        c.cstarcount -= 1;
        c.cnextstar = 'B';
    } else {
        if (c.cstarcount < 2) c.cstarcount += 1;
        // A corefile that never had a column star names neither: A comes first.
        if (c.cnextstar != 'B') {
            c.cstarA = col;
            c.cnextstar = 'B';
        } else {
            c.cstarB = col;
            c.cnextstar = 'A';
        }
    }
    prtabs();
}

void deleterect() {
    if (!locaterect() || !xcopyrect()) return;
    xcloserect();
    redisplay = RP_ALL;
}

void insertrect() {
    if (!stored()) return;
    const int64_t col = cur().curcol;
    if (!room(rrows, static_cast<int64_t>(rrows) * (col + rcols))) return;
    insertstore();
    redisplay = RP_ALL;
}

void copyrect() {
    if (!locaterect() || !xcopyrect()) return;
    const int64_t col = cur().curcol;
    if (!room(rrows, static_cast<int64_t>(rrows) * (col + rcols))) return;
    insertstore();
    redisplay = RP_ALL;
}

void insertcols() {
    int32_t n = gnum();
    if (n == 0) n = 1;
    if (!haslinestars()) {
        diserr("No starred lines defined");
        return;
    }
    locatestars();
    findinfo();
    if (!room(lines, static_cast<int64_t>(lines) * n)) return;
    COREFILE& c = cur();
    const int32_t col = c.curcol;
    eachline([&](LINE* l) {
        if (!ownstext(l)) return;
        detrline();
        if (col > c.lnptr->length) return;
        for (int32_t i = 0; i < n; ++i)
            if (!cadd(' ')) return;
        c.curcol = col;
        cinsert(n);
        std::fill_n(&textbase[c.lnptr->index + col - 1], n, ' ');
    });
    redisplay = RP_ALL;
}

void overwrect() {
    if (!stored()) return;
    const int64_t col = cur().curcol;
    if (!room(rrows, static_cast<int64_t>(rrows) * (rcols + col - 1))) return;
    overwrite();
    redisplay = RP_ALL;
}

void cpclrrect() {
    if (!locaterect() || !xcopyrect()) return;
    clearsrect();
    redisplay = RP_ALL;
}

void cpclrovrect() {
    if (!locaterect() || !xcopyrect()) return;
    clearsrect();
    const int64_t col = cur().curcol;
    if (!room(rrows, static_cast<int64_t>(rrows) * (rcols + col - 1))) return;
    overwrite();
    redisplay = RP_ALL;
}

void resetrectangles() {
    rstore.clear();
    rstore.shrink_to_fit();
    rrows = 0;
    rcols = 0;
    cfirst = 0;
    clast = 0;
}

} // namespace oxa
