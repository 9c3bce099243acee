// The controlling terminal and the signal handlers.  This is the only file that
// includes the terminal library's headers: they define macros with common names
// (`lines`, `columns`, `bell` ...), so they come last and nothing after them
// uses such a name.
#include "editor/terminal.hpp"

#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/paint.hpp"
#include "editor/processes.hpp"
#include "editor/recovery.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <curses.h>
#include <term.h>

namespace oxa {

// The window geometry is defined with the painter (paint.cpp).
int32_t termactive = 0;

namespace {

// Limits of the window geometry: at least one text row and a sideways step of
// at least one column; a row message must fit the 1000-byte message buffer.
constexpr int MINCOLS = 24;
constexpr int MAXCOLS = 900;
constexpr int MINROWS = 6;
constexpr int MAXROWS = 1000;

termios shellin{};   // standard input's settings before `initerm`
termios oldintrps{}; // standard output's settings before `initerm`
termios newintrps{}; // the changed control characters
bool modesaved = false;

// The command key, pushed by the interrupt handler.
const char cmdkey[] = "\x03";

// What the handlers of SIGWINCH, SIGCONT and SIGTSTP noted for the edit loop:
// a handler may come while stdout or the allocator is held by the code it
// interrupted, so it only sets a flag, and `takesignals` does the work.
volatile sig_atomic_t windowchanged = 0; // the terminal's size may have changed
volatile sig_atomic_t continued = 0;     // the editor runs again after a stop
volatile sig_atomic_t driverstopped = 0; // a driver program was suspended

bool signalspending() {
    return windowchanged != 0 || continued != 0 || driverstopped != 0;
}

bool bothttys() {
    return isatty(0) && isatty(1);
}

// A size from the environment variable `name`, or `fallback`.
int envsize(const char* name, int fallback) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') return fallback;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    if (*end != '\0' || n <= 0 || n > 100000) return fallback;
    return static_cast<int>(n);
}

} // namespace

void stermpars() {
    termactive = 0;
    // The full message stream belongs to a front end that owns the terminal.
    if (wirefull || !bothttys()) return;
    int err = 0;
    if (setupterm(nullptr, 1, &err) == OK) termactive = 1;
}

int setwindow(int cols, int rows) {
    if (cols < MINCOLS) cols = MINCOLS;
    if (cols > MAXCOLS) cols = MAXCOLS;
    if (rows < MINROWS) rows = MINROWS;
    if (rows > MAXROWS) rows = MAXROWS;
    const int32_t olddepth = depth;
    const int32_t oldwidth = swidth;
    swidth = cols - 2;
    rightcol = swidth;
    shiftc = cols - overlap - 2;
    pshift = 0;
    cmdline = rows - 1;
    helpline = rows - 2;
    windowend = rows - 3;
    depth = rows - 4;
    return (depth != olddepth || swidth != oldwidth) ? 1 : 0;
}

int getwindsize() {
    int cols = 80;
    int rows = 24;
    if (wirefull) {
        cols = envsize("COLUMNS", cols);
        rows = envsize("LINES", rows);
    } else if (termactive) {
        int c = tigetnum("cols");
        int r = tigetnum("lines");
        if (c > 0) cols = c;
        if (r > 0) rows = r;
    }
    return setwindow(cols, rows);
}

void initerm() {
    if (!termactive) return;
    // The settings to restore are those from before the first `initerm`.
    if (!modesaved) {
        if (tcgetattr(0, &shellin) != 0 || tcgetattr(1, &oldintrps) != 0) return;
        modesaved = true;
    }
    newintrps = oldintrps;
    newintrps.c_cc[VINTR] = 0x1F;
    newintrps.c_cc[VSUSP] = 0x01;
    for (int c : {VQUIT, VSTART, VSTOP, VEOL, VREPRINT, VDISCARD, VWERASE, VLNEXT})
        newintrps.c_cc[c] = 0;
    tcsetattr(1, TCSANOW, &newintrps);

    // Character at a time, no echo, no newline translation, no flush on
    // interrupt.  Read back first: both descriptors are usually one terminal.
    termios in{};
    if (tcgetattr(0, &in) != 0) return;
    in.c_lflag &= ~(ICANON | ECHO | ECHONL);
    in.c_lflag |= NOFLSH;
    in.c_iflag &= ~(ICRNL | INLCR | IGNCR);
    in.c_cc[VMIN] = 1;
    in.c_cc[VTIME] = 0;
    tcsetattr(0, TCSANOW, &in);
}

void reseterm() {
    if (!termactive || !modesaved) return;
    tcsetattr(1, TCSANOW, &oldintrps);
    tcsetattr(0, TCSANOW, &shellin);
    modesaved = false;
}

void termrefresh() {
    if (termactive) std::fflush(stdout);
}

