// Undo and redo: the history of each corefile on store state, the steps the
// edit loop makes of keys, and random edit sequences through the real
// operations undone and redone to every text on the way.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/blocks.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/store.hpp"
#include "editor/undo.hpp"
#include "textfixture.hpp"

namespace undo_test {

using namespace oxa;
using oxatest::fill;
using oxatest::Lines;
using oxatest::ok;
using oxatest::sent;

// The text of the current corefile, trailing blanks left out (the collector
// strips them whenever it runs, so they are not part of what undo keeps).
Lines plain(int32_t f) {
    Lines out = oxatest::text(f);
    for (std::string& s : out)
        s.erase(s.find_last_not_of(' ') + 1);
    return out;
}
Lines plain() {
    return plain(corenum);
}

LINE* lineat(int n) {
    LINE* l = cur().header;
    for (int i = 0; i < n; ++i)
        l = l->down;
    return l;
}

void go(int line, int col) {
    cur().lnptr = lineat(line);
    cur().curcol = col;
}

// Types `s` at the cursor through the edit loop, one key each.
void type(const std::string& s) {
    for (unsigned char ch : s) {
        holdch = ch;
        editpass(C_LETTER);
    }
}

class UndoTest : public oxatest::TextFixture {
  protected:
    void SetUp() override {
        TextFixture::SetUp();
        fill({"alpha", "beta", "gamma"});
        resetundo(); // the history starts from these lines
        mode = 2;    // insert
    }
};

TEST_F(UndoTest, AStepIsTakenBackAndRedoneWithTheCursorWhereTheChangeWas) {
    go(2, 3);
    undotouch();
    cadd('X');
    allocln(K_EMPTY, 0);
    cadd('n');
    linkphys();
    undoboundary();
    EXPECT_EQ(plain(), (Lines{"alpha", "betaX", "n", "gamma"}));
    EXPECT_EQ(undocount(1), 1u);

    EXPECT_EQ(undostep(), UndoResult::done);
    ok();
    EXPECT_EQ(plain(), (Lines{"alpha", "beta", "gamma"}));
    EXPECT_EQ(cur().lnptr, lineat(2));
    EXPECT_EQ(cur().curcol, 3);
    EXPECT_EQ(cur().edited, 1);
    EXPECT_EQ(undocount(1), 0u);
    EXPECT_EQ(redocount(1), 1u);

    EXPECT_EQ(redostep(), UndoResult::done);
    ok();
    EXPECT_EQ(plain(), (Lines{"alpha", "betaX", "n", "gamma"}));
    EXPECT_EQ(cur().lnptr, lineat(3)); // where the step left it
    EXPECT_EQ(undostep(), UndoResult::done);
    EXPECT_EQ(undostep(), UndoResult::nothing);
    EXPECT_EQ(plain(), (Lines{"alpha", "beta", "gamma"}));
}

TEST_F(UndoTest, NothingChangedRecordsNothing) {
    go(1, 6);
    undotouch();
    undoboundary();
    EXPECT_EQ(undocount(1), 0u);
    EXPECT_EQ(undostep(), UndoResult::nothing);
    EXPECT_EQ(redostep(), UndoResult::nothing);
}

// Blanks padded onto a line go too: undo gives back the bytes that were,
// even after the collector has stripped the line in between.
TEST_F(UndoTest, UndoGivesBackTheLineByteForByte) {
    go(1, 9);
    extline();
    undoboundary();
    EXPECT_EQ(oxatest::text(), (Lines{"alpha    ", "beta", "gamma"}));
    garbage();
    EXPECT_EQ(undostep(), UndoResult::done);
    EXPECT_EQ(oxatest::text(), (Lines{"alpha", "beta", "gamma"}));
    ok();
}

TEST_F(UndoTest, ANewChangeDropsWhatCouldBeRedone) {
    go(1, 1);
    cremove(1);
    undoboundary();
    EXPECT_EQ(undostep(), UndoResult::done);
    EXPECT_EQ(redocount(1), 1u);
    go(3, 1);
    cremove(2);
    undoboundary();
    EXPECT_EQ(redocount(1), 0u);
    EXPECT_EQ(redostep(), UndoResult::nothing);
    EXPECT_EQ(plain(), (Lines{"alpha", "beta", "mma"}));
}

TEST_F(UndoTest, EachCorefileHasItsOwnHistory) {
    fill(2, {"other"});
    resetundo();
    go(1, 1);
    cremove(1);
    undoboundary();
    corenum = 2;
    go(1, 1);
    cremove(1);
    undoboundary();
    EXPECT_EQ(undostep(), UndoResult::done);
    EXPECT_EQ(plain(2), (Lines{"other"}));
    EXPECT_EQ(undostep(), UndoResult::nothing);
    EXPECT_EQ(plain(1), (Lines{"lpha", "beta", "gamma"}));
    corenum = 1;
    EXPECT_EQ(undostep(), UndoResult::done);
    EXPECT_EQ(plain(1), (Lines{"alpha", "beta", "gamma"}));
    ok();
}

// A change that bypassed the history (here: bytes written straight into the
// heap) makes the entry that no longer fits refuse, and the text stays.
TEST_F(UndoTest, AnEntryNeverLandsOnTextItWasNotMadeFor) {
    go(2, 1);
    cremove(1);
    undoboundary();
    textbase[static_cast<size_t>(lineat(2)->index)] = 'Z';
    EXPECT_EQ(undostep(), UndoResult::mismatch);
    EXPECT_EQ(plain(), (Lines{"alpha", "Zta", "gamma"}));
    EXPECT_EQ(undocount(1), 0u);
    ok();
}

TEST_F(UndoTest, TheHistoryIsBoundedOldestFirst) {
    std::vector<Lines> states{plain()};
    for (int i = 0; i < 60; ++i) {
        fill({"step " + std::to_string(i), std::string(200000, static_cast<char>('a' + i % 26))});
        undoboundary();
        states.push_back(plain());
        garbage();
    }
    EXPECT_LE(undoheld(), UNDOBYTES);
    const size_t kept = undocount(1);
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, 60u);
    for (size_t i = 0; i < kept; ++i) {
        ASSERT_EQ(undostep(), UndoResult::done);
        EXPECT_EQ(plain(), states[states.size() - 2 - i]);
        ok();
    }
    EXPECT_EQ(undostep(), UndoResult::nothing);
}

