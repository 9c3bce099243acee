// No fault loses a file: a full disk, a kill in the middle of a write, the
// signals that end the editor from outside, and CLEAR's warning.
#include "harness.hpp"

#include <sys/mount.h>
#include <sys/stat.h>
#include <termios.h>

#include <set>
#include <thread>

namespace reliability_test {

using oxatest::Fixture;
using oxatest::Result;
using oxatest::Run;
using oxatest::runoxa;
using oxatest::entries;
using oxatest::writefile;
namespace fs = std::filesystem;

std::string lines(const char* word, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += std::string(word) + " " + std::to_string(i) + "\n";
    return s;
}

// The editor started in a pseudo-terminal, as a user at a terminal runs it.
// Standard error goes to a pipe of its own.
struct PtyRun {
    pid_t pid = -1;
    int master = -1;
    int slave = -1; // kept open to read the terminal's modes after the exit
    int err = -1;
    std::string out;

    PtyRun(const fs::path& dir, const std::vector<std::string>& args) {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        const std::string name = ptsname(master);
        slave = open(name.c_str(), O_RDWR | O_NOCTTY);
        int errp[2];
        if (slave < 0 || pipe(errp) != 0) throw std::runtime_error("pseudo-terminal set-up");
        pid = fork();
        if (pid == 0) {
            setsid();
            int tty = open(name.c_str(), O_RDWR);
            dup2(tty, 0);
            dup2(tty, 1);
            dup2(errp[1], 2);
            if (chdir(dir.c_str()) != 0) _exit(127);
            setenv("TERM", "xterm", 1);
            setenv("HOME", dir.c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(OXA_BINARY)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(OXA_BINARY, argv.data());
            _exit(127);
        }
        close(errp[1]);
        err = errp[0];
    }
    ~PtyRun() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        for (int fd : {master, slave, err})
            if (fd >= 0) close(fd);
    }

    // Reads what the editor writes until it has been quiet for half a second
    // (at most 5 s).
    void settle() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 500) <= 0) return;
            char buf[4096];
            ssize_t n = read(master, buf, sizeof buf);
            if (n <= 0) return;
            out.append(buf, static_cast<size_t>(n));
        }
    }

    void type(const std::string& script) {
        const std::string bytes = oxatest::keys(script);
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Waits for the end of the program; its exit status, or -1.
    int finish() {
        int status = 0;
        for (int i = 0; i < 500; ++i) {
            // Keep the terminal's output flowing so that the program never blocks.
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 10) > 0) {
                char buf[4096];
                if (read(master, buf, sizeof buf) <= 0) {
                }
            }
            pid_t w = waitpid(pid, &status, WNOHANG);
            if (w == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        }
        return -1;
    }

    std::string errors() {
        std::string s;
        char buf[4096];
        fcntl(err, F_SETFL, O_NONBLOCK);
        for (ssize_t n; (n = read(err, buf, sizeof buf)) > 0;) s.append(buf, static_cast<size_t>(n));
        return s;
    }
};

