// Shell commands and the driver program.
#include "editor/processes.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "bormo/storedtrees.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/encoding.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/recovery.hpp"
#include "editor/terminal.hpp"

namespace oxa {

int32_t progstate = PROG_NONE;
pid_t child_pid = 0;
std::array<int, 2> oxapipe{-1, -1};
std::array<int, 2> progpipe{-1, -1};
FILE* oxainput = nullptr;
FILE* oxaoutput = nullptr;
int32_t voluntary = 0;
int32_t progtrans = 0;

namespace {

constexpr const char* MSG_NOSUSPENDED = " No suspended program! ";
constexpr const char* MSG_RUNNING = "Program already running";
constexpr const char* MSG_NOPIPES = "Can't set up pipes";
constexpr const char* MSG_EXECL = "System error: execl failed\r";
constexpr const char* MSG_VFORK = "System error: vfork failed.\r";
constexpr const char* MSG_NODIR = "Directory not found (or no permission)";
constexpr const char* MSG_BADLETTER = "Invalid Argument";
constexpr const char* MSG_CONTINUE = "\r\n\nType [return] to continue\r";

// Set by the SIGCHLD handler when it has collected the driver: its process
// id may then belong to another process and must not be signalled.
volatile sig_atomic_t driverended = 0;

// In the child of `startprogram`: where a failed exec is reported (-1: nowhere).
int listreport = -1;

void closefd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Collects every child that has ended.
void ChildHandler(int) {
    const int saved = errno;
    for (;;) {
        int status = 0;
        pid_t p = ::waitpid(-1, &status, WNOHANG);
        if (p <= 0) break;
        if (p == child_pid) driverended = 1;
    }
    errno = saved;
}

// A write to a driver that has gone away: the write itself fails with EPIPE
// and the writer kills the driver (closing its streams here, in the middle
// of that write, would be unsafe).
void PipeHandler(int) {}

// What ASK answers and the generation engine send while the driver runs.
void sendtoprog(const char* text, size_t len) {
    tellprog(text, len);
}

// The hooks of the modules that write to the driver point here exactly while
// it runs.
void sethooks() {
    const bool running = progstate == PROG_RUNNING;
    askreply = running ? sendtoprog : nullptr;
    bormo::driversend = running ? sendtoprog : nullptr;
}

// Input from the keyboard again; "$mU###" tells the front end.
void tokeyboard() {
    inptr = stdin;
    xvtransmit(KEYBOARDMSG);
}

// Kills the driver; returns true when the editor's input came from it (it
// then comes from the keyboard).
bool stopdriver() {
    if (progstate == PROG_NONE && child_pid <= 0) return false;
    const bool fromdriver = oxainput != nullptr && inptr == oxainput;
    if (oxainput != nullptr) std::fclose(oxainput);
    if (oxaoutput != nullptr) std::fclose(oxaoutput);
    oxainput = oxaoutput = nullptr;
    oxapipe[0] = progpipe[1] = -1; // closed with their streams
    closefd(oxapipe[1]);
    closefd(progpipe[0]);
    progstate = PROG_NONE;
    sethooks();
    if (child_pid > 0) {
        // A killed process ends at once, so collecting it does not keep the
        // editor waiting.
        sigset_t block, old;
        sigemptyset(&block);
        sigaddset(&block, SIGCHLD);
        sigprocmask(SIG_BLOCK, &block, &old);
        if (driverended == 0) {
            ::kill(child_pid, SIGKILL);
            while (::waitpid(child_pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        sigprocmask(SIG_SETMASK, &old, nullptr);
    }
    child_pid = 0;
    driverended = 0;
    if (fromdriver) inptr = stdin;
    return fromdriver;
}

// The editor's stdio buffers are flushed before a fork so that the child
// cannot write them a second time.
void flushall() {
    flushout();
    std::fflush(nullptr);
}

} // namespace

std::string shellquote(const char* text) {
    std::string q = "'";
    for (const char* p = text; *p != 0; ++p) {
        if (*p == '\'')
            q += "'\\''";
        else
            q += *p;
    }
    q += '\'';
    return q;
}

// ---- Children ----------------------------------------------------------------

void call_execl(const char* flags) {
    ::execl(SHELLPATH, "sh", flags, sysstring.data(), static_cast<char*>(nullptr));
    ssize_t ignored = ::write(1, MSG_EXECL, std::strlen(MSG_EXECL));
    (void)ignored;
    ::_exit(1);
}

// The program RUN starts is the file its checker found: a name without a
// folder that names a file in the working directory runs that file, never
// one of the same name on the search path (which is searched only for a
// name the checker did not see).
void call_execlp() {
    const std::string name = osname(curfile.data());
    struct stat st {};
    if (name.find('/') == std::string::npos && ::stat(name.c_str(), &st) == 0 &&
        !S_ISDIR(st.st_mode)) {
        const std::string here = "./" + name;
        ::execl(here.c_str(), curfile.data(), static_cast<char*>(nullptr));
        ::_exit(1);
    }
    ::execlp(name.c_str(), curfile.data(), static_cast<char*>(nullptr));
    ::_exit(1);
}

void call_listcom(const char* command, const char* name, const char* file, const char* from,
                  const char* to, const char* copies, const char* init) {
    ::execlp(command, name, file, from, to, copies, init, static_cast<char*>(nullptr));
    if (listreport >= 0) {
        const char failed = 1;
        ssize_t ignored = ::write(listreport, &failed, 1);
        (void)ignored;
    }
    ::_exit(127);
}

bool nochildren = false;

namespace {
// On the full stream the shell writes into a pipe, and what it writes goes on
// as framed program output until the pipe closes or the shell has ended (a
// program it left running in the background keeps the pipe open).
void passoutput(int fd, pid_t pid, int& status) {
    std::array<char, 4096> buf;
    bool ended = false;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, ended ? 0 : 100);
        if (ready < 0 && errno == EINTR) continue;
        if (ready > 0) {
            const ssize_t got = ::read(fd, buf.data(), buf.size());
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            putoutput(buf.data(), static_cast<size_t>(got));
            continue;
        }
        if (ended) break;
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
    }
    endoutput();
    if (!ended) {
        while (::waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) {
                status = -1;
                break;
            }
        }
    }
}
} // namespace

int runshell(const char* flags, const char* command) {
    std::snprintf(sysstring.data(), sysstring.size(), "%s", command);
    if (nochildren) return -1;
    int out[2] = {-1, -1};
    if (wirefull && ::pipe2(out, O_CLOEXEC) != 0) return -1;
    // The child is collected here, not by the SIGCHLD handler.
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGCHLD);
    sigprocmask(SIG_BLOCK, &block, &old);
    flushall();
    const pid_t pid = ::fork();
    if (pid == 0) {
        sigprocmask(SIG_SETMASK, &old, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        if (out[1] >= 0) ::dup2(out[1], 1);
        call_execl(flags);
    }
    int status = -1;
    if (out[1] >= 0) ::close(out[1]);
    if (pid > 0 && out[0] >= 0) {
        passoutput(out[0], pid, status);
    } else if (pid > 0) {
        while (::waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) {
                status = -1;
                break;
            }
        }
    }
    if (out[0] >= 0) ::close(out[0]);
    sigprocmask(SIG_SETMASK, &old, nullptr);
    return pid > 0 ? status : -1;
}

