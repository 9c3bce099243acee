// Find and change: the pattern matcher, the search units, the searches, the
// counting and testing of matches, and CHANGE.
#include "editor/find.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>
#include <unordered_set>

#include "editor/checks.hpp"
#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"
#include "editor/textstats.hpp"

namespace oxa {

namespace {

constexpr const char* MSG_EMPTYSCAN = "Empty scan pattern";
constexpr const char* MSG_INCOMPLETE = "Warning: operation may not have been completed";

// What the walker reports at the end of the text and at a line end.
constexpr int ENDOFTEXT = 4;
constexpr int LINEEND = 10;

// A replacement byte that would read as free heap space is stored as this.
constexpr unsigned char FREEBYTE_SUBST = '?';

bool separator(int ch) {
    return (charkind[static_cast<unsigned char>(ch)] & SEPCH) != 0;
}

// The byte at a position, as `peepc` reports it.
int peekat(const LINE* hdr, const LINE* l, int32_t c) {
    if (l == hdr) return ENDOFTEXT;
    if (c > l->length || l->object == K_EMPTY || l->object == K_PICTURE) return LINEEND;
    return textbase[l->index + c - 1];
}

// One character on, as `nextc` steps; nothing at the end of the text.
void stepat(const LINE* hdr, LINE*& l, int32_t& c) {
    if (l == hdr) return;
    if (c > l->length) {
        l = l->down;
        c = 1;
    } else {
        ++c;
    }
}

// A pattern prepared for matching at many places.
struct COMPILED {
    const unsigned char* pat;
    bool inverted; // an odd number of PB_NOT
    // The first byte that counts, when it is a plain byte and nothing
    // inverts: only places holding it can match.  -1 otherwise.
    int lead;
    // Two or more gaps: failed tries are remembered, so that nested gaps
    // cannot make a match take exponential time.
    bool memo;
    // The plain bytes the pattern begins with (when `lead` is one of them),
    // and whether they are the whole pattern.
    int32_t litlen;
    bool literal;
};

COMPILED compile(const unsigned char* pat) {
    COMPILED m{pat, false, -1, false, 0, false};
    int gaps = 0;
    bool leadseen = false;
    for (const unsigned char* p = pat; *p != 0; ++p) {
        if (*p == PB_NOT) m.inverted = !m.inverted;
        if (*p == PB_GAP || *p == PB_WORDGAP) ++gaps;
        if (!leadseen && (*p >= 32 || *p == PB_GAP || *p == PB_ANY || *p == PB_SEP ||
                          *p == PB_WORDGAP)) {
            leadseen = true;
            if (*p >= 32) m.lead = *p;
        }
    }
    if (m.inverted) m.lead = -1;
    m.memo = gaps >= 2;
    if (m.lead >= 0 && pat[0] >= 32) {
        while (pat[m.litlen] >= 32) ++m.litlen;
        m.literal = pat[m.litlen] == 0;
    }
    return m;
}

// One application of a pattern.  Positions are counted in characters from
// the place the match started, which is the same on every path to a place.
class Matcher {
  public:
    Matcher(const COMPILED& m, const LINE* hdr) : m_(m), hdr_(hdr) {}

    bool run(LINE* l, int32_t c, TEXTPOS* end) {
        if (m_.memo) failed().clear();
        TEXTPOS stop{l, c};
        bool ok = rest(m_.pat, l, c, 0, &stop);
        if (m_.inverted) {
            ok = !ok;
            stop = {l, c};
        }
        if (ok && end != nullptr) *end = stop;
        return ok;
    }

  private:
    static std::unordered_set<uint64_t>& failed() {
        static std::unordered_set<uint64_t> set;
        return set;
    }
    uint64_t key(const unsigned char* p, int64_t off) const {
        return (static_cast<uint64_t>(p - m_.pat) << 48) | static_cast<uint64_t>(off);
    }

