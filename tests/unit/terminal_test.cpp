// Window geometry from the terminal size, and the interrupt handler.
#include "editor/corefiles.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "editor/terminal.hpp"

#include <array>
#include <string>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace oxa {
namespace terminal_test {

std::string wire; // what the transmitter passed
void capture(const char* data, size_t len) {
    wire.append(data, len);
}

class Terminal : public ::testing::Test {
  protected:
    // The handlers a test installs (the child collector among them, which
    // would take a later test's own children) are put back as they were.
    std::array<struct sigaction, NSIG> saved{};
    void TearDown() override {
        xvsink = stdoutsink;
        for (int sig = 1; sig < NSIG; ++sig)
            if (sig != SIGKILL && sig != SIGSTOP) sigaction(sig, &saved[sig], nullptr);
    }
    void SetUp() override {
        for (int sig = 1; sig < NSIG; ++sig)
            if (sig != SIGKILL && sig != SIGSTOP) sigaction(sig, nullptr, &saved[sig]);
        resetall();
        wire.clear();
        xvsink = capture;
    }
};

TEST_F(Terminal, WindowGeometryFollowsTheSize) {
    const struct {
        int cols, rows;
        int32_t swidth, shiftc, cmdline, helpline, windowend, depth;
    } cases[] = {
        {80, 24, 78, 59, 23, 22, 21, 20},
        {132, 50, 130, 111, 49, 48, 47, 46},
        {40, 10, 38, 19, 9, 8, 7, 6},
        // Too small for a window: at least one text row and a sideways step.
        {3, 2, 22, 3, 5, 4, 3, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cols << "x" << c.rows);
        pshift = 59;
        setwindow(c.cols, c.rows);
        EXPECT_EQ(swidth, c.swidth);
        EXPECT_EQ(rightcol, c.swidth);
        EXPECT_EQ(shiftc, c.shiftc);
        EXPECT_EQ(pshift, 0);
        EXPECT_EQ(cmdline, c.cmdline);
        EXPECT_EQ(helpline, c.helpline);
        EXPECT_EQ(windowend, c.windowend);
        EXPECT_EQ(depth, c.depth);
        EXPECT_EQ(windowtop, 2);
    }
}

TEST_F(Terminal, SizeChangeIsReportedOnlyWhenWidthOrDepthChanges) {
    EXPECT_EQ(setwindow(80, 24), 0); // the compiled-in size
    EXPECT_EQ(setwindow(100, 24), 1);
    EXPECT_EQ(setwindow(100, 30), 1);
    EXPECT_EQ(setwindow(100, 30), 0);
}

TEST_F(Terminal, WithoutATerminalTheWindowIs80By24) {
    setwindow(132, 50);
    stermpars(); // stdin and stdout of a test run are not both terminals
    if (termactive) GTEST_SKIP() << "running on a terminal";
    EXPECT_EQ(getwindsize(), 1);
    EXPECT_EQ(swidth, 78);
    EXPECT_EQ(depth, 20);
    initerm(); // nothing to do, nothing to undo
    reseterm();
}

// A window that shrinks so far that the cursor line falls out of it brings
// the cursor line to the top and redraws everything.
TEST_F(Terminal, ResizeKeepsTheCursorLineInTheWindow) {
    for (int i = 0; i < 30; ++i)
        nuline();
    COREFILE& c = cur();
    c.disln = c.header->down; // the window shows from the first line
    ASSERT_EQ(distance(c.disln, c.lnptr), 30);
    setwindow(132, 50);
    WindowHandler(SIGWINCH);
    takesignals(); // no terminal here: back to 80 by 24
    EXPECT_EQ(depth, 20);
    EXPECT_EQ(swidth, 78);
    EXPECT_EQ(windresize, 1);
    EXPECT_EQ(c.disln, c.lnptr);
    // The redraw sends the file name and the mode word (twice: once for the
    // change, once in every case).
    EXPECT_NE(wire.find("Typing  \r\n"), std::string::npos);
    EXPECT_NE(wire.find("Typing  \r\n", wire.find("Typing  \r\n") + 1), std::string::npos);
}

TEST_F(Terminal, ResizeToTheSameSizeOnlyRedraws) {
    COREFILE& c = cur();
    LINE* top = c.disln;
    WindowHandler(SIGWINCH);
    takesignals();
    EXPECT_EQ(windresize, 0);
    EXPECT_EQ(c.disln, top);
    EXPECT_EQ(wire.find("Typing  \r\n"), wire.rfind("Typing  \r\n")); // one redraw
}

// Continuing after a stop redraws everything even while output is switched
// off, and leaves it off.
TEST_F(Terminal, ContinueRedrawsWithOutputForcedOn) {
    visible = 0;
    ResHandler(SIGCONT);
    takesignals();
    EXPECT_EQ(visible, 0);
    EXPECT_NE(wire.find("Typing  \r\n"), std::string::npos);
}

// The handlers of a resize and a continue write nothing and touch no state:
// they may interrupt a write to stdout.  The edit loop redraws once for any
// number of signals, and only then.
TEST_F(Terminal, RedrawSignalsOnlyNoteAndTheLoopRedraws) {
    setsig();
    setwindow(132, 50);
    for (int i = 0; i < 3; ++i) {
        std::raise(SIGWINCH);
        std::raise(SIGCONT);
    }
    EXPECT_EQ(wire, "");
    EXPECT_EQ(depth, 46);
    takesignals();
    EXPECT_EQ(depth, 20);
    const size_t first = wire.find("Typing  \r\n");
    ASSERT_NE(first, std::string::npos);
    const std::string once = wire;
    takesignals(); // nothing more noted: nothing more written
    EXPECT_EQ(wire, once);
    std::signal(SIGWINCH, SIG_DFL);
    std::signal(SIGCONT, SIG_DFL);
    std::signal(SIGTSTP, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

// A noted signal breaks off the wait for input, even with bytes on the way;
// buffered bytes are there at once.
TEST_F(Terminal, WaitForInputReturnsOnANotedSignal) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    FILE* in = fdopen(fds[0], "r");
    ASSERT_NE(in, nullptr);
    WindowHandler(SIGWINCH);
    EXPECT_FALSE(waitforinput(in)); // the pipe is empty: only the flag ends the wait
    takesignals();
    ASSERT_EQ(write(fds[1], "ab", 2), 2);
    EXPECT_TRUE(waitforinput(in));
    EXPECT_EQ(getc(in), 'a');
    WindowHandler(SIGWINCH);
    EXPECT_TRUE(waitforinput(in)); // 'b' is buffered already
    EXPECT_EQ(getc(in), 'b');
    takesignals();
    fclose(in);
    close(fds[1]);
}

TEST_F(Terminal, InterruptQueuesTheCommandKey) {
    pushfn("a");
    IntHandler(SIGINT);
    fetchchar();
    EXPECT_EQ(type, 21);
    fetchchar();
    EXPECT_EQ(type, 4);
    EXPECT_EQ(holdch, 'a');
}

TEST_F(Terminal, InstalledHandlerTakesSigint) {
    setsig();
    pushfn("b");
    std::raise(SIGINT);
    fetchchar();
    EXPECT_EQ(type, 21);
    std::signal(SIGINT, SIG_DFL);
}

} // namespace terminal_test
} // namespace oxa
