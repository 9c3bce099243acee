// The front-end protocol: message composers and the transmitter.
#include "editor/frontend.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/input.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/store.hpp"
#include "editor/templates.hpp"

namespace oxa {

std::array<char, XVMSGSIZE> xvmsg;
int32_t visible = 1;
int32_t bhelp = 0;
std::array<char, SHADOWSIZE> shadow_cmdline;
int32_t shadow_ptr = 0;
int32_t oldcore = -1;
int32_t oldline = -1;
int32_t oldcol = -1;
int32_t oldlncnt = -1;
int32_t oldcoreview = -1;
int32_t wirefull = 0;
namespace {

// Stored bytes 15..30 (19 excepted) stand for accented letters.
struct accentrow {
    unsigned char stored;
    unsigned char sent;
};
constexpr std::array<accentrow, 15> accents = {{
    // stored byte, byte sent
    {15, 238},
    {16, 229},
    {17, 243},
    {18, 247},
    {20, 232},
    {21, 246},
    {22, 227},
    {23, 195},
    {24, 196},
    {25, 194},
    {26, 193},
    {27, 211},
    {28, 206},
    {29, 197},
    {30, 215},
}};
static_assert(accents.size() == 15);

// Printable ASCII and the Latin-1 letters go unchanged, the soft hyphen as
// '-', the accent bytes as their letters, everything else as '~'.
constexpr std::array<unsigned char, 256> initialouttran() {
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) {
        bool plain = (b >= 32 && b <= 126) || (b >= 192 && b <= 254);
        t[b] = plain ? static_cast<unsigned char>(b) : '~';
    }
    t[173] = '-';
    for (const auto& a : accents)
        t[a.stored] = a.sent;
    return t;
}

// The "$m" messages the default stream passes, by their code.
constexpr const char* MPASSED = "MUbefhimn";

// Copies `text` into xvmsg after `prefix`, cut to the buffer.  The text may
// itself lie in xvmsg (a caller composed it there).
void compose(const char* prefix, const char* text) {
    const size_t room = XVMSGSIZE - 1;
    size_t np = std::min(std::strlen(prefix), room);
    size_t nt = text != nullptr ? std::min(std::strlen(text), room - np) : 0;
    // The text first: it may lie in xvmsg itself.
    if (nt > 0) std::memmove(xvmsg.data() + np, text, nt);
    std::memcpy(xvmsg.data(), prefix, np);
    xvmsg[np + nt] = '\0';
}

// Sends the `n` bytes of `text` and CR LF to the sink, in one piece when
// they fit the line buffer.
void sendline(const char* text, size_t n) {
    std::array<char, XVMSGSIZE + 2> line;
    if (n > line.size() - 2) {
        xvsink(text, n);
        xvsink("\r\n", 2);
        return;
    }
    if (n > 0) std::memcpy(line.data(), text, n);
    line[n] = '\r';
    line[n + 1] = '\n';
    xvsink(line.data(), n + 2);
}

void sendline(const char* text) {
    sendline(text, std::strlen(text));
}

void sendf(const char* fmt, int32_t a) {
    if (fmt[0] == '$' && fmt[1] != '\0' && xvdrops(fmt[1])) return;
    std::snprintf(xvmsg.data(), xvmsg.size(), fmt, a);
    xvtransmit(xvmsg.data());
}

} // namespace

std::array<unsigned char, 256> outtran = initialouttran();
xvsinkfn xvsink = stdoutsink;
xvtracefn xvtrace = nullptr;
int32_t del = 0;

void stdoutsink(const char* data, size_t len) {
    // One thread writes the stream: no lock is needed around the buffer.
    fwrite_unlocked(data, 1, len, stdout);
}

void setwiremode(const char* value) {
    wirefull = (value != nullptr && std::strcmp(value, "full") == 0) ? 1 : 0;
}

bool xvdrops(char family) {
    if (!visible) return true;
    if (xvtrace != nullptr || wirefull) return false;
    return family != 'c' && family != 'C' && family != 'm';
}

bool textshown() {
    return !xvdrops('T');
}

