// Starred blocks on store state: stars, delete, recover, copy, the move of a
// whole corefile, and their refusals.
#include <gtest/gtest.h>

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
#include "editor/store.hpp"
#include "textfixture.hpp"

namespace blocks_test {

using namespace oxa;
using oxatest::fill;
using oxatest::Lines;
using oxatest::ok;
using oxatest::sent;
using oxatest::text;
using oxatest::trace;

LINE* lineat(int32_t f, int n) {
    LINE* l = core[f].header;
    for (int i = 0; i < n; ++i) l = l->down;
    return l;
}

int32_t lineno(int32_t f, const LINE* l) { return l == nullptr ? 0 : distance(core[f].header, l); }

// Puts the cursor of the current corefile on line n.
void go(int n) { cur().lnptr = lineat(corenum, n); }

// Stars on the given lines, in that order.
void star(std::initializer_list<int> ns) {
    for (int n : ns) {
        go(n);
        makestars();
    }
}

const Lines five = {"l1", "l2", "l3", "l4", "l5"};

class Blocks : public oxatest::TextFixture {
  protected:
    void SetUp() override {
        TextFixture::SetUp();
        fill(1, five);
    }
};

TEST_F(Blocks, StarsSetToggleAndReplace) {
    const struct {
        const char* what;
        std::vector<int> lines; // cursor lines of successive star keys
        int a, b, count;        // line numbers of star A and B (0 none)
        char next;
    } cases[] = {
        {"one star", {2}, 2, 0, 1, 'B'},
        {"two stars", {2, 4}, 2, 4, 2, 'A'},
        {"a star on a starred line goes", {2, 4, 4}, 2, 0, 1, 'B'},
        {"removing star A makes A the next", {2, 4, 2}, 0, 4, 1, 'A'},
        {"a third star replaces the older", {1, 2, 4}, 4, 2, 2, 'B'},
    };
    for (const auto& c : cases) {
        SetUp();
        for (int n : c.lines) {
            go(n);
            makestars();
        }
        EXPECT_EQ(lineno(1, cur().starA), c.a) << c.what;
        EXPECT_EQ(lineno(1, cur().starB), c.b) << c.what;
        EXPECT_EQ(cur().starcount, c.count) << c.what;
        EXPECT_EQ(cur().nextstar, c.next) << c.what;
    }
}

// The row-flag messages "$TF<row>,<f1><f2>" in `trace`, as "row:f1".
std::vector<std::string> rowflags() {
    std::vector<std::string> out;
    for (size_t p = trace.find("$TF"); p != std::string::npos; p = trace.find("$TF", p + 1)) {
        size_t comma = trace.find(',', p);
        out.push_back(trace.substr(p + 3, comma - p - 3) + ":" + trace[comma + 1]);
    }
    return out;
}

TEST_F(Blocks, StarredLinesShowTheirFlag) {
    star({2, 4});
    EXPECT_EQ(redisplay, RP_FLAGS);
    trace.clear();
    display();
    const std::vector<std::string> flags = rowflags();
    ASSERT_GE(flags.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(flags.begin(), flags.begin() + 5),
              (std::vector<std::string>{"2: ", "3:*", "4: ", "5:*", "6: "}));
    go(2);
    makestars(); // removes it: the cursor row is rewritten
    EXPECT_EQ(redisplay, RP_FLAGROW);
    trace.clear();
    display();
    EXPECT_EQ(rowflags(), std::vector<std::string>{"3: "});
}

TEST_F(Blocks, DeleteMovesTheBlockIntoCorefileZero) {
    const struct {
        const char* what;
        std::vector<int> stars;
        int cursor;
        Lines left, buffer;
        int cursorafter;
    } cases[] = {
        {"stars top down", {2, 4}, 1, {"l1", "l5"}, {"", "l2", "l3", "l4"}, 1},
        {"stars bottom up", {4, 2}, 5, {"l1", "l5"}, {"", "l2", "l3", "l4"}, 2},
        {"one star: one line", {3}, 3, {"l1", "l2", "l4", "l5"}, {"", "l3"}, 2},
        {"cursor in the block goes above it", {2, 4}, 3, {"l1", "l5"}, {"", "l2", "l3", "l4"}, 1},
        {"block at the top: cursor on the new first line", {1, 2}, 2, {"l3", "l4", "l5"}, {"", "l1", "l2"}, 1},
        {"every line: one empty line stays", {5, 1}, 3, {""}, {"", "l1", "l2", "l3", "l4", "l5"}, 1},
    };
    for (const auto& c : cases) {
        SetUp();
        for (int n : c.stars) {
            go(n);
            makestars();
        }
        go(c.cursor);
        cur().disln = lineat(1, c.cursor);
        deleteblock();
        ok();
        EXPECT_EQ(text(1), c.left) << c.what;
        EXPECT_EQ(text(0), c.buffer) << c.what;
        EXPECT_EQ(lineno(1, cur().lnptr), c.cursorafter) << c.what;
        EXPECT_EQ(lineno(1, cur().disln), c.cursorafter) << c.what; // the window began at the cursor
        EXPECT_EQ(cur().starcount, 0) << c.what;
        EXPECT_EQ(core[1].lncount, static_cast<int32_t>(c.left.size())) << c.what;
        // The block stays starred in corefile 0: A on its last line, B on its first.
        const COREFILE& b = core[0];
        int n = static_cast<int>(c.buffer.size());
        EXPECT_EQ(lineno(0, b.starA), n) << c.what;
        EXPECT_EQ(lineno(0, b.starB), n > 2 ? 2 : 0) << c.what;
        EXPECT_EQ(b.starcount, n > 2 ? 2 : 1) << c.what;
        EXPECT_EQ(redisplay, RP_ALL) << c.what;
    }
}

TEST_F(Blocks, DeleteAndRecoverRoundTrip) {
    star({2, 3});
    deleteblock();
    EXPECT_EQ(text(1), (Lines{"l1", "l4", "l5"}));
    go(3); // behind l5
    recover();
    ok();
    EXPECT_EQ(text(1), (Lines{"l1", "l4", "l5", "l2", "l3"}));
    EXPECT_EQ(text(0), (Lines{""}));
    EXPECT_EQ(core[0].starcount, 0);
    // Recovered lines stay starred: a second delete takes them out again.
    EXPECT_EQ(lineno(1, cur().starB), 4);
    EXPECT_EQ(lineno(1, cur().starA), 5);
    deleteblock();
    ok();
    EXPECT_EQ(text(1), (Lines{"l1", "l4", "l5"}));
    EXPECT_EQ(text(0), (Lines{"", "l2", "l3"}));
}

TEST_F(Blocks, WithoutStarsNothingMoves) {
    for (void (*op)() : {deleteblock, recover, copyop}) {
        SetUp();
        pushfn("\r");
        op();
        EXPECT_NE(sent.find("no stars set in source corefile!"), std::string::npos);
        EXPECT_EQ(text(1), five);
        EXPECT_EQ(text(0), Lines{""});
        ok();
    }
}

TEST_F(Blocks, DeleteInCorefileZeroMovesBehindTheMovedCursor) {
    fill(0, {"a", "b", "c", "d"});
    corenum = 0;
    star({2, 3});
    go(3);
    deleteblock();
    ok();
    EXPECT_EQ(text(0), (Lines{"a", "b", "c", "d"})); // behind "a", the cursor's new line
    EXPECT_EQ(lineno(0, cur().lnptr), 1);
    EXPECT_EQ(lineno(0, cur().starB), 2);
    EXPECT_EQ(lineno(0, cur().starA), 3);
}

TEST_F(Blocks, CopyLeavesTheLinesAndStarsTheCopy) {
    fill(1, {"l1", "l2  ", "l3", "l4"});
    star({3, 2});
    copyop();
    ok();
    EXPECT_EQ(text(1), (Lines{"l1", "l2", "l3", "l4"})); // trailing blanks gone
    EXPECT_EQ(cur().starcount, 0);
    EXPECT_EQ(cur().starA, nullptr);
    EXPECT_EQ(text(0), (Lines{"", "l2", "l3"}));
    EXPECT_EQ(lineno(0, core[0].starB), 2);
    EXPECT_EQ(lineno(0, core[0].starA), 3);
    EXPECT_EQ(redisplay, RP_FLAGS);
    // The copy has text of its own.
    EXPECT_NE(lineat(0, 2)->index, lineat(1, 2)->index);
    garbage();
    ok();
    EXPECT_EQ(text(0), (Lines{"", "l2", "l3"}));
}

TEST_F(Blocks, CopyOfEmptyLinesAndFromCorefileZero) {
    fill(0, {"x", "", "y"});
    corenum = 0;
    star({1, 3});
    go(1);
    copyop();
    ok();
    EXPECT_EQ(text(0), (Lines{"x", "x", "", "y", "", "y"}));
    EXPECT_EQ(lineat(0, 3)->object, K_EMPTY);
    EXPECT_EQ(lineat(0, 5)->object, K_EMPTY);
    EXPECT_EQ(redisplay, RP_ALL);
}

TEST_F(Blocks, CopyThatDoesNotFitChangesNothing) {
    fill(1, {"a fairly long line of text", "and another one"});
    star({1, 2});
    hiaddr = avail + 10;
    pushfn("\r");
    copyop();
    ok();
    EXPECT_NE(sent.find("inadequate free space for block copy"), std::string::npos);
    EXPECT_EQ(text(1), (Lines{"a fairly long line of text", "and another one"}));
    EXPECT_EQ(text(0), Lines{""});
    EXPECT_EQ(cur().starcount, 2);
}

TEST_F(Blocks, CopyRetriesAfterACollection) {
    fill(1, {"0123456789", "abcdefghij"});
    // Freed text below the top: only a collection makes room.
    go(2);
    cur().curcol = 1;
    cremove(10);
    fill(2, {"z"});
    star({1});
    hiaddr = avail + 2;
    copyop();
    ok();
    EXPECT_EQ(sent.find("inadequate"), std::string::npos);
    EXPECT_EQ(text(0), (Lines{"", "0123456789"}));
    EXPECT_EQ(text(1), (Lines{"0123456789", ""}));
}

TEST_F(Blocks, WholeCorefileToCorefileEight) {
    fill(8, {"e1", "e2", "e3"});
    core[8].disln = lineat(8, 2);
    star({2});
    bor_moveblock();
    ok();
    EXPECT_EQ(text(1), Lines{""});
    EXPECT_EQ(cur().starcount, 0);
    EXPECT_EQ(text(8), (Lines{"e1", "l1", "l2", "l3", "l4", "l5", "e2", "e3"}));
    EXPECT_EQ(core[8].lncount, 8);
}

TEST_F(Blocks, ClearAllStarsClearsLineAndColumnStars) {
    star({1, 2});
    cur().cstarA = 4;
    cur().cstarcount = 1;
    cur().cnextstar = 'B';
    mode = 2;
    clearallstars();
    EXPECT_EQ(cur().starcount, 0);
    EXPECT_EQ(cur().starA, nullptr);
    EXPECT_EQ(cur().starB, nullptr);
    EXPECT_EQ(cur().cstarA, 0);
    EXPECT_EQ(cur().cstarcount, 0);
    EXPECT_EQ(cur().cnextstar, 'A');
    EXPECT_EQ(mode, 1);
    EXPECT_NE(sent.find("Typing  "), std::string::npos);
    EXPECT_NE(trace.find("$mt"), std::string::npos); // the ruler
}

} // namespace blocks_test
