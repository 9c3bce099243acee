// Line and character primitives on the current line, the walker and the
// delete ring.
#include "editor/lines.hpp"

#include <algorithm>
#include <cstring>

#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/repaint.hpp"
#include "editor/undo.hpp"

namespace oxa {

LINE* lp = nullptr;
int32_t cp = 1;
int32_t dist = 0;
std::array<unsigned char, DELBUFSIZE> delbuf{};
int32_t delptr = 0;

namespace {
// Number of ring slots holding bytes that were saved and not yet taken back.
int32_t delcount = 0;

bool ownstext(const LINE* l) {
    return l->object != K_EMPTY && l->object != K_PICTURE && l->object != K_DEAD;
}

// The blanks the current line can take at its end as the store stands: the
// free bytes after it, and the room above the top of the heap once it ends
// there; a line that must move first takes that room less its own length.
int64_t extroom() {
    const COREFILE& c = cur();
    const LINE* l = c.lnptr;
    if (l->object == K_EMPTY) return HEAPSIZE - avail;
    const int64_t e = l->index + l->length;
    const int64_t need = int64_t{c.curcol} - l->length;
    int64_t run = 0;
    while (run < need && e + run < avail && textbase[e + run] == FREEBYTE)
        ++run;
    if (e + run == avail) return run + HEAPSIZE - avail;
    return std::max(run, HEAPSIZE - avail - l->length);
}
} // namespace

int64_t curptr() {
    const COREFILE& c = cur();
    return c.lnptr->index + c.curcol - 1;
}

int64_t endptr() {
    const LINE* l = cur().lnptr;
    return l->index + l->length;
}

bool cadd(int chr) {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (l == c.header || l->object == K_PICTURE || l->object == K_DEAD) return false;
    // 255 marks free heap bytes and is never line text.
    if ((chr & 0xFF) == FREEBYTE) return false;
    undotouch();
    if (l->object == K_EMPTY) {
        if (avail >= HEAPSIZE) return false;
        l->object = K_TEXT;
        l->index = avail;
        l->length = 0;
        linkphys();
    } else {
        int64_t e = endptr();
        // In place only at the top of the heap or into a free byte below it.
        bool inplace = e == avail || (e < avail && textbase[e] == FREEBYTE);
        if (!inplace) {
            if (avail + l->length + 1 > HEAPSIZE) return false;
            shiftline();
            l = c.lnptr;
        }
    }
    int64_t e = endptr();
    if (e >= HEAPSIZE) return false;
    textbase[e] = static_cast<unsigned char>(chr);
    l->length += 1;
    c.charcount += 1;
    if (e == avail) avail += 1;
    return true;
}

void cinsert(int32_t num) {
    if (num <= 0) return;
    undotouch();
    int64_t from = curptr();
    int64_t end = endptr();
    // Bytes curptr .. end-1-num move up by num, from the end downwards.
    for (int64_t p = end - 1 - num; p >= from; --p)
        textbase[p + num] = textbase[p];
}

void cremove(int32_t num) {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (!ownstext(l) || num <= 0) return;
    undotouch();
    int64_t from = curptr();
    int64_t end = endptr();
    if (from < l->index || from >= end) return;
    if (num > end - from) num = static_cast<int32_t>(end - from);
    for (int32_t i = 0; i < num; ++i)
        savechar(textbase[from + i]);
    std::memmove(&textbase[from], &textbase[from + num], static_cast<size_t>(end - from - num));
    std::memset(&textbase[end - num], FREEBYTE, static_cast<size_t>(num));
    l->length -= num;
    c.charcount -= num;
}

void extline() {
    COREFILE& c = cur();
    // Blanks that do not fit are not added at all, once a collection has tried
    // to make room: added in part they would fill the heap, for the collection
    // to strip them again after every key typed at a far column.
    if (extroom() < int64_t{c.curcol} - c.lnptr->length) {
        garbage();
        if (extroom() < int64_t{c.curcol} - c.lnptr->length) return;
    }
    while (c.curcol > c.lnptr->length) {
        if (!cadd(' ')) break;
        // The rest of the blanks go in one step: above the top of the heap
        // once the line ends there, or into the free bytes after it (a far
        // column would otherwise cost one call a byte).
        LINE* l = c.lnptr;
        const int64_t e = endptr();
        int64_t n = int64_t{c.curcol} - l->length;
        if (e == avail) {
            n = std::min<int64_t>(n, HEAPSIZE - avail);
        } else {
            int64_t run = 0;
            while (run < n && e + run < avail && textbase[e + run] == FREEBYTE)
                ++run;
            n = run;
        }
        if (n <= 0) continue;
        std::memset(&textbase[e], ' ', static_cast<size_t>(n));
        l->length += static_cast<int32_t>(n);
        c.charcount += n;
        if (e == avail) avail += n;
    }
}

void detrline() {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (!ownstext(l)) return;
    unsigned char* text = &textbase[l->index];
    int32_t n = l->length;
    while (n > 0 && text[n - 1] == ' ')
        --n;
    std::memset(text + n, FREEBYTE, static_cast<size_t>(l->length - n));
    c.charcount -= l->length - n;
    l->length = n;
}

void detrfile() {
    COREFILE& c = cur();
    LINE* saved = c.lnptr;
    for (LINE* l = c.header->down; l != c.header; l = l->down) {
        // Only a line that ends in a blank has anything to give back; the
        // test alone keeps the walk from waiting on each line's text.
        if (!ownstext(l) || l->length == 0 || textbase[l->index + l->length - 1] != ' ') continue;
        c.lnptr = l;
        detrline();
    }
    c.lnptr = saved;
}

int32_t findnb() {
    const LINE* l = cur().lnptr;
    if (!ownstext(l)) return 0;
    for (int32_t i = 0; i < l->length; ++i)
        if (textbase[l->index + i] != ' ') return i + 1;
    return 0;
}

void erasefield() {
    int64_t p = curptr();
    int64_t end = endptr();
    int32_t n = 0;
    while (p + n < end && textbase[p + n] != '|')
        ++n;
    cremove(n);
}

void rctrunc() {
    findfield();
    int64_t from = curptr();
    int64_t last = recptr + fieldsiz - 1;
    for (int64_t p = last; p > from; --p)
        textbase[p] = textbase[p - 1];
}

int32_t locatefield(const LINE* ptr, int32_t field) {
    if (field <= 1 || ptr->object == K_EMPTY || ptr->object == K_PICTURE) return 0;
    int32_t bars = 0;
    for (int32_t i = 0; i < ptr->length; ++i) {
        if (textbase[ptr->index + i] == '|' && ++bars == field - 1) return i + 1;
    }
    // Fewer fields than asked for: the end of the line.
    return ptr->length;
}

bool locateword(LINE* ptr, int32_t field) {
    lp = ptr;
    cp = 1;
    dist = 0;
    for (int32_t i = 1; i < field; ++i) {
        if (peepc() == 4) return false;
        nextword();
    }
    return peepc() != 4;
}

void setptr() {
    const LINE* l = cur().lnptr;
    lp = cur().lnptr;
    dist = 0;
    cp = cur().curcol;
    if (cp > l->length + 1) cp = l->length + 1;
    if (cp < 1) cp = 1;
}

void nextc() {
    if (lp == nullptr || lp == cur().header) return;
    if (cp > lp->length) {
        lp = lp->down;
        dist += 1;
        cp = 1;
    } else {
        cp += 1;
    }
}

void prevc() {
    if (lp == nullptr || lp == cur().header) return;
    if (cp <= 1) {
        lp = lp->up;
        dist -= 1;
        cp = lp->length + 1;
    } else {
        cp -= 1;
    }
}

int peepc() {
    if (lp == nullptr || lp == cur().header) return 4;
    if (cp > lp->length || lp->object == K_EMPTY || lp->object == K_PICTURE) return 10;
    return textbase[lp->index + cp - 1];
}

void setcur() {
    COREFILE& c = cur();
    if (lp == nullptr || lp == c.header) return;
    int64_t row = static_cast<int64_t>(distance(c.disln, c.lnptr)) + dist;
    if (row < 0 || row >= depth || (c.viewtype == 2 && dist != 0)) {
        c.disln = lp;
        redisplay = RP_ALL;
    }
    c.lnptr = lp;
    c.curcol = cp;
}

void savechar(int c) {
    if (c == '|' && cur().lnptr->object == K_RECORD) return;
    delbuf[static_cast<size_t>(delptr)] = static_cast<unsigned char>(c);
    delptr = (delptr + 1) % DELBUFSIZE;
    if (delcount < DELBUFSIZE) ++delcount;
}

bool popchar(int& c) {
    if (delcount == 0) return false;
    delptr = (delptr + DELBUFSIZE - 1) % DELBUFSIZE;
    c = delbuf[static_cast<size_t>(delptr)];
    --delcount;
    return true;
}

bool ringholds(int c) {
    for (int32_t i = 1; i <= delcount; ++i) {
        int32_t slot = (delptr + DELBUFSIZE - i) % DELBUFSIZE;
        if (delbuf[static_cast<size_t>(slot)] == c) return true;
    }
    return false;
}

void resetlines() {
    lp = nullptr;
    cp = 1;
    dist = 0;
    delbuf.fill(0);
    delptr = 0;
    delcount = 0;
}

} // namespace oxa