void xvtransmit(const char* str) {
    if (!visible || str == nullptr) return;
    if (xvtrace != nullptr) xvtrace(str);
    if (str[0] == '\0' || str[1] == '\0') return;
    const char family = str[1];
    if (wirefull) {
        if (str[0] != '$' || std::strchr("+-CTWXbcempt", family) == nullptr) return;
        sendline(str);
        return;
    }
    const char* rest = nullptr;
    if (family == 'c') {
        rest = str + 2;
    } else if (family == 'C' || family == 'm') {
        const char sub = str[2];
        const char* passed = family == 'C' ? "Lcb" : MPASSED;
        if (sub != '\0' && std::strchr(passed, sub) != nullptr) rest = str + 3;
    }
    if (rest == nullptr) return;
    sendline(rest);
}

namespace {
// When the stream was last flushed, and the bytes a procedure has read since
// the clock was last looked at.
timespec lastflush{};
int32_t sinceclock = 0;

long elapsedms(const timespec& a, const timespec& b) {
    return (b.tv_sec - a.tv_sec) * 1000L + (b.tv_nsec - a.tv_nsec) / 1000000L;
}
} // namespace

void flushout() {
    std::fflush(stdout);
    clock_gettime(CLOCK_MONOTONIC_COARSE, &lastflush);
    sinceclock = 0;
}

void pacedflush() {
    if (++sinceclock < PACECHECK) return;
    sinceclock = 0;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    if (elapsedms(lastflush, now) >= PACEMS) flushout();
}

void putstring(const char* text, char code) {
    if (visible && xvtrace == nullptr && !wirefull && code != '\0') {
        // The default stream: the text alone, as composing and transmitting
        // it would send it (cut as compose cuts it), or nothing.
        if (std::strchr(MPASSED, code) == nullptr) return;
        sendline(text, text != nullptr ? strnlen(text, XVMSGSIZE - 4) : 0);
        return;
    }
    const char prefix[4] = {'$', 'm', code, '\0'};
    compose(prefix, text);
    xvtransmit(xvmsg.data());
}

int32_t diserr(const char* msg) {
    putstring(msg, 'e');
    xvtransmit("$e+");
    gcr();
    xvtransmit("$e-");
    xvtransmit("$mh");
    bhelp = 0;
    return del;
}

void progress(const char* msg) {
    putstring(msg, 'h');
    bhelp = 1;
}

void notice(const char* msg) {
    putstring(msg, 'h');
    bhelp = 0; // left standing when the command that showed it ends
}

void clearhelp() {
    if (bhelp == 1) {
        xvtransmit("$mh");
        bhelp = 0;
    }
}

void putstats() {
    if (!visible) return;
    // What was last sent is kept up to date also when nothing is composed.
    const bool shown = textshown();
    const COREFILE& c = cur();
    if (corenum != oldcore) {
        if (shown) sendf("$mw%2d", corenum);
        oldcore = corenum;
    }
    if (c.curline != oldline) {
        if (shown) sendf("$mr%5d", c.curline);
        oldline = c.curline;
    }
    if (c.curcol != oldcol) {
        if (shown) sendf("$mc%5d", c.curcol);
        oldcol = c.curcol;
    }
    if (c.lncount != oldlncnt) {
        if (shown) sendf("$ml%d", c.lncount);
        oldlncnt = c.lncount;
    }
    if (full) {
        if (oldcoreview != -2) {
            if (shown) putstring("FULL    ", 'v');
            oldcoreview = -2;
        }
    } else if (c.viewtype != oldcoreview && c.viewtype >= 0 &&
               c.viewtype < static_cast<int32_t>(views.size())) {
        if (shown) putstring(views[c.viewtype].label, 'v');
        oldcoreview = c.viewtype;
    }
}

void putfname() {
    const auto& name = cur().filname;
    std::array<char, FILNAMESIZE + 1> text{};
    std::memcpy(text.data(), name.data(), strnlen(name.data(), name.size()));
    putstring(text.data(), 'n');
}

