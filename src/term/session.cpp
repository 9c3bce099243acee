// The session loop: keyboard, editor output and signals through one poll.
#include "term/session.hpp"

#include "term/child.hpp"
#include "term/screen.hpp"
#include "term/view.hpp"

#include <curses.h> // the key numbers only; nothing is drawn here

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace oxa::term {

namespace {

// Signals that end the session arrive here as bytes.
int signalpipe[2] = {-1, -1};

void onsignal(int sig) {
    const int saved = errno;
    const unsigned char b = static_cast<unsigned char>(sig);
    ssize_t ignored = write(signalpipe[1], &b, 1);
    (void)ignored;
    errno = saved;
}

constexpr std::array<int, 4> endsignals = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

void catchsignals() {
    if (signalpipe[0] < 0 && pipe2(signalpipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = onsignal;
    for (int s : endsignals)
        sigaction(s, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

void releasesignals() {
    for (int s : endsignals)
        signal(s, SIG_DFL);
}

// Keeps the end of what the editor wrote on its standard error.
void keeptail(std::string& tail, const char* data, size_t n) {
    tail.append(data, n);
    constexpr size_t KEEP = 2000;
    if (tail.size() > KEEP) tail.erase(0, tail.size() - KEEP);
}

} // namespace

int runsession(const sessionoptions& options, std::string& report) {
    std::string error;
    if (!viewstart(error)) {
        report = error;
        return 1;
    }
    catchsignals();
    int32_t rows = 24, cols = 80;
    viewsize(rows, cols);
    child c;
    if (!startchild(options.program, options.args, rows, cols, c, error)) {
        viewstop();
        releasesignals();
        report = error;
        return 1;
    }
    if (!options.startkeys.empty()) sendbytes(c, options.startkeys);
    screen sc(rows, cols);
    keytranslator keys;
    std::string errtail;
    int endsignal = 0;
    bool keyboardgone = false;
    bool editorgone = false;
    std::array<char, 65536> buf;
    viewdraw(sc);

    while (!editorgone && endsignal == 0 && !keyboardgone) {
        std::array<pollfd, 4> fds = {{{0, POLLIN, 0},
                                      {c.out, POLLIN, 0},
                                      {c.err, POLLIN, 0},
                                      {signalpipe[0], POLLIN, 0}}};
        const int n = poll(fds.data(), fds.size(), 250);
        if (n < 0 && errno != EINTR) {
            report = std::string("poll failed: ") + std::strerror(errno);
            break;
        }
        bool changed = false;
        if (n > 0 && (fds[3].revents & POLLIN)) {
            unsigned char s = 0;
            if (read(signalpipe[0], &s, 1) == 1) endsignal = s;
        }
        if (n > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t got = read(c.out, buf.data(), buf.size());
            if (got > 0) {
                sc.feed(buf.data(), static_cast<size_t>(got));
                changed = true;
            } else if (got == 0 || errno != EINTR) {
                editorgone = true;
            }
        }
        if (n > 0 && c.err >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t got = read(c.err, buf.data(), buf.size());
            if (got > 0)
                keeptail(errtail, buf.data(), static_cast<size_t>(got));
            else if (got == 0 || errno != EINTR) {
                close(c.err);
                c.err = -1;
            }
        }
        if (n > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fds[0].revents & POLLIN))
            keyboardgone = true;
        // Keys (and a new size) are read after every wake-up: a size change
        // interrupts the poll without making the keyboard readable.
        for (int32_t k; !editorgone && (k = viewkey()) != VIEWNOKEY;) {
            if (k == VIEWRESIZE) {
                viewsize(rows, cols);
                sc.resize(rows, cols);
                sendbytes(c, sizereportbytes(rows, cols));
                changed = true;
                continue;
            }
            // The key summary: F1 or '?' at the start of a command shows it,
            // and the next key only takes it away.
            if (sc.keysshown()) {
                sc.showkeys(false);
                changed = true;
                continue;
            }
            if (k == KEY_F(1) || (k == '?' && sc.atcommandstart())) {
                sc.showkeys(true);
                changed = true;
                continue;
            }
            if (sc.outputshown()) {
                sc.dismissoutput();
                changed = true;
            }
            std::string bytes;
            if (!keys.feed(k, bytes))
                viewbeep();
            else if (!bytes.empty())
                sendbytes(c, bytes);
        }
        if (changed) viewdraw(sc);
    }

    std::string lastwords;
    const int status = stopchild(c, &lastwords);
    keeptail(errtail, lastwords.data(), lastwords.size());
    viewstop();
    releasesignals();
    // Where the editor saved unsaved text is told whatever the end.
    const std::string said = errtail.empty() ? "" : "; it said:\n" + errtail;
    if (endsignal != 0) {
        report = std::string("stopped by signal ") + std::to_string(endsignal) + " (" + strsignal(endsignal) + ")" + said;
        return 128 + endsignal;
    }
    if (keyboardgone) {
        report = "the terminal went away" + said;
        return 1;
    }
    if (!report.empty()) return 1;
    report = endreport(status);
    if (report.empty()) return 0;
    if (!errtail.empty()) report += "; it said:\n" + errtail;
    return 1;
}

} // namespace oxa::term
