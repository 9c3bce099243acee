// Rectangles on store state: column stars, the store, cut, copy, blank,
// insert and overwrite, blank columns, and the refusals.
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
#include "editor/rectangles.hpp"
#include "editor/store.hpp"
#include "textfixture.hpp"

namespace rectangles_test {

using namespace oxa;
using oxatest::fill;
using oxatest::Lines;
using oxatest::sent;
using oxatest::text;

void go(int line, int col) {
    COREFILE& c = cur();
    c.lnptr = c.header;
    for (int i = 0; i < line; ++i) c.lnptr = c.lnptr->down;
    c.curcol = col;
}

// Line stars on lines a and b (0: none), column stars at columns x and y (0: none).
void stars(int a, int b, int x, int y) {
    for (int n : {a, b})
        if (n > 0) {
            go(n, 1);
            makestars();
        }
    for (int col : {x, y})
        if (col > 0) {
            go(1, col);
            makecstars();
        }
}

std::string storetext() {
    std::string s;
    for (int32_t r = 0; r < rrows; ++r) {
        if (r > 0) s += '/';
        s.append(reinterpret_cast<const char*>(&rstore[static_cast<size_t>(r * rcols)]), static_cast<size_t>(rcols));
    }
    return s;
}

const Lines grid = {"abcdef", "ghijkl", "mn", "opqrst"};

class Rectangles : public oxatest::TextFixture {
  protected:
    void SetUp() override {
        TextFixture::SetUp();
        fill(grid);
    }
};

TEST_F(Rectangles, ColumnStars) {
    go(1, 4);
    makecstars();
    EXPECT_EQ(cur().cstarA, 4);
    EXPECT_EQ(cur().cnextstar, 'B');
    go(1, 2);
    makecstars();
    EXPECT_EQ(cur().cstarB, 2);
    EXPECT_EQ(cur().cstarcount, 2);
    makecstars(); // on a star column: removes it
    EXPECT_EQ(cur().cstarB, 0);
    EXPECT_EQ(cur().cstarcount, 1);
    EXPECT_EQ(cur().cnextstar, 'B');
    EXPECT_NE(rulertext().find('*'), std::string::npos);
}

TEST_F(Rectangles, Operations) {
    const struct {
        const char* what;
        void (*op)();
        int a, b, x, y;   // stars
        int line, col;    // cursor
        const char* keys; // input the operation reads
        Lines after;
        const char* store;
    } cases[] = {
        {"delete: short lines lose what they have", deleterect, 1, 3, 4, 2, 1, 1, "",
         {"aef", "gkl", "m", "opqrst"}, "bcd/hij/n  "},
        {"stars in the other order", deleterect, 3, 1, 2, 4, 1, 1, "",
         {"aef", "gkl", "m", "opqrst"}, "bcd/hij/n  "},
        {"one column star: one column wide", deleterect, 1, 2, 3, 0, 1, 1, "",
         {"abdef", "ghjkl", "mn", "opqrst"}, "c/i"},
        {"copy inserts at the cursor, adding lines at the end", copyrect, 1, 3, 2, 4, 4, 3, "",
         {"abcdef", "ghijkl", "mn", "opbcdqrst", "  hij ", "  n   "}, "bcd/hij/n  "},
        {"copy and blank", cpclrrect, 1, 3, 2, 4, 1, 1, "",
         {"a   ef", "g   kl", "m ", "opqrst"}, "bcd/hij/n  "},
        {"move: blank, then write over at the cursor", cpclrovrect, 1, 2, 2, 3, 3, 5, "",
         {"a  def", "g  jkl", "mn  bc", "opqrhi"}, "bc/hi"},
        {"blank columns", insertcols, 1, 2, 0, 0, 1, 3, "2\r",
         {"ab  cdef", "gh  ijkl", "mn", "opqrst"}, ""},
        {"blank columns: 0 counts as 1, short lines unchanged", insertcols, 2, 3, 0, 0, 1, 4, "0\r",
         {"abcdef", "ghi jkl", "mn", "opqrst"}, ""},
    };
    for (const auto& c : cases) {
        SetUp();
        stars(c.a, c.b, c.x, c.y);
        go(c.line, c.col);
        if (*c.keys) pushfn(c.keys);
        c.op();
        EXPECT_EQ(checkstore(), "") << c.what;
        EXPECT_EQ(text(), c.after) << c.what;
        EXPECT_EQ(storetext(), c.store) << c.what;
        // The cursor does not move (a line that grew may have a new header).
        EXPECT_EQ(cur().curcol, c.col) << c.what;
        EXPECT_EQ(distance(cur().header, cur().lnptr), c.line) << c.what;
        EXPECT_EQ(redisplay, RP_ALL) << c.what;
    }
}

TEST_F(Rectangles, StoreInsertAndOverwrite) {
    stars(1, 2, 1, 2);
    go(1, 1);
    cpclrrect(); // store "ab/gh"
    ASSERT_EQ(storetext(), "ab/gh");
    // The store survives switching corefiles.
    corenum = 2;
    fill({"xyz", ""});
    go(1, 5);
    insertrect(); // beyond the end: padded first
    EXPECT_EQ(checkstore(), "");
    EXPECT_EQ(text(), (Lines{"xyz ab ", "    gh "}));
    go(1, 2);
    overwrect();
    EXPECT_EQ(checkstore(), "");
    EXPECT_EQ(text(), (Lines{"xab ab ", " gh gh "}));
    // A new copy replaces the store.
    corenum = 1;
    clearallstars();
    stars(4, 0, 2, 3);
    go(1, 1);
    cpclrrect();
    EXPECT_EQ(storetext(), "pq");
    EXPECT_EQ(rrows, 1);
}

TEST_F(Rectangles, Refusals) {
    const struct {
        const char* what;
        void (*op)();
        int a, b, x, y;
        const char* message;
    } cases[] = {
        {"delete without column stars", deleterect, 1, 2, 0, 0, "No rectangle defined"},
        {"copy without line stars", copyrect, 0, 0, 2, 3, "No rectangle defined"},
        {"blank without any star", cpclrrect, 0, 0, 0, 0, "No rectangle defined"},
        {"move without column stars", cpclrovrect, 1, 1, 0, 0, "No rectangle defined"},
        {"insert with an empty store", insertrect, 1, 2, 2, 3, "No rectangle stored"},
        {"overwrite with an empty store", overwrect, 1, 2, 2, 3, "No rectangle stored"},
        {"blank columns without line stars", insertcols, 0, 0, 2, 3, "No starred lines defined"},
    };
    for (const auto& c : cases) {
        SetUp();
        stars(c.a, c.b, c.x, c.y);
        go(1, 2);
        pushfn(c.op == insertcols ? "1\r\r" : "\r");
        redisplay = RP_NONE;
        c.op();
        EXPECT_NE(sent.find(c.message), std::string::npos) << c.what;
        EXPECT_EQ(text(), grid) << c.what;
        EXPECT_EQ(redisplay, RP_NONE) << c.what;
        EXPECT_EQ(checkstore(), "") << c.what;
    }
}

TEST_F(Rectangles, NoRoomAfterACollection) {
    stars(1, 4, 1, 6);
    go(1, 1);
    cpclrrect();
    hiaddr = 10; // not even after the collection
    go(1, 1);
    pushfn("\r");
    insertrect();
    EXPECT_NE(sent.find("Inadequate space for this operation"), std::string::npos);
    EXPECT_EQ(text(), (Lines{"", "", "", ""})); // the collection stripped the blanks
    EXPECT_EQ(checkstore(), "");
}

} // namespace rectangles_test
