#include "editor/sort.hpp"

#include <algorithm>
#include <cstring>

#include "editor/blocks.hpp"
#include "editor/commands.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"

namespace oxa {

int32_t sortdir = 0;
int32_t keylength = 15;
int32_t sortln1 = 1;
int32_t sortln2 = 200000;
int32_t sortpos = 1;
int32_t sorttable = 0;
LINE* headptr = nullptr;
LINE* tailptr = nullptr;
bool after = false;

namespace {

constexpr std::array<int32_t, 256> makeunaccented() {
    std::array<int32_t, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = 127;
    for (int b = 32; b < 127; ++b)
        t[b] = b;
    for (int b = 'A'; b <= 'Z'; ++b)
        t[b] = b + 32;
    t['_'] = 32;
    struct span {
        int from, to, letter;
    };
    constexpr span letters[] = {
        {0xC0, 0xC5, 'a'}, {0xE0, 0xE5, 'a'}, {0xC7, 0xC7, 'c'}, {0xE7, 0xE7, 'c'},
        {0xC8, 0xCB, 'e'}, {0xE8, 0xEB, 'e'}, {0xCC, 0xCF, 'i'}, {0xEC, 0xEF, 'i'},
        {0xD2, 0xD6, 'o'}, {0xF2, 0xF6, 'o'}, {0xD9, 0xDC, 'u'}, {0xF9, 0xFC, 'u'},
    };
    for (const span& s : letters)
        for (int b = s.from; b <= s.to; ++b)
            t[b] = s.letter;
    return t;
}

constexpr std::array<int32_t, 256> makeaccents() {
    std::array<int32_t, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = 2;
    for (int b = 'A'; b <= 'Z'; ++b)
        t[b] = 1;
    struct rank {
        int value;
        int bytes[5];
    };
    constexpr rank ranks[] = {
        {3, {0xC1, 0xC9, 0xCD, 0xD3, 0xDA}},  {4, {0xE1, 0xE9, 0xED, 0xF3, 0xFA}},  // acute
        {5, {0xC0, 0xC8, 0xCC, 0xD2, 0xD9}},  {6, {0xE0, 0xE8, 0xEC, 0xF2, 0xF9}},  // grave
        {7, {0xC2, 0xCA, 0xCE, 0xD4, 0xDB}},  {8, {0xE2, 0xEA, 0xEE, 0xF4, 0xFB}},  // circumflex
        {11, {0xC4, 0xCB, 0xCF, 0xD6, 0xDC}}, {12, {0xE4, 0xEB, 0xEF, 0xF6, 0xFC}}, // diaeresis
    };
    for (const rank& r : ranks)
        for (int b : r.bytes)
            t[b] = r.value;
    t[0xC7] = 9; // cedilla
    t[0xE7] = 10;
    return t;
}

// Line kinds a sort takes in the current object type.
bool eligible(const LINE* l, int32_t viewtype) {
    if (l->object == K_EMPTY) return true;
    if (l->object == K_RECORD) return viewtype == 1 || viewtype == 2;
    if (l->object == K_TEXT) return viewtype == 0;
    return false;
}

bool records() {
    int32_t v = cur().viewtype;
    return v == 1 || v == 2;
}

// Whether the sort being run compares record fields (fixed when it starts).
bool byfield = false;

const unsigned char* bytes(const LINE* l) {
    return &textbase[l->index];
}

int32_t mapped(unsigned char b) {
    switch (sorttable) {
    case 1:
        return unaccented[b];
    case 2:
        return accents[b];
    default:
        return b;
    }
}

int textcmp(const LINE* a, const LINE* b) {
    const int64_t o = a->linekey; // the same key column in every line
    const bool ashort = a->length <= o, bshort = b->length <= o;
    if (ashort || bshort) return (ashort ? 0 : 1) - (bshort ? 0 : 1);
    const unsigned char* ta = bytes(a);
    const unsigned char* tb = bytes(b);
    if (keylength > 0) {
        // From the key column over `keylength` columns, never past a line's end.
        const int64_t keyend = o + keylength;
        int64_t m = std::min<int64_t>({a->length, b->length, keyend});
        if (sorttable == 0) {
            int d = std::memcmp(ta + o, tb + o, static_cast<size_t>(m - o));
            if (d != 0) return d;
        } else {
            for (int64_t i = o; i < m; ++i) {
                int d = mapped(ta[i]) - mapped(tb[i]);
                if (d != 0) return d;
            }
        }
        if (m == keyend || a->length == b->length) return 0;
        return a->length > b->length ? 1 : -1;
    }
    // Leftwards from the key column, never before column 1.
    for (int64_t i = o; i >= 0 && i >= o + keylength; --i) {
        int d = mapped(ta[i]) - mapped(tb[i]);
        if (d != 0) return d;
    }
    return 0;
}

int recordcmp(const LINE* a, const LINE* b) {
    const unsigned char* ta = bytes(a);
    const unsigned char* tb = bytes(b);
    for (int64_t i = 0;; ++i) {
        int64_t pa = a->linekey + i, pb = b->linekey + i;
        bool aend = pa >= a->length || ta[pa] == '|';
        bool bend = pb >= b->length || tb[pb] == '|';
        if (aend || bend) return (aend ? 0 : 1) - (bend ? 0 : 1);
        int d = mapped(ta[pa]) - mapped(tb[pb]);
        if (d != 0) return d;
    }
}

// Whether line a must follow line b: a greater key (ascending) or a smaller
// one (descending), or an equal key once the scan has passed the pivot.
bool compare(const LINE* a, const LINE* b) {
    int r = linecmp(a, b);
    if (sortdir == 1) return r > 0 || (r == 0 && after);
    return r < 0 || (r == 0 && after);
}

bool interrupted() {
    return abortreq == 1;
}

// A chain of lines being built by a partition scan (linked through `down`),
// with its line count and its middle line: the one n div 2 lines below its
// head, which is the pivot when the chain is sorted in turn.
struct Part {
    LINE* head = nullptr;
    LINE* tail = nullptr;
    LINE* mid = nullptr;
    int64_t n = 0;
    void add(LINE* x) {
        if (head == nullptr) {
            head = mid = x;
        } else {
            tail->down = x;
            x->up = tail;
        }
        tail = x;
        n += 1;
        if (n % 2 == 0) mid = mid->down;
    }
};

LINE* middle(LINE* head, int64_t n) {
    LINE* pivot = head;
    for (int64_t i = 0; i < n / 2; ++i)
        pivot = pivot->down;
    return pivot;
}

// Sorts the n lines head..tail, whose middle line is `pivot`.
void oxasort(LINE* head, LINE* tail, int64_t n, LINE* pivot) {
    while (n > 15 && !interrupted()) {
        LINE* before = head->up;
        LINE* beyond = tail->down;
        Part stay, follow;
        after = false;
        for (LINE* x = head; x != beyond;) {
            LINE* next = x->down;
            // The scan follows the links: fetch what the next steps read.
            const LINE* soon = next->down;
            __builtin_prefetch(soon->down);
            __builtin_prefetch(&textbase[soon->index + soon->linekey]);
            if (x == pivot) {
                after = true;
            } else if (compare(x, pivot)) {
                follow.add(x);
            } else {
                stay.add(x);
            }
            x = next;
        }
        // before, the lines that stay, the pivot, the lines that follow, beyond.
        LINE* prev = before;
        if (stay.head != nullptr) {
            prev->down = stay.head;
            stay.head->up = prev;
            prev = stay.tail;
        }
        prev->down = pivot;
        pivot->up = prev;
        prev = pivot;
        if (follow.head != nullptr) {
            prev->down = follow.head;
            follow.head->up = prev;
            prev = follow.tail;
        }
        prev->down = beyond;
        beyond->up = prev;
        // The smaller part first (recursively), then the larger (here).
        Part& smaller = stay.n <= follow.n ? stay : follow;
        Part& larger = stay.n <= follow.n ? follow : stay;
        if (smaller.n > 1) oxasort(smaller.head, smaller.tail, smaller.n, smaller.mid);
        head = larger.head;
        tail = larger.tail;
        n = larger.n;
        pivot = larger.mid;
        if (head == nullptr) return;
    }
}

// Moves each line up past the lines before it that it must precede.
void isort(LINE* before, LINE* beyond) {
    after = false;
    LINE* x = before->down;
    if (x == beyond) return;
    x = x->down;
    while (x != beyond && !interrupted()) {
        LINE* next = x->down;
        const LINE* soon = next->down;
        __builtin_prefetch(soon->down);
        __builtin_prefetch(&textbase[soon->index + soon->linekey]);
        LINE* at = x->up;
        while (at != before && compare(at, x))
            at = at->up;
        if (at != x->up) {
            x->up->down = x->down;
            x->down->up = x->up;
            x->down = at->down;
            x->up = at;
            at->down->up = x;
            at->down = x;
        }
        x = next;
    }
}

} // namespace

const std::array<int32_t, 256> unaccented = makeunaccented();
const std::array<int32_t, 256> accents = makeaccents();

int linecmp(const LINE* a, const LINE* b) {
    return byfield ? recordcmp(a, b) : textcmp(a, b);
}

void sortchk() {
    sortdir = param[1];
    keylength = param[2];
    sortln1 = param[3];
    sortln2 = param[4];
    sortpos = cur().curcol;
}

void sort() {
    COREFILE& c = cur();
    const int32_t vt = c.viewtype;
    if (keylength == 0 || sortln1 < 1 || sortln2 < sortln1) return;
    LINE* l = c.header->down;
    for (int32_t i = 1; i < sortln1 && l != c.header; ++i)
        l = l->down;
    if (l == c.header || !eligible(l, vt)) return;
    byfield = records();
    int32_t field = 0;
    if (byfield) {
        findfield();
        field = fieldnum;
    }
    LINE* before = l->up;
    int64_t n = 0;
    LINE* tail = l;
    for (int64_t ln = sortln1; ln <= sortln2 && l != c.header && eligible(l, vt); ++ln, l = l->down) {
        l->linekey = byfield ? locatefield(l, field) : sortpos - 1;
        tail = l;
        ++n;
    }
    LINE* beyond = tail->down;
    headptr = before->down;
    tailptr = tail;
    const int32_t saveddir = sortdir;
    sortdir = sortdir == 0 ? 1 : 2;
    if (n > 1) {
        oxasort(headptr, tailptr, n, middle(headptr, n));
        isort(before, beyond);
    }
    sortdir = saveddir;
    abortreq = 0;
    headptr = before->down;
    tailptr = beyond->up;
    c.lnptr = headptr;
    c.disln = headptr;
    c.curcol = 1;
    clrstars();
    c.edited = 1;
    redisplay = 1;
}

void skey() {
    sorttable = param[1];
}

void resetsort() {
    sortdir = 0;
    keylength = 15;
    sortln1 = 1;
    sortln2 = 200000;
    sortpos = 1;
    sorttable = 0;
    headptr = tailptr = nullptr;
    after = false;
}

} // namespace oxa
