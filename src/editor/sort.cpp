#include "editor/sort.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "editor/blocks.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"

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
        // oe, s and z with caron, Y diaeresis at their single-byte places
        {0x8C, 0x8C, 'o'}, {0x9C, 0x9C, 'o'}, {0x8A, 0x8A, 's'}, {0x9A, 0x9A, 's'},
        {0x8E, 0x8E, 'z'}, {0x9E, 0x9E, 'z'}, {0x9F, 0x9F, 'y'},
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
        for (int64_t i = o; i < m; ++i) {
            int d = mapped(ta[i]) - mapped(tb[i]);
            if (d != 0) return d;
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

// ---- The sort's working copy of the range -------------------------------------
//
// Every comparison above is a comparison of two byte strings, the keys, each
// mapped through the order: the first difference decides, and a key that ends
// first (a prefix of the other) is the smaller.  A line too short to reach the
// key column has the empty key; a text key runs from the key column over
// `keylength` columns (or leftwards, reversed) and stops at the line end; a
// record key is its field up to the bar.
//
// The sort takes each key once and works on a compact copy of the range,
// numbered 1..n in the lines' order (0 stands for the line before the range,
// n + 1 for the one beyond it, n + 2 and n + 3 head the two chains of a
// partition scan): the links between the copies, `down` and `up`, each in an
// array of its own so that following them stays in the processor's nearest
// caches, and beside them the keys, the first 15 bytes and the length packed
// into two integers.  When the sort ends the lines are relinked in the order
// of their copies.

constexpr uint32_t HEADBYTES = 15;

// Key bytes 0..7 in `hi` and 8..14 in `lo`, the first the most significant,
// 0 beyond the key; the low byte of `lo` holds the key length (255 for any
// length from 255 on).
struct SortKey {
    uint64_t hi;
    uint64_t lo;
};

// The rest of a key longer than HEADBYTES: its length and where its bytes
// from the 16th on are kept.
struct KeyRest {
    uint32_t len;
    uint32_t at;
};

// The copies of a range of n lines; the arrays lie in `block` (and the rest
// of the keys longer than HEADBYTES in `restblock`, when there are any).
struct SortRun {
    WorkBlock block;
    WorkBlock restblock;
    SortKey* key = nullptr;
    LINE** line = nullptr;        // the line each copy stands for
    uint32_t* down = nullptr;
    uint32_t* up = nullptr;
    KeyRest* rest = nullptr;
    unsigned char* restbytes = nullptr;
    uint32_t end = 0;             // n + 1
};

// The key of a line: where it starts in the line, how long it is and which
// way it runs.
struct KeySpan {
    int64_t from = 0;
    int64_t len = 0;
    bool leftwards = false;
};

KeySpan keyspan(const LINE* l) {
    KeySpan k;
    const int64_t o = l->linekey;
    if (byfield) {
        k.from = o;
        int64_t e = o;
        if (e < l->length) {
            const unsigned char* t = bytes(l);
            while (e < l->length && t[e] != '|')
                ++e;
        }
        k.len = e - o;
        return k;
    }
    if (l->length <= o) return k; // does not reach the key column
    k.from = o;
    if (keylength > 0) {
        k.len = std::min<int64_t>(l->length, o + keylength) - o;
    } else {
        k.len = o - std::max<int64_t>(0, o + keylength) + 1;
        k.leftwards = true;
    }
    return k;
}

// Keys of copies a and b that agree in their first HEADBYTES bytes and are
// both longer.
int restcmp(const SortRun& r, uint32_t a, uint32_t b) {
    const KeyRest& ra = r.rest[a];
    const KeyRest& rb = r.rest[b];
    const size_t m = std::min(ra.len, rb.len) - HEADBYTES;
    int d = std::memcmp(&r.restbytes[ra.at], &r.restbytes[rb.at], m);
    if (d != 0) return d;
    return ra.len == rb.len ? 0 : ra.len < rb.len ? -1 : 1;
}

// The key comparison of copies a and b, whose packed keys are ka and kb.
inline int keycmp(const SortRun& r, uint32_t a, const SortKey& ka, uint32_t b, const SortKey& kb) {
    if (ka.hi != kb.hi) return ka.hi < kb.hi ? -1 : 1;
    if ((ka.lo ^ kb.lo) >> 8 != 0) return ka.lo < kb.lo ? -1 : 1;
    // The first bytes agree: unless both keys go on, the shorter is the smaller.
    const uint64_t la = ka.lo & 0xFF, lb = kb.lo & 0xFF;
    if (la <= HEADBYTES || lb <= HEADBYTES) return la == lb ? 0 : la < lb ? -1 : 1;
    return restcmp(r, a, b);
}

// Copies the n lines from `first` on, their keys mapped through the order.
// False when there is no room for the copy.
bool makerun(SortRun& r, LINE* first, int64_t n) {
    // Beside the copies 1 .. n: 0 and n + 1 end the list, n + 2 .. n + 4
    // head the sort's three chains.
    if (n + 5 > INT32_MAX) return false;
    const size_t size = static_cast<size_t>(n) + 5;
    r.end = static_cast<uint32_t>(n + 1);
    r.block = workblock(size * (sizeof(SortKey) + sizeof(LINE*) + 2 * sizeof(uint32_t)));
    if (!r.block) return false;
    unsigned char* b = r.block.get();
    r.key = reinterpret_cast<SortKey*>(b);
    r.line = reinterpret_cast<LINE**>(b + size * sizeof(SortKey));
    r.down = reinterpret_cast<uint32_t*>(b + size * (sizeof(SortKey) + sizeof(LINE*)));
    r.up = r.down + size;

    // The lines and their key lengths (kept in `lo` for the moment).
    size_t restlen = 0;
    LINE* l = first;
    for (int64_t i = 1; i <= n; ++i, l = l->down) {
        r.line[i] = l;
        const int64_t len = keyspan(l).len;
        r.key[i].lo = static_cast<uint64_t>(len);
        if (len > HEADBYTES) restlen += static_cast<size_t>(len) - HEADBYTES;
    }
    if (restlen > UINT32_MAX) return false;
    if (restlen > 0) {
        r.restblock = workblock(size * sizeof(KeyRest) + restlen);
        if (!r.restblock) return false;
        r.rest = reinterpret_cast<KeyRest*>(r.restblock.get());
        r.restbytes = r.restblock.get() + size * sizeof(KeyRest);
    }

    std::array<unsigned char, 256> order{};
    for (int c = 0; c < 256; ++c)
        order[c] = static_cast<unsigned char>(mapped(static_cast<unsigned char>(c)));
    uint32_t at = 0;
    for (int64_t i = 1; i <= n; ++i) {
        const LINE* line = r.line[i];
        const KeySpan k = keyspan(line);
        std::array<unsigned char, HEADBYTES + 1> head{};
        if (k.len > 0) {
            const unsigned char* t = bytes(line) + k.from;
            const int64_t step = k.leftwards ? -1 : 1;
            const int64_t m = std::min<int64_t>(k.len, HEADBYTES);
            for (int64_t j = 0; j < m; ++j)
                head[static_cast<size_t>(j)] = order[t[j * step]];
            for (int64_t j = m; j < k.len; ++j)
                r.restbytes[at + static_cast<size_t>(j - HEADBYTES)] = order[t[j * step]];
        }
        head[HEADBYTES] = static_cast<unsigned char>(std::min<int64_t>(k.len, 255));
        SortKey& x = r.key[i];
        x.hi = x.lo = 0;
        for (size_t j = 0; j < 8; ++j) {
            x.hi = x.hi << 8 | head[j];
            x.lo = x.lo << 8 | head[8 + j];
        }
        if (k.len > HEADBYTES) {
            r.rest[i] = {static_cast<uint32_t>(k.len), at};
            at += static_cast<uint32_t>(k.len - HEADBYTES);
        }
    }
    for (uint32_t i = 0; i <= r.end; ++i) {
        r.up[i] = i == 0 ? 0 : i - 1;
        r.down[i] = i == r.end ? i : i + 1;
    }
    return true;
}

bool interrupted() {
    return abortreq == 1;
}

// A scan follows the links from copy to copy, and the keys of consecutive
// copies lie anywhere in their array: a second walker goes some copies ahead
// of the scan and asks for their keys early.  The scans change no link below
// the copy they are at, so the walker's way stays valid.
class Lookahead {
  public:
    Lookahead(const SortRun& r, uint32_t from, uint32_t end) : r_(r), at_(from), end_(end) {
        for (int i = 0; i < DISTANCE; ++i)
            step();
    }
    void step() {
        if (at_ == end_) return;
        __builtin_prefetch(&r_.key[at_]);
        at_ = r_.down[at_];
    }

  private:
    static constexpr int DISTANCE = 8;
    const SortRun& r_;
    uint32_t at_;
    uint32_t end_;
};

// Sorts the n copies head..tail, whose middle copy is `pivot`.
void oxasort(SortRun& r, uint32_t head, uint32_t tail, int64_t n, uint32_t pivot) {
    uint32_t* const down = r.down;
    uint32_t* const up = r.up;
    const SortKey* const key = r.key;
    const bool ascending = sortdir == 1;
    // Chain 0 gathers the copies that must precede the pivot, chain 1 those
    // that must follow it, chain 2 those whose keys equal the pivot's, the
    // pivot among them, each behind its own head copy.  Equal keys keep their
    // order and need no further sorting: a file of few distinct keys is
    // sorted in a few scans, not one scan per line.
    const uint32_t chainhead[3] = {r.end + 1, r.end + 2, r.end + 3};
    while (n > 15 && !interrupted()) {
        const uint32_t before = up[head];
        const uint32_t beyond = down[tail];
        const SortKey p = key[pivot];
        uint32_t last[3] = {chainhead[0], chainhead[1], chainhead[2]};
        uint32_t premid[2] = {chainhead[0], chainhead[1]}; // the copy above each chain's middle
        int64_t count[2] = {0, 0};
        after = false;
        Lookahead ahead(r, head, beyond);
        for (uint32_t x = head; x != beyond;) {
            const uint32_t next = down[x];
            ahead.step();
            unsigned side = 2;
            if (x == pivot) {
                after = true;
            } else {
                // A greater key (ascending) or a smaller one (descending)
                // follows the pivot; an equal one stays beside it.
                const int c = keycmp(r, x, key[x], pivot, p);
                if (c != 0) side = (ascending ? c > 0 : c < 0) ? 1 : 0;
            }
            down[last[side]] = x;
            up[x] = last[side];
            last[side] = x;
            if (side < 2) {
                const int64_t k = ++count[side];
                const uint32_t further = down[premid[side]];
                premid[side] = (k & 1) != 0 ? premid[side] : further;
            }
            x = next;
        }
        // before, the copies that precede, the equal ones, those that
        // follow, beyond.
        uint32_t prev = before;
        for (const unsigned side : {0U, 2U, 1U}) {
            if (last[side] == chainhead[side]) continue;
            down[prev] = down[chainhead[side]];
            up[down[prev]] = prev;
            prev = last[side];
        }
        down[prev] = beyond;
        up[beyond] = prev;
        // The smaller part first (recursively), then the larger (here); each
        // part's pivot is its middle copy, n div 2 below its head.
        // (The chain heads serve the next scan: what they lead to is read first.)
        const unsigned small = count[0] <= count[1] ? 0 : 1;
        const unsigned large = 1 - small;
        const uint32_t largehead = down[chainhead[large]], largemid = down[premid[large]];
        if (count[small] > 1)
            oxasort(r, down[chainhead[small]], last[small], count[small], down[premid[small]]);
        if (count[large] == 0) return;
        head = largehead;
        tail = last[large];
        n = count[large];
        pivot = largemid;
    }
}

// Moves each copy up past the copies before it that it must precede.
void isort(SortRun& r) {
    uint32_t* const down = r.down;
    uint32_t* const up = r.up;
    const SortKey* const key = r.key;
    const bool ascending = sortdir == 1;
    const uint32_t before = 0;
    const uint32_t beyond = r.end;
    after = false;
    uint32_t x = down[before];
    if (x == beyond) return;
    x = down[x];
    Lookahead ahead(r, x, beyond);
    while (x != beyond && !interrupted()) {
        const uint32_t next = down[x];
        ahead.step();
        const SortKey k = key[x];
        uint32_t at = up[x];
        // Whether `at` must follow x: a greater key (ascending) or a smaller one.
        auto follows = [&](uint32_t a) {
            const int c = keycmp(r, a, key[a], x, k);
            return ascending ? c > 0 : c < 0;
        };
        while (at != before && follows(at))
            at = up[at];
        if (at != up[x]) {
            down[up[x]] = down[x];
            up[down[x]] = up[x];
            down[x] = down[at];
            up[x] = at;
            up[down[at]] = x;
            down[at] = x;
        }
        x = next;
    }
}

// Links the lines between `before` and `beyond` in the order of their copies.
void relink(SortRun& r, LINE* before, LINE* beyond) {
    linkschanged();
    // The lines in their new order first (reusing `up`'s room), then their
    // links: the headers are written in an order known ahead, so that the
    // processor can fetch several at once.
    uint32_t* const order = r.up;
    uint32_t m = 0;
    for (uint32_t x = r.down[0]; x != r.end; x = r.down[x])
        order[m++] = x;
    LINE* prev = before;
    for (uint32_t i = 0; i < m; ++i) {
        if (i + 8 < m) __builtin_prefetch(r.line[order[i + 8]], 1);
        LINE* l = r.line[order[i]];
        prev->down = l;
        l->up = prev;
        prev = l;
    }
    prev->down = beyond;
    beyond->up = prev;
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
    if (n > 1) {
        SortRun r;
        if (!makerun(r, headptr, n)) {
            diserr("Inadequate space for this operation");
            return;
        }
        const int32_t saveddir = sortdir;
        sortdir = sortdir == 0 ? 1 : 2;
        after = false;
        // The copies start in the lines' order: the middle one is n div 2 below the first.
        oxasort(r, 1, static_cast<uint32_t>(n), n, static_cast<uint32_t>(1 + n / 2));
        isort(r);
        sortdir = saveddir;
        relink(r, before, beyond);
    }
    abortreq = 0;
    headptr = before->down;
    tailptr = beyond->up;
    c.lnptr = headptr;
    c.disln = headptr;
    c.curcol = 1;
    clrstars();
    c.edited = 1;
    redisplay = RP_ALL;
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
