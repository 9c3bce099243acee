#include "editor/reformat.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "editor/blocks.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"

namespace oxa {

// Prefixes, longest first; the split falls after the prefix.
// clang-format off
constexpr std::array<std::array<char, 8>, NPREFIXES + 1> prefixtab = {{
    {"COUNTER"}, // 0
    {"ELECTRO"}, // 1
    {"PSEUDO"}, // 2
    {"EXTRA"}, // 3
    {"HECTO"}, // 4
    {"HYDRO"}, // 5
    {"HYPER"}, // 6
    {"INTER"}, // 7
    {"INTRO"}, // 8
    {"MICRO"}, // 9
    {"MILLI"}, // 10
    {"MULTI"}, // 11
    {"ORTHO"}, // 12
    {"PHONO"}, // 13
    {"PHOTO"}, // 14
    {"PROTO"}, // 15
    {"RADIO"}, // 16
    {"SUPER"}, // 17
    {"TRANS"}, // 18
    {"ULTRA"}, // 19
    {"UNDER"}, // 20
    {"ANTE"}, // 21
    {"ANTI"}, // 22
    {"ARCH"}, // 23
    {"AUTO"}, // 24
    {"DEMI"}, // 25
    {"ENDO"}, // 26
    {"EQUI"}, // 27
    {"FORE"}, // 28
    {"HOMO"}, // 29
    {"HYPO"}, // 30
    {"HYPH"}, // 31
    {"KILO"}, // 32
    {"META"}, // 33
    {"MONO"}, // 34
    {"MULT"}, // 35
    {"OCTA"}, // 36
    {"OCTO"}, // 37
    {"OMNI"}, // 38
    {"OVER"}, // 39
    {"PARA"}, // 40
    {"PERI"}, // 41
    {"PHIL"}, // 42
    {"POLY"}, // 43
    {"POST"}, // 44
    {"PROT"}, // 45
    {"SEMI"}, // 46
    {"TELE"}, // 47
    {"VICE"}, // 48
    {"EVEN"}, // 49
    {"BIO"}, // 50
    {"COM"}, // 51
    {"CON"}, // 52
    {"DIA"}, // 53
    {"DIS"}, // 54
    {"EPH"}, // 55
    {"EPI"}, // 56
    {"FOR"}, // 57
    {"HYP"}, // 58
    {"MAL"}, // 59
    {"MIS"}, // 60
    {"NEO"}, // 61
    {"NON"}, // 62
    {"OCT"}, // 63
    {"OUT"}, // 64
    {"PAN"}, // 65
    {"PAR"}, // 66
    {"PEL"}, // 67
    {"PER"}, // 68
    {"PIL"}, // 69
    {"PRE"}, // 70
    {"PRO"}, // 71
    {"REN"}, // 72
    {"RED"}, // 73
    {"SUB"}, // 74
    {"SYM"}, // 75
    {"SYN"}, // 76
    {"TRI"}, // 77
    {"UNI"}, // 78
    {"PSY"}, // 79
    {"AB"}, // 80
    {"AD"}, // 81
    {"BE"}, // 82
    {"BY"}, // 83
    {"DE"}, // 84
    {"DY"}, // 85
    {"EM"}, // 86
    {"EN"}, // 87
    {"EP"}, // 88
    {"EU"}, // 89
    {"EV"}, // 90
    {"EX"}, // 91
    {"EF"}, // 92
    {"IL"}, // 93
    {"IM"}, // 94
    {"IN"}, // 95
    {"IR"}, // 96
    {"NE"}, // 97
    {"PA"}, // 98
    {"RE"}, // 99
    {"UN"}, // 100
    {"UP"}, // 101
    {""},  // end
}};
// clang-format on

// Suffixes in search order (ENCE, TIVE and IVE twice: the first hit counts);
// the split falls before the suffix.
// clang-format off
constexpr std::array<std::array<char, 7>, NSUFFIXES + 1> suffixtab = {{
    {"TIVELY"}, // 0
    {"ENTIAL"}, // 1
    {"ANCIES"}, // 2
    {"ANCING"}, // 3
    {"ENCIES"}, // 4
    {"ENCING"}, // 5
    {"ENTING"}, // 6
    {"ENTIST"}, // 7
    {"EOUSLY"}, // 8
    {"ICALLY"}, // 9
    {"IOUSLY"}, // 10
    {"LESSLY"}, // 11
    {"SCIOUS"}, // 12
    {"TIONAL"}, // 13
    {"TIONLY"}, // 14
    {"ATELY"}, // 15
    {"ENTLY"}, // 16
    {"IALLY"}, // 17
    {"ICANT"}, // 18
    {"ITELY"}, // 19
    {"IVELY"}, // 20
    {"METER"}, // 21
    {"TRACT"}, // 22
    {"ARIAL"}, // 23
    {"ENTAL"}, // 24
    {"GEOUS"}, // 25
    {"CIOUS"}, // 26
    {"CEOUS"}, // 27
    {"TIOUS"}, // 28
    {"TUOUS"}, // 29
    {"ULOUS"}, // 30
    {"UROUS"}, // 31
    {"PRISE"}, // 32
    {"CIAL"}, // 33
    {"ICAL"}, // 34
    {"SIAL"}, // 35
    {"TIAL"}, // 36
    {"ANCY"}, // 37
    {"ISED"}, // 38
    {"IZED"}, // 39
    {"TIES"}, // 40
    {"EALY"}, // 41
    {"CION"}, // 42
    {"SION"}, // 43
    {"TION"}, // 44
    {"EOUS"}, // 45
    {"IOUS"}, // 46
    {"TOUS"}, // 47
    {"INCE"}, // 48
    {"TIVE"}, // 49
    {"TIAN"}, // 50
    {"TEEN"}, // 51
    {"ENCE"}, // 52
    {"CIES"}, // 53
    {"MENT"}, // 54
    {"MINE"}, // 55
    {"LARY"}, // 56
    {"RATE"}, // 57
    {"ABLE"}, // 58
    {"ABLY"}, // 59
    {"ALLY"}, // 60
    {"ANCE"}, // 61
    {"ARIC"}, // 62
    {"ATIC"}, // 63
    {"ATOR"}, // 64
    {"ELLY"}, // 65
    {"ENCE"}, // 66
    {"ENLY"}, // 67
    {"FULL"}, // 68
    {"GION"}, // 69
    {"HOOD"}, // 70
    {"IATE"}, // 71
    {"IBLE"}, // 72
    {"IBLY"}, // 73
    {"IENT"}, // 74
    {"ISER"}, // 75
    {"ITHM"}, // 76
    {"ITIC"}, // 77
    {"IZER"}, // 78
    {"LESS"}, // 79
    {"LENT"}, // 80
    {"NESS"}, // 81
    {"ORIC"}, // 82
    {"SENT"}, // 83
    {"SIVE"}, // 84
    {"TENT"}, // 85
    {"TIVE"}, // 86
    {"TURE"}, // 87
    {"WARD"}, // 88
    {"WISE"}, // 89
    {"NENT"}, // 90
    {"STER"}, // 91
    {"EAL"}, // 92
    {"IAL"}, // 93
    {"UAL"}, // 94
    {"IAN"}, // 95
    {"EAR"}, // 96
    {"IED"}, // 97
    {"IER"}, // 98
    {"IES"}, // 99
    {"ALY"}, // 100
    {"ELY"}, // 101
    {"ILY"}, // 102
    {"ION"}, // 103
    {"ARY"}, // 104
    {"ERY"}, // 105
    {"OUS"}, // 106
    {"ICE"}, // 107
    {"TRY"}, // 108
    {"TOR"}, // 109
    {"MAN"}, // 110
    {"IVE"}, // 111
    {"ACY"}, // 112
    {"AGE"}, // 113
    {"ANT"}, // 114
    {"ARD"}, // 115
    {"ATE"}, // 116
    {"ENT"}, // 117
    {"FUL"}, // 118
    {"IDE"}, // 119
    {"IFY"}, // 120
    {"ILT"}, // 121
    {"INE"}, // 122
    {"ING"}, // 123
    {"ISE"}, // 124
    {"ISH"}, // 125
    {"ISM"}, // 126
    {"IST"}, // 127
    {"ITE"}, // 128
    {"ITY"}, // 129
    {"IVE"}, // 130
    {"IZE"}, // 131
    {"OGY"}, // 132
    {"OID"}, // 133
    {"ONE"}, // 134
    {"ORY"}, // 135
    {"URE"}, // 136
    {"USE"}, // 137
    {"UTE"}, // 138
    {"FLE"}, // 139
    {"AN"}, // 140
    {"AR"}, // 141
    {"AS"}, // 142
    {"CY"}, // 143
    {"ED"}, // 144
    {"EN"}, // 145
    {"ER"}, // 146
    {"IA"}, // 147
    {"IC"}, // 148
    {"IS"}, // 149
    {"LY"}, // 150
    {"ON"}, // 151
    {"OR"}, // 152
    {"RY"}, // 153
    {"UM"}, // 154
    {"US"}, // 155
    {""},  // end
}};
// clang-format on

static_assert(prefixtab.size() == 103 && suffixtab.size() == 157);

std::array<unsigned char, HBUFFSIZE> hbuff{};
int32_t hlength = 0;
int32_t max = 0;
int32_t hyphpoint = -1;
int32_t nohyphen = 0;
uint32_t bit_p = 1;
int32_t lrcswitch = LR_LEFT;

namespace {

constexpr int END = 4; // what the reader delivers past the paragraph
constexpr int32_t MAXHYPHWORD = 200;
constexpr int32_t MINHYPHWORD = 5;

bool vowel(unsigned char ch) {
    return ch == 'A' || ch == 'E' || ch == 'I' || ch == 'O' || ch == 'U' || ch == 'Y';
}

bool letter(unsigned char ch) {
    return ch >= 'A' && ch <= 'Z';
}

// A split position is kept when it leaves something on both sides and does
// not pass `max`; the largest kept one wins.
void consider(int32_t pos) {
    if (pos >= 1 && pos <= max && pos <= hlength - 1 && pos > hyphpoint) hyphpoint = pos;
}

bool beginswith(const char* affix) {
    size_t n = std::strlen(affix);
    return n > 0 && n <= static_cast<size_t>(hlength) && std::memcmp(hbuff.data(), affix, n) == 0;
}

bool endswith(const char* affix) {
    size_t n = std::strlen(affix);
    return n > 0 && n <= static_cast<size_t>(hlength) &&
           std::memcmp(hbuff.data() + hlength - n, affix, n) == 0;
}

// ---- Reading the old paragraph ---------------------------------------------
// Delivers its words with single blanks between them, rejoining words that a
// hyphen or a soft hyphen split across a line end.

struct Reader {
    LINE* lp = nullptr;   // line being read
    int32_t cp = 1;       // column in it
    int lastc = 0;        // last character delivered (0 before the first)
    int c = 0;            // the current one
    LINE* below = nullptr; // first line after the paragraph
};
Reader rd;

void nextline() {
    rd.lp = rd.lp->down;
    rd.cp = lmargin;
}

// The next character of the paragraph as the filler sees it.
int rnext() {
    for (;;) {
        if (rd.lp == rd.below) return rd.c = END;
        int ch;
        if (rd.cp > rd.lp->length) {
            nextline();
            ch = ' ';
        } else {
            ch = textbase[rd.lp->index + rd.cp - 1];
            bool atend = rd.cp == rd.lp->length;
            if (atend && (ch == '-' || ch == SOFTHYPHEN) && rd.lastc != 0 && rd.lastc != ' ') {
                // The word goes on at the start of the next line.
                nextline();
                if (ch == SOFTHYPHEN) continue;
            } else {
                rd.cp += 1;
            }
        }
        if (ch == ' ' && (rd.lastc == 0 || rd.lastc == ' ')) continue;
        rd.lastc = ch;
        return rd.c = ch;
    }
}

// The next word, empty at the end of the paragraph.  The bytes of a line
// before its last one that are not blanks are taken in one go; blanks, line
// ends and the last byte of a line go through `rnext`.
void rword(std::string& w) {
    w.clear();
    for (;;) {
        if (rd.lp != rd.below) {
            const unsigned char* t = &textbase[rd.lp->index];
            int32_t start = rd.cp;
            while (rd.cp < rd.lp->length && t[rd.cp - 1] != ' ')
                rd.cp += 1;
            if (rd.cp > start) {
                w.append(reinterpret_cast<const char*>(t + start - 1), static_cast<size_t>(rd.cp - start));
                rd.lastc = t[rd.cp - 2];
            }
        }
        int ch = rnext();
        if (ch == ' ' || ch == END) return;
        w += static_cast<char>(ch);
    }
}

// ---- Writing the new paragraph ---------------------------------------------

int64_t ravail = 0;
int32_t rline = 0;
int64_t rcount = 0;
LINE* rfirst = nullptr;
LINE* rlast = nullptr;
int32_t numinline = 0;

void freenew() {
    LINE* l = rfirst;
    while (l != nullptr) {
        LINE* next = l == rlast ? nullptr : l->down;
        releasehdr(l);
        l = next;
    }
    rfirst = rlast = nullptr;
}

// Stores one finished line above the text already written.  False when the
// heap or the header memory is exhausted.
bool emitline(const std::string& text) {
    int64_t len = static_cast<int64_t>(text.size());
    if (ravail + len > HEAPSIZE) return false;
    LINE* h = allochdr();
    if (h == nullptr) return false;
    h->object = K_TEXT;
    h->length = static_cast<int32_t>(len);
    h->index = ravail;
    h->linekey = 0;
    h->nextphys = nullptr;
    h->up = rlast;
    h->down = nullptr;
    if (rlast == nullptr) {
        rfirst = h;
    } else {
        rlast->down = h;
        rlast->nextphys = h;
    }
    rlast = h;
    if (len > 0) std::memcpy(&textbase[ravail], text.data(), static_cast<size_t>(len));
    ravail += len;
    rline += 1;
    rcount += len;
    return reserve != nullptr && ravail <= hiaddr;
}

int32_t firstnb(const LINE* l) {
    if (l->object != K_TEXT) return 0;
    for (int32_t i = 0; i < l->length; ++i)
        if (textbase[l->index + i] != ' ') return i + 1;
    return 0;
}

// The bytes of [p, end) that are not blanks, eight at a time.
int64_t nonblanks(const unsigned char* p, const unsigned char* end) {
    constexpr uint64_t ones = 0x0101010101010101ULL;
    constexpr uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
    int64_t n = 0;
    for (; end - p >= 8; p += 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        w ^= ones * ' '; // a blank becomes a zero byte
        // The high bit of each byte is set exactly when the byte is not zero.
        const uint64_t nonzero = (((w & low7) + low7) | w) & ~low7;
        n += std::popcount(nonzero);
    }
    for (; p < end; ++p)
        n += *p != ' ';
    return n;
}

bool inparagraph(const LINE* l) {
    return l != cur().header && l->object == K_TEXT && firstnb(l) == lmargin;
}

// The fewest bytes that filling the paragraph at the cursor can write, counted
// only until they pass `limit`: the text kept before the cursor and every byte
// of a word.  Blanks are collapsed, line ends become line breaks and a soft
// hyphen at a line's end may be dropped, so none of them counts; everything
// else the reader delivers is written once.  Far cheaper than the filling,
// and no dearer than the room it is measured against.
int64_t leastfill(int64_t limit) {
    const COREFILE& c = cur();
    const LINE* cl = c.lnptr;
    int64_t need = 0;
    if (firstnb(cl) < c.curcol) {
        // Kept as it stands, less its trailing blanks.
        int32_t len = cl->length;
        while (len > 0 && textbase[cl->index + len - 1] == ' ')
            --len;
        need += std::min(c.curcol - 1, len);
    }
    int32_t from = c.curcol;
    for (const LINE* l = cl; need <= limit && (l == cl || inparagraph(l));
         l = l->down, from = lmargin) {
        if (from < 1 || from > l->length) continue;
        const unsigned char* t = &textbase[l->index];
        const unsigned char* end = t + l->length;
        while (end > t && end[-1] == ' ')
            --end;
        if (end > t && end[-1] == SOFTHYPHEN) --end;
        const unsigned char* p = t + from - 1;
        if (p < end) need += nonblanks(p, end);
    }
    return need;
}

} // namespace

uint64_t reformatfills = 0;

namespace {

// Fills the paragraph from the cursor up to `rd.below` into new lines above
// `avail`.  False (nothing kept) when the store ran out.
bool refblock() {
    ++reformatfills;
    const COREFILE& c = cur();
    LINE* cl = c.lnptr;
    ravail = avail;
    rline = 0;
    rcount = 0;
    rfirst = rlast = nullptr;
    rd.lp = cl;
    rd.cp = c.curcol;
    rd.lastc = 0;
    rd.c = 0;

    int32_t f = firstnb(cl);
    int32_t indent;
    if (f < c.curcol) {
        // The text before the cursor stays a line of its own.
        int32_t keep = std::min(c.curcol - 1, cl->length);
        std::string head(reinterpret_cast<const char*>(&textbase[cl->index]), static_cast<size_t>(keep));
        if (!emitline(head)) {
            freenew();
            return false;
        }
        indent = lmargin - 1;
    } else {
        indent = f - 1;
    }

    std::string line;
    std::vector<int32_t> gaps;
    bool open = false;    // a line is being filled
    bool hasword = false; // it holds a word already
    std::string word;
    rword(word);
    while (!word.empty()) {
        if (!open) {
            line.assign(static_cast<size_t>(std::max(indent, 0)), ' ');
            indent = lmargin - 1;
            gaps.clear();
            numinline = 0;
            open = true;
            hasword = false;
        }
        int32_t sz = static_cast<int32_t>(word.size());
        int32_t room = rmargin - static_cast<int32_t>(line.size()) - (hasword ? 1 : 0);
        if (sz <= room) {
            if (hasword) {
                gaps.push_back(static_cast<int32_t>(line.size()));
                line += ' ';
                numinline += 1;
            }
            line += word;
            hasword = true;
            rword(word);
            continue;
        }
        int32_t s = hyphenate(reinterpret_cast<const unsigned char*>(word.data()), sz, room - 1);
        if (s >= 1) {
            if (hasword) {
                gaps.push_back(static_cast<int32_t>(line.size()));
                line += ' ';
                numinline += 1;
            }
            line.append(word, 0, static_cast<size_t>(s));
            if (!nohyphen) line += static_cast<char>(SOFTHYPHEN);
            word.erase(0, static_cast<size_t>(s));
        } else if (!hasword) {
            line += word;
            rword(word);
        }
        if (jmode != 0) justify(line, gaps.data(), numinline);
        if (!emitline(line)) {
            freenew();
            return false;
        }
        open = false;
    }
    if (open && !emitline(line)) {
        freenew();
        return false;
    }
    return true;
}

// ---- One-line layout ---------------------------------------------------------

// Moves the cursor line's text by the shift that `lrcswitch` asks for.
void centre(int align) {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (l->object != K_TEXT) return;
    detrline();
    int32_t L = findnb();
    if (L == 0) return;
    int32_t R = l->length;
    int32_t d = 0;
    switch (lrcswitch) {
    case LR_LEFT:
        d = lmargin - L;
        break;
    case LR_RIGHT:
        d = rmargin - R;
        break;
    case LR_CENTRE: {
        int32_t sum = lmargin + rmargin - L - R;
        d = sum >= 0 ? sum / 2 : -((-sum + 1) / 2);
        break;
    }
    default:
        for (int32_t k = L; k <= R; ++k)
            if (textbase[l->index + k - 1] == align) {
                d = rmargin - k;
                break;
            }
        break;
    }
    if (d < 1 - L) d = 1 - L;
    if (d == 0) return;
    int32_t n = R - L + 1;
    if (d > 0) {
        for (int32_t i = 0; i < d; ++i)
            if (!cadd(' ')) {
                detrline(); // gives back the blanks added so far
                return;
            }
        l = c.lnptr;
        unsigned char* base = &textbase[l->index];
        std::memmove(base + L - 1 + d, base + L - 1, static_cast<size_t>(n));
        std::memset(base + L - 1, ' ', static_cast<size_t>(d));
    } else {
        int32_t e = -d;
        unsigned char* base = &textbase[l->index];
        std::memmove(base + L - 1 - e, base + L - 1, static_cast<size_t>(n));
        std::memset(base + R - e, FREEBYTE, static_cast<size_t>(e));
        l->length -= e;
        c.charcount -= e;
    }
    redisplay = RP_ROW;
}

bool editable(const LINE* l) {
    return l->object == K_TEXT || l->object == K_EMPTY;
}

} // namespace

int32_t hyphenate(const unsigned char* word, int32_t length, int32_t maxpos) {
    max = maxpos;
    hyphpoint = -1;
    nohyphen = 0;
    if (length > MAXHYPHWORD) return 0;
    if (length <= MINHYPHWORD) return -1;
    for (int32_t i = 0; i < length; ++i) {
        unsigned char ch = word[i];
        hbuff[static_cast<size_t>(i)] = ch >= 'a' && ch <= 'z' ? static_cast<unsigned char>(ch - 32) : ch;
    }
    hlength = length;
    while (hlength > 2 && hbuff[static_cast<size_t>(hlength - 1)] < 'A')
        hlength -= 1;
    if (hlength >= 2 && hbuff[static_cast<size_t>(hlength - 2)] == '\'') hlength -= 2;
    hbuff[static_cast<size_t>(hlength)] = 0;
    const unsigned char* h = hbuff.data();

    // After the last hyphen of the word that may stay on the line.
    for (int32_t p = hlength - 1; p >= 0; --p)
        if (h[p] == '-' && p < max) {
            consider(p + 1);
            break;
        }

    if (hyphpoint < 0 && hyphlevel >= 1) {
        for (const auto& row : prefixtab) {
            if (row[0] == 0) break;
            if (beginswith(row.data())) {
                consider(static_cast<int32_t>(std::strlen(row.data())));
                break;
            }
        }
        for (int32_t p = 2; p <= hlength - 2; ++p)
            if (h[p] == 'S' && !vowel(h[p - 1]) && !vowel(h[p + 1])) {
                consider(h[p - 1] == 'S' ? p + 1 : p);
                break;
            }
        for (int32_t p = std::min(hlength - 3, max); p >= 0; --p)
            if (h[p] == 'X') {
                consider(p + 1);
                break;
            }
        for (const auto& row : suffixtab) {
            if (row[0] == 0) break;
            if (endswith(row.data())) {
                consider(hlength - static_cast<int32_t>(std::strlen(row.data())));
                break;
            }
        }
    }

    if (hyphpoint < 0 && hyphlevel >= 2) {
        // Double consonants: between the pair, or after an LL or SS that no
        // vowel follows; the last one that fits wins.
        int32_t best = -1;
        for (int32_t p = 2; p <= hlength - 2; ++p) {
            unsigned char ch = h[p];
            if (ch != h[p - 1] || !letter(ch) || vowel(ch)) continue;
            int32_t pos = (ch == 'L' || ch == 'S') && !vowel(h[p + 1]) ? p + 1 : p;
            if (pos <= max && pos <= hlength - 1) best = pos;
        }
        if (best >= 1) hyphpoint = best;
    }

    if (hyphpoint < 0 && hyphlevel >= 3) {
        for (int32_t p = std::min(hlength - 3, max); p >= 2; --p)
            if (vowel(h[p]) && !vowel(h[p - 1]) && !vowel(h[p + 1])) {
                consider(p);
                break;
            }
    }

    if (hyphpoint > 0 && h[hyphpoint - 1] == '-') nohyphen = 1;
    return hyphpoint;
}

void justify(std::string& text, const int32_t* gaps, int32_t ngaps) {
    int32_t extra = rmargin - static_cast<int32_t>(text.size());
    if (extra <= 0 || ngaps <= 0) return;
    std::vector<int32_t> add(static_cast<size_t>(ngaps), extra / ngaps);
    std::vector<bool> got(static_cast<size_t>(ngaps), false);
    int32_t rest = extra % ngaps;
    // The remainder goes to the gaps whose turn meets a set bit of the mask.
    // When the number of gaps is a multiple of the bit cycle, some gaps only
    // ever meet clear bits: after a whole round of every gap with every bit
    // the rest goes to the leftmost gaps still without one.
    int64_t steps = 0;
    const int64_t round = 31 * static_cast<int64_t>(ngaps);
    for (int32_t g = 0; rest > 0 && steps < round; g = (g + 1) % ngaps, ++steps) {
        if ((JUSTMASK & bit_p) != 0 && !got[static_cast<size_t>(g)]) {
            got[static_cast<size_t>(g)] = true;
            add[static_cast<size_t>(g)] += 1;
            rest -= 1;
        }
        bit_p = bit_p == BITLIMIT ? 1 : bit_p << 1;
    }
    for (int32_t g = 0; rest > 0 && g < ngaps; ++g)
        if (!got[static_cast<size_t>(g)]) {
            got[static_cast<size_t>(g)] = true;
            add[static_cast<size_t>(g)] += 1;
            rest -= 1;
        }
    std::string out;
    out.reserve(static_cast<size_t>(rmargin));
    int32_t from = 0;
    for (int32_t g = 0; g < ngaps; ++g) {
        out.append(text, static_cast<size_t>(from), static_cast<size_t>(gaps[g] - from));
        out.append(static_cast<size_t>(add[static_cast<size_t>(g)]), ' ');
        from = gaps[g];
    }
    out.append(text, static_cast<size_t>(from), std::string::npos);
    text.swap(out);
}

void reformat() {
    COREFILE& c = cur();
    LINE* cl = c.lnptr;
    if (cl->object != K_TEXT) return;

    // A paragraph that cannot fit is refused before anything is done to it:
    // a failed filling costs as much as a successful one, and the paragraph
    // may be far longer than the room left.
    int64_t room = hiaddr - avail;
    if (leastfill(room) > room) {
        garbage();
        room = hiaddr - avail;
        if (full || leastfill(room) > room) {
            diserr("inadequate free space for reformat");
            return;
        }
    }

    // The paragraph: the cursor line and the lines below it that start at
    // the left margin.
    LINE* plast = cl;
    detrline();
    LINE* saved = c.lnptr;
    for (LINE* l = cl->down; inparagraph(l); l = l->down) {
        c.lnptr = l;
        detrline();
        plast = l;
    }
    c.lnptr = saved;
    rd.below = plast->down;

    // A failed filling is tried again only when the collection made room or
    // found a spare line header.
    const bool hadspare = reserve != nullptr;
    if (!refblock()) {
        const int64_t top = avail;
        const bool spare = reserve != nullptr;
        garbage();
        const bool gained = avail < top || !hadspare || !spare;
        if (full || !gained || !refblock()) {
            diserr("inadequate free space for reformat");
            return;
        }
    }

    avail = ravail;
    lastphys->nextphys = rfirst;
    lastphys = rlast;

    int32_t oldlines = 0;
    int64_t oldchars = 0;
    bool top = false, starred = false;
    for (LINE* l = cl;; l = l->down) {
        ++oldlines;
        oldchars += l->length;
        if (l == c.disln) top = true;
        if (l == c.starA || l == c.starB) starred = true;
        if (l == plast) break;
    }
    if (top) c.disln = rfirst;
    if (starred) clrstars();

    // The new lines take the paragraph's place.
    LINE* above = cl->up;
    LINE* after = plast->down;
    above->down = rfirst;
    rfirst->up = above;
    rlast->down = after;
    after->up = rlast;
    c.lncount += rline - oldlines;
    c.charcount += rcount - oldchars;

    // The old paragraph goes to the block buffer, unstarred.
    COREFILE& b = core[0];
    LINE* at = corenum == 0 ? rlast : b.lnptr;
    LINE* atnext = at->down;
    at->down = cl;
    cl->up = at;
    plast->down = atnext;
    atnext->up = plast;
    linkschanged(0);
    // The first new line stands where the cursor line stood.
    linereplaced(cl, rfirst);
    b.lncount += oldlines;
    b.charcount += oldchars;

    c.lnptr = rfirst;
    rfirst = rlast = nullptr;
    redisplay = RP_ROWDOWN;
}

void flushleft() {
    lrcswitch = LR_LEFT;
    centre(0);
}

void flushright() {
    lrcswitch = LR_RIGHT;
    centre(0);
}

void fcenter() {
    lrcswitch = LR_CENTRE;
    centre(0);
}

void falign() {
    int ch = glett();
    lrcswitch = LR_ALIGN;
    centre(ch);
}

void splitline() {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (!editable(l) || reserve == nullptr) return;
    std::string cut;
    if (c.curcol <= l->length) {
        int32_t n = l->length - (c.curcol - 1);
        cut.assign(reinterpret_cast<const char*>(&textbase[l->index + c.curcol - 1]), static_cast<size_t>(n));
        if (avail + n > HEAPSIZE) return;
        std::memset(&textbase[l->index + c.curcol - 1], FREEBYTE, static_cast<size_t>(n));
        l->length -= n;
        c.charcount -= n;
    }
    allocln(K_EMPTY, 0);
    for (char ch : cut)
        cadd(static_cast<unsigned char>(ch));
    c.curcol = 1;
    c.edited = 1;
    redisplay = RP_ALL;
    mwd();
}

void joinline() {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    LINE* next = l->down;
    if (next == c.header || !editable(l)) return;
    std::string text;
    if (next->object != K_EMPTY && next->object != K_PICTURE)
        text.assign(reinterpret_cast<const char*>(&textbase[next->index]), static_cast<size_t>(next->length));
    if (avail + l->length + static_cast<int64_t>(text.size()) + 1 > HEAPSIZE) {
        diserr("Inadequate space for this operation");
        return;
    }
    c.lnptr = next;
    removeline(); // drops its star as well
    c.lnptr = l;
    detrline();
    c.curcol = l->length + 1;
    for (char ch : text)
        if (cadd(static_cast<unsigned char>(ch))) c.curcol += 1;
    c.edited = 1;
    redisplay = RP_ALL;
    mwd();
}

void resetreformat() {
    hbuff.fill(0);
    hlength = 0;
    max = 0;
    hyphpoint = -1;
    nohyphen = 0;
    bit_p = 1;
    lrcswitch = LR_LEFT;
    rd = Reader{};
    ravail = 0;
    rline = 0;
    rcount = 0;
    rfirst = rlast = nullptr;
    numinline = 0;
    reformatfills = 0;
}

} // namespace oxa
