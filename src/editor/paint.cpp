// Painting the text window through the front-end messages.
#include "editor/paint.hpp"

#include <algorithm>
#include <cstdint>

#include <cstdio>
#include <cstring>

#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/motion.hpp"
#include "editor/repaint.hpp"

namespace oxa {

int32_t redisplay = RP_NONE;

namespace {

// The field layout used without a template.
struct layout {
    std::array<int32_t, MAXFIELDS + 1> row, col, len;
    std::array<char, MAXFIELDS + 1> type;
};
constexpr layout gridlayout() {
    layout l{};
    for (int n = 1; n <= MAXFIELDS; ++n) {
        l.row[n] = (n - 1) / 6 + 3;
        l.col[n] = 8 * ((n - 1) % 6) + 2;
        l.len[n] = 5;
        l.type[n] = 'c';
    }
    return l;
}
constexpr layout grid = gridlayout();

} // namespace

std::array<int32_t, MAXFIELDS + 1> frow = grid.row;
std::array<int32_t, MAXFIELDS + 1> fcol = grid.col;
std::array<int32_t, MAXFIELDS + 1> maxfieldlen = grid.len;
std::array<char, MAXFIELDS + 1> ftype = grid.type;
int32_t numfields = 10;

void (*showregister)() = nullptr;
void (*showchecks)() = nullptr;

void deftemplate() {
    frow = grid.row;
    fcol = grid.col;
    maxfieldlen = grid.len;
    ftype = grid.type;
    numfields = 10;
}

namespace {

// The current line can be edited in the current object type.
bool compatible() {
    return (cureditmask & curviewmask) != 0;
}

bool starred(const LINE* line) {
    const COREFILE& c = cur();
    return line != nullptr && (line == c.starA || line == c.starB);
}

// Screen row of the cursor's line.
int32_t cursorrow() {
    return windowtop + distance(cur().disln, cur().lnptr);
}

bool inwindow(int32_t row) {
    return row >= windowtop && row <= windowend;
}

// Sideways scroll: keeps curcol within pshift+1 .. rightcol, moving the view
// by multiples of shiftc.
void sideways() {
    const int32_t col = cur().curcol;
    if (col <= pshift || col > rightcol) {
        // The least whole number of steps that brings the column into view.
        const int64_t step = shiftc > 0 ? shiftc : 1;
        const int64_t steps = col > swidth ? (int64_t{col} - swidth + step - 1) / step : 0;
        rightcol = static_cast<int32_t>(std::min<int64_t>(swidth + steps * step, INT32_MAX));
        pshift = rightcol - swidth;
        redisplay = RP_RULER;
    }
}

// The character just typed, at the cursor.
void echo() {
    putch(holdch);
}

} // namespace

void putstg(int32_t row, int64_t index, int32_t n) {
    if (xvdrops(wire::kind::row)) return;
    int len = std::snprintf(xvmsg.data(), xvmsg.size(), "%s%d,", wire::code(wire::kind::row), row);
    if (len < 0) return;
    for (int32_t i = 0; i < n && len < XVMSGSIZE - 1 && index >= 0 && index + i < HEAPSIZE; ++i)
        xvmsg[len++] = static_cast<char>(wirechar(textbase[index + i]));
    xvmsg[len] = '\0';
    xvtransmit(xvmsg.data());
}

void wrline(LINE* line, int32_t row) {
    if (xvdrops(wire::kind::row)) return;
    const COREFILE& c = cur();
    const bool header = line == nullptr || line == c.header;
    const int32_t kind = header ? K_TEXT : line->object;
    // A picture line's index is a handle: it has no bytes in the heap.
    const int32_t length = header || kind == K_PICTURE ? 0 : line->length;
    char f1 = pshift != 0 ? '-' : ' ';
    char f2 = f1;
    if (kind != K_TEXT && kind != K_EMPTY) {
        f1 = '\\';
        if (kind == K_PICTURE) f2 = 'p';
        if (kind == K_FORMULA) f2 = 'm';
        if (kind == K_RECORD) f2 = 'r';
    }
    int32_t n = length - pshift;
    if (n < 0) n = 0;
    if (n > swidth) {
        n = swidth;
        if (kind == K_TEXT) f2 = '+';
    }
    if (!header && starred(line)) f1 = '*';
    std::snprintf(xvmsg.data(), xvmsg.size(), "%s%d,%c%c", wire::code(wire::kind::rowflags), row, f1,
                  f2);
    xvtransmit(xvmsg.data());
    if (flagsonly(redisplay)) return;
    if (n == 0) {
        std::snprintf(xvmsg.data(), xvmsg.size(), "%s%d", wire::code(wire::kind::row), row);
        xvtransmit(xvmsg.data());
    } else {
        putstg(row, line->index + pshift, n);
    }
}

void wrtext(LINE* line, int32_t row) {
    if (xvdrops(wire::kind::row)) return;
    LINE* header = cur().header;
    for (; row <= windowend; ++row) {
        wrline(line, row);
        if (line != nullptr && line != header) line = line->down;
    }
}

void distxt() {
    sideways();
    if (visible) {
        COREFILE& c = cur();
        const int32_t row = cursorrow();
        switch (redisplay) {
        case RP_ALL:
        case RP_SCROLLUP:
        case RP_SCROLLDOWN:
        case RP_FLAGS:
            wrtext(c.disln, windowtop);
            break;
        case RP_ECHO:
            echo();
            break;
        case RP_ROW:
        case RP_FIELD:
        case RP_FLAGROW:
            if (inwindow(row)) wrline(c.lnptr, row);
            break;
        case RP_ROWDOWN:
            if (inwindow(row)) wrtext(c.lnptr, row);
            break;
        case RP_RULER:
            prtabs();
            wrtext(c.disln, windowtop);
            break;
        case RP_ROWABOVE:
            if (inwindow(row - 1) && c.lnptr->up != c.header) wrline(c.lnptr->up, row - 1);
            if (inwindow(row)) wrline(c.lnptr, row);
            break;
        case RP_ROWBELOW:
            if (inwindow(row)) wrline(c.lnptr, row);
            if (inwindow(row + 1)) wrline(c.lnptr->down, row + 1);
            break;
        default:
            break;
        }
    }
    redisplay = RP_NONE;
}

void disfield(int32_t field, int64_t& pos, int64_t end) {
    if (field < 1 || field > MAXFIELDS) return;
    int len = std::snprintf(xvmsg.data(), xvmsg.size(), "%s%d,%d,%d,", wire::code(wire::kind::field),
                            frow[field], fcol[field], maxfieldlen[field]);
    if (len < 0) return;
    const bool show = compatible();
    while (pos < end && textbase[pos] != '|') {
        if (show && len < XVMSGSIZE - 1) xvmsg[len++] = static_cast<char>(wirechar(textbase[pos]));
        ++pos;
    }
    if (pos < end) ++pos; // past the '|'
    xvmsg[len] = '\0';
    xvtransmit(xvmsg.data());
}

void wfield() {
    findfield();
    const LINE* l = cur().lnptr;
    int64_t pos = recptr;
    disfield(fieldnum, pos, l->index + l->length);
}

void wflag() {
    const char f1 = starred(cur().lnptr) ? '*' : ' ';
    const char f2 = compatible() ? ' ' : 'I';
    std::snprintf(xvmsg.data(), xvmsg.size(), "%s%c%c", wire::code(wire::kind::lineflags), f1, f2);
    xvtransmit(xvmsg.data());
}

void wrecord() {
    const COREFILE& c = cur();
    const LINE* l = c.lnptr;
    const bool ok = compatible();
    if (!ok) {
        wrline(c.lnptr, 2);
    } else {
        std::snprintf(xvmsg.data(), xvmsg.size(), "%s%d", wire::code(wire::kind::row), 2);
        xvtransmit(xvmsg.data());
        wflag();
    }
    int64_t pos = l->index;
    const int64_t end = l->index + l->length;
    for (int32_t field = 1; field <= MAXFIELDS && pos < end; ++field) {
        if (!ok && field > numfields) break;
        disfield(field, pos, end);
    }
}

void disrec() {
    if (visible) {
        switch (redisplay) {
        case RP_ALL:
        case RP_SCROLLUP:
        case RP_SCROLLDOWN:
        case RP_ROW:
        case RP_ROWDOWN:
            wrecord();
            break;
        case RP_ECHO:
            echo();
            break;
        case RP_FIELD:
            wfield();
            break;
        case RP_FLAGROW:
        case RP_FLAGS:
            wflag();
            break;
        default:
            break;
        }
    }
    redisplay = RP_NONE;
}

void disgraph() {
    if (visible && redisplay != RP_NONE) {
        if (cur().lnptr->object == K_PICTURE)
            wflag();
        else
            wrline(cur().lnptr, 2);
    }
    redisplay = RP_NONE;
}

void dismath() {
    if (visible && redisplay != RP_NONE) {
        if (redisplay == RP_FLAGROW || redisplay == RP_FLAGS || compatible())
            wflag();
        else
            wrline(cur().lnptr, 2);
    }
    redisplay = RP_NONE;
}

void display() {
    if (redisplay == RP_REGISTER) {
        if (showregister != nullptr) showregister();
        redisplay = RP_NONE;
    } else if (redisplay == RP_CHECKS) {
        if (showchecks != nullptr) showchecks();
        redisplay = RP_NONE;
    }
    setviewmask();
    switch (cur().viewtype) {
    case 2:
    case 7:
        disrec();
        break;
    case 4:
        disgraph();
        break;
    case 6:
        dismath();
        break;
    default:
        distxt();
        break;
    }
}

void discur() {
    setviewmask();
    COREFILE& c = cur();
    const bool ok = compatible();
    switch (c.viewtype) {
    case 2:
    case 7:
        if (!ok) {
            postcur(1, 2);
        } else {
            findfield();
            const int64_t curptr = c.lnptr->index + c.curcol - 1;
            const int32_t f = fieldnum <= MAXFIELDS ? fieldnum : MAXFIELDS;
            postcur(static_cast<int32_t>(curptr - recptr) + fcol[f], frow[f]);
        }
        break;
    case 4:
    case 6:
        if (!ok) postcur(1, 2);
        break;
    default:
        if (c.viewtype == 5) {
            if (c.curflag == 2) {
                putstring("BLUE", 'M');
            } else if (c.curflag == 1) {
                putstring("RED", 'M');
            } else if (c.curflag == 3) {
                // Composed without a protocol code: the transmitter drops it.
                std::snprintf(xvmsg.data(), xvmsg.size(), "GREEN %d %d", greeny, greenx);
                xvtransmit(xvmsg.data());
            }
        }
        postcur(ok ? c.curcol - pshift + 1 : 1, cursorrow());
        break;
    }
}

void resetpaint() {
    resetwindow();
    redisplay = RP_NONE;
    deftemplate();
    showregister = nullptr;
    showchecks = nullptr;
}

} // namespace oxa
