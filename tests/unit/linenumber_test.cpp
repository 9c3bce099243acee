// The cursor's line number, counted after each pass from the line counted
// last, and the painting that is left out when nothing receives it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "editor/blocks.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/reformat.hpp"
#include "editor/sort.hpp"
#include "editor/store.hpp"

namespace linenumber_test {

using namespace oxa;

// Edit codes of the passes below.
constexpr int TYPE = 4, RUBOUT = 5, NEWLINE = 10, RIGHT = 19, DOWN = 18, UP = 20, COMMAND = 21,
              REFORMAT = 23, RECOVER = 26, STAR = 25, DELETE = 27, PAGEUP = 28, PAGEDOWN = 30,
              COPY = 35, MERGETEXT = 48, SPLIT = 75, JOIN = 76;

std::string wire;
std::vector<std::string> traced;
void sink(const char* data, size_t len) { wire.append(data, len); }
void trace(const char* msg) { traced.emplace_back(msg); }

// Corefile 1 holds `lines`, the cursor on line 1.
void fill(const std::vector<std::string>& lines) {
    COREFILE& c = cur();
    removefile();
    initfile();
    for (const std::string& s : lines) {
        allocln(K_EMPTY, 0);
        for (char ch : s) cadd(static_cast<unsigned char>(ch));
    }
    c.lnptr = c.header->down;
    c.disln = c.lnptr;
    c.curcol = 1;
    c.curline = 1;
}

// Forty short lines, indented by one column (so that each is a paragraph of
// its own); every fifth one long enough to be filled into three lines.
std::vector<std::string> sample() {
    std::vector<std::string> out;
    for (int i = 1; i <= 40; ++i) {
        std::string s = " line " + std::to_string(i);
        if (i % 5 == 0)
            for (int w = 0; w < 30; ++w) s += " word" + std::to_string(w);
        out.push_back(s);
    }
    return out;
}

class LineNumbers : public ::testing::Test {
  protected:
    void SetUp() override {
        resetstore();
        resetlines();
        resetpaint();
        resetfrontend();
        resetcommands();
        reseteditloop();
        resetmotion();
        resetinput();
        resetblocks();
        resetreformat();
        resetsort();
        wire.clear();
        traced.clear();
        xvsink = sink;
        corenum = 1;
        fill(sample());
    }
    void TearDown() override {
        resetfrontend();
        resetinput();
    }
    // Remembers line 20's number (the cursor there when `atcursor`), then
    // moves line 3 below line 20 by hand, announcing nothing: the remembered
    // number is now wrong.
    static void relinkunannounced(bool atcursor, LINE** moved20 = nullptr) {
        COREFILE& c = cur();
        LINE* l20 = c.header->down;
        for (int i = 1; i < 20; ++i) l20 = l20->down;
        if (atcursor) c.lnptr = l20;
        ASSERT_EQ(linenumber(l20), 20);
        LINE* l3 = c.header->down->down->down;
        l3->up->down = l3->down;
        l3->down->up = l3->up;
        l3->up = l20;
        l3->down = l20->down;
        l20->down->up = l3;
        l20->down = l3;
        if (moved20) *moved20 = l20;
    }
};

struct Step {
    int code;
    const char* keys; // pushed before the pass (command passes), or null
    int32_t line;     // the cursor's line number after it, 0: not fixed here
};

// Every pass that recounts the line number finds the count from the top; the
// remembered number is never stale (`checkstore`).
TEST_F(LineNumbers, EveryRecountEqualsTheCountFromTheTop) {
    const Step steps[] = {
        {DOWN, nullptr, 2},
        {DOWN, nullptr, 3},
        {DOWN, nullptr, 4},
        {DOWN, nullptr, 5},
        {REFORMAT, nullptr, 0}, // line 5 becomes lines 5 to 7
        {DOWN, nullptr, 6},
        {UP, nullptr, 5},
        {STAR, nullptr, 0},
        {UP, nullptr, 4},
        {UP, nullptr, 3},
        {STAR, nullptr, 0},
        {DOWN, nullptr, 4},
        {DOWN, nullptr, 5},
        {DOWN, nullptr, 6},
        {DOWN, nullptr, 7},
        {DOWN, nullptr, 8},
        {DELETE, nullptr, 5}, // lines 3 to 5, above the cursor, leave
        {UP, nullptr, 4},
        {RECOVER, nullptr, 4}, // and come back below it
        {DOWN, nullptr, 5},
        {NEWLINE, nullptr, 6},
        {NEWLINE, nullptr, 7},
        {UP, nullptr, 6},
        {RUBOUT, nullptr, 0},
        {DOWN, nullptr, 0},
        {RIGHT, nullptr, 0},
        {RIGHT, nullptr, 0},
        {SPLIT, nullptr, 0},
        {UP, nullptr, 0},
        {JOIN, nullptr, 0},
        {DOWN, nullptr, 0},
        {PAGEDOWN, nullptr, 0},
        {PAGEDOWN, nullptr, 0},
        {UP, nullptr, 0},
        {REFORMAT, nullptr, 0},
        {UP, nullptr, 0},
        {STAR, nullptr, 0},
        {COPY, nullptr, 0},
        {PAGEUP, nullptr, 0},
        {DOWN, nullptr, 0},
        {PAGEDOWN, nullptr, 0},
        {COMMAND, "SO0|15|1|200000\r\r", 1}, // SORT relinks the lines by itself
        {DOWN, nullptr, 2},
        {PAGEDOWN, nullptr, 0},
        {UP, nullptr, 0},
        {COMMAND, "CO0\r\r", 0},
        {DOWN, nullptr, 0},
        {COMMAND, "CO1\r\r", 0},
        {UP, nullptr, 0},
        {DOWN, nullptr, 0},
    };
    int i = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << i++ << ", code " << s.code);
        if (s.keys != nullptr) {
            fnptr = 0;
            pushfn(s.keys);
        }
        editpass(s.code);
        const COREFILE& c = cur();
        if ((edittable[s.code].sideffects & SE_LINE) != 0) {
            EXPECT_EQ(c.curline, distance(c.header, c.lnptr));
        }
        if (s.line != 0) {
            EXPECT_EQ(c.curline, s.line);
        }
        ASSERT_EQ(checkstore(), "");
    }
    EXPECT_EQ(corenum, 1);
}

