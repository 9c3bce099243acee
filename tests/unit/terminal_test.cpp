// Window geometry from the terminal size, and the interrupt handler.
#include "editor/terminal.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/paint.hpp"
#include "editor/store.hpp"

#include <gtest/gtest.h>

#include <csignal>

namespace oxa {
namespace {

class Terminal : public ::testing::Test {
  protected:
    void SetUp() override {
        resetstore();
        resetfrontend();
        resetpaint();
        resetinput();
        reseteditloop();
        resetterminal();
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
    EXPECT_EQ(setwindow(80, 24), 0);  // the compiled-in size
    EXPECT_EQ(setwindow(100, 24), 1);
    EXPECT_EQ(setwindow(100, 30), 1);
    EXPECT_EQ(setwindow(100, 30), 0);
}

TEST_F(Terminal, WithoutATerminalTheWindowIs80By24) {
    setwindow(132, 50);
    stermpars();  // stdin and stdout of a test run are not both terminals
    if (termactive) GTEST_SKIP() << "running on a terminal";
    EXPECT_EQ(getwindsize(), 1);
    EXPECT_EQ(swidth, 78);
    EXPECT_EQ(depth, 20);
    initerm();  // nothing to do, nothing to undo
    reseterm();
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

}  // namespace
}  // namespace oxa
