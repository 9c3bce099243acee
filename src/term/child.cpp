// Starting, feeding and ending the editor process.
#include "term/child.hpp"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace oxa::term {

namespace {

void closefd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// In the child after fork: only async-signal-safe calls until exec.
[[noreturn]] void runchild(const char* program, char* const* argv, char* const* envp, int inpipe[2],
                           int outpipe[2], int errpipe[2], int failpipe[2]) {
    setsid();
    dup2(inpipe[0], 0);
    dup2(outpipe[1], 1);
    dup2(errpipe[1], 2);
    for (int fd : {inpipe[0], inpipe[1], outpipe[0], outpipe[1], errpipe[0], errpipe[1], failpipe[0]})
        close(fd);
    // Signals ignored or handled here must not follow the editor.
    signal(SIGPIPE, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    signal(SIGWINCH, SIG_DFL);
    execve(program, argv, envp);
    const int e = errno;
    ssize_t ignored = write(failpipe[1], &e, sizeof e);
    (void)ignored;
    _exit(127);
}

} // namespace

std::string besideself(const std::string& self) {
    const size_t slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/oxa";
}

bool startchild(const std::string& program, const std::vector<std::string>& args, int rows,
                int cols, child& c, std::string& error) {
    if (access(program.c_str(), X_OK) != 0) {
        error = "cannot run " + program + ": " + std::strerror(errno);
        return false;
    }
    int inpipe[2], outpipe[2], errpipe[2], failpipe[2];
    if (pipe(inpipe) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (pipe(outpipe) != 0 || pipe(errpipe) != 0 || pipe2(failpipe, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        close(inpipe[0]);
        close(inpipe[1]);
        return false;
    }
    // Everything the child needs is prepared before the fork.
    std::vector<std::string> env = {"OXA_WIRE=full", "LINES=" + std::to_string(rows),
                                    "COLUMNS=" + std::to_string(cols)};
    std::vector<char*> envp;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view v(*e);
        if (!v.starts_with("OXA_WIRE=") && !v.starts_with("LINES=") && !v.starts_with("COLUMNS="))
            envp.push_back(*e);
    }
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("cannot start the editor: ") + std::strerror(errno);
        for (int fd : {inpipe[0], inpipe[1], outpipe[0], outpipe[1], errpipe[0], errpipe[1],
                       failpipe[0], failpipe[1]})
            close(fd);
        return false;
    }
    if (pid == 0) runchild(program.c_str(), argv.data(), envp.data(), inpipe, outpipe, errpipe, failpipe);
    close(inpipe[0]);
    close(outpipe[1]);
    close(errpipe[1]);
    close(failpipe[1]);
    c.pid = pid;
    c.in = inpipe[1];
    c.out = outpipe[0];
    c.err = errpipe[0];
    fcntl(c.in, F_SETFD, FD_CLOEXEC);
    fcntl(c.out, F_SETFD, FD_CLOEXEC);
    fcntl(c.err, F_SETFD, FD_CLOEXEC);
    // The failure pipe closes at a successful exec; otherwise it carries errno.
    int e = 0;
    ssize_t n;
    do {
        n = read(failpipe[0], &e, sizeof e);
    } while (n < 0 && errno == EINTR);
    close(failpipe[0]);
    if (n == static_cast<ssize_t>(sizeof e)) {
        error = "cannot run " + program + ": " + std::strerror(e);
        stopchild(c);
        return false;
    }
    return true;
}

bool sendbytes(child& c, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        if (c.in < 0) return false;
        const ssize_t n = write(c.in, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string endreport(int status) {
    if (WIFEXITED(status)) {
        if (WEXITSTATUS(status) == 0) return {};
        return "the editor ended with status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status))
        return "the editor was killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    return "the editor ended";
}

int stopchild(child& c, std::string* said) {
    int status = 0;
    if (c.pid > 0) {
        pid_t r = waitpid(c.pid, &status, WNOHANG);
        if (r == 0) {
            // Still running: asked to end first, with its input still open,
            // so that it leaves through its signal handler, which saves any
            // unsaved text; it is given the time that handler may take.
            kill(-c.pid, SIGTERM);
            kill(c.pid, SIGTERM);
            for (int i = 0; i < 300 && r == 0; ++i) {
                usleep(10000);
                r = waitpid(c.pid, &status, WNOHANG);
            }
            if (r == 0) {
                kill(-c.pid, SIGKILL);
                kill(c.pid, SIGKILL);
                while (waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
                }
            }
        }
        c.pid = -1;
    }
    closefd(c.in);
    // What it wrote last on its standard error (where the recovery files
    // are named).
    if (said != nullptr && c.err >= 0) {
        fcntl(c.err, F_SETFL, O_NONBLOCK);
        std::array<char, 4096> buf;
        for (ssize_t n; (n = read(c.err, buf.data(), buf.size())) > 0;)
            said->append(buf.data(), static_cast<size_t>(n));
    }
    closefd(c.out);
    closefd(c.err);
    return status;
}

} // namespace oxa::term
