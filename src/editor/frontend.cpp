// The front-end protocol: message composers and the transmitter.
#include "editor/frontend.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "editor/store.hpp"

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

// A message of `code` with one number formatted by `fmt`.
void sendf(const char* code, const char* fmt, int32_t a) {
    if (xvdrops(code[1])) return;
    const int n = std::snprintf(xvmsg.data(), xvmsg.size(), "%s", code);
    std::snprintf(xvmsg.data() + n, xvmsg.size() - static_cast<size_t>(n), fmt, a);
    xvtransmit(xvmsg.data());
}

// The record checks' two messages.
const std::string CHECKSFAILED = std::string(wire::status('b')) + "ERR ";
const std::string CHECKSINFORCE = std::string(wire::status('b')) + "CH ";

} // namespace

std::array<unsigned char, 256> outtran = initialouttran();

unsigned char wirechar(unsigned char b) {
    static constexpr std::array<unsigned char, 256> initial = initialouttran();
    const unsigned char t = outtran[b];
    if (wirefull != 0 && b >= 128 && b != 255 && t == initial[b] && (t == '~' || t == '-')) return b;
    return t;
}
xvsinkfn xvsink = stdoutsink;
xvtracefn xvtrace = nullptr;
replywaitfn replywait = nullptr;
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
    return !wire::anypassed(family);
}

bool textshown() {
    return !xvdrops(wire::kind::row);
}

void xvtransmit(const char* str) {
    if (!visible || str == nullptr) return;
    if (xvtrace != nullptr) xvtrace(str);
    if (str[0] == '\0' || str[1] == '\0') return;
    const char family = str[1];
    if (wirefull) {
        if (str[0] == '$' && wire::known(family)) sendline(str);
        return;
    }
    if (!wire::hassub(family)) {
        if (wire::passed(family, '\0')) sendline(str + 2);
        return;
    }
    const char sub = str[2];
    if (sub != '\0' && wire::passed(family, sub)) sendline(str + 3);
}

namespace {
// A line of program output not yet ended (full stream).
std::string outpending;

void sendoutputline() {
    if (!outpending.empty() && outpending.back() == '\r') outpending.pop_back();
    outpending.insert(0, wire::code(wire::kind::output));
    outpending += "\r\n";
    xvsink(outpending.data(), outpending.size());
    outpending.clear();
}
} // namespace

void putoutput(const char* data, size_t len) {
    if (!wirefull) {
        std::fwrite(data, 1, len, stdout);
        return;
    }
    for (size_t i = 0; i < len;) {
        const void* nl = std::memchr(data + i, '\n', len - i);
        const size_t end = nl != nullptr ? static_cast<size_t>(static_cast<const char*>(nl) - data) : len;
        outpending.append(data + i, end - i);
        i = end;
        if (nl != nullptr) {
            sendoutputline();
            ++i;
        }
    }
}

void putoutput(const char* text) {
    putoutput(text, std::strlen(text));
}

void endoutput() {
    if (wirefull && !outpending.empty()) sendoutputline();
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
        if (!wire::passed(wire::STATUS, code)) return;
        sendline(text, text != nullptr ? strnlen(text, XVMSGSIZE - 4) : 0);
        return;
    }
    const char prefix[4] = {'$', wire::STATUS, code, '\0'};
    compose(prefix, text);
    xvtransmit(xvmsg.data());
}

int32_t diserr(const char* msg) {
    putstring(msg, 'e');
    xvtransmit(wire::code(wire::kind::errorwait));
    if (replywait != nullptr) replywait();
    xvtransmit(wire::code(wire::kind::errordone));
    xvtransmit(wire::status('h'));
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
        xvtransmit(wire::status('h'));
        bhelp = 0;
    }
}

void putstats() {
    if (!visible) return;
    // What was last sent is kept up to date also when nothing is composed.
    const bool shown = textshown();
    const COREFILE& c = cur();
    if (corenum != oldcore) {
        if (shown) sendf(wire::status('w'), "%2d", corenum);
        oldcore = corenum;
    }
    if (c.curline != oldline) {
        if (shown) sendf(wire::status('r'), "%5d", c.curline);
        oldline = c.curline;
    }
    if (c.curcol != oldcol) {
        if (shown) sendf(wire::status('c'), "%5d", c.curcol);
        oldcol = c.curcol;
    }
    if (c.lncount != oldlncnt) {
        if (shown) sendf(wire::status('l'), "%d", c.lncount);
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

void beginredraw() {
    oldcore = oldline = oldcol = oldlncnt = oldcoreview = -1;
    xvtransmit(wire::code(wire::kind::redraw));
    xvtransmit(wire::code(wire::kind::clearwindow));
    clearhelp();
    putstats();
    putfname();
}

void putshadow() {
    xvtransmit(wire::code(wire::kind::cmdclear));
    if (shadow_ptr < 0 || shadow_ptr >= SHADOWSIZE) shadow_ptr = 0;
    shadow_cmdline[shadow_ptr] = '\0';
    compose(wire::code(wire::kind::cmdline), shadow_cmdline.data());
    xvtransmit(xvmsg.data());
}

void putresult(int32_t value) {
    sendf(wire::status('i'), "%d", value);
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
        compose(CHECKSFAILED.c_str(), errbits);
        xvtransmit(xvmsg.data());
        if (replywait != nullptr) replywait();
    }
    compose(CHECKSINFORCE.c_str(), chkbits);
    xvtransmit(xvmsg.data());
}

void txtcur() {
    xvtransmit(wire::code(wire::kind::textcursoron));
}
void rmtxtcur() {
    xvtransmit(wire::code(wire::kind::textcursoroff));
}
void cmdcur() {
    xvtransmit(wire::code(wire::kind::cmdcursoron));
}
void rmcmdcur() {
    xvtransmit(wire::code(wire::kind::cmdcursoroff));
}
void clrtextzone() {
    xvtransmit(wire::code(wire::kind::cleartext));
}

void postcur(int32_t column, int32_t row) {
    const char* code = wire::code(wire::kind::cursor);
    if (xvdrops(code[1])) return;
    std::snprintf(xvmsg.data(), xvmsg.size(), "%s%d,%d", code, row, column);
    xvtransmit(xvmsg.data());
}

void ibeep() {
    xvtransmit(wire::code(wire::kind::bell));
}

void backspace() {
    xvtransmit(wire::code(wire::kind::cmdback));
    if (shadow_ptr > SHADOWSIZE - 1) shadow_ptr = SHADOWSIZE - 1;
    if (shadow_ptr > 0) --shadow_ptr;
    if (shadow_ptr < 0) shadow_ptr = 0;
    shadow_cmdline[shadow_ptr] = '\0';
}

void putcmdlett(int c) {
    const char* code = wire::code(wire::kind::cmdchar);
    const char msg[5] = {code[0], code[1], code[2], static_cast<char>(c), '\0'};
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
    const char* code = wire::code(wire::kind::echo);
    const char msg[4] = {code[0], code[1], static_cast<char>(wirechar(static_cast<unsigned char>(c))), '\0'};
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
    outpending.clear();
}

} // namespace oxa