TEST_F(UndoTest, TheStartUpInputIsWhereUndoStarts) {
    undoskipstartup = true;
    go(1, 1);
    cremove(1);
    undoboundary();
    EXPECT_EQ(undocount(1), 0u);
    cremove(1);
    undoboundary();
    EXPECT_EQ(undocount(1), 1u);
}

TEST_F(UndoTest, ATypedRunIsOneStepAndAMotionEndsIt) {
    go(1, 6);
    type("123");
    editpass(18); // cursor down: the run is over
    go(2, 5);
    type("45");
    EXPECT_EQ(plain(), (Lines{"alpha123", "beta45", "gamma"}));
    editpass(12); // undo
    EXPECT_EQ(plain(), (Lines{"alpha123", "beta", "gamma"}));
    EXPECT_EQ(cur().lnptr, lineat(2));
    EXPECT_EQ(cur().curcol, 5);
    editpass(12);
    EXPECT_EQ(plain(), (Lines{"alpha", "beta", "gamma"}));
    EXPECT_EQ(cur().lnptr, lineat(1));
    EXPECT_EQ(cur().curcol, 6);
    ok();
    editpass(12);
    EXPECT_NE(sent.find("Nothing to undo"), std::string::npos);
    EXPECT_EQ(core[1].edited, 1);
    editpass(36); // redo
    editpass(36);
    EXPECT_EQ(plain(), (Lines{"alpha123", "beta45", "gamma"}));
    ok();
}

// A key that edits is a step of its own, and the block it moves into
// corefile 0 comes back out of there with the undo of corefile 0.
TEST_F(UndoTest, AKeysEditIsOneStepInEachCorefileItChanged) {
    go(1, 1);
    editpass(25); // stars on lines 1 and 2
    go(2, 1);
    editpass(25);
    editpass(27); // cut the block
    EXPECT_EQ(plain(), (Lines{"gamma"}));
    editpass(12);
    EXPECT_EQ(plain(), (Lines{"alpha", "beta", "gamma"}));
    ok();
    corenum = 0;
    EXPECT_EQ(plain(), (Lines{"", "alpha", "beta"}));
    editpass(12);
    EXPECT_EQ(plain(), (Lines{""}));
    ok();
}

