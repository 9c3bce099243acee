// Cursor motion, margins, tab stops and the tab ruler.
#include "editor/motion.hpp"

#include <algorithm>
#include <string>

#include "editor/commands.hpp"
#include "editor/corefiles.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"
#include "editor/terminal.hpp"
#include "editor/typing.hpp"

namespace oxa {

int32_t greenx = 0;
int32_t greeny = 0;
int32_t dtstate = 0;

namespace {

// Bytes of formula lines met by the formula cursor.
constexpr unsigned char NODEMARK = 0xF5;
constexpr unsigned char NODEDELIM = 0xF6;

// Repaint levels left by motion.

bool textkind(const LINE* l) { return l->object == K_TEXT || l->object == K_EMPTY; }

unsigned char kindof(int ch) { return charkind[static_cast<unsigned char>(ch)]; }

// The byte under the cursor, or -1 when the cursor stands beyond the text.
int cursorbyte() {
    const COREFILE& c = cur();
    if (c.curcol < 1 || c.curcol > c.lnptr->length) return -1;
    return textbase[c.lnptr->index + c.curcol - 1];
}

// Adds an empty line below the cursor line and makes it current.  Returns
// false (nothing added) when no line header can be had.
bool addemptyline() {
    if (!allocln(K_EMPTY, 0)) return false;
    makeobject();
    cur().edited = 1;
    return true;
}

// Column and cursor mode after a vertical move.
void aftervertical() {
    COREFILE& c = cur();
    if (!textkind(c.lnptr)) c.curcol = 1;
    c.curflag = 1;
}

// Steps `n` lines from `from` (down for n > 0, up for n < 0), stopping at the
// first or last line.
LINE* steplines(LINE* from, int32_t n) {
    const LINE* h = cur().header;
    LINE* p = from;
    for (; n > 0 && p->down != h; --n) p = p->down;
    for (; n < 0 && p->up != h; ++n) p = p->up;
    return p;
}

// Makes `l` the cursor line and the top window line.
void anchor(LINE* l) {
    COREFILE& c = cur();
    c.lnptr = l;
    c.disln = l;
    redisplay = RP_ALL;
}

void setcolumn(int64_t col) {
    cur().curcol = boundcol(col);
}

// POSITION line column, both already checked.
void positionto(int32_t line, int32_t col) {
    COREFILE& c = cur();
    // Counted from the header: 1 is the first line, -1 the last.
    if (line != 0) anchor(steplines(c.header, line));
    setcolumn(col >= 1 ? col : int64_t{col} + c.lnptr->length + 1);
}

}  // namespace

int32_t boundcol(int64_t col) {
    return static_cast<int32_t>(std::clamp<int64_t>(col, 1, MAXCOLUMN));
}

int32_t nexttab(int32_t c) {
    if (c >= MAXCOLUMN) return MAXCOLUMN;
    int32_t n = c + 1;
    if (n <= lmargin) return std::min(lmargin, MAXCOLUMN);
    if (n >= rmargin) return n;
    // Between the margins: the set stops of the table, then every eighth column.
    for (; n < NTABS && n < rmargin; ++n)
        if (tabs[static_cast<size_t>(n)] != 0) return n;
    if (n >= rmargin) return std::min(rmargin, MAXCOLUMN);
    const int32_t eighth = (n + 7) / 8 * 8;
    return std::min({eighth, rmargin, MAXCOLUMN});
}

bool tabcol(int32_t c) {
    if (c < lmargin) return false;
    if (c == lmargin || c >= rmargin) return true;
    if (c < NTABS) return tabs[c] != 0;
    return c % 8 == 0;
}

void mwd() {
    COREFILE& c = cur();
    if (distance(c.disln, c.lnptr) + windowtop > windowend) {
        c.disln = c.disln->down;
        redisplay = RP_SCROLLUP;
    }
}

void fixcursor() {
    COREFILE& c = cur();
    const int32_t vt = c.viewtype;
    if (c.lnptr->object == K_RECORD && (vt == 1 || vt == 2 || vt == 7) &&
        c.curcol > c.lnptr->length)
        c.curcol = c.lnptr->length;
    if (c.curcol < 1) c.curcol = 1;
    if (c.lnptr->object == K_FORMULA && c.curflag == 2 && c.curcol == 1) c.curflag = 1;

    // The cursor line must lie inside the window: look for it at most `depth`
    // rows below the window's first line, else re-anchor the window on it.
    const LINE* l = c.disln;
    bool inside = false;
    for (int32_t row = 0; row < depth && l != c.header; ++row, l = l->down) {
        if (l == c.lnptr) {
            inside = true;
            break;
        }
    }
    if (!inside) {
        c.disln = c.lnptr;
        redisplay = RP_ALL;
    }
}

std::string rulertext() {
    const COREFILE& c = cur();
    std::string msg;
    // The message buffer bounds the ruler of a very wide window.
    for (int32_t col = pshift + 1; col <= rightcol && static_cast<int>(msg.size()) < XVMSGSIZE - 4; ++col) {
        char ch = '.';
        if (tabcol(col) && col < rmargin) ch = '!';
        if (col == lmargin) ch = '<';
        if (col == rmargin) ch = lmargin == rmargin ? '+' : '>';
        if (col == c.cstarA || col == c.cstarB) ch = '*';
        msg += ch;
    }
    return msg;
}

void prtabs() { xvtransmit((wire::status('t') + rulertext()).c_str()); }

// ---------------------------------------------------------------------------
// Character and line motion.

void curleft() {
    COREFILE& c = cur();
    if (c.curcol > 1) --c.curcol;
}

void curright() {
    COREFILE& c = cur();
    if (c.curcol < MAXCOLUMN) ++c.curcol;
}

void downline() {
    COREFILE& c = cur();
    if (c.lnptr->down == c.header) {
        if (addemptyline()) redisplay = RP_ROW;
    } else {
        c.lnptr = c.lnptr->down;
    }
    aftervertical();
    mwd();
}

void upline() {
    COREFILE& c = cur();
    if (c.lnptr->up == c.header) {
        LINE* first = c.lnptr;
        c.lnptr = c.header;
        if (addemptyline()) {
            c.disln = c.lnptr;
            redisplay = RP_SCROLLDOWN;
        } else {
            c.lnptr = first;
        }
    } else {
        if (c.lnptr == c.disln) {
            c.disln = c.disln->up;
            redisplay = RP_SCROLLDOWN;
        }
        c.lnptr = c.lnptr->up;
    }
    aftervertical();
}

void up_page() {
    COREFILE& c = cur();
    for (int32_t i = 0; i < depth && c.disln->up != c.header; ++i) c.disln = c.disln->up;
    c.lnptr = c.disln;
    redisplay = RP_ALL;
}

void downpage() {
    COREFILE& c = cur();
    for (int32_t i = 0; i < depth && c.disln->down != c.header; ++i) c.disln = c.disln->down;
    c.lnptr = c.disln;
    redisplay = RP_ALL;
}

// Record views 2 and 6 repaint the whole window after a vertical move.
static void recordrepaint() {
    if ((1u << cur().viewtype) & (0x04u | 0x40u)) redisplay = RP_ALL;
}

void uprec() {
    upline();
    recordrepaint();
}

void downrec() {
    downline();
    recordrepaint();
}

void retrn() {
    COREFILE& c = cur();
    if (crinsert == 0 && mode == 2) {
        insline();
    } else if (crinsert == 2 && distance(c.disln, c.lnptr) + windowtop == windowend) {
        downpage();
    } else {
        downline();
    }
    c.curcol = textkind(c.lnptr) ? lmargin : 1;
}

void begline() { cur().curcol = 1; }

void endline() {
    detrline();
    cur().curcol = cur().lnptr->length + 1;
}

// ---------------------------------------------------------------------------
// Record fields.

void downfield() {
    COREFILE& c = cur();
    const LINE* l = c.lnptr;
    for (int32_t col = c.curcol < 1 ? 1 : c.curcol; col < l->length; ++col) {
        if (textbase[l->index + col - 1] == '|') {
            c.curcol = col + 1;
            return;
        }
    }
}

void upfield() {
    COREFILE& c = cur();
    const LINE* l = c.lnptr;
    if (c.curcol <= 1) return;
    // The bars before the cursor: the last one opens the cursor's field, the
    // one before it the field in front.
    int32_t last = 0, before = 0;
    const int32_t end = c.curcol - 1 < l->length ? c.curcol - 1 : l->length;
    for (int32_t col = 1; col <= end; ++col) {
        if (textbase[l->index + col - 1] == '|') {
            before = last;
            last = col;
        }
    }
    c.curcol = last == 0 ? 1 : before + 1;
}

// ---------------------------------------------------------------------------
// Words and numbers.

void nextwdend() {
    while (!(kindof(peepc()) & SEPCH)) nextc();
}

void nextlett() {
    while (!(kindof(peepc()) & WORDCH)) nextc();
}

void prevwdend() {
    while (!(kindof(peepc()) & SEPCH)) prevc();
}

void prevlett() {
    while (!(kindof(peepc()) & WORDCH)) prevc();
}

void nextword() {
    nextwdend();
    nextlett();
}

void prevword() {
    const COREFILE& c = cur();
    if (lp == c.header) return;
    prevwdend();
    prevlett();
    prevwdend();
    nextc();
    if (lp == c.header) {
        lp = c.header->down;
        cp = 1;
        ++dist;
        if (!(kindof(peepc()) & WORDCH)) nextword();
    }
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

void xnextword() {
    setptr();
    nextword();
    setcur();
}

void xprevword() {
    setptr();
    prevword();
    setcur();
}

void xnextnumx() {
    setptr();
    while (peepc() == ' ') nextc();
    while (kindof(peepc()) & EXPRCH) nextc();
    nextc();
    setcur();
}

// ---------------------------------------------------------------------------
// Tab stops and margins.

void tabcur() {
    cur().curcol = nexttab(cur().curcol);
    dtstate = 1;
}

void tabset() {
    const int32_t col = cur().curcol;
    if (lmargin < col && col < rmargin && col < NTABS) tabs[col] ^= 1;
    prtabs();
}

void marleft() {
    const int32_t col = cur().curcol;
    if (col <= rmargin && col != lmargin) lmargin = col;
    prtabs();
}

void maright() {
    const int32_t col = cur().curcol;
    if (col >= lmargin && col != rmargin) rmargin = col;
    prtabs();
}

// ---------------------------------------------------------------------------
// Formula cursor.  Formula lines carry no node structure in this system, so
// only the text cursor (mode 1) moves; modes 2 and 3 keep the cursor in place.

void leftm() {
    curleft();
    if (cursorbyte() == NODEDELIM) cur().curcol = 1;
    redisplay = RP_FORMULA;
}

void rightm() {
    COREFILE& c = cur();
    if (c.curcol <= c.lnptr->length) ++c.curcol;
    redisplay = RP_FORMULA;
}

void upm() {
    COREFILE& c = cur();
    if (c.curflag == 1 && c.curcol != 1) {
        c.curcol = 1;
        c.curflag = 2;
    }
    redisplay = RP_FORMULA;
}

void downm() {
    COREFILE& c = cur();
    if (c.curflag == 2) c.curflag = 1;
    redisplay = RP_FORMULA;
}

void greencur() {
    COREFILE& c = cur();
    if (c.curflag == 3) {
        c.curflag = 1;
    } else if (cursorbyte() == NODEMARK) {
        c.curflag = 3;
        greenx = 0;
        greeny = 0;
    }
    redisplay = RP_FORMULA;
}

void uprow() { redisplay = RP_FORMULA; }

void downrow() { redisplay = RP_FORMULA; }

// ---------------------------------------------------------------------------
// Commands.

void positchk() {
    if (param[2] == 0) param[2] = cur().curcol;
}

void positn() { positionto(param[1], param[2]); }

void advance() {
    COREFILE& c = cur();
    if (param[1] != 0) anchor(steplines(c.lnptr, param[1]));
    setcolumn(int64_t{c.curcol} + param[2]);
}

void gotobottom() { positionto(-depth, 1); }

void shift() {
    int32_t n = param[1];
    if (n > 69) {
        diserr("Overlap must be less than 70");
        del = 2;
        return;
    }
    if (n == 0) n = 1;
    overlap = n;
    // A step of at least one column keeps the sideways scroll finite when
    // the overlap is not smaller than the window width.
    shiftc = swidth - n > 0 ? swidth - n : 1;
    rightcol = swidth;
    pshift = 0;
    redisplay = RP_ALL;
}

void resetmotion() {
    greenx = 0;
    greeny = 0;
    dtstate = 0;
}

}  // namespace oxa
