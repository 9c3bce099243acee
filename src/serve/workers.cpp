// Starting, feeding and restarting the worker processes.
#include "serve/workers.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "check/check.hpp"
#include "serve/log.hpp"
#include "serve/text.hpp"

namespace serve {

std::string worker_program = "/proc/self/exe";
std::string worker_language = "english";

namespace {

// A worker taking longer than this to load or to answer is taken for hung.
constexpr int reply_timeout_ms = 30000;

bool write_all(int fd, const std::string& s) {
    size_t done = 0;
    while (done < s.size()) {
        const ssize_t n = write(fd, s.data() + done, s.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::mutex files_lock; // the pack-file finder keeps global state

} // namespace

std::vector<std::string> pack_files(const std::string& dir) {
    std::lock_guard<std::mutex> hold(files_lock);
    check::resetload();
    check::findfiles(dir);
    std::vector<std::string> out;
    for (const std::string& f : check::packfile)
        if (!f.empty()) out.push_back(f);
    check::resetload();
    return out;
}

worker_process::~worker_process() {
    if (pid_ > 0) {
        close(to_); // the worker ends at the end of its input
        close(from_);
        int status;
        if (waitpid(pid_, &status, WNOHANG) == 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, &status, 0);
        }
    }
}

bool worker_process::start(std::string& error) {
    int down[2], up[2];
    if (pipe2(down, O_CLOEXEC) != 0) {
        error = strerror(errno);
        return false;
    }
    if (pipe2(up, O_CLOEXEC) != 0) {
        error = strerror(errno);
        close(down[0]);
        close(down[1]);
        return false;
    }
    const std::string program = worker_program, language = worker_language;
    const pid_t pid = fork();
    if (pid < 0) {
        error = strerror(errno);
        for (int fd : {down[0], down[1], up[0], up[1]})
            close(fd);
        return false;
    }
    if (pid == 0) {
        // The request pipe on 3, replies on 4; nothing on 0 or 1.  Both are
        // first moved above 4, so that neither is overwritten or left
        // closing on exec when it already sits on 3 or 4.
        const int in = fcntl(down[0], F_DUPFD, 10);
        const int out = fcntl(up[1], F_DUPFD, 10);
        dup2(in, 3);
        dup2(out, 4);
        close(in);
        close(out);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        signal(SIGTERM, SIG_DFL);
        signal(SIGINT, SIG_IGN); // an interrupt at the terminal is the server's to handle
        execl(program.c_str(), "oxa-serve", "--worker", dir_.c_str(), language.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(down[0]);
    close(up[1]);
    pid_ = pid;
    to_ = down[1];
    from_ = up[0];
    buffered_.clear();
    std::string ready;
    if (!exchange("", ready) || ready.find("\"ready\":true") == std::string::npos) {
        error = "the worker for pack " + pack_ + " did not start";
        reap(false);
        return false;
    }
    return true;
}

bool worker_process::exchange(const std::string& line, std::string& reply) {
    if (pid_ <= 0) return false;
    if (!line.empty() && !write_all(to_, line + "\n")) return false;
    for (;;) {
        const size_t nl = buffered_.find('\n');
        if (nl != std::string::npos) {
            reply = buffered_.substr(0, nl);
            buffered_.erase(0, nl + 1);
            return true;
        }
        pollfd p{from_, POLLIN, 0};
        const int r = poll(&p, 1, reply_timeout_ms);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        char buf[65536];
        const ssize_t n = read(from_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffered_.append(buf, static_cast<size_t>(n));
    }
}

void worker_process::reap(bool log) {
    if (pid_ <= 0) return;
    close(to_);
    close(from_);
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGKILL); // hung: it will not answer any more
        waitpid(pid_, &status, 0);
    }
    if (log) {
        std::string how = WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                                              : "exit status " + std::to_string(WEXITSTATUS(status));
        log_line("worker for pack " + pack_ + " (pid " + std::to_string(pid_) + ") ended (" + how +
                 "); restarting it");
    }
    pid_ = -1;
    to_ = from_ = -1;
}

bool worker_process::call(const nlohmann::json& req, nlohmann::json& reply) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (pid_ <= 0) {
            std::string error;
            if (!start(error)) {
                log_line(error);
                return false;
            }
        }
        std::string line;
        if (exchange(req.dump(), line)) {
            reply = nlohmann::json::parse(line, nullptr, false);
            return !reply.is_discarded();
        }
        reap(true);
    }
    return false;
}

pack_workers::pack_workers(std::string name, std::string dir, int count)
    : name_(std::move(name)), dir_(std::move(dir)) {
    for (int i = 0; i < count; ++i)
        all_.push_back(std::make_unique<worker_process>(name_, dir_));
}

bool pack_workers::start(std::string& error) {
    revision_ = files_revision(pack_files(dir_));
    if (revision_.empty()) {
        error = "cannot read the files of pack " + name_;
        return false;
    }
    for (auto& w : all_) {
        if (!w->start(error)) return false;
        idle_.push_back(w.get());
    }
    return true;
}

std::string pack_workers::revision() {
    std::lock_guard<std::mutex> hold(lock_);
    return revision_;
}

std::vector<pid_t> pack_workers::pids() {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<pid_t> out;
    for (auto& w : all_)
        out.push_back(w->pid());
    return out;
}

bool pack_workers::call(const nlohmann::json& req, nlohmann::json& reply) {
    worker_process* w;
    {
        std::unique_lock<std::mutex> hold(lock_);
        freed_.wait(hold, [this] { return !idle_.empty(); });
        w = idle_.back();
        idle_.pop_back();
    }
    const bool ok = w->call(req, reply);
    {
        std::lock_guard<std::mutex> hold(lock_);
        idle_.push_back(w);
    }
    freed_.notify_one();
    return ok;
}

} // namespace serve
