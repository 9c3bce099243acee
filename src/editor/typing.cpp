// Text entry and deletion: typing into text, record and formula lines,
// rubout, copying into the delete ring and recovering from it, and the shape
// of new lines.
#include "editor/typing.hpp"

#include <cctype>
#include <string>
#include <vector>

#include "editor/editloop.hpp"
#include "editor/editops.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"

namespace oxa {

// Columns: field types b c d e f g h i j; rows: character classes 2 to 6.
constexpr std::array<std::array<uint8_t, NFIELDTYPE>, NCHARCLASS> checktable = {{
    {0, 1, 0, 0, 0, 0, 0, 0, 0}, // 2 other printable
    {0, 1, 0, 0, 1, 0, 0, 1, 1}, // 3 digit
    {0, 1, 0, 0, 1, 0, 0, 0, 0}, // 4 letter
    {1, 1, 0, 0, 1, 0, 0, 0, 0}, // 5 'y' and 'n'
    {0, 1, 0, 0, 0, 0, 0, 1, 0}, // 6 '-'
}};

namespace {

// Repaint levels left for the painter.

constexpr int UNITMARK = '\\'; // starts a deleted or copied unit in the ring

// Edit codes of the typing keys.
constexpr int CODE_OTHER = 2;
constexpr int CODE_DIGIT = 3;
constexpr int CODE_LETTER = 4;
constexpr int CODE_MATHINSERT = 53;

// Whether the last xbldtxt stored its byte.
bool entered = false;

LINE* curln() {
    return cur().lnptr;
}

// A line that can hold typed bytes: any but a picture or dead line.
bool holdstext(const LINE* l) {
    return l != cur().header && l->object != K_PICTURE && l->object != K_DEAD;
}

unsigned char byteat(int64_t p) {
    return textbase[p];
}

// The byte under the cursor, or -1 beyond the line's end.
int undercursor() {
    const COREFILE& c = cur();
    if (c.curcol < 1 || c.curcol > c.lnptr->length || c.lnptr->object == K_EMPTY) return -1;
    return byteat(curptr());
}

// Gives a kind-5 line heap space without text so that it can change kind.
void adopt(int32_t kind) {
    LINE* l = curln();
    if (l->object == K_EMPTY) {
        l->index = avail;
        l->length = 0;
        l->object = kind;
        linkphys();
    } else {
        l->object = kind;
    }
}

// Opens a gap of one byte at the cursor; false when the line cannot grow.
bool opengap() {
    if (!cadd(' ')) return false;
    cinsert(1);
    return true;
}

// Takes `n` bytes at the cursor out of the line without saving them.
void cutbytes(int32_t n) {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    int64_t from = curptr();
    int64_t end = endptr();
    for (int64_t p = from; p + n < end; ++p)
        textbase[p] = textbase[p + n];
    for (int64_t p = end - n; p < end; ++p)
        textbase[p] = FREEBYTE;
    l->length -= n;
    c.charcount -= n;
}

// Record typing class of a byte: 2 other, 3 digit, 4 letter, 5 y/n, 6 '-'.
int charclass(int ch) {
    if (ch == 'y' || ch == 'n') return 5;
    if (ch == '-') return 6;
    int code = intran[static_cast<size_t>(ch & 0xFF)];
    if (code == CODE_OTHER || code == CODE_DIGIT || code == CODE_LETTER) return code;
    if (std::isdigit(ch)) return 3;
    if (std::isalpha(ch)) return 4;
    return 2;
}

bool allowed(int cls, char ftype_) {
    if (ftype_ < 'b' || ftype_ > 'j') ftype_ = 'c';
    return checktable[static_cast<size_t>(cls - 2)][static_cast<size_t>(ftype_ - 'b')] != 0;
}

char curfieldtype() {
    return fieldnum >= 1 && fieldnum <= MAXFIELDS ? ftype[fieldnum] : 'c';
}
int32_t curfieldmax() {
    return fieldnum >= 1 && fieldnum <= MAXFIELDS ? maxfieldlen[fieldnum] : 5;
}

// Enters `ch` through `enter` in insert mode; the mode is restored.
template <typename F> void insertwith(int ch, F enter) {
    int32_t saved = mode;
    mode = 2;
    holdch = ch;
    enter();
    mode = saved;
}

} // namespace

// ---- Text lines -----------------------------------------------------------

void xbldtxt() {
    COREFILE& c = cur();
    LINE* l = curln();
    if (!holdstext(l) || (holdch & 0xFF) == FREEBYTE) return;
    if (dectabflag != 0 && dtstate != 0) {
        entered = decbldtxt();
        return;
    }
    if (c.curcol > l->length || mode != 2) {
        extline();
        l = curln();
        if (c.curcol > l->length) return; // the heap is exhausted
        redisplay = RP_ECHO;
        if (c.curcol == rmargin && c.curcol == l->length) ibeep();
    } else {
        if (!opengap()) return;
        l = curln();
        redisplay = RP_ROW;
        if (l->length >= rmargin) ibeep();
    }
    textbase[curptr()] = static_cast<unsigned char>(holdch);
    entered = true;
    if (c.curcol == rightcol) ibeep();
    if (autowrapflag != 0 && c.curcol > rmargin && c.curcol == curln()->length &&
        (holdch & 0xFF) != ' ')
        autowrap();
}

void bldtxt() {
    entered = false;
    xbldtxt();
    if (entered) curright();
}

void rubtxt() {
    COREFILE& c = cur();
    LINE* l = curln();
    if (!holdstext(l)) return;
    detrline();
    if (l->length == 0 && c.curcol == 1) {
        if (l->down == c.header) return;
        LINE* next = l->down;
        bool top = c.disln == l;
        removeline();
        c.lnptr = next;
        if (top) c.disln = next;
        redisplay = RP_ROWDOWN;
        return;
    }
    if (c.curcol > l->length + 1) {
        c.curcol -= 1;
        return;
    }
    if (c.curcol == l->length + 1) c.curcol -= 1;
    cremove(1);
    redisplay = RP_ROW;
}

void copytxt() {
    int b = undercursor();
    savechar(b < 0 ? ' ' : b);
    curright();
}

void rectxt() {
    int ch = 0;
    if (!popchar(ch)) return;
    insertwith(ch, xbldtxt);
}

void recword() {
    if (!ringholds(UNITMARK)) return;
    int ch = 0;
    bool any = false;
    while (popchar(ch) && ch != UNITMARK) {
        insertwith(ch, xbldtxt);
        any = true;
    }
    if (any) redisplay = RP_ROW;
}

// ---- Record lines ---------------------------------------------------------

bool xbldrec() {
    COREFILE& c = cur();
    LINE* l = curln();
    int ch = holdch & 0xFF;
    if (l->object != K_RECORD || ch == '|' || ch == FREEBYTE) return false;
    if (c.curcol > l->length + 1) c.curcol = l->length + 1;
    if (c.curcol < 1) c.curcol = 1;
    findfield();
    if (!allowed(charclass(ch), curfieldtype())) return false;

    bool atend = c.curcol == l->length + 1 || byteat(curptr()) == '|';
    bool isfull = fieldsiz >= curfieldmax();
    int situation = (mode == 2 ? 1 : 0) | (atend ? 2 : 0) | (isfull ? 4 : 0);
    switch (situation) {
    case 0:
    case 4:
        redisplay = RP_ECHO;
        break;
    case 1:
    case 2:
    case 3:
        if (!opengap()) return false;
        redisplay = RP_FIELD;
        break;
    case 5:
        rctrunc();
        ibeep();
        redisplay = RP_FIELD;
        break;
    default: // at the end of a full field
        return false;
    }
    textbase[curptr()] = static_cast<unsigned char>(ch);
    return true;
}

void bldrec() {
    if (xbldrec()) curright();
}

void rubrec() {
    LINE* l = curln();
    if (l->object != K_RECORD || l->length == 0) return;
    findfield();
    int b = undercursor();
    if (b < 0 || b == '|' || curfieldtype() == 'g') {
        curleft();
        return;
    }
    cremove(1);
    redisplay = RP_FIELD;
}

void rubfield() {
    COREFILE& c = cur();
    LINE* l = curln();
    if (l->object != K_RECORD || l->length == 0) return;
    if (c.curcol > l->length + 1) c.curcol = l->length + 1;
    findfield();
    if (curfieldtype() == 'g') return;
    c.curcol = static_cast<int32_t>(recptr - l->index) + 1;
    savechar(UNITMARK);
    erasefield();
    redisplay = RP_FIELD;
}

void copyfield() {
    COREFILE& c = cur();
    LINE* l = curln();
    if (l->object != K_RECORD || l->length == 0) return;
    int32_t saved = c.curcol;
    if (c.curcol > l->length + 1) c.curcol = l->length + 1;
    findfield();
    c.curcol = saved;
    savechar(UNITMARK);
    for (int64_t p = recptr; p < endptr() && byteat(p) != '|'; ++p)
        savechar(byteat(p));
}

void recrec() {
    int ch = 0;
    if (!popchar(ch)) return;
    insertwith(ch, [] { xbldrec(); });
}

void recfield() {
    if (!ringholds(UNITMARK)) return;
    int ch = 0;
    while (popchar(ch) && ch != UNITMARK)
        insertwith(ch, [] { xbldrec(); });
    redisplay = RP_FIELD;
}

// ---- New lines ------------------------------------------------------------

void makeobject() {
    switch (cur().viewtype) {
    case 1:
    case 2:
        makerec();
        break;
    case 4:
        makegraph();
        break;
    default:
        break;
    }
}

void makerec() {
    LINE* l = curln();
    if (!holdstext(l)) return;
    adopt(K_RECORD);
    for (int32_t i = 0; i < numfields; ++i)
        if (!cadd('|')) break;
    curln()->object = K_RECORD;
}

void makegraph() {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (l == c.header || l->object != K_EMPTY) return;
    l->object = K_PICTURE;
    l->index = 0; // handle of a new empty picture; the picture layer keeps none
    l->length = 0;
    c.curflag = 2;
}

// ---- Formula lines --------------------------------------------------------

void insmath(const unsigned char* text, int32_t length) {
    COREFILE& c = cur();
    if (!holdstext(curln()) || length <= 0) return;
    for (int32_t i = 0; i < length; ++i)
        if (text[i] == FREEBYTE) return;
    // The gap opens at the cursor; a cursor beyond the end is padded up to it.
    while (curln()->length < c.curcol - 1)
        if (!cadd(' ')) return;
    int32_t added = 0;
    for (; added < length; ++added)
        if (!cadd(' ')) break;
    if (added < length) { // no room: give the blanks back
        LINE* l = curln();
        for (int32_t i = 0; i < added; ++i)
            textbase[l->index + l->length - 1 - i] = FREEBYTE;
        l->length -= added;
        c.charcount -= added;
        return;
    }
    cinsert(length);
    int64_t p = curptr();
    for (int32_t i = 0; i < length; ++i)
        textbase[p + i] = text[i];
}

void insnode(int32_t kind, const char* text) {
    (void)kind; // node kinds belong to the graphic formula display
    if (!holdstext(curln())) return;
    adopt(K_FORMULA);
    std::string node;
    node += static_cast<char>(MATH_NODE);
    node += text;
    node += static_cast<char>(MATH_NODE);
    insmath(reinterpret_cast<const unsigned char*>(node.data()), static_cast<int32_t>(node.size()));
}

void bldmath() {
    COREFILE& c = cur();
    LINE* l = curln();
    if (c.curflag == 2) c.curflag = 1;
    if (c.curflag != 1 || !holdstext(l) || (holdch & 0xFF) == FREEBYTE) {
        redisplay = RP_ALL;
        return;
    }
    int ch = holdch & 0xFF;
    if (type == CODE_MATHINSERT || mode == 2 || undercursor() == MATH_NODE) {
        static const char one[] = {static_cast<char>(MATH_CELL), 0};
        static const char two[] = {static_cast<char>(MATH_CELL), static_cast<char>(MATH_CELL), 0};
        switch (ch) {
        case 230:
            insnode(0, one);
            break;
        case 228:
        case 233:
        case '!':
            insnode(0, two);
            break;
        case 226:
        case 227:
        case 229:
        case '(':
        case '{':
            insnode(0, "");
            break;
        default: {
            unsigned char b = static_cast<unsigned char>(ch);
            insmath(&b, 1);
            rightm();
            break;
        }
        }
    } else {
        if (c.curcol > l->length + 1) extline();
        if (c.curcol == curln()->length + 1) {
            if (cadd(ch)) rightm();
        } else if (c.curcol <= curln()->length) {
            textbase[curptr()] = static_cast<unsigned char>(ch);
            rightm();
        }
    }
    redisplay = RP_ALL;
}

void rubmath() {
    COREFILE& c = cur();
    LINE* l = curln();
    if (!holdstext(l)) return;
    if (c.curflag == 1) {
        int b = undercursor();
        if (b == MATH_NODE || b < 0)
            curleft();
        else
            cremove(1);
        redisplay = RP_ALL;
        return;
    }
    if (c.curflag != 2 || (c.curcol == 1 && l->length > 0) || undercursor() < 0 ||
        undercursor() == MATH_NODE)
        return;
    // The item runs from the cursor to the next cell separator or node
    // delimiter; it moves to a new formula line below.
    int64_t from = curptr();
    int32_t n = 0;
    while (from + n < endptr() && byteat(from + n) != MATH_CELL && byteat(from + n) != MATH_NODE)
        ++n;
    if (n == 0 || reserve == nullptr) return;
    std::string item(reinterpret_cast<const char*>(&textbase[from]), static_cast<size_t>(n));
    cutbytes(n);
    LINE* here = curln();
    int32_t col = c.curcol;
    if (!allocln(K_EMPTY, 0)) return;
    adopt(K_FORMULA);
    for (char b : item)
        cadd(static_cast<unsigned char>(b));
    c.lnptr = here;
    c.curcol = col;
    redisplay = RP_ALL;
}

void recmath() {
    COREFILE& c = cur();
    LINE* l = curln();
    LINE* next = l->down;
    if (next == c.header || !holdstext(l)) return;
    if (next->object != K_TEXT && next->object != K_FORMULA && next->object != K_EMPTY) return;
    std::string text;
    if (next->object != K_EMPTY)
        text.assign(reinterpret_cast<const char*>(&textbase[next->index]),
                    static_cast<size_t>(next->length));
    int64_t before = c.charcount;
    if (!text.empty()) {
        insmath(reinterpret_cast<const unsigned char*>(text.data()),
                static_cast<int32_t>(text.size()));
        if (c.charcount == before) return; // no room: keep both lines as they are
    }
    l = curln();
    if (next->object == K_FORMULA && (l->object == K_TEXT || l->object == K_EMPTY))
        adopt(K_FORMULA);
    bool top = c.disln == next;
    c.lnptr = next;
    removeline();
    c.lnptr = l;
    if (top) c.disln = l;
    redisplay = RP_ALL;
}

namespace {

// The table whose mark (245) is under the cursor: the node that follows the
// mark, from its opening delimiter to its closing one.  False when the bytes
// after the mark are not a node.
bool tablespan(int64_t& open, int64_t& close) {
    if (cur().curflag != 3 || undercursor() != MATH_TABLE) return false;
    int64_t p = curptr() + 1;
    int64_t end = endptr();
    if (p >= end || byteat(p) != MATH_NODE) return false;
    open = p;
    for (int64_t q = p + 1; q < end; ++q)
        if (byteat(q) == MATH_NODE) {
            close = q;
            return true;
        }
    return false;
}

// Inserts `bytes` at heap offset `at` of the current line (cursor kept).
void insertat(int64_t at, const std::string& bytes) {
    COREFILE& c = cur();
    int32_t saved = c.curcol;
    c.curcol = static_cast<int32_t>(at - curln()->index) + 1;
    insmath(reinterpret_cast<const unsigned char*>(bytes.data()),
            static_cast<int32_t>(bytes.size()));
    c.curcol = saved;
}

} // namespace

void instabrow() {
    int64_t open = 0, close = 0;
    if (!tablespan(open, close)) return;
    int32_t cols = 1;
    for (int64_t q = open + 1; q < close && byteat(q) != MATH_ROW; ++q)
        if (byteat(q) == MATH_CELL) ++cols;
    std::string row(1, static_cast<char>(MATH_ROW));
    row.append(static_cast<size_t>(cols - 1), static_cast<char>(MATH_CELL));
    insertat(close, row);
    redisplay = RP_ALL;
}

void instabcol() {
    int64_t open = 0, close = 0;
    if (!tablespan(open, close)) return;
    // One cell separator at the end of every row, last row first so that the
    // earlier offsets stay valid.
    int64_t base = curln()->index;
    std::string sep(1, static_cast<char>(MATH_CELL));
    std::vector<int64_t> ends;
    for (int64_t q = open + 1; q < close; ++q)
        if (byteat(q) == MATH_ROW) ends.push_back(q - base);
    ends.push_back(close - base);
    for (auto it = ends.rbegin(); it != ends.rend(); ++it)
        insertat(curln()->index + *it, sep);
    redisplay = RP_ALL;
}

void resettyping() {}

} // namespace oxa