    bool rest(const unsigned char* p, LINE* l, int32_t c, int64_t off, TEXTPOS* end) {
        for (;; ++p) {
            const unsigned char b = *p;
            if (b == 0) {
                *end = {l, c};
                return true;
            }
            if (b >= 32) {
                if (peekat(hdr_, l, c) != b) return false;
                stepat(hdr_, l, c);
                ++off;
                continue;
            }
            switch (b) {
            case PB_ANY:
                if (l == hdr_) return false;
                stepat(hdr_, l, c);
                ++off;
                break;
            case PB_SEP:
                if (!separator(peekat(hdr_, l, c))) return false;
                while (l != hdr_ && separator(peekat(hdr_, l, c))) {
                    stepat(hdr_, l, c);
                    ++off;
                }
                break;
            case PB_GAP:
            case PB_WORDGAP:
                return gap(b, p + 1, l, c, off, end);
            default:
                break; // PB_NOT counts as a whole; other control bytes are ignored
            }
        }
    }

    // The gap byte has been read; `p` is the byte looked for, which stays
    // part of the pattern.  A step past a place where the rest failed is not
    // counted against the gap's width.
    bool gap(unsigned char kind, const unsigned char* p, LINE* l, int32_t c, int64_t off,
             TEXTPOS* end) {
        if (*p == 0) {
            *end = {l, c};
            return true;
        }
        int32_t width = 0;
        for (;;) {
            const int t = peekat(hdr_, l, c);
            if (t == *p) {
                if (tryrest(p, l, c, off, end)) return true;
                if (l == hdr_) return false;
                stepat(hdr_, l, c);
                ++off;
                continue;
            }
            if (kind == PB_WORDGAP && separator(t)) return false;
            if (kind == PB_GAP && width >= GAPWIDTH) return false;
            if (l == hdr_) return false;
            stepat(hdr_, l, c);
            ++off;
            ++width;
        }
    }

    bool tryrest(const unsigned char* p, LINE* l, int32_t c, int64_t off, TEXTPOS* end) {
        if (!m_.memo) return rest(p, l, c, off, end);
        const uint64_t k = key(p, off);
        if (failed().count(k) != 0) return false;
        if (rest(p, l, c, off, end)) return true;
        failed().insert(k);
        return false;
    }

