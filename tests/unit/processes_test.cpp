// The driver program's states and streams, with real children (cat, true),
// and the quoting of names handed to the shell.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bormo/storedtrees.hpp"
#include "editor/commands.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/processes.hpp"
#include "editor/terminal.hpp"

namespace oxa {
namespace processes_test {

std::vector<std::string> sent;

// The state letter of a process (R, S, T ...), or '?' when it is gone.
char procstate(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string s;
    std::getline(f, s);
    size_t paren = s.rfind(')');
    return paren == std::string::npos || paren + 2 >= s.size() ? '?' : s[paren + 2];
}

// A line of what the driver (cat) gives back.
std::string echoed() {
    std::array<char, 256> buf{};
    if (std::fgets(buf.data(), buf.size(), oxainput) == nullptr) return "<eof>";
    return buf.data();
}

class ProcessesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetfrontend();
        sent.clear();
        xvsink = [](const char*, size_t) {};
        xvtrace = [](const char* m) { sent.emplace_back(m); };
        resetcommands();
        resetinput();
        resetprocesses();
        setchildsig();
        inptr = stdin;
    }
    void TearDown() override {
        resetprocesses();
        inptr = stdin;
        signal(SIGCHLD, SIG_DFL);
        signal(SIGPIPE, SIG_DFL);
    }
    void start(const char* program) {
        std::snprintf(curfile.data(), curfile.size(), "%s", program);
        runprog();
    }
    int keyboardmessages() {
        int n = 0;
        for (const std::string& m : sent)
            n += m == KEYBOARDMSG;
        return n;
    }
};

TEST_F(ProcessesTest, RunningDriverIsTheInputAndReceivesText) {
    start("cat");
    ASSERT_EQ(progstate, PROG_RUNNING);
    EXPECT_EQ(progtrans, 1);
    EXPECT_EQ(inptr, oxainput);
    EXPECT_NE(askreply, nullptr);
    EXPECT_NE(bormo::driversend, nullptr);
    EXPECT_TRUE(tellprog("abc\n", 4));
    EXPECT_EQ(echoed(), "abc\n");
    acknowledge();
    EXPECT_EQ(echoed(), "\n");
}

TEST_F(ProcessesTest, SuspendResumeAndKill) {
    start("cat");
    const pid_t pid = child_pid;
    param[1] = 0; // SWITCH 0
    swinput();
    EXPECT_EQ(progstate, PROG_SUSPENDED);
    EXPECT_EQ(inptr, stdin);
    EXPECT_EQ(askreply, nullptr);
    EXPECT_FALSE(tellprog("x\n", 2)); // nothing reaches a suspended driver
    EXPECT_EQ(keyboardmessages(), 1);
    for (int i = 0; i < 100 && procstate(pid) != 'T'; ++i)
        usleep(10000);
    EXPECT_EQ(procstate(pid), 'T');

    param[1] = 1; // SWITCH 1: resumed, acknowledged once
    swinput();
    EXPECT_EQ(progstate, PROG_RUNNING);
    EXPECT_EQ(inptr, oxainput);
    EXPECT_TRUE(tellprog("y\n", 2));
    EXPECT_EQ(echoed(), "\n");
    EXPECT_EQ(echoed(), "y\n");

    param[1] = 2; // SWITCH 2
    swinput();
    EXPECT_EQ(progstate, PROG_NONE);
    EXPECT_EQ(oxainput, nullptr);
    EXPECT_EQ(oxaoutput, nullptr);
    EXPECT_EQ(inptr, stdin);
    EXPECT_EQ(bormo::driversend, nullptr);
    EXPECT_EQ(keyboardmessages(), 2);
    // Killed and collected: no such process remains, not even a zombie.
    EXPECT_EQ(::kill(pid, 0), -1);
}

TEST_F(ProcessesTest, ControlCodesOfTheInputStream) {
    start("cat");
    EXPECT_EQ(driverctl, drivercontrolcode);
    drivercontrolcode(C_PAUSE);
    EXPECT_EQ(progstate, PROG_SUSPENDED);
    EXPECT_EQ(voluntary, 1);
    EXPECT_EQ(inptr, stdin);
    drivercontrolcode(C_RESUME);
    EXPECT_EQ(progstate, PROG_RUNNING);
    EXPECT_EQ(inptr, oxainput);
    EXPECT_EQ(echoed(), "\n"); // the voluntary suspension is acknowledged
    drivercontrolcode(C_ACK);
    EXPECT_EQ(echoed(), "\n");
    drivercontrolcode(C_KILLPROG);
    EXPECT_EQ(progstate, PROG_NONE);
    EXPECT_EQ(inptr, stdin);
    EXPECT_EQ(keyboardmessages(), 2);
}

TEST_F(ProcessesTest, SuspendSignalStopsTheDriverNotTheEditor) {
    start("cat");
    SuspHandler(SIGTSTP);
    EXPECT_EQ(progstate, PROG_SUSPENDED);
    EXPECT_EQ(voluntary, 0);
    EXPECT_EQ(inptr, stdin);
    // The handler writes nothing; the input layer reports the keyboard.
    EXPECT_EQ(keyboardmessages(), 0);
    takesignals();
    EXPECT_EQ(keyboardmessages(), 1);
    // An involuntary suspension is not acknowledged on resumption.
    drivercontrolcode(C_RESUME);
    EXPECT_TRUE(tellprog("z\n", 2));
    EXPECT_EQ(echoed(), "z\n");
}

TEST_F(ProcessesTest, ADriverThatHasGoneIsKilledAtTheNextWrite) {
    start("true");
    // Its output ends; a write meets the broken pipe.
    EXPECT_EQ(echoed(), "<eof>");
    bool ok = true;
    for (int i = 0; i < 50 && progstate == PROG_RUNNING; ++i) {
        ok = tellprog("lost\n", 5);
        if (ok) usleep(10000);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(progstate, PROG_NONE);
    EXPECT_EQ(inptr, stdin);
}

TEST_F(ProcessesTest, OneDriverAtATime) {
    start("cat");
    const pid_t first = child_pid;
    pushfn("\r"); // the answer to the message
    start("cat");
    EXPECT_EQ(child_pid, first);
    EXPECT_EQ(sent.size() >= 1 && sent.front() == "$meProgram already running", true);
}

TEST_F(ProcessesTest, ShellQuotingKeepsEveryName) {
    for (const char* name : {"plain", "a b", "it's", "x;rm -rf y", "$HOME", "-n", "~", "`id`",
                             "\"q\"", "back\\slash", ""}) {
        SCOPED_TRACE(name);
        const std::string cmd = "printf %s " + shellquote(name) + " > quoted.out";
        int status = runshell(COMMANDFLAG, cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        std::ifstream f("quoted.out");
        std::string got((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        EXPECT_EQ(got, name);
    }
    std::remove("quoted.out");
}

} // namespace processes_test
} // namespace oxa