// Each fatal signal gives the terminal back as it was, leaves a recovery file
// for every edited corefile, written as SAVE would write it (a UTF-8 file and
// an unnamed corefile in UTF-8, a Latin-1 file in Latin-1), and ends with
// status 128 + signal.
TEST(Reliability, FatalSignalsRestoreTheTerminalAndLeaveRecoveryFiles) {
    struct Case {
        int sig;
        std::string file;     // doc.txt before
        std::string typed;    // into unnamed corefile 2
        std::string shown;    // how the terminal shows it (one byte a character), a line each
        std::string saved;    // doc.txt.oxa-save
        std::string unnamed;  // oxa-corefile-2.oxa-save
    };
    const Case cases[] = {
        {SIGTERM, "first line\n", "two", "t\nw\no", "zzrst line\n", "two\n"},
        {SIGHUP, "caf\xc3\xa9 cr\xc3\xa8me\n", "\xc3\xa9t\xc3\xa9", "\xe9\nt\n\xe9",
         "zzf\xc3\xa9 cr\xc3\xa8me\n", "\xc3\xa9t\xc3\xa9\n"},
        {SIGQUIT, "caf\xe9 cr\xe8me\n", "\xc3\xa0 la", "\xe0\n \nl\na",
         "zzf\xe9 cr\xe8me\n", "\xc3\xa0 la\n"},
    };
    for (const Case& k : cases) {
        const int sig = k.sig;
        oxatest::TempDir dir;
        writefile(dir.path / "doc.txt", k.file);
        std::unique_ptr<PtyRun> started;
        try {
            started = std::make_unique<PtyRun>(dir.path, std::vector<std::string>{"doc.txt"});
        } catch (const std::runtime_error& e) {
            GTEST_SKIP() << e.what();
        }
        PtyRun& run = *started;
        termios before{};
        ASSERT_EQ(tcgetattr(run.slave, &before), 0);
        ASSERT_TRUE(before.c_lflag & ICANON);
        // Keys are typed once the editor has the terminal in raw mode.
        termios during{};
        for (int i = 0; i < 250; ++i) {
            tcgetattr(run.slave, &during);
            if (!(during.c_lflag & ICANON)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_FALSE(during.c_lflag & (ICANON | ECHO)) << "raw mode while editing";
        // Text typed over the fetched file's first line, and into unnamed
        // corefile 2; the last command shows the corefile number.
        run.type("{CR}zz{CMD}CO2{CR}{CR}" + k.typed + "{CMD}CO1{CR}");
        run.settle();
        std::string shown = run.out;
        std::erase(shown, '\r');
        ASSERT_NE(shown.find(k.shown + "\nCommand"), std::string::npos) << shown;
        kill(run.pid, sig);
        EXPECT_EQ(run.finish(), 128 + sig) << strsignal(sig);
        termios after{};
        ASSERT_EQ(tcgetattr(run.slave, &after), 0);
        EXPECT_EQ(after.c_lflag, before.c_lflag) << strsignal(sig);
        EXPECT_EQ(after.c_iflag, before.c_iflag) << strsignal(sig);
        EXPECT_EQ(std::memcmp(after.c_cc, before.c_cc, sizeof after.c_cc), 0) << strsignal(sig);
        EXPECT_EQ(oxatest::readfile(dir.path / "doc.txt"), k.file);
        EXPECT_EQ(oxatest::readfile(dir.path / "doc.txt.oxa-save"), k.saved) << strsignal(sig);
        EXPECT_EQ(oxatest::readfile(dir.path / "oxa-corefile-2.oxa-save"), k.unnamed) << strsignal(sig);
        // Each is named by its full path.
        const std::string err = run.errors();
        const std::string where = fs::canonical(dir.path).string() + "/";
        EXPECT_NE(err.find("oxa: corefile 1 saved in " + where + "doc.txt.oxa-save\n"),
                  std::string::npos)
            << err;
        EXPECT_NE(err.find("oxa: corefile 2 saved in " + where + "oxa-corefile-2.oxa-save\n"),
                  std::string::npos)
            << err;
    }
}

// A recovery file is always a new file, readable by its owner only: an
// earlier one (another crash, another editor) is kept and the next number is
// taken; a link planted under the name is not followed.  After CDIRECTORY
// the message gives the full path of the file written.
TEST(Reliability, RecoveryFilesNeverReplaceOneAnother) {
    struct Case {
        const char* what;
        std::string keys;          // after the start on doc.txt
        std::string folder;        // where the recovery files go, under the run's directory
        std::string expected;      // the recovery file written there
    };
    const Case cases[] = {
        {"taken names", "{CR}zz", "", "doc.txt.3.oxa-save"},
        {"after CDIRECTORY", "{CR}zz{CMD}CDsub{CR}", "sub/", "doc.txt.oxa-save"},
    };
    for (const Case& k : cases) {
        oxatest::TempDir dir;
        writefile(dir.path / "doc.txt", "first\n");
        fs::create_directory(dir.path / "sub");
        writefile(dir.path / "victim.txt", "victim\n");
        // Planted where the first recovery files would go.
        writefile(dir.path / "doc.txt.oxa-save", "earlier\n");
        ::chmod((dir.path / "doc.txt.oxa-save").c_str(), 0666);
        fs::create_symlink("victim.txt", dir.path / "doc.txt.2.oxa-save");
        std::unique_ptr<PtyRun> started;
        try {
            started = std::make_unique<PtyRun>(dir.path, std::vector<std::string>{"doc.txt"});
        } catch (const std::runtime_error& e) {
            GTEST_SKIP() << e.what();
        }
        PtyRun& run = *started;
        run.settle();
        run.type(k.keys);
        run.settle();
        kill(run.pid, SIGTERM);
        EXPECT_EQ(run.finish(), 128 + SIGTERM) << k.what;
        const fs::path written = dir.path / k.folder / k.expected;
        EXPECT_EQ(oxatest::readfile(written), "zzrst\n") << k.what;
        struct stat st {};
        ASSERT_EQ(::lstat(written.c_str(), &st), 0) << k.what;
        EXPECT_TRUE(S_ISREG(st.st_mode)) << k.what;
        EXPECT_EQ(st.st_mode & 07777, 0600u) << k.what;
        EXPECT_EQ(oxatest::readfile(dir.path / "doc.txt.oxa-save"), "earlier\n") << k.what;
        EXPECT_EQ(oxatest::readfile(dir.path / "victim.txt"), "victim\n") << k.what;
        EXPECT_TRUE(fs::is_symlink(dir.path / "doc.txt.2.oxa-save")) << k.what;
        const std::string err = run.errors();
        EXPECT_NE(err.find("oxa: corefile 1 saved in " + fs::canonical(written).string() + "\n"),
                  std::string::npos)
            << k.what << ": " << err;
    }
}

// The end of a user's input (the front end's full stream here) with unsaved
// text writes the recovery files; the end of a plain pipe only reports it.
TEST(Reliability, EndOfInteractiveInputSavesUnsavedText) {
    for (bool full : {true, false}) {
        Result r;
        {
            const char* old = std::getenv("OXA_WIRE");
            const std::string saved = old ? old : "";
            if (full) ::setenv("OXA_WIRE", "full", 1);
            r = runoxa({.args = {"doc.txt"}, .keys = "{CR}zz", .files = {{"doc.txt", "first\n"}},
                        .framed = false});
            if (old) ::setenv("OXA_WIRE", saved.c_str(), 1);
            else ::unsetenv("OXA_WIRE");
        }
        EXPECT_EQ(r.status, 0) << full;
        EXPECT_EQ(r.file("doc.txt"), "first\n") << full;
        if (full) {
            EXPECT_EQ(r.file("doc.txt.oxa-save"), "zzrst\n");
            EXPECT_NE(r.err.find("oxa: corefile 1 saved in " +
                                 fs::canonical(r.path("doc.txt.oxa-save")).string()),
                      std::string::npos)
                << r.err;
        } else {
            EXPECT_FALSE(r.exists("doc.txt.oxa-save"));
            EXPECT_EQ(r.err, "oxa: corefile 1 (doc.txt) not saved\n");
        }
    }
}

// SIGTERM in the middle of an OVERWRITE: the write ends whole (or not at all)
// and the text is saved for recovery; SIGKILL at any moment of the write
// leaves the old file or the whole new one, never a mixture.
TEST(Reliability, AKillDuringAWriteKeepsTheFile) {
    const std::string old = lines("original", 60000);
    const std::string edits = "edited ";
    // Typing starts in overwrite mode.
    const std::string whole = edits + old.substr(edits.size());
    for (int delay = 0; delay <= 40; delay += 5) {
        for (int sig : {SIGKILL, SIGTERM}) {
            oxatest::TempDir dir;
            writefile(dir.path / "big.txt", old);
            int inp[2], outp[2];
            ASSERT_EQ(pipe(inp), 0);
            ASSERT_EQ(pipe(outp), 0);
            pid_t pid = fork();
            if (pid == 0) {
                dup2(inp[0], 0);
                dup2(outp[1], 1);
                int null = open("/dev/null", O_WRONLY);
                dup2(null, 2);
                close(inp[1]);
                close(outp[0]);
                if (chdir(dir.path.c_str()) != 0) _exit(127);
                execl(OXA_BINARY, OXA_BINARY, "big.txt", static_cast<char*>(nullptr));
                _exit(127);
            }
            close(inp[0]);
            close(outp[1]);
            // The first output comes after the signal handlers are in place;
            // from then on the output is drained so that the program never
            // waits for the pipe.
            char first;
            ASSERT_EQ(read(outp[0], &first, 1), 1);
            std::thread drain([fd = outp[0]] {
                char buf[4096];
                while (read(fd, buf, sizeof buf) > 0) {
                }
            });
            const std::string keys = oxatest::keys("{CR}" + edits + "{CMD}OVbig.txt{CR}");
            ASSERT_EQ(write(inp[1], keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            kill(pid, sig);
            int status = 0;
            waitpid(pid, &status, 0);
            close(inp[1]);
            drain.join();
            close(outp[0]);
            const std::string now = oxatest::readfile(dir.path / "big.txt");
            const std::string where = std::string(strsignal(sig)) + " after " +
                                      std::to_string(delay) + " ms";
            EXPECT_TRUE(now == old || now == whole) << where << ": " << now.size() << " bytes";
            if (sig == SIGTERM) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << where;
                // Nothing half-written stays behind.
                for (const std::string& e : entries(dir.path))
                    EXPECT_TRUE(e == "big.txt" || e == "big.txt.oxa-save") << where << ": " << e;
                // The recovery file holds the text as the signal found it:
                // the typing done by then (the first key opens an undo step,
                // which copies the corefile first, so a signal may come
                // between two keys).
                if (fs::exists(dir.path / "big.txt.oxa-save")) {
                    const std::string saved = oxatest::readfile(dir.path / "big.txt.oxa-save");
                    bool typed = false;
                    for (size_t k = 1; k <= edits.size(); ++k)
                        typed = typed || saved == edits.substr(0, k) + old.substr(k);
                    EXPECT_TRUE(typed) << where << ": " << saved.substr(0, 40);
                }
            }
        }
    }
}

// OVERWRITE onto a full disk keeps the old file byte for byte and says so.
// Needs a small file system of its own: skipped where mounting is not allowed
// (the unit tests inject the same failure at the write call).
TEST(Reliability, OverwriteOntoAFullDiskKeepsTheOldFile) {
    oxatest::TempDir dir;
    const fs::path disk = dir.path / "disk";
    fs::create_directory(disk);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=96k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk.string()};
    const std::string old = lines("original", 4000).substr(0, 40000);
    writefile(disk / "doc.txt", old);
    // Leave less room than the new text needs.
    writefile(disk / "filler", std::string(40000, 'f'));
    const std::string big = lines("replacement", 5000).substr(0, 64000);
    writefile(dir.path / "big.txt", big);
    Result res = runoxa({.args = {(dir.path / "big.txt").string()},
                         .keys = "{CMD}OV" + (disk / "doc.txt").string() + "{CR}{CR}{CR}",
                         .framed = false});
    EXPECT_EQ(oxatest::readfile(disk / "doc.txt"), old);
    EXPECT_NE(res.out.find(" Write Failed "), std::string::npos) << res.out;
    EXPECT_EQ(entries(disk), (std::set<std::string>{"doc.txt", "filler"}));
}

// CLEAR on an unsaved corefile warns; DELETE at the warning keeps the text,
// and so does the end of input.
TEST(Reliability, ClearWarningCanBeRefused) {
    const Fixture f{"f.txt", "abc\n"};
    struct Case {
        const char* name;
        const char* keys;
        const char* emitted; // "" when nothing is emitted
        bool unsaved;
    };
    const Case cases[] = {
        {"delete abandons", "{CR}x{CMD}CL{DEL}{CMD}EM{CR}", "xbc\n$$$", true},
        {"return clears", "{CR}x{CMD}CL{CR}{CMD}EM{CR}", "\n$$$", false},
        {"end of input keeps", "{CR}x{CMD}CL", "", true},
    };
    for (const Case& k : cases) {
        auto r = runoxa({.args = {"f.txt"}, .keys = k.keys, .files = {f}, .framed = false});
        EXPECT_EQ(r.status, 0) << k.name;
        EXPECT_NE(r.out.find("Warning: corefile not saved"), std::string::npos) << k.name;
        if (*k.emitted) {
            EXPECT_NE(r.out.find(k.emitted), std::string::npos) << k.name << r.out;
        }
        EXPECT_EQ(r.err.find("corefile 1 (f.txt) not saved") != std::string::npos, k.unsaved)
            << k.name << r.err;
        EXPECT_EQ(r.file("f.txt"), "abc\n") << k.name;
    }
}

// Inputs that once hung the editor end at once, each with its outcome.
TEST(Reliability, HostileInputsEndQuickly) {
    std::string wide = "%define V sss %V %V\n%V\n";
    std::string longline;
    for (int i = 0; i < 80000; ++i) longline += "x ";
    // Typing beyond what the heap holds, on two lines in turn: each key once
    // filled the heap with blanks that the collection then stripped.
    std::string twolines = "{CMD}MA2147483647{CR}{CR}";
    for (int i = 0; i < 300; ++i) twolines += "{TAB}x{ESC}[Bx{ESC}[A";
    twolines += "{CMD}EM{CR}";
    struct Case {
        const char* name;
        std::string keys;
        std::vector<Fixture> files;
        const char* shown; // a line of the output
    };
    const Case cases[] = {
        {"far position after a small shift",
         "{CMD}WS2{CR}{CMD}PO|2147483647{CR}{CR}x{CMD}PO|1{CR}{CMD}EM{CR}", {}, "$$$"},
        {"far left margin, then a tab", "{CMD}MA2147483647{CR}{CR}{TAB}{CMD}EM{CR}", {}, "$$$"},
        {"far advance", "{CMD}AD0|2147483647{CR}{CR}x{CMD}EM{CR}", {}, "$$$"},
        {"typing beyond the heap on two lines in turn", twolines, {}, "$$$"},
        {"a macro naming itself twice", "{CMD}ATm.att{CR}{CMD}EM7{CR}", {{"m.att", wide}},
         "ERROR attribute input  too many errors, the rest of the file is skipped"},
        {"one long line of errors", "{CMD}ATl.att{CR}{CMD}EM7{CR}", {{"l.att", longline}},
         "ERROR attribute input  too many errors, the rest of the file is skipped"},
    };
    for (const Case& k : cases) {
        auto r = runoxa({.args = {}, .keys = k.keys, .files = k.files, .timeout = 5,
                         .framed = false});
        EXPECT_FALSE(r.timedout) << k.name;
        EXPECT_EQ(r.status, 0) << k.name;
        EXPECT_NE(r.out.find(k.shown), std::string::npos) << k.name;
    }
}

} // namespace reliability_test