TEST_F(LineNumbers, CountedFromTheRememberedLineOrFromTheTop) {
    COREFILE& c = cur();
    LINE* l10 = c.header->down;
    for (int i = 1; i < 10; ++i) l10 = l10->down;
    const LINE* l30 = l10;
    for (int i = 10; i < 30; ++i) l30 = l30->down;
    EXPECT_EQ(linenumber(c.header), 0);
    EXPECT_EQ(linenumber(l10), 10);
    EXPECT_EQ(linenumber(l30), 30);         // downwards from line 10
    EXPECT_EQ(linenumber(l10), 10);         // upwards from line 30
    EXPECT_EQ(linenumber(c.header->up), 40); // the last line
    EXPECT_EQ(linenumber(c.header->down), 1);
    // A line of another corefile is not in the chain: the count from the top
    // says so as before, the length of the round.
    EXPECT_EQ(linenumber(core[2].header->down), distance(c.header, core[2].header->down));
    EXPECT_EQ(checkstore(), "");
}

// A relink that is not announced leaves a wrong remembered number, which the
// store check reports; announced, the number is counted afresh.
TEST_F(LineNumbers, UnannouncedRelinkIsCaughtByTheCheck) {
    LINE* l20 = nullptr;
    relinkunannounced(false, &l20);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(checkstore(), "corefile 1: remembered line number is wrong");
    linkschanged();
    EXPECT_EQ(checkstore(), "");
    EXPECT_EQ(linenumber(l20), 19);
}

// A command that moves no line keeps the remembered number in force: the
// number is falsified by an unannounced relink before the command, and the
// check still sees it afterwards (a command that forgot every number would
// hide it).  A procedure walking a file command by command counts each line
// once, not from the top at every command.
TEST_F(LineNumbers, ACommandThatMovesNoLineKeepsTheRememberedNumber) {
    relinkunannounced(true);
    ASSERT_FALSE(HasFatalFailure());
    fnptr = 0;
    pushfn("CO1\r\r");
    editpass(COMMAND);
    EXPECT_EQ(checkstore(), "corefile 1: remembered line number is wrong");
    linkschanged();
    EXPECT_EQ(checkstore(), "");
}