void termbeep() {
    if (!termactive) return;
    const char* b = tigetstr("bel");
    if (b && b != reinterpret_cast<const char*>(-1)) putp(b);
}

void termclear() {
    if (!termactive) return;
    const char* c = tigetstr("clear");
    if (c && c != reinterpret_cast<const char*>(-1)) putp(c);
    std::fflush(stdout);
}

void SuspHandler(int) {
    // A running driver program is suspended instead, and input returns to
    // the keyboard: the read it was waiting in is broken off (this handler
    // does not restart reads).
    if (progstate == PROG_RUNNING) {
        voluntary = 0;
        progstate = PROG_SUSPENDED;
        ::kill(child_pid, SIGSTOP);
        inptr = stdin;
        driverstopped = 1;
        return;
    }
    reseterm();
    kill(getpid(), SIGSTOP);
}

void ResHandler(int) {
    continued = 1;
}

void WindowHandler(int) {
    windowchanged = 1;
}

namespace {

// After a stop: the terminal's modes again, and everything redrawn even while
// output is switched off.
void takecontinue() {
    initerm();
    const int32_t wasvisible = visible;
    visible = 1;
    gendis();
    visible = wasvisible;
    std::fflush(stdout);
}

// The terminal's size is read again; a new size redraws everything with the
// cursor line kept in the window.
void takeresize() {
    reseterm();
    if (termactive) {
        int err = 0;
        setupterm(nullptr, 1, &err);
    }
    initerm();
    const int32_t wasvisible = visible;
    if (getwindsize()) {
        COREFILE& c = cur();
        if (c.disln && c.lnptr && distance(c.disln, c.lnptr) >= depth) c.disln = c.lnptr;
        windresize = 1;
        visible = 1;
        redisplay = RP_ALL;
        gendis();
        visible = wasvisible;
        termbeep();
    }
    txtcur();
    gendis();
    putstats();
    discur();
    std::fflush(stdout);
}

} // namespace

void takesignals() {
    if (driverstopped != 0) {
        driverstopped = 0;
        xvtransmit(KEYBOARDMSG);
    }
    if (continued != 0) {
        continued = 0;
        takecontinue();
    }
    if (windowchanged != 0) {
        windowchanged = 0;
        takeresize();
    }
}

bool waitforinput(FILE* in) {
#ifdef __GLIBC__
    // Bytes already read ahead (or pushed back) are there at once.
    if (in->_IO_read_ptr < in->_IO_read_end) return true;
#else
    return true;
#endif
    const int fd = fileno(in);
    if (fd < 0) return true;
    // The signals that leave work for the edit loop are held off between the
    // look at their flags and the wait, so that none comes unseen in between.
    sigset_t held, old;
    sigemptyset(&held);
    sigaddset(&held, SIGWINCH);
    sigaddset(&held, SIGCONT);
    sigaddset(&held, SIGTSTP);
    if (sigprocmask(SIG_BLOCK, &held, &old) != 0) return true;
    bool ready = !signalspending();
    if (ready) {
        pollfd p{fd, POLLIN, 0};
        ready = ppoll(&p, 1, nullptr, &old) >= 0 || errno != EINTR;
    }
    sigprocmask(SIG_SETMASK, &old, nullptr);
    return ready;
}

void sizereport(int rows, int cols) {
    setwindow(cols, rows);
    COREFILE& c = cur();
    if (c.disln && c.lnptr && distance(c.disln, c.lnptr) >= depth) c.disln = c.lnptr;
    windresize = 1;
    const int32_t wasvisible = visible;
    visible = 1;
    gendis();
    discur();
    visible = wasvisible;
}

void IntHandler(int) {
    abortreq = 1; // a running search, change or read stops where it is
    pushfn(cmdkey);
}

void setsig() {
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    // Reads resume after the redraw handlers.
    sa.sa_flags = SA_RESTART;
    sa.sa_handler = ResHandler;
    sigaction(SIGCONT, &sa, nullptr);
    sa.sa_handler = WindowHandler;
    sigaction(SIGWINCH, &sa, nullptr);
    // The interrupt breaks off a waiting read, so that the input stream looks
    // at its stack again and takes the command key at once.
    sa.sa_flags = 0;
    sa.sa_handler = IntHandler;
    sigaction(SIGINT, &sa, nullptr);
    // So does the suspend signal, which may move input from a driver
    // program to the keyboard.
    sa.sa_handler = SuspHandler;
    sigaction(SIGTSTP, &sa, nullptr);
    setchildsig();
    setfatalsig();
}

void resetterminal() {
    // The window geometry is the painter's (resetpaint).
    termactive = 0;
    modesaved = false;
    windowchanged = 0;
    continued = 0;
    driverstopped = 0;
}

} // namespace oxa