void gendis() {
    oldcore = oldline = oldcol = oldlncnt = oldcoreview = -1;
    xvtransmit("$X");
    xvtransmit("$W");
    clearhelp();
    putstats();
    putfname();
    prtabs();
    prmptpar(mode);
    showtemplate();
    redisplay = 1;
    display();
    if (mode == 0) {
        xvtransmit("$Cx");
        if (shadow_ptr < 0 || shadow_ptr >= SHADOWSIZE) shadow_ptr = 0;
        shadow_cmdline[shadow_ptr] = '\0';
        compose("$CL", shadow_cmdline.data());
        xvtransmit(xvmsg.data());
    }
}

void putresult(int32_t value) {
    sendf("$mi%d", value);
}

void fmtfloat(double value, char* out, size_t size) {
    if (size == 0) return;
    std::snprintf(out, size, "%.8g", value);
    for (char* p = out; *p; ++p)
        if (*p == 'e') *p = '\'';
}

void putfloat(double value, int32_t error) {
    if (error == 1) {
        putstring("FP Syntax Error", 'f');
    } else if (error == 2) {
        putstring("FP Overflow Error", 'f');
    } else {
        std::array<char, 40> text;
        fmtfloat(value, text.data(), text.size());
        putstring(text.data(), 'f');
    }
}

void putbool(const char* errbits, const char* chkbits) {
    if (errbits != nullptr && std::strchr(errbits, '1') != nullptr) {
        compose("$mbERR ", errbits);
        xvtransmit(xvmsg.data());
        gcr();
    }
    compose("$mbCH ", chkbits);
    xvtransmit(xvmsg.data());
}

void txtcur() {
    xvtransmit("$+");
}
void rmtxtcur() {
    xvtransmit("$-");
}
void cmdcur() {
    xvtransmit("$C+");
}
void rmcmdcur() {
    xvtransmit("$C-");
}
void clrtextzone() {
    xvtransmit("$Tx");
}

void postcur(int32_t column, int32_t row) {
    if (xvdrops('p')) return;
    std::snprintf(xvmsg.data(), xvmsg.size(), "$p%d,%d", row, column);
    xvtransmit(xvmsg.data());
}

void ibeep() {
    xvtransmit("$b");
}

void backspace() {
    xvtransmit("$Cb");
    if (shadow_ptr > SHADOWSIZE - 1) shadow_ptr = SHADOWSIZE - 1;
    if (shadow_ptr > 0) --shadow_ptr;
    if (shadow_ptr < 0) shadow_ptr = 0;
    shadow_cmdline[shadow_ptr] = '\0';
}

void putcmdlett(int c) {
    const char msg[5] = {'$', 'C', 'c', static_cast<char>(c), '\0'};
    xvtransmit(msg);
    if (shadow_ptr < 0 || shadow_ptr >= SHADOWSIZE) shadow_ptr = 0;
    if (shadow_ptr < SHADOWSIZE - 1) shadow_cmdline[shadow_ptr++] = static_cast<char>(c);
    shadow_cmdline[shadow_ptr] = '\0';
}

void shadowappend(const char* text) {
    if (shadow_ptr < 0 || shadow_ptr >= SHADOWSIZE) shadow_ptr = 0;
    for (; text != nullptr && *text && shadow_ptr < SHADOWSIZE - 1; ++text)
        shadow_cmdline[shadow_ptr++] = *text;
    shadow_cmdline[shadow_ptr] = '\0';
}

void putch(int c) {
    const char msg[4] = {'$', 'c', static_cast<char>(outtran[static_cast<unsigned char>(c)]), '\0'};
    xvtransmit(msg);
}

void resetfrontend() {
    xvmsg.fill('\0');
    visible = 1;
    bhelp = 0;
    shadow_cmdline.fill('\0');
    shadow_ptr = 0;
    oldcore = oldline = oldcol = oldlncnt = oldcoreview = -1;
    outtran = initialouttran();
    xvsink = stdoutsink;
    xvtrace = nullptr;
    del = 0;
    wirefull = 0;
}

} // namespace oxa
