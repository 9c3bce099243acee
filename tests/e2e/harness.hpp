// End-to-end harness: runs the built `oxa` on a keystroke script in a fresh
// temporary directory and hands back what it wrote.
//
// Keystroke scripts are plain text in which braces name keys.  The harness
// decodes them itself; the program only ever sees the decoded bytes.
//
//   {CMD}   byte 3, the command key (Ctrl-C)
//   {CR}    byte 13, return          {LF}   byte 10
//   {ESC}   byte 27                  {DEL}  byte 127, rubout
//   {TAB}   byte 9                   {BS}   byte 8
//   {SP}    byte 32                  {NUL}  byte 0
//   {^X}    control-X, that is X AND 31 ({^C} is 3, {^[} is 27); {^?} is 127
//   {27}    the byte with this decimal value (0 to 255)
//   {{      a literal `{`
//
// Every other character stands for itself, `}` included.  So "{CMD}GO{CR}"
// is the command key, the letters G and O, and return; "{ESC}[2~" is the
// insert-mode key.  A malformed brace throws std::invalid_argument, which
// fails the test that wrote it.
//
// `runoxa` writes the decoded script to the program's standard input, closes
// it, and waits at most `timeout` seconds (then kills the program and fails
// the test).  The standard output is split into the front end's lines: each
// must end in CR LF; a line that does not is reported as a test failure
// unless the run asked for raw output (`framed` false).
#pragma once

// Where the built program and the source tree are: defined once in paths.cpp,
// so that no other test object carries a build-specific path.
extern const char* const oxa_binary_path;
extern const char* const oxa_source_dir;
extern const char* const oxa_project_version; // the version set in CMakeLists.txt
#define OXA_BINARY oxa_binary_path
#define OXA_SOURCE_DIR oxa_source_dir

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace oxatest {

// The whole of a file, byte for byte ("" when it cannot be read).
inline std::string readfile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Writes `bytes` as the whole of a file.
inline void writefile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// The names in a directory.
inline std::set<std::string> entries(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename());
    return names;
}

// Decodes the brace notation described above.
inline std::string keys(std::string_view script) {
    static const struct {
        const char* name;
        unsigned char byte;
    } names[] = {
        {"CMD", 3}, {"CR", 13}, {"LF", 10}, {"ESC", 27}, {"DEL", 127},
        {"TAB", 9}, {"BS", 8},  {"SP", 32}, {"NUL", 0},
    };
    std::string out;
    for (size_t i = 0; i < script.size(); ++i) {
        char c = script[i];
        if (c != '{') {
            out += c;
            continue;
        }
        if (i + 1 < script.size() && script[i + 1] == '{') {
            out += '{';
            ++i;
            continue;
        }
        size_t close = script.find('}', i + 1);
        if (close == std::string_view::npos)
            throw std::invalid_argument("unclosed brace in key script: " + std::string(script));
        std::string_view tok = script.substr(i + 1, close - i - 1);
        i = close;
        bool found = false;
        for (const auto& n : names) {
            if (tok == n.name) {
                out += static_cast<char>(n.byte);
                found = true;
                break;
            }
        }
        if (found) continue;
        if (tok.size() == 2 && tok[0] == '^') {
            out += static_cast<char>(tok[1] == '?' ? 127 : (tok[1] & 31));
            continue;
        }
        if (!tok.empty() && tok.size() <= 3 &&
            tok.find_first_not_of("0123456789") == std::string_view::npos) {
            int v = std::stoi(std::string(tok));
            if (v <= 255) {
                out += static_cast<char>(static_cast<unsigned char>(v));
                continue;
            }
        }
        throw std::invalid_argument("unknown key {" + std::string(tok) + "} in key script");
    }
    return out;
}

// A file written into the run's directory before the program starts.
struct Fixture {
    std::string name;
    std::string content;
    bool executable = false; // made executable (a driver program, a script)
};

struct Run {
    std::vector<std::string> args{}; // the program's arguments (without its name)
    std::string keys{};              // keystroke script in brace notation
    std::vector<Fixture> files{};    // written into the directory first
    int timeout = 10;                // seconds before the program is killed
    bool framed = true;              // stdout must be CR LF lines
};

// A temporary directory removed with its contents when the last result that
// refers to it goes.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "oxa-e2e-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        path = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

struct Result {
    int status = -1;                   // exit status; -1 when killed or ended by a signal
    bool timedout = false;             // killed after the timeout
    std::string out;                   // raw standard output
    std::string err;                   // standard error
    std::vector<std::string> lines;    // stdout lines without their CR LF
    std::vector<std::string> badlines; // stdout lines not ended by CR LF
    std::shared_ptr<TempDir> dir;

    std::filesystem::path path(const std::string& name) const { return dir->path / name; }
    bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }
    // The whole content of a file in the run's directory ("" if it is missing).
    std::string file(const std::string& name) const {
        std::ifstream f(path(name), std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }
};