    const COMPILED& m_;
    const LINE* hdr_;
};

// Clamps a column to the line's end.
int32_t clampcol(const LINE* l, int32_t c) {
    if (c < 1) return 1;
    return c > l->length + 1 ? l->length + 1 : c;
}

// The first place from `pos` on (itself included), stepping by characters,
// where the pattern matches; `lines` grows by the lines passed.  False at the
// end of the text or on an interrupt.
bool scanchars(const COMPILED& m, TEXTPOS& pos, int32_t& lines, TEXTPOS* end) {
    const LINE* hdr = cur().header;
    Matcher run(m, hdr);
    LINE* l = pos.line;
    int32_t c = l == hdr ? 1 : clampcol(l, pos.col);
    while (l != hdr) {
        if (abortreq != 0) return false;
        if (m.lead >= 0) {
            // Only a byte of the line can hold the leading byte.
            if (c <= l->length) {
                const unsigned char* base = &textbase[static_cast<size_t>(l->index)];
                const unsigned char* q = base + c - 1;
                const unsigned char* e = base + l->length;
                while (q < e && (q = static_cast<const unsigned char*>(
                                     std::memchr(q, m.lead, static_cast<size_t>(e - q)))) != nullptr) {
                    const int32_t col = static_cast<int32_t>(q - base) + 1;
                    // The plain bytes that begin the pattern must stand inside the line.
                    const bool head = q + m.litlen <= e && std::memcmp(q, m.pat, static_cast<size_t>(m.litlen)) == 0;
                    if (head && m.literal) {
                        // Plain bytes only: the match lies wholly inside the line.
                        pos = {l, col};
                        if (end != nullptr) *end = {l, col + m.litlen};
                        return true;
                    }
                    if (head && run.run(l, col, end)) {
                        pos = {l, col};
                        return true;
                    }
                    ++q;
                }
            }
        } else {
            for (; c <= l->length + 1; ++c) {
                if (run.run(l, c, end)) {
                    pos = {l, c};
                    return true;
                }
            }
        }
        l = l->down;
        c = 1;
        ++lines;
    }
    pos = {l, 1};
    return false;
}

// The result pattern of the unit 6 search being run.
uint64_t checkchk = 0;
uint64_t checkmask = 0;

const unsigned char* pattern() {
    return reinterpret_cast<const unsigned char*>(scanpattern.data());
}

// The search upwards, a character at a time, for a pattern that only places
// holding its leading byte can match: each line is searched for that byte
// from its end (from the walker's column on the first) and the matcher runs
// only there.  The walker moves as `prevc` would move it.
bool scanback(const COMPILED& m) {
    const LINE* hdr = cur().header;
    Matcher run(m, hdr);
    while (lp != nullptr && lp != hdr && abortreq == 0) {
        if (lp->object != K_EMPTY && lp->object != K_PICTURE) {
            const unsigned char* base = &textbase[static_cast<size_t>(lp->index)];
            int32_t c = std::min(cp, lp->length); // the last column that may hold it
            while (c >= 1) {
                const auto* hit = static_cast<const unsigned char*>(
                    memrchr(base, m.lead, static_cast<size_t>(c)));
                if (hit == nullptr) break;
                const int32_t col = static_cast<int32_t>(hit - base) + 1;
                if (run.run(lp, col, nullptr)) {
                    cp = col;
                    return true;
                }
                c = col - 1;
            }
        }
        lp = lp->up;
        dist -= 1;
        cp = lp->length + 1;
    }
    return false;
}

// The search of `find` and `resfind` from the walker.  True when found, the
// walker then standing on the match.
bool search() {
    if (scanunit == U_BACK) {
        const COMPILED m = compile(pattern());
        if (m.lead >= 0) return scanback(m);
    }
    if (scanunit == U_CHAR) {
        const COMPILED m = compile(pattern());
        TEXTPOS pos{lp, cp};
        int32_t lines = 0;
        if (!scanchars(m, pos, lines, nullptr)) return false;
        lp = pos.line;
        cp = pos.col;
        dist += lines;
        return true;
    }
    const LINE* hdr = cur().header;
    for (bool first = true; lp != hdr && lp != nullptr && abortreq == 0; first = false) {
        if (basictest(first)) return true;
        moveoneunit();
    }
    return false;
}

void findfrom(bool again) {
    abortreq = 0;
    result() = 0;
    setptr();
    if (again) moveoneunit();
    if (search()) {
        setcur();
        result() = 1;
        if (scanunit == U_PATTERN) copywild();
    }
    putresult(result());
}

// Takes back the last `n` bytes of the cursor line (blanks just added).
void dropend(int32_t n) {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    for (int32_t i = 0; i < n; ++i) textbase[static_cast<size_t>(l->index + l->length - 1 - i)] = FREEBYTE;
    l->length -= n;
    c.charcount -= n;
}

// Lengthens the cursor line by `n` blanks; false (nothing added) when the
// heap has no room even after a collection.
bool lengthen(int32_t n) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int32_t added = 0;
        while (added < n && cadd(' ')) ++added;
        if (added == n) return true;
        dropend(added);
        if (attempt == 0) garbage();
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------------------
// Matching.

bool matchat(const unsigned char* pat, TEXTPOS at, TEXTPOS* end) {
    const COMPILED m = compile(pat);
    Matcher run(m, cur().header);
    return run.run(at.line, at.col, end);
}

bool match(const unsigned char* pat) {
    if (lp == nullptr) return false;
    return matchat(pat, {lp, cp}, nullptr);
}

// ---------------------------------------------------------------------------
// Steps by unit.

void nextline() {
    if (lp == nullptr || lp == cur().header) return;
    lp = lp->down;
    cp = 1;
    ++dist;
}

void altnextline() {
    nextline();
}

void nextsent() {
    while (!(charkind[static_cast<unsigned char>(peepc())] & SENTCH)) nextc();
    nextlett();
}

void nextfldend() {
    for (int ch = peepc(); ch != '|' && ch != LINEEND && ch != ENDOFTEXT; ch = peepc()) nextc();
}

void moveoneunit() {
    switch (scanunit) {
    case U_WORD:
        nextword();
        break;
    case U_LINE:
    case U_RECORD:
        nextline();
        break;
    case U_SENTENCE:
        nextsent();
        break;
    case U_BACK:
        prevc();
        break;
    case U_CHECK:
        if (cur().viewtype == 0)
            nextword();
        else
            nextline();
        break;
    case U_PATTERN:
        altnextline();
        break;
    default:
        nextc();
        break;
    }
}

bool basictest(bool first) {
    if (lp == nullptr || lp == cur().header) return false;
    switch (scanunit) {
    case U_RECORD:
        if (lp->object != K_RECORD) return false;
        if (scanpattern[0] == '$') {
            checksetup();
            return recstrmatch(scanpattern.data() + 1);
        }
        return recmathmatch(scanpattern.data());
    case U_CHECK:
        if (first) makecheck(scanpattern.data(), checkchk, checkmask);
        if (first || lp->object == K_RECORD)
            checksetup();
        else
            checkupdate();
        multicheck();
        return (boolcheck | checkmask) == checkchk;
    case U_PATTERN: {
        const bool owns = lp->object != K_EMPTY && lp->object != K_PICTURE;
        return unify(scanpattern.data(), owns ? lp->index : 0, 0, owns ? lp->length : 0) == 1;
    }
    default: {
        // Compiled once for the whole walk, at its first test.
        static COMPILED walked{};
        if (first || walked.pat == nullptr) walked = compile(pattern());
        Matcher run(walked, cur().header);
        return run.run(lp, cp, nullptr);
    }
    }
}

// ---------------------------------------------------------------------------
// Searches.

void find() {
    mode = 1;
    findfrom(false);
}

void resfind() {
    findfrom(true);
}

void resnumber() {
    abortreq = 0;
    result() = 0;
    setptr();
    int32_t count = 0;
    const LINE* hdr = cur().header;
    if (scanunit == U_CHAR) {
        const COMPILED m = compile(pattern());
        TEXTPOS pos{lp, cp};
        int32_t lines = 0;
        while (scanchars(m, pos, lines, nullptr)) {
            ++count;
            stepat(hdr, pos.line, pos.col);
        }
    } else {
        for (bool first = true; lp != hdr && abortreq == 0; first = false) {
            if (basictest(first)) ++count;
            moveoneunit();
        }
    }
    result() = count;
    putresult(count);
}

void rescheck() {
    abortreq = 0;
    setptr();
    const bool ok = basictest(true);
    if (ok && scanunit == U_PATTERN) copywild();
    result() = ok ? 1 : 0;
    putresult(result());
}

// ---------------------------------------------------------------------------
// CHANGE.

void changechk() {
    if (scanpattern[0] != '\0') return;
    diserr(MSG_EMPTYSCAN);
    del = 2;
}

namespace {

// A match of CHANGE on one line: where it starts in the line as it stood
// before any replacement on it, and how many of its bytes lie on that line.
struct SPAN {
    int32_t col;
    int32_t extent;
};

// The matched text's length, cut at the end of the line it starts on.
int32_t extentof(const LINE* l, TEXTPOS pos, TEXTPOS end) {
    int32_t extent = end.line == l ? end.col - pos.col : l->length + 1 - pos.col;
    if (extent > l->length + 1 - pos.col) extent = l->length + 1 - pos.col;
    return extent < 0 ? 0 : extent;
}

void putreplacement(unsigned char* to, const char* rep, int32_t rlen) {
    for (int32_t i = 0; i < rlen; ++i) {
        const auto b = static_cast<unsigned char>(rep[i]);
        to[i] = b == FREEBYTE ? FREEBYTE_SUBST : b;
    }
}

// Replaces one match, the cursor standing at its start; false (nothing
// changed) when the heap has no room for the longer text.
bool replaceone(int32_t extent, const char* rep, int32_t rlen) {
    COREFILE& c = cur();
    const int32_t d = rlen - extent;
    if (d < 0) {
        cremove(-d);
    } else if (d > 0) {
        if (!lengthen(d)) return false;
        cinsert(d);
    }
    putreplacement(&textbase[static_cast<size_t>(curptr())], rep, rlen);
    c.curcol += rlen;
    if (rlen > 0 || extent > 0) c.edited = 1;
    if (avail > hiaddr || reserve == nullptr) garbage();
    return true;
}

// Replaces every span of line l in one pass over the line, as one replacement
// after another would, removed bytes going to the delete ring in the same
// order; the cursor ends behind the last replacement.  False (nothing
// changed) when the heap has no room for the longer line.
bool replacespans(LINE* l, const std::vector<SPAN>& spans, const char* rep, int32_t rlen) {
    COREFILE& c = cur();
    c.lnptr = l;
    int64_t growth = 0;
    for (const SPAN& s : spans)
        growth += rlen - s.extent;
    const int32_t oldlength = l->length;
    if (growth > 0) {
        if (growth > INT32_MAX - oldlength || !lengthen(static_cast<int32_t>(growth))) return false;
        l = c.lnptr; // a line that had to move has a new header
    }
    std::string rebuilt;
    rebuilt.reserve(static_cast<size_t>(oldlength + std::max<int64_t>(growth, 0)));
    // An empty line holds no text of its own (its replacements are empty too).
    const char* text = l->object == K_EMPTY
                           ? ""
                           : reinterpret_cast<const char*>(&textbase[static_cast<size_t>(l->index)]);
    int32_t at = 1;     // the next byte of the old line to keep
    int32_t curcol = 1; // the cursor in the new line
    bool edited = false;
    for (const SPAN& s : spans) {
        rebuilt.append(text + at - 1, static_cast<size_t>(s.col - at));
        for (int32_t i = 0; i < s.extent - rlen; ++i)
            savechar(static_cast<unsigned char>(text[s.col - 1 + i]));
        const size_t from = rebuilt.size();
        rebuilt.resize(from + static_cast<size_t>(rlen));
        putreplacement(reinterpret_cast<unsigned char*>(rebuilt.data() + from), rep, rlen);
        curcol = static_cast<int32_t>(rebuilt.size()) + 1;
        at = s.col + s.extent;
        edited = edited || rlen > 0 || s.extent > 0;
    }
    rebuilt.append(text + at - 1, static_cast<size_t>(oldlength + 1 - at));
    if (!rebuilt.empty()) std::memcpy(&textbase[static_cast<size_t>(l->index)], rebuilt.data(), rebuilt.size());
    if (growth < 0) {
        std::memset(&textbase[static_cast<size_t>(l->index + oldlength + growth)], FREEBYTE,
                    static_cast<size_t>(-growth));
        l->length = oldlength + static_cast<int32_t>(growth);
        c.charcount += growth;
    }
    c.curcol = curcol;
    if (edited) c.edited = 1;
    if (avail > hiaddr || reserve == nullptr) garbage();
    return true;
}

} // namespace

void change() {
    COREFILE& c = cur();
    const COMPILED m = compile(pattern());
    const char* rep = targetstring.data();
    const auto rlen = static_cast<int32_t>(strnlen(rep, targetstring.size()));
    abortreq = 0;
    setptr();
    TEXTPOS pos{lp, cp};
    int32_t lines = 0;
    bool nospace = false;
    TEXTPOS end{};
    bool found = scanchars(m, pos, lines, &end);
    std::vector<SPAN> spans;
    while (found && full == 0 && abortreq == 0) {
        LINE* l = pos.line;
        if (l->object == K_PICTURE) {
            stepat(c.header, pos.line, pos.col);
            found = scanchars(m, pos, lines, &end);
            continue;
        }
        // Every match on this line at once.  The matcher looks only forward,
        // so it meets the same bytes behind a replacement as before it: the
        // search goes on behind each match (one character further after an
        // empty one, so that it cannot match the same place again).
        spans.clear();
        do {
            const int32_t extent = extentof(l, pos, end);
            spans.push_back({pos.col, extent});
            pos = {l, pos.col + extent};
            if (extent == 0) stepat(c.header, pos.line, pos.col);
            found = scanchars(m, pos, lines, &end);
        } while (found && pos.line == l);
        if (replacespans(l, spans, rep, rlen)) continue;
        // No room for the whole line: one replacement after another, as far
        // as the heap goes.
        int32_t shift = 0;
        for (const SPAN& s : spans) {
            c.curcol = s.col + shift; // on c.lnptr: a line that moved has a new header
            if (!replaceone(s.extent, rep, rlen)) {
                nospace = true;
                break;
            }
            shift += rlen - s.extent;
        }
        if (nospace) break;
    }
    if (full != 0 || nospace) diserr(MSG_INCOMPLETE);
    redisplay = RP_ALL;
}

void resetfind() {
    checkchk = 0;
    checkmask = 0;
    resetchecks();
    resettextstats();
    showchecks = showbool;
}

} // namespace oxa