int startprogram(const char* command, const char* const* args) {
    if (nochildren) return -1;
    // The child reports a failed exec through a pipe that closes by itself
    // when the exec succeeds.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return -1;
    flushall();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return -1;
    }
    if (pid == 0) {
        ::close(report[0]);
        for (int fd = 0; fd <= 9; ++fd)
            if (fd != report[1]) ::close(fd);
        ::signal(SIGPIPE, SIG_DFL);
        listreport = report[1];
        call_listcom(command, args[0], args[1], args[2], args[3], args[4], args[5]);
    }
    ::close(report[1]);
    char failed = 0;
    ssize_t got;
    while ((got = ::read(report[0], &failed, 1)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return got > 0 ? 127 : 0;
}

// ---- Shell commands ------------------------------------------------------------

void calsys() {
    reseterm();
    termclear();
    flushout();
    putoutput(sysstring.data());
    putoutput("\r\n");
    std::fflush(stdout);
    const bool interactive = sysstring[0] == '\0' && progstate != PROG_RUNNING;
    std::array<char, STRSIZE> command = sysstring;
    if (runshell(interactive ? INTERACTFLAG : COMMANDFLAG, command.data()) == -1) {
        putoutput(MSG_VFORK);
        endoutput();
        del = 2;
    }
    initerm();
    if (progstate != PROG_RUNNING) {
        putoutput(MSG_CONTINUE);
        endoutput();
        std::fflush(stdout);
        const int32_t keep = del;
        gcr();
        del = keep;
    }
    const int32_t wasvisible = visible;
    visible = 1;
    gendis();
    visible = wasvisible;
}

void directory() {
    const char* listing = nullptr;
    switch (param[1]) {
    case 0:
    case 2:
        listing = SHORTDIR;
        break;
    case 6:
        listing = LONGDIR;
        break;
    case 20:
        listing = TOPDIR;
        break;
    default:
        diserr(MSG_BADLETTER);
        pushfn("DI");
        return;
    }
    std::snprintf(sysstring.data(), sysstring.size(), "%s", listing);
    calsys();
}

void changedir() {
    if (sysstring[0] == '\0') {
        std::array<char, 4097> wd{};
        if (::getcwd(wd.data(), wd.size()) == nullptr) wd[0] = '\0';
        diserr(wd.data());
        return;
    }
    if (::chdir(osname(sysstring.data()).c_str()) != 0) {
        diserr(MSG_NODIR);
        del = 2;
        return;
    }
    noteworkdir();
}

// ---- The driver program ------------------------------------------------------------

void runprog() {
    if (progstate != PROG_NONE) {
        diserr(MSG_RUNNING);
        return;
    }
    int a[2] = {-1, -1}, b[2] = {-1, -1};
    bool ok = !nochildren && ::pipe2(a, O_CLOEXEC) == 0;
    ok = ok && ::pipe2(b, O_CLOEXEC) == 0;
    pid_t pid = -1;
    // The SIGCHLD handler must know the driver's id before it can end.
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGCHLD);
    sigprocmask(SIG_BLOCK, &block, &old);
    if (ok) {
        flushall();
        driverended = 0;
        pid = ::fork();
    }
    if (pid == 0) {
        sigprocmask(SIG_SETMASK, &old, nullptr);
        // The duplicates lose close-on-exec; the originals close at the exec.
        ::dup2(b[0], 0);
        ::dup2(a[1], 1);
        ::signal(SIGPIPE, SIG_DFL);
        call_execlp();
    }
    for (int fd : {a[1], b[0]})
        if (fd >= 0) ::close(fd);
    FILE* in = ok && pid > 0 ? ::fdopen(a[0], "r") : nullptr;
    FILE* out = in != nullptr ? ::fdopen(b[1], "w") : nullptr;
    child_pid = out != nullptr ? pid : 0;
    sigprocmask(SIG_SETMASK, &old, nullptr);
    if (out == nullptr) {
        if (in != nullptr)
            std::fclose(in);
        else if (a[0] >= 0)
            ::close(a[0]);
        if (b[1] >= 0) ::close(b[1]);
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        diserr(MSG_NOPIPES);
        del = 2;
        return;
    }
    oxapipe = {a[0], -1};
    progpipe = {-1, b[1]};
    oxainput = in;
    oxaoutput = out;
    progstate = PROG_RUNNING;
    progtrans = 1;
    voluntary = 0;
    inptr = oxainput;
    sethooks();
}