// Splits standard output into CR LF lines; a line ended by a bare LF, or text
// after the last CR LF, goes to `bad`.
inline void splitlines(const std::string& out, std::vector<std::string>& lines,
                       std::vector<std::string>& bad) {
    size_t start = 0;
    while (start < out.size()) {
        size_t nl = out.find('\n', start);
        if (nl == std::string::npos) {
            bad.push_back(out.substr(start));
            break;
        }
        if (nl > start && out[nl - 1] == '\r')
            lines.push_back(out.substr(start, nl - 1 - start));
        else
            bad.push_back(out.substr(start, nl - start));
        start = nl + 1;
    }
}

// Runs the program as described by `run`.  Test failures are added for a
// timeout and, when `framed`, for every line not ended by CR LF.
inline Result runoxa(const Run& run) {
    std::signal(SIGPIPE, SIG_IGN); // the program may exit before reading all input
    Result r;
    r.dir = std::make_shared<TempDir>();
    for (const Fixture& f : run.files) {
        {
            std::ofstream o(r.dir->path / f.name, std::ios::binary);
            o << f.content;
        }
        if (f.executable)
            std::filesystem::permissions(r.dir->path / f.name,
                                         std::filesystem::perms::owner_exec,
                                         std::filesystem::perm_options::add);
    }
    const std::string input = keys(run.keys);

    int inp[2], outp[2], errp[2];
    if (pipe(inp) || pipe(outp) || pipe(errp)) throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(inp[0], 0);
        dup2(outp[1], 1);
        dup2(errp[1], 2);
        for (int fd : {inp[0], inp[1], outp[0], outp[1], errp[0], errp[1]})
            close(fd);
        if (chdir(r.dir->path.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(OXA_BINARY));
        for (const std::string& a : run.args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(OXA_BINARY, argv.data());
        _exit(127);
    }
    close(inp[0]);
    close(outp[1]);
    close(errp[1]);
    int win = inp[1];
    fcntl(win, F_SETFL, O_NONBLOCK);
    size_t written = 0;
    if (input.empty()) {
        close(win);
        win = -1;
    }
    int rout = outp[0], rerr = errp[0];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(run.timeout);
    char buf[4096];
    while (rout >= 0 || rerr >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            r.timedout = true;
            break;
        }
        pollfd fds[3];
        int n = 0;
        int iw = -1, io = -1, ie = -1;
        if (win >= 0) fds[iw = n++] = {win, POLLOUT, 0};
        if (rout >= 0) fds[io = n++] = {rout, POLLIN, 0};
        if (rerr >= 0) fds[ie = n++] = {rerr, POLLIN, 0};
        int k = poll(fds, n, static_cast<int>(left));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) continue;
        if (iw >= 0 && fds[iw].revents) {
            ssize_t w = write(win, input.data() + written, input.size() - written);
            if (w > 0) written += static_cast<size_t>(w);
            if (w < 0 && errno != EAGAIN) written = input.size(); // the program has gone
            if (written == input.size()) {
                close(win);
                win = -1;
            }
        }
        for (auto [idx, fd, dest] :
             {std::tuple{io, &rout, &r.out}, std::tuple{ie, &rerr, &r.err}}) {
            if (idx < 0 || !fds[idx].revents) continue;
            ssize_t got = read(*fd, buf, sizeof buf);
            if (got > 0) {
                dest->append(buf, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(*fd);
                *fd = -1;
            }
        }
    }
    if (r.timedout) kill(pid, SIGKILL);
    for (int fd : {win, rout, rerr})
        if (fd >= 0) close(fd);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    if (r.timedout) ADD_FAILURE() << "oxa did not finish within " << run.timeout << " s";
    splitlines(r.out, r.lines, r.badlines);
    if (run.framed) {
        for (const std::string& b : r.badlines)
            ADD_FAILURE() << "stdout line not ended by CR LF: \"" << b << "\"";
    }
    return r;
}

// One line per character of `s`: how typed or echoed letters travel.
inline std::vector<std::string> each(std::string_view s) {
    std::vector<std::string> v;
    for (char c : s)
        v.emplace_back(1, c);
    return v;
}

// The lines of several pieces, one after the other.
inline std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> v;
    for (const auto& p : parts)
        v.insert(v.end(), p.begin(), p.end());
    return v;
}

// Position of `seq` as consecutive lines in `lines`, from `from`; -1 if absent.
inline int findlines(const std::vector<std::string>& lines, const std::vector<std::string>& seq,
                     size_t from = 0) {
    if (seq.empty()) return static_cast<int>(from);
    for (size_t i = from; i + seq.size() <= lines.size(); ++i) {
        bool all = true;
        for (size_t j = 0; j < seq.size() && all; ++j)
            all = lines[i + j] == seq[j];
        if (all) return static_cast<int>(i);
    }
    return -1;
}

// The text of every EMIT to the front end in the output, in order.  Emitted
// lines end in a bare line feed, so each block runs from the end of the last
// CR LF line before its "$$$" marker.
inline std::vector<std::string> emits(const std::string& out) {
    std::vector<std::string> v;
    size_t pos = 0;
    for (size_t m; (m = out.find("$$$\r\n", pos)) != std::string::npos; pos = m + 5) {
        size_t s = out.rfind("\r\n", m == 0 ? 0 : m - 1);
        s = (s == std::string::npos || s + 2 < pos) ? pos : s + 2;
        if (s > m) s = m;
        v.push_back(out.substr(s, m - s));
    }
    return v;
}

} // namespace oxatest