// Lines that change in another corefile leave the current corefile's
// remembered number in force (a merge appending a line to corefile 16 at
// every record must not make the next record's number be counted from the
// top): falsified by an unannounced relink, it is still seen by the check.
TEST_F(LineNumbers, AChangeInAnotherCorefileKeepsTheRememberedNumber) {
    const struct {
        const char* name;
        void (*change)();
    } cases[] = {
        {"a line added to corefile 2", [] {
             corenum = 2;
             allocln(K_EMPTY, 0);
             corenum = 1;
         }},
        {"a merge appending to corefile 16", [] {
             std::snprintf(mrgstring.data(), mrgstring.size(), "%s", "#1");
             editpass(MERGETEXT);
         }},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        SetUp();
        relinkunannounced(true);
        ASSERT_FALSE(HasFatalFailure());
        k.change();
        EXPECT_EQ(checkstore(), "corefile 1: remembered line number is wrong");
        linkschanged();
        EXPECT_EQ(checkstore(), "");
    }
}

// Reformatting moves the old paragraph into corefile 0 above the lines after
// its cursor line: a number remembered there is forgotten.
TEST_F(LineNumbers, AParagraphMovedIntoTheBlockBufferForgetsItsNumber) {
    corenum = 0;
    fill({"a", "b", "c", "d"});
    COREFILE& b = cur();
    const LINE* d = b.header->up;
    ASSERT_EQ(linenumber(d), 4);
    corenum = 1;
    COREFILE& c = cur();
    LINE* l5 = c.header->down;
    for (int i = 1; i < 5; ++i) l5 = l5->down;
    c.lnptr = l5;
    editpass(REFORMAT);
    EXPECT_EQ(checkstore(), "");
    corenum = 0;
    EXPECT_EQ(linenumber(d), distance(b.header, d));
    EXPECT_GT(linenumber(d), 4);
    corenum = 1;
}

TEST_F(LineNumbers, ReplacedLineKeepsTheNumberOnlyForTheRememberedLine) {
    COREFILE& c = cur();
    LINE* l5 = c.header->down;
    for (int i = 1; i < 5; ++i) l5 = l5->down;
    const struct {
        bool remembered; // line 5 was the line counted last
    } cases[] = {{true}, {false}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.remembered);
        linenumber(k.remembered ? l5 : c.header->down);
        // Line 5 gets a new header in its place (the cursor line moves to the
        // top of the heap).
        c.lnptr = l5;
        shiftline();
        LINE* now = c.lnptr;
        ASSERT_NE(now, l5);
        EXPECT_EQ(checkstore(), "");
        EXPECT_EQ(linenumber(now), 5);
        l5 = now;
    }
}

// What the default stream carries does not depend on whether the text rows,
// the cursor and the status fields were composed: a run with a trace (which
// sees them all) and one without give the same bytes, and the status fields
// sent once a trace is switched on are those of a run traced throughout.
TEST_F(LineNumbers, DefaultStreamIsTheSameWhetherOrNotTheTextIsComposed) {
    const int codes[] = {DOWN, DOWN, DOWN, DOWN, REFORMAT, UP, TYPE, RIGHT, PAGEDOWN, DOWN, STAR,
                         UP,   UP,   STAR, DELETE, UP,      RECOVER, PAGEUP, DOWN};
    std::string wires[2];
    std::vector<std::string> last[2];
    for (int traceon = 1; traceon >= 0; --traceon) {
        SetUp();
        xvtrace = traceon ? trace : nullptr;
        // The run reaches far columns, so that the window also moves sideways.
        cur().curcol = 100;
        for (int code : codes) {
            holdch = 'x';
            editpass(code);
        }
        wires[traceon] = wire;
        xvtrace = trace;
        traced.clear();
        editpass(DOWN);
        last[traceon] = traced;
        TearDown();
    }
    EXPECT_EQ(wires[0], wires[1]);
    EXPECT_EQ(last[0], last[1]);
    // The pass sent the new line number among its status fields.
    bool row = false;
    for (const std::string& m : last[0]) row = row || m.rfind("$mr", 0) == 0;
    EXPECT_TRUE(row);
}

} // namespace linenumber_test