void suspendprog() {
    if (progstate != PROG_RUNNING) return;
    progstate = PROG_SUSPENDED;
    sethooks();
    ::kill(child_pid, SIGSTOP);
}

void resumeprog() {
    if (progstate != PROG_SUSPENDED) {
        diserr(MSG_NOSUSPENDED);
        return;
    }
    progstate = PROG_RUNNING;
    sethooks();
    ::kill(child_pid, SIGCONT);
    if (voluntary != 0) acknowledge();
}

void acknowledge() {
    tellprog("\n", 1);
}

void killprog() {
    if (stopdriver()) xvtransmit(KEYBOARDMSG);
}

void swinput() {
    switch (param[1]) {
    case 0:
        voluntary = 1;
        suspendprog();
        tokeyboard();
        break;
    case 1:
        resumeprog();
        if (progstate == PROG_RUNNING) inptr = oxainput;
        break;
    case 2:
        stopdriver();
        tokeyboard();
        break;
    default:
        break;
    }
}

void drivercontrolcode(int code) {
    switch (code) {
    case C_RESUME:
        resumeprog();
        if (progstate == PROG_RUNNING) inptr = oxainput;
        break;
    case C_PAUSE:
        if (progstate != PROG_RUNNING) break;
        voluntary = 1;
        suspendprog();
        tokeyboard();
        break;
    case C_KILLPROG:
        killprog();
        break;
    case C_ACK:
        acknowledge();
        break;
    default:
        break;
    }
}

bool tellprog(const char* text, size_t len) {
    if (progstate != PROG_RUNNING || oxaoutput == nullptr) return false;
    bool ok = std::fwrite(text, 1, len, oxaoutput) == len;
    ok = std::fflush(oxaoutput) == 0 && ok;
    if (!ok) killprog();
    return ok;
}

void checkprogoutput() {
    if (oxaoutput != nullptr && std::ferror(oxaoutput)) killprog();
}

void setchildsig() {
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    sa.sa_handler = ChildHandler;
    sigaction(SIGCHLD, &sa, nullptr);
    sa.sa_flags = SA_RESTART;
    sa.sa_handler = PipeHandler;
    sigaction(SIGPIPE, &sa, nullptr);
}

void resetprocesses() {
    stopdriver();
    progstate = PROG_NONE;
    child_pid = 0;
    oxapipe = {-1, -1};
    progpipe = {-1, -1};
    voluntary = 0;
    progtrans = 0;
    driverended = 0;
    driverctl = drivercontrolcode;
}

} // namespace oxa
