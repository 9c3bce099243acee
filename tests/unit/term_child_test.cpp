// oxa-term: the editor as a child process (started here with the shell in
// its place).
#include "term/child.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace oxa::term {
namespace term_child_test {

// Everything the child writes on its standard output, up to its end.
std::string readall(int fd) {
    std::string out;
    char buf[256];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0)
            out.append(buf, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            return out;
    }
}

TEST(TermChild, EditorBesideTheProgram) {
    EXPECT_EQ(besideself("/usr/local/bin/oxa-term"), "/usr/local/bin/oxa");
    EXPECT_EQ(besideself("build/oxa-term"), "build/oxa");
    EXPECT_EQ(besideself("oxa-term"), "./oxa");
}

TEST(TermChild, RunsWithTheFullStreamAndTheWindowSize) {
    setenv("OXA_WIRE", "default", 1); // replaced, never doubled
    child c;
    std::string error;
    ASSERT_TRUE(startchild("/bin/sh", {"-c", "echo \"$OXA_WIRE $LINES $COLUMNS\"; env | grep -c '^OXA_WIRE='; "
                                             "read line; echo \"got $line\"; echo oops >&2; exit 3"},
                           30, 100, c, error))
        << error;
    unsetenv("OXA_WIRE");
    ASSERT_TRUE(sendbytes(c, "keys\n"));
    EXPECT_EQ(readall(c.out), "full 30 100\n1\ngot keys\n");
    EXPECT_EQ(readall(c.err), "oops\n");
    const int status = stopchild(c);
    EXPECT_EQ(endreport(status), "the editor ended with status 3");
    EXPECT_EQ(c.pid, -1);
    EXPECT_EQ(c.in, -1);
}

TEST(TermChild, MissingOrUnrunnableProgramIsReported) {
    child c;
    std::string error;
    EXPECT_FALSE(startchild("/nonexistent/oxa", {}, 24, 80, c, error));
    EXPECT_EQ(error, "cannot run /nonexistent/oxa: No such file or directory");
    // A file that is no program: refused before the start without the
    // permission, by the start itself with it.
    char path[] = "/tmp/oxa-term-notaprogram-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "\x01\x02\x03\x04", 4), 4);
    close(fd);
    chmod(path, 0644);
    EXPECT_FALSE(startchild(path, {}, 24, 80, c, error));
    EXPECT_EQ(error, std::string("cannot run ") + path + ": Permission denied");
    chmod(path, 0755);
    EXPECT_FALSE(startchild(path, {}, 24, 80, c, error));
    EXPECT_EQ(error, std::string("cannot run ") + path + ": Exec format error");
    unlink(path);
    EXPECT_EQ(c.pid, -1);
}

// The processes of session `sid` that have not ended (zombies not counted).
int live_in_session(pid_t sid) {
    int n = 0;
    DIR* d = opendir("/proc");
    if (!d) return 0;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        std::ifstream in(std::string("/proc/") + e->d_name + "/stat");
        std::string line;
        if (!std::getline(in, line)) continue;
        // pid (comm) state ppid pgrp session ...; comm may hold blanks.
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 1));
        char state = 0;
        long ppid = 0, pgrp = 0, session = 0;
        rest >> state >> ppid >> pgrp >> session;
        if (session == sid && state != 'Z' && state != 'X') ++n;
    }
    closedir(d);
    return n;
}

TEST(TermChild, StillRunningEditorIsEndedWithItsSession) {
    child c;
    std::string error;
    ASSERT_TRUE(startchild("/bin/sh", {"-c", "sleep 30 & sleep 30"}, 24, 80, c, error)) << error;
    const pid_t pid = c.pid;
    EXPECT_EQ(getsid(pid), pid); // a session of its own
    const int status = stopchild(c);
    EXPECT_EQ(endreport(status), "the editor was killed by signal 15 (Terminated)");
    EXPECT_NE(kill(pid, 0), 0); // collected
    // Its whole session ended: no process of it is left but zombies, which
    // whoever adopted them collects in its own time.
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = live_in_session(pid) == 0;
        if (!gone) usleep(10000);
    }
    EXPECT_TRUE(gone);
}

// The editor is asked to end while its input is still open, so that it
// leaves through its signal handler (which saves unsaved text) and not
// through the end of its input; what it says then is handed back.
TEST(TermChild, StopSignalsBeforeTheInputEnds) {
    child c;
    std::string error;
    ASSERT_TRUE(startchild("/bin/sh",
                           {"-c", "trap 'echo signalled >&2; exit 7' TERM; read x; "
                                  "echo input-ended >&2; exit 0"},
                           24, 80, c, error))
        << error;
    usleep(100000); // the shell is reading
    std::string said;
    const int status = stopchild(c, &said);
    EXPECT_EQ(endreport(status), "the editor ended with status 7");
    EXPECT_EQ(said, "signalled\n");
}

TEST(TermChild, NormalEndSaysNothing) {
    child c;
    std::string error;
    ASSERT_TRUE(startchild("/bin/sh", {"-c", "exit 0"}, 24, 80, c, error)) << error;
    readall(c.out);
    EXPECT_EQ(endreport(stopchild(c)), "");
    EXPECT_FALSE(sendbytes(c, "x")); // nobody to send to
}

} // namespace term_child_test
} // namespace oxa::term
