// Undo and redo: the open step's copies of the corefiles it touched, and one
// history of entries per corefile, outside the text heap.
#include "editor/undo.hpp"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "editor/lines.hpp"
#include "editor/repaint.hpp"

namespace oxa {

std::array<uint8_t, NCORE> undotouched{};
bool undoapplying = false;
bool undoskipstartup = false;

namespace {

// Lines as kinds and texts, the texts one after another.
struct textimage {
    std::vector<int32_t> kinds;
    std::vector<int32_t> lens;
    std::string text;

    size_t count() const { return kinds.size(); }
    void add(int32_t kind, const unsigned char* p, int32_t len) {
        kinds.push_back(kind);
        lens.push_back(len);
        if (len > 0) text.append(reinterpret_cast<const char*>(p), static_cast<size_t>(len));
    }
};

struct cursorpos {
    int32_t line = 1; // from 1
    int32_t col = 1;
};

// What FETCH changes besides the lines.
struct filemeta {
    std::array<char, FILNAMESIZE> filname{};
    uint8_t encoding = 0;
    uint8_t bom = 0;
    uint64_t cutdev = 0;
    uint64_t cutino = 0;

    bool operator==(const filemeta&) const = default;
};

// One step of one corefile: lines start .. start + nnow - 1 (from 0) are to
// become `was`.
struct entry {
    int32_t start = 0;
    int32_t nnow = 0;
    uint64_t nowsum = 0; // checksum of the lines to be replaced
    textimage was;
    cursorpos home; // the cursor once applied
    cursorpos away; // the cursor once the inverse is applied
    filemeta metahome;
    filemeta metaaway;
    uint64_t seq = 0; // age: smaller is older