// ---- Random edit sequences ---------------------------------------------------

// One random edit through the real operations: keys through the edit loop,
// commands through the command processor.
void randomedit(std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    COREFILE& c = cur();
    go(1 + pick(c.lncount), 1 + pick(12));
    const std::string words[] = {"le", "ur", "  ", "e", "x", "de", "abc"};
    switch (pick(16)) {
    case 0:
    case 1: { // a typed run, overwrite or insert, with rubouts and RETURNs
        mode = pick(2) + 1;
        for (int i = pick(8); i >= 0; --i) {
            const int k = pick(10);
            if (k == 0)
                editpass(C_RUBOUT);
            else if (k == 1)
                editpass(C_RETURN);
            else {
                holdch = static_cast<unsigned char>("abcdefgh\xe9. "[pick(11)]);
                editpass(C_LETTER);
            }
        }
        break;
    }
    case 2:
        editpass(10); // open a line
        break;
    case 3:
        editpass(69); // delete to the end of the line
        break;
    case 4:
        editpass(79); // delete a word
        break;
    case 5:
        editpass(75); // split
        break;
    case 6:
        editpass(76); // join
        break;
    case 7:
        editpass(92); // flip case or accent
        break;
    case 8:
        editpass(23); // reformat the paragraph
        break;
    case 9: { // star two lines, then cut, copy or bring back a block
        editpass(25);
        go(1 + pick(c.lncount), 1);
        editpass(25);
        pushfn("\r\r");
        editpass(pick(2) == 0 ? 27 : 26);
        break;
    }
    case 10: { // a rectangle: column stars and line stars, then an operation
        go(1 + pick(c.lncount), 1 + pick(6));
        editpass(83);
        editpass(25);
        go(1 + pick(c.lncount), 1 + pick(10));
        editpass(83);
        editpass(25);
        const int ops[] = {84, 85, 86, 87, 88, 89, 90};
        pushfn("\r\r");
        editpass(ops[pick(7)]);
        editpass(91);
        break;
    }
    case 11:
    case 12: { // CHANGE from the cursor
        const std::string cmd =
            "CH" + words[pick(7)] + "|" + words[pick(7)] + "\r\r";
        pushfn(cmd.c_str());
        editpass(C_COMMAND);
        break;
    }
    case 13:
        pushfn(pick(2) == 0 ? "SO0|4\r\r" : "SO1|3|2|5\r\r");
        editpass(C_COMMAND);
        break;
    case 14:
        editpass(77); // repeat the character above
        break;
    default:
        editpass(5); // rub out
        break;
    }
    fnptr = 0; // answers not needed are dropped
}

TEST_F(UndoTest, RandomEditsAreUndoneToEveryTextOnTheWayAndRedone) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        resetstore();
        fill({"Le c\x9cur de ma s\x9cur bat.", "", "Une \x9cuvre d'\xe9t\xe9, vraiment belle.",
              "abc def", "x|y|z", "", "fin"});
        resetundo();
        const Lines original = plain();
        std::vector<Lines> states{original};
        std::mt19937 rng(seed);
        for (int i = 0; i < 40; ++i) {
            const size_t before = undocount(1);
            randomedit(rng);
            undoboundary();
            ASSERT_EQ(checkstore(), "");
            if (plain() != states.back()) {
                ASSERT_EQ(undocount(1), before + 1) << "a change to the text was not recorded";
                states.push_back(plain());
            } else {
                ASSERT_LE(undocount(1), before + 1);
                if (undocount(1) == before + 1) states.push_back(plain());
            }
        }
        corenum = 1;
        for (size_t i = states.size() - 1; i > 0; --i) {
            ASSERT_EQ(undostep(), UndoResult::done);
            ASSERT_EQ(checkstore(), "");
            ASSERT_EQ(plain(), states[i - 1]);
        }
        EXPECT_EQ(undostep(), UndoResult::nothing);
        EXPECT_EQ(oxatest::text(1), original); // byte for byte
        for (size_t i = 1; i < states.size(); ++i) {
            ASSERT_EQ(redostep(), UndoResult::done);
            ASSERT_EQ(checkstore(), "");
            ASSERT_EQ(plain(), states[i]);
        }
        EXPECT_EQ(redostep(), UndoResult::nothing);
    }
}

} // namespace undo_test
