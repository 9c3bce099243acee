// File management and further edit operations.
#include "editor/editops.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/encoding.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/processes.hpp"
#include "editor/reformat.hpp"
#include "editor/repaint.hpp"
#include "editor/safewrite.hpp"
#include "editor/store.hpp"
#include "editor/typing.hpp"
#include "editor/undo.hpp"

namespace oxa {

int32_t autowrapflag = 0;
int32_t dectabflag = 0;
int32_t lddel = 0;

// Arms of the line-drawing bytes 15..30.
constexpr std::array<uint8_t, NLDBYTES> stubs = {{
    LD_UP,                            // 15
    LD_RIGHT,                         // 16
    LD_DOWN,                          // 17
    LD_LEFT,                          // 18
    0,                                // 19
    LD_LEFT | LD_RIGHT,               // 20
    LD_DOWN | LD_UP,                  // 21
    LD_LEFT | LD_DOWN | LD_RIGHT | LD_UP, // 22
    LD_LEFT | LD_UP,                  // 23
    LD_RIGHT | LD_UP,                 // 24
    LD_LEFT | LD_DOWN,                // 25
    LD_DOWN | LD_RIGHT,               // 26
    LD_LEFT | LD_RIGHT | LD_UP,       // 27
    LD_LEFT | LD_DOWN | LD_RIGHT,     // 28
    LD_LEFT | LD_DOWN | LD_UP,        // 29
    LD_DOWN | LD_RIGHT | LD_UP,       // 30
}};
static_assert(stubs.size() == 16);

// The byte of each arm set 0..15.
constexpr std::array<uint8_t, NLDBYTES> asc = {{
    32, 18, 17, 25, 16, 20, 26, 28, 15, 23, 21, 29, 24, 27, 30, 22,
}};
static_assert(asc.size() == 16);

namespace {

// Each cycle is a run of bytes; each maps to the next, the last to the first.
constexpr std::array<uint8_t, 256> makeflip() {
    std::array<uint8_t, 256> f{};
    for (int c = 0; c < 256; ++c)
        f[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
    for (int c = 'A'; c <= 'Z'; ++c) {
        f[static_cast<size_t>(c)] = static_cast<uint8_t>(c + 32);
        f[static_cast<size_t>(c + 32)] = static_cast<uint8_t>(c);
    }
    const std::array<std::array<int, 13>, 6> cycles = {{
        {0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, -1},
        {0xC8, 0xC9, 0xCA, 0xCB, 0xE8, 0xE9, 0xEA, 0xEB, -1},
        {0xCC, 0xCD, 0xCE, 0xCF, 0xEC, 0xED, 0xEE, 0xEF, -1},
        {0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, -1},
        {0xD9, 0xDA, 0xDB, 0xDC, 0xF9, 0xFA, 0xFB, 0xFC, -1},
        {0xC7, 0xE7, -1},
    }};
    for (const auto& cyc : cycles) {
        int n = 0;
        while (n < 13 && cyc[static_cast<size_t>(n)] >= 0)
            ++n;
        for (int i = 0; i < n; ++i)
            f[static_cast<size_t>(cyc[static_cast<size_t>(i)])] =
                static_cast<uint8_t>(cyc[static_cast<size_t>((i + 1) % n)]);
    }
    return f;
}

// Repaint levels.

constexpr int LINEDRAWTYPE = 3; // the object type of line drawing
constexpr unsigned char WORDMARK = '\\';

constexpr const char* MSG_EMPTYCURRENT = "Empty current file name";
constexpr const char* MSG_EMPTYDEST = "Empty destination file name";
constexpr const char* MSG_OVERWRITE = " Overwrite file:%s?";
constexpr const char* MSG_NORENAME = "Unable to rename %s to %s: %s";
constexpr const char* MSG_NOMOVE = "Unable to move %s to %s: %s";
constexpr const char* MSG_EMPTYNAME = "Empty filename";
constexpr const char* MSG_NOTSAVED = "File not saved, do the SAve command first";
constexpr const char* MSG_NOLISTFILE = "Input file name not specified and No Work file name";
constexpr const char* MSG_NOLIST = "Error in executing LIST: command not found?";

// The number the list program is given for a missing initialisation file.
constexpr const char* LISTINIT = "list.init";
constexpr const char* LISTPROGRAM = "list";

// A line that holds (or may be given) text.
bool textline(const LINE* l) {
    return l != cur().header && (l->object == K_TEXT || l->object == K_EMPTY);
}

// The byte at column `col` of line `l`, or -1 beyond its text.
int byteat(const LINE* l, int32_t col) {
    if (l == cur().header || l->object == K_EMPTY || l->object == K_PICTURE ||
        l->object == K_DEAD || col < 1 || col > l->length)
        return -1;
    return textbase[static_cast<size_t>(l->index + col - 1)];
}

int cursorbyte() {
    return byteat(cur().lnptr, cur().curcol);
}

bool exists(const char* name) {
    struct stat st {};
    return ::stat(name, &st) == 0;
}

// A decimal-tab character: part of the number being entered.
bool numberchar(int c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '(' || c == '$';
}

} // namespace

constexpr std::array<uint8_t, 256> flip = makeflip();

int ldarms(int byte) {
    if (byte < LDFIRST || byte >= LDFIRST + NLDBYTES) return 0;
    return stubs[static_cast<size_t>(byte - LDFIRST)];
}

// ---- Commands --------------------------------------------------------------

namespace {
void reportundo(UndoResult r, const char* none) {
    switch (r) {
    case UndoResult::done:
        break;
    case UndoResult::nothing:
        progress(none);
        break;
    case UndoResult::mismatch:
        progress("The text no longer matches the undo history: history cleared");
        break;
    case UndoResult::noroom:
        diserr("No room in the store to undo; save and clear a corefile");
        break;
    }
}
} // namespace

void undoop() {
    reportundo(undostep(), "Nothing to undo");
}

void redoop() {
    reportundo(redostep(), "Nothing to redo");
}

void newname() {
    if (curfile[0] == '\0') {
        diserr(MSG_EMPTYCURRENT);
        return;
    }
    if (targetstring[0] == '\0') {
        diserr(MSG_EMPTYDEST);
        return;
    }
    const std::string from = curfile.data();
    const std::string to = targetstring.data();
    const std::string osfrom = osname(from.c_str());
    const std::string osto = osname(to.c_str());
    struct stat st {};
    if (::lstat(osto.c_str(), &st) == 0) {
        std::array<char, 128> msg{};
        std::snprintf(msg.data(), msg.size(), MSG_OVERWRITE, to.c_str());
        if (diserr(msg.data()) == 2) return;
    }
    // The names go to the system as they are: no shell reads them.  A move
    // to another file system copies the file and removes the old one only
    // when the copy is safely written.
    if (::rename(osfrom.c_str(), osto.c_str()) != 0) {
        int err = errno;
        std::array<char, 256> msg{};
        if (err != EXDEV) {
            std::snprintf(msg.data(), msg.size(), MSG_NORENAME, from.c_str(), to.c_str(),
                          std::strerror(err));
            diserr(msg.data());
            del = 2;
            return;
        }
        if (!movefile(osfrom.c_str(), osto.c_str(), err)) {
            std::snprintf(msg.data(), msg.size(), MSG_NOMOVE, from.c_str(), to.c_str(),
                          failreason(err).c_str());
            diserr(msg.data());
            del = 2;
            return;
        }
    }
    std::snprintf(curfile.data(), curfile.size(), "%s", to.c_str());
    // A corefile that bore the old name follows its file.
    COREFILE& c = cur();
    if (from == c.filname.data()) {
        std::snprintf(c.filname.data(), c.filname.size(), "%s", to.c_str());
        putfname();
    }
}

// The new text is written first; only when it is safely on the disk does the
// old file take the backup name and the new one the file's name.  A failure
// at any step leaves the file as it was.
void update() {
    COREFILE& c = cur();
    if (c.filname[0] == '\0') {
        diserr(MSG_EMPTYNAME);
        return;
    }
    const std::string name = c.filname.data();
    if (!exists(osname(name.c_str()).c_str())) {
        diserr(MSG_NOTSAVED);
        return;
    }
    const std::string backup = osname(name.c_str()) + ".bak";
    std::snprintf(curfile.data(), curfile.size(), "%s", name.c_str());
    param[2] = 1;
    param[3] = MAXLINENUM;
    putfile(false, backup.c_str());
    if (ioerr == 0) {
        c.edited = 0;
    } else {
        del = 2;
    }
}

void list() {
    std::string file = listfile.data();
    if (file.empty()) file = cur().filname.data();
    if (file.empty()) {
        diserr(MSG_NOLISTFILE);
        return;
    }
    file = osname(file.c_str());
    std::array<std::array<char, 16>, 3> nums{};
    for (size_t i = 0; i < nums.size(); ++i)
        std::snprintf(nums[i].data(), nums[i].size(), "%d", param[i + 2]);
    const std::string init = listinitfile[0] != '\0' ? listinitfile.data() : LISTINIT;
    const char* const args[] = {LISTPROGRAM,     file.c_str(),    nums[0].data(),
                                nums[1].data(), nums[2].data(), init.c_str()};
    if (startprogram(LISTPROGRAM, args) != 0) diserr(MSG_NOLIST);
}

void swautowrap() {
    autowrapflag = param[1] != 0 ? 1 : 0;
}

void decimaltab() {
    dectabflag = param[1] != 0 ? 1 : 0;
    if (dectabflag == 0) dtstate = 0;
}

// ---- Automatic wrap ------------------------------------------------------------

void autowrap() {
    COREFILE& c = cur();
    LINE* typed = c.lnptr;
    // An empty line below ends the paragraph that is filled.
    if (!allocln(K_EMPTY, 0)) return;
    LINE* sentinel = c.lnptr;
    c.lnptr = typed;
    c.curcol = 1;
    reformat();
    LINE* last = sentinel->up;
    c.lnptr = sentinel;
    removeline();
    c.lnptr = last;
    const int32_t len = last->object == K_EMPTY ? 0 : last->length;
    c.curcol = len > 0 ? len : 1;
    if (distance(c.disln, c.lnptr) >= depth) c.disln = c.lnptr;
    redisplay = RP_ALL;
}

// ---- Decimal tabs --------------------------------------------------------------

bool decbldtxt() {
    COREFILE& c = cur();
    if (!textline(c.lnptr)) return false;
    extline();
    LINE* l = c.lnptr;
    if (c.curcol > l->length) return false; // the heap is exhausted
    const int ch = holdch & 0xFF;
    unsigned char* text = &textbase[static_cast<size_t>(l->index)];
    const int32_t col = c.curcol;
    text[col - 1] = static_cast<unsigned char>(ch);
    redisplay = RP_ROW;
    if (!numberchar(ch)) {
        dtstate = 0;
        return true;
    }
    int32_t start = col;
    while (start > 1 && numberchar(text[start - 2]))
        --start;
    // Shift the run one column left; at column 1 its first byte is lost.
    const int32_t dest = start > 1 ? start - 1 : 1;
    const int32_t from = start > 1 ? start : 2;
    for (int32_t i = from; i <= col; ++i)
        text[dest + (i - from) - 1] = text[i - 1];
    text[col - 1] = ' ';
    return false;
}

// ---- Text operations -------------------------------------------------------------

void deline() {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (l == c.header || l->object == K_EMPTY || c.curcol > l->length) return;
    cremove(l->length - c.curcol + 1);
    redisplay = RP_ROWDOWN;
}

void delwordend() {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (l == c.header || l->object == K_EMPTY || l->object == K_PICTURE) return;
    detrline();
    if (c.curcol < 1) return;
    // The word from the cursor and the gap after it go in one removal.
    const unsigned char* text = &textbase[static_cast<size_t>(l->index)];
    auto wordbyte = [&](int32_t col) { return (charkind[text[col - 1]] & WORDCH) != 0; };
    int32_t end = c.curcol;
    while (end <= l->length && wordbyte(end))
        ++end;
    while (end <= l->length && !wordbyte(end))
        ++end;
    if (end == c.curcol) return;
    cremove(end - c.curcol);
    redisplay = RP_ROW;
}

void delword() {
    COREFILE& c = cur();
    const int b = cursorbyte();
    if (b < 0 || (charkind[static_cast<size_t>(b)] & WORDCH) == 0) return;
    while (c.curcol > 1 &&
           (charkind[static_cast<size_t>(byteat(c.lnptr, c.curcol - 1))] & WORDCH) != 0)
        --c.curcol;
    savechar(WORDMARK);
    delwordend();
}

void repchar() {
    COREFILE& c = cur();
    if (c.lnptr == c.header || c.lnptr->up == c.header) return;
    const int above = byteat(c.lnptr->up, c.curcol);
    holdch = above < 0 ? ' ' : above;
    bldtxt();
}

void repline() {
    COREFILE& c = cur();
    if (c.lnptr == c.header || c.lnptr->up == c.header) return;
    const LINE* above = c.lnptr->up;
    const int32_t end = byteat(above, 1) < 0 ? 0 : above->length;
    while (c.curcol <= end) {
        const int32_t before = c.curcol;
        repchar();
        if (c.curcol == before) break; // nothing could be typed
    }
    redisplay = RP_ROW;
}

void flipchar() {
    COREFILE& c = cur();
    const int b = cursorbyte();
    if (b < 0) return;
    if (c.lnptr->object == K_RECORD && b == '|') return;
    textbase[static_cast<size_t>(curptr())] = flip[static_cast<size_t>(b)];
    c.edited = 1;
    redisplay = RP_ROW;
    if (b < 128) curright();
}

void manynulines() {
    COREFILE& c = cur();
    int n = gnum();
    if (n == 0) n = 1;
    LINE* start = c.lnptr;
    for (int i = 0; i < n && full == 0; ++i) {
        if (!allocln(K_EMPTY, 0)) break;
        makeobject();
        c.lnptr = start;
        if (avail > hiaddr || reserve == nullptr) garbage();
    }
    c.edited = 1;
    redisplay = RP_ROWDOWN;
}

// ---- Line drawing ------------------------------------------------------------------

void ldenter() {
    COREFILE& c = cur();
    c.viewtype = LINEDRAWTYPE;
    cureditmask = editmask[LINEDRAWTYPE];
    lddel = 0;
}

void ldexit() {
    COREFILE& c = cur();
    c.viewtype = 0;
    cureditmask = editmask[0];
}

void lddelin() {
    lddel = 1;
}

void lddelout() {
    lddel = 0;
}

void ldmod(int arm) {
    COREFILE& c = cur();
    if (!textline(c.lnptr)) return;
    extline();
    if (c.curcol > c.lnptr->length) return; // the heap is exhausted
    unsigned char& b = textbase[static_cast<size_t>(curptr())];
    int arms = ldarms(b);
    arms = lddel == 0 ? (arms | arm) : (arms & ~arm);
    b = asc[static_cast<size_t>(arms)];
    c.edited = 1;
}

void ldright() {
    if (full != 0) return;
    ldmod(LD_RIGHT);
    curright();
    ldmod(LD_LEFT);
    redisplay = RP_ROW;
}

void ldleft() {
    if (full != 0 || cur().curcol <= 1) return;
    ldmod(LD_LEFT);
    curleft();
    ldmod(LD_RIGHT);
    redisplay = RP_ROW;
}

namespace {

// A vertical line-drawing step: marks the arm toward the next line, moves
// there, and marks the arm back; the row left behind is repainted.
void ldvertical(int toward, int back, void (*move)(), int uncovered) {
    if (full != 0) return;
    COREFILE& c = cur();
    ldmod(toward);
    LINE* was = c.lnptr;
    LINE* top = c.disln;
    const int32_t col = c.curcol;
    redisplay = RP_NONE;
    move();
    if (c.lnptr == was) return;
    c.curcol = col;
    ldmod(back);
    const bool moved = redisplay != RP_NONE || c.disln != top;
    redisplay = moved ? RP_ALL : uncovered;
}

} // namespace

void ldup() { ldvertical(LD_UP, LD_DOWN, upline, RP_ROWBELOW); }

void lddown() { ldvertical(LD_DOWN, LD_UP, downline, RP_ROWABOVE); }

void reseteditops() {
    autowrapflag = 0;
    dectabflag = 0;
    lddel = 0;
}

} // namespace oxa