    size_t bytes() const { return sizeof(entry) + was.text.size() + was.count() * 2 * sizeof(int32_t); }
};

struct snapshot {
    textimage lines;
    cursorpos cursor;
    filemeta meta;
};

std::array<std::deque<entry>, NCORE> undos;
std::array<std::deque<entry>, NCORE> redos;
std::array<snapshot, NCORE> snaps;
size_t held = 0;
uint64_t seqno = 0;

bool owntext(int32_t kind) {
    return kind != K_EMPTY && kind != K_PICTURE && kind != K_DEAD;
}

// A line's text without its trailing blanks.
int32_t stripped(const unsigned char* p, int32_t len) {
    while (len > 0 && p[len - 1] == ' ')
        --len;
    return len;
}

const unsigned char* textof(const LINE* l) {
    return owntext(l->object) ? &textbase[static_cast<size_t>(l->index)] : nullptr;
}
int32_t lenof(const LINE* l) {
    return owntext(l->object) ? l->length : 0;
}

std::vector<LINE*> linesof(int32_t f) {
    std::vector<LINE*> v;
    const COREFILE& c = core[static_cast<size_t>(f)];
    v.reserve(static_cast<size_t>(std::max(c.lncount, 0)));
    for (LINE* l = c.header->down; l != c.header; l = l->down)
        v.push_back(l);
    return v;
}

filemeta metaof(const COREFILE& c) {
    return {c.filname, c.encoding, c.bom, c.cutdev, c.cutino};
}

void setmeta(COREFILE& c, const filemeta& m) {
    c.filname = m.filname;
    c.encoding = m.encoding;
    c.bom = m.bom;
    c.cutdev = m.cutdev;
    c.cutino = m.cutino;
}

cursorpos cursorof(const COREFILE& c, const std::vector<LINE*>& v) {
    cursorpos at;
    at.col = std::max(c.curcol, 1);
    auto it = std::find(v.begin(), v.end(), c.lnptr);
    at.line = it == v.end() ? 1 : static_cast<int32_t>(it - v.begin()) + 1;
    return at;
}

// FNV-1a over kinds and texts (trailing blanks left out).
struct checksum {
    uint64_t h = 1469598103934665603ULL;
    void byte(unsigned char b) {
        h ^= b;
        h *= 1099511628211ULL;
    }
    void line(int32_t kind, const unsigned char* p, int32_t len) {
        byte(static_cast<unsigned char>(kind + 1));
        len = stripped(p, len);
        for (int32_t i = 0; i < len; ++i)
            byte(p[i]);
        byte(FREEBYTE); // never text: ends the line
    }
};

uint64_t sumof(const std::vector<LINE*>& v, size_t from, size_t n) {
    checksum s;
    for (size_t i = from; i < from + n; ++i)
        s.line(v[i]->object, textof(v[i]), lenof(v[i]));
    return s.h;
}

uint64_t sumof(const textimage& t) {
    checksum s;
    size_t off = 0;
    for (size_t i = 0; i < t.count(); ++i) {
        s.line(t.kinds[i], reinterpret_cast<const unsigned char*>(t.text.data()) + off, t.lens[i]);
        off += static_cast<size_t>(t.lens[i]);
    }
    return s.h;
}

void clearredo(int32_t f) {
    for (const entry& e : redos[static_cast<size_t>(f)])
        held -= e.bytes();
    redos[static_cast<size_t>(f)].clear();
}

void clearhistory(int32_t f) {
    clearredo(f);
    for (const entry& e : undos[static_cast<size_t>(f)])
        held -= e.bytes();
    undos[static_cast<size_t>(f)].clear();
}

// Drops the oldest entries until the history is within its bound.
void trim() {
    while (held > UNDOBYTES) {
        std::deque<entry>* oldest = nullptr;
        for (size_t f = 0; f < NCORE; ++f) {
            for (std::deque<entry>* d : {&undos[f], &redos[f]}) {
                if (!d->empty() && (oldest == nullptr || d->front().seq < oldest->front().seq)) oldest = d;
            }
        }
        if (oldest == nullptr) break;
        held -= oldest->front().bytes();
        oldest->pop_front();
    }
}

void push(std::deque<entry>& d, entry&& e) {
    held += e.bytes();
    d.push_back(std::move(e));
    trim();
}

// Compares corefile f with its copy and records the lines that differ.
void record(int32_t f) {
    snapshot& s = snaps[static_cast<size_t>(f)];
    const std::vector<LINE*> now = linesof(f);
    const COREFILE& c = core[static_cast<size_t>(f)];
    const size_t nb = s.lines.count();
    const size_t na = now.size();
    if (nb == 0 || na == 0) return; // caught between emptying and refilling

    std::vector<size_t> offs(nb + 1, 0);
    for (size_t i = 0; i < nb; ++i)
        offs[i + 1] = offs[i] + static_cast<size_t>(s.lines.lens[i]);
    const auto* base = reinterpret_cast<const unsigned char*>(s.lines.text.data());
    // Byte for byte, trailing blanks too: undo gives back exactly what was.
    auto same = [&](size_t i, const LINE* l) {
        const int32_t n = lenof(l);
        return s.lines.kinds[i] == l->object && s.lines.lens[i] == n &&
               (n == 0 || std::memcmp(base + offs[i], textof(l), static_cast<size_t>(n)) == 0);
    };
    size_t p = 0;
    while (p < nb && p < na && same(p, now[p]))
        ++p;
    size_t q = 0;
    while (q < nb - p && q < na - p && same(nb - 1 - q, now[na - 1 - q]))
        ++q;
    const filemeta meta = metaof(c);
    if (p + q == nb && p + q == na && meta == s.meta) return;

    entry e;
    e.start = static_cast<int32_t>(p);
    e.nnow = static_cast<int32_t>(na - q - p);
    e.nowsum = sumof(now, p, na - q - p);
    for (size_t i = p; i < nb - q; ++i)
        e.was.add(s.lines.kinds[i], base + offs[i], s.lines.lens[i]);
    e.home = s.cursor;
    e.away = cursorof(c, now);
    e.metahome = s.meta;
    e.metaaway = meta;
    e.seq = ++seqno;
    clearredo(f);
    push(undos[static_cast<size_t>(f)], std::move(e));
}

void forgetstep() {
    for (size_t f = 0; f < NCORE; ++f) {
        if (undotouched[f] == 0) continue;
        undotouched[f] = 0;
        snaps[f] = snapshot{};
    }
}

LINE* lineat(const COREFILE& c, int32_t n) {
    LINE* l = c.header->down;
    for (int32_t i = 1; i < n && l->down != c.header; ++i)
        l = l->down;
    return l;
}

// Puts e's lines in place in the current corefile; on success `inverse`
// undoes that again.
UndoResult apply(const entry& e, entry& inverse) {
    COREFILE& c = cur();
    const std::vector<LINE*> now = linesof(corenum);
    const size_t start = static_cast<size_t>(e.start);
    const size_t nnow = static_cast<size_t>(e.nnow);
    if (start + nnow > now.size() || sumof(now, start, nnow) != e.nowsum) return UndoResult::mismatch;
    if (avail + static_cast<int64_t>(e.was.text.size()) > hiaddr || reserve == nullptr) {
        garbage();
        if (avail + static_cast<int64_t>(e.was.text.size()) > hiaddr || reserve == nullptr)
            return UndoResult::noroom;
    }

    inverse = entry{};
    inverse.start = e.start;
    inverse.nnow = static_cast<int32_t>(e.was.count());
    inverse.nowsum = sumof(e.was);
    for (size_t i = start; i < start + nnow; ++i)
        inverse.was.add(now[i]->object, textof(now[i]), lenof(now[i]));
    inverse.home = e.away;
    inverse.away = e.home;
    inverse.metahome = e.metaaway;
    inverse.metaaway = e.metahome;
    inverse.seq = e.seq;

    auto top = std::find(now.begin(), now.end(), c.disln);
    const int32_t topline = top == now.end() ? 1 : static_cast<int32_t>(top - now.begin()) + 1;

    undoapplying = true;
    LINE* at = start == 0 ? c.header : now[start - 1];
    for (size_t k = 0; k < nnow; ++k) {
        c.lnptr = at->down;
        removeline();
    }
    c.lnptr = at;
    size_t off = 0;
    for (size_t i = 0; i < e.was.count(); ++i) {
        const int32_t kind = e.was.kinds[i];
        const int32_t len = e.was.lens[i];
        if (!owntext(kind)) {
            if (allocln(kind, 0) && kind == K_PICTURE) c.lnptr->index = 0;
            continue;
        }
        if (len > 0) std::memcpy(&textbase[static_cast<size_t>(avail)], e.was.text.data() + off, static_cast<size_t>(len));
        off += static_cast<size_t>(len);
        if (allocln(kind, len)) linkphys();
    }
    if (c.lncount == 0) {
        c.lnptr = c.header;
        allocln(K_EMPTY, 0);
    }
    undoapplying = false;

    const int32_t line = std::clamp(e.home.line, 1, c.lncount);
    c.lnptr = lineat(c, line);
    c.curcol = std::max(e.home.col, 1);
    c.curline = line;
    c.disln = lineat(c, std::min(topline, line));
    c.curflag = 1;
    c.edited = 1;
    setmeta(c, e.metahome);
    redisplay = RP_ALL;
    return UndoResult::done;
}

UndoResult step(std::deque<entry>& from, std::deque<entry>& to) {
    undoboundary();
    if (from.empty()) return UndoResult::nothing;
    entry inverse;
    const UndoResult r = apply(from.back(), inverse);
    if (r == UndoResult::mismatch) {
        clearhistory(corenum);
        return r;
    }
    if (r != UndoResult::done) return r;
    held -= from.back().bytes();
    from.pop_back();
    push(to, std::move(inverse));
    return r;
}

} // namespace

void undosnap(int32_t f) {
    snapshot& s = snaps[static_cast<size_t>(f)];
    s = snapshot{};
    const COREFILE& c = core[static_cast<size_t>(f)];
    undotouched[static_cast<size_t>(f)] = 1;
    if (c.header == nullptr || c.header->down == nullptr) return; // not made yet
    const std::vector<LINE*> v = linesof(f);
    s.lines.kinds.reserve(v.size());
    s.lines.lens.reserve(v.size());
    s.lines.text.reserve(static_cast<size_t>(std::max<int64_t>(c.charcount, 0)));
    for (const LINE* l : v)
        s.lines.add(l->object, textof(l), lenof(l));
    s.cursor = cursorof(c, v);
    s.meta = metaof(c);
    undotouched[static_cast<size_t>(f)] = 1;
}

void undoboundary() {
    if (undoskipstartup) {
        undoskipstartup = false;
        forgetstep();
        return;
    }
    for (int32_t f = 0; f < NCORE; ++f)
        if (undotouched[static_cast<size_t>(f)] != 0) record(f);
    forgetstep();
}

bool undoopen() {
    return std::any_of(undotouched.begin(), undotouched.end(), [](uint8_t t) { return t != 0; });
}

UndoResult undostep() {
    return step(undos[static_cast<size_t>(corenum)], redos[static_cast<size_t>(corenum)]);
}

UndoResult redostep() {
    return step(redos[static_cast<size_t>(corenum)], undos[static_cast<size_t>(corenum)]);
}

size_t undocount(int32_t f) {
    return undos[static_cast<size_t>(f)].size();
}
size_t redocount(int32_t f) {
    return redos[static_cast<size_t>(f)].size();
}
size_t undoheld() {
    return held;
}

void resetundo() {
    for (int32_t f = 0; f < NCORE; ++f)
        clearhistory(f);
    forgetstep();
    held = 0;
    seqno = 0;
    undoapplying = false;
    undoskipstartup = false;
}

} // namespace oxa
