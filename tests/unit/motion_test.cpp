// Cursor motion, tab stops, margins and positioning on store state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"

namespace motion_test {

using namespace oxa;

std::string sent;  // messages passed by the transmitter

void capture(const char* data, size_t len) { sent.append(data, len); }

// Fills corefile 1 with `lines` (a leading "\r" makes a record line) and
// puts the cursor on line 1, column 1, at the top of the window.
void settext(const std::vector<std::string>& lines) {
    COREFILE& c = cur();
    c.lnptr = c.header->down;
    bool first = true;
    for (const std::string& s : lines) {
        if (!first) allocln(K_EMPTY, 0);
        first = false;
        bool record = s.rfind("\\r", 0) == 0;
        for (size_t i = record ? 2 : 0; i < s.size(); ++i) cadd(static_cast<unsigned char>(s[i]));
        if (record) c.lnptr->object = K_RECORD;
    }
    c.lnptr = c.header->down;
    c.disln = c.lnptr;
    c.curcol = 1;
    c.edited = 0;
}

std::string linetext(const LINE* l) {
    return std::string(reinterpret_cast<const char*>(&textbase[l->index]),
                       static_cast<size_t>(l->length));
}

int32_t lineno() { return distance(cur().header, cur().lnptr); }
int32_t topno() { return distance(cur().header, cur().disln); }

std::vector<std::string> numbered(int n) {
    std::vector<std::string> v;
    for (int i = 1; i <= n; ++i) v.push_back("line " + std::to_string(i));
    return v;
}

class Motion : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        sent.clear();
        xvsink = capture;
    }
    void TearDown() override {
        resetfrontend();
        resetinput();
    }
};

TEST_F(Motion, SidewaysMotionStopsAtColumnOneOnly) {
    settext({"abc"});
    curleft();
    EXPECT_EQ(cur().curcol, 1);
    for (int i = 0; i < 100; ++i) curright();
    EXPECT_EQ(cur().curcol, 101);
    curleft();
    EXPECT_EQ(cur().curcol, 100);
    EXPECT_EQ(cur().lnptr, cur().header->down);
}

TEST_F(Motion, DownlineOnTheLastLineGrowsTheText) {
    settext({"one", "two"});
    downline();
    EXPECT_EQ(cur().lncount, 2);
    EXPECT_EQ(cur().edited, 0);
    cur().curcol = 3;
    downline();
    downline();
    EXPECT_EQ(cur().lncount, 4);
    EXPECT_EQ(lineno(), 4);
    EXPECT_EQ(cur().lnptr->object, K_EMPTY);
    EXPECT_EQ(cur().edited, 1);
    EXPECT_EQ(cur().curcol, 3);  // a text line keeps the column
    EXPECT_EQ(checkstore(), "");
}

TEST_F(Motion, UplineOnTheFirstLineInsertsALineInFront) {
    settext({"one", "two"});
    cur().curcol = 2;
    upline();
    EXPECT_EQ(cur().lncount, 3);
    EXPECT_EQ(cur().lnptr, cur().header->down);
    EXPECT_EQ(cur().disln, cur().lnptr);
    EXPECT_EQ(linetext(cur().lnptr->down), "one");
    EXPECT_EQ(redisplay, RP_SCROLLDOWN);
    EXPECT_EQ(cur().edited, 1);
    EXPECT_EQ(cur().curcol, 2);
}

TEST_F(Motion, VerticalMotionScrollsTheWindowByOneLine) {
    settext(numbered(30));
    for (int i = 0; i < depth - 1; ++i) downline();
    EXPECT_EQ(topno(), 1);
    EXPECT_EQ(redisplay, RP_NONE);
    downline();  // leaves the bottom row
    EXPECT_EQ(lineno(), depth + 1);
    EXPECT_EQ(topno(), 2);
    EXPECT_EQ(redisplay, RP_SCROLLUP);
    redisplay = RP_NONE;
    for (int i = 0; i < depth - 1; ++i) upline();
    EXPECT_EQ(topno(), 2);
    EXPECT_EQ(redisplay, RP_NONE);
    upline();  // leaves the top row
    EXPECT_EQ(topno(), 1);
    EXPECT_EQ(lineno(), 1);
    EXPECT_EQ(redisplay, RP_SCROLLDOWN);
}

TEST_F(Motion, VerticalMotionOntoARecordLineGoesToColumnOne) {
    settext({"text line", "\\ra|b", "more text"});
    cur().curcol = 5;
    downline();
    EXPECT_EQ(cur().curcol, 1);
    cur().curcol = 4;
    downline();
    EXPECT_EQ(cur().curcol, 4);
    cur().curflag = 2;
    upline();
    EXPECT_EQ(cur().curflag, 1);
    EXPECT_EQ(cur().curcol, 1);
}

TEST_F(Motion, PagesStopAtTheEndsOfTheText) {
    struct Case {
        int lines;
        int downs;
        int ups;
        int top;  // first window line afterwards
    };
    const Case cases[] = {
        {5, 1, 0, 5},     // a short text puts its last line at the top
        {50, 1, 0, 21},   // one page down
        {50, 3, 0, 50},   // never past the last line
        {50, 2, 1, 21},   // and back
        {50, 1, 4, 1},    // never before the first line
    };
    for (const Case& k : cases) {
        resetstore();
        settext(numbered(k.lines));
        cur().curcol = 7;
        for (int i = 0; i < k.downs; ++i) downpage();
        for (int i = 0; i < k.ups; ++i) up_page();
        EXPECT_EQ(topno(), k.top) << k.lines << " " << k.downs << " " << k.ups;
        EXPECT_EQ(cur().lnptr, cur().disln);
        EXPECT_EQ(cur().curcol, 7);
        EXPECT_EQ(redisplay, RP_ALL);
        EXPECT_EQ(cur().lncount, k.lines);
    }
}

TEST_F(Motion, ReturnFollowsTheReturnOptionAndTheMode) {
    struct Case {
        int32_t crinsert;
        int32_t mode;
        int startline;  // cursor line; the window starts at line 1
        int lines;      // lines afterwards
        int line;       // cursor line afterwards
        int top;        // first window line afterwards
    };
    const Case cases[] = {
        {0, 2, 3, 31, 4, 1},    // insert mode: a new line below
        {0, 1, 3, 30, 4, 1},    // overwrite mode: only down
        {1, 2, 3, 30, 4, 1},    // option 1: down
        {2, 1, 3, 30, 4, 1},    // option 2 off the bottom row: down
        {2, 1, 20, 30, 21, 21}, // option 2 on the bottom row: a page
        {1, 1, 20, 30, 21, 2},  // option 1 on the bottom row: scroll
        {1, 1, 30, 31, 31, 12}, // on the last line: a new line
    };
    for (const Case& k : cases) {
        resetstore();
        settext(numbered(30));
        crinsert = k.crinsert;
        mode = k.mode;
        lmargin = 5;
        for (int i = 1; i < k.startline; ++i) cur().lnptr = cur().lnptr->down;
        if (k.startline > depth) cur().disln = cur().lnptr;
        if (k.startline == 30) {
            cur().disln = cur().lnptr;
            for (int i = 0; i < depth - 1; ++i) cur().disln = cur().disln->up;
        }
        retrn();
        fixcursor();
        EXPECT_EQ(cur().lncount, k.lines) << k.crinsert << " " << k.mode << " " << k.startline;
        EXPECT_EQ(lineno(), k.line) << k.crinsert << " " << k.mode << " " << k.startline;
        EXPECT_EQ(topno(), k.top) << k.crinsert << " " << k.mode << " " << k.startline;
        EXPECT_EQ(cur().curcol, 5);
    }
}

TEST_F(Motion, ReturnGoesToColumnOneOnRecordLines) {
    settext({"text", "\\rab|cd|", "text"});
    lmargin = 6;
    cur().curcol = 3;
    retrn();
    EXPECT_EQ(cur().curcol, 1);
    retrn();
    EXPECT_EQ(cur().curcol, 6);
}

TEST_F(Motion, LineEndsAndTrailingBlanks) {
    settext({"abc   "});
    cur().curcol = 2;
    endline();
    EXPECT_EQ(cur().lnptr->length, 3);
    EXPECT_EQ(cur().charcount, 3);
    EXPECT_EQ(cur().curcol, 4);
    begline();
    EXPECT_EQ(cur().curcol, 1);
    EXPECT_EQ(checkstore(), "");
}

struct WordCase {
    const char* name;
    std::vector<std::string> text;
    int line, col;          // start
    void (*op)();
    int wantline, wantcol;  // result
};

TEST_F(Motion, WordAndNumberMotion) {
    const WordCase cases[] = {
        {"next word", {"foo bar baz"}, 1, 1, xnextword, 1, 5},
        {"next word over punctuation", {"foo, (bar)"}, 1, 2, xnextword, 1, 7},
        {"next word on the next line", {"foo", "  bar"}, 1, 2, xnextword, 2, 3},
        {"next word at the end of the text stays", {"foo bar"}, 1, 6, xnextword, 1, 6},
        {"previous word from inside a word", {"foo bar baz"}, 1, 10, xprevword, 1, 5},
        {"previous word from a word start", {"foo bar baz"}, 1, 9, xprevword, 1, 5},
        {"previous word across lines", {"foo bar", "baz"}, 2, 2, xprevword, 1, 5},
        {"previous word in the first word", {"foo bar"}, 1, 3, xprevword, 1, 1},
        {"previous word before a leading blank", {"  foo bar"}, 1, 4, xprevword, 1, 3},
        {"number", {"x = 12+(3*4) y"}, 1, 4, xnextnumx, 1, 14},
        {"number from a digit", {"3.5e2"}, 1, 1, xnextnumx, 1, 5},
        {"number without one", {"abc"}, 1, 1, xnextnumx, 1, 2},
    };
    for (const WordCase& k : cases) {
        resetstore();
        settext(k.text);
        for (int i = 1; i < k.line; ++i) cur().lnptr = cur().lnptr->down;
        cur().curcol = k.col;
        k.op();
        EXPECT_EQ(lineno(), k.wantline) << k.name;
        EXPECT_EQ(cur().curcol, k.wantcol) << k.name;
    }
}

TEST_F(Motion, WordMotionOutOfTheWindowMovesTheWindow) {
    std::vector<std::string> text(40, "");
    text[0] = "start";
    text[35] = "word";
    settext(text);
    xnextword();
    EXPECT_EQ(lineno(), 36);
    EXPECT_EQ(cur().disln, cur().lnptr);
    EXPECT_EQ(redisplay, RP_ALL);
}

TEST_F(Motion, TabStops) {
    struct Case {
        int32_t lmargin, rmargin;
        bool cleartabs;
        int32_t from, to;
    };
    const Case cases[] = {
        {1, 72, false, 1, 9},      // default stops every 8 columns
        {1, 72, false, 9, 17},
        {1, 72, false, 70, 72},    // the right margin stops it
        {1, 72, true, 1, 72},      // no stops: the right margin
        {1, 72, false, 80, 81},    // beyond the right margin: every column
        {12, 72, false, 3, 12},    // the left margin is a stop
        {1, 200, false, 150, 152}, // beyond the flags: multiples of 8
    };
    for (const Case& k : cases) {
        resetcommands();
        resetstore();
        settext({"x"});
        lmargin = k.lmargin;
        rmargin = k.rmargin;
        if (k.cleartabs) tabs.fill(0);
        cur().curcol = k.from;
        dtstate = 0;
        tabcur();
        EXPECT_EQ(cur().curcol, k.to) << k.from;
        EXPECT_EQ(dtstate, 1);
    }
}

TEST_F(Motion, TabsetTogglesInsideTheMarginsOnly) {
    settext({"x"});
    cur().curcol = 5;
    tabset();
    EXPECT_TRUE(tabcol(5));
    tabset();
    EXPECT_FALSE(tabcol(5));
    EXPECT_EQ(tabs[9], 1);
    cur().curcol = 1;  // on the left margin
    tabset();
    EXPECT_EQ(tabs[1], 1);
    cur().curcol = 100;  // beyond the right margin
    tabset();
    EXPECT_EQ(tabs[100], 0);
}

TEST_F(Motion, MarginsFromTheCursorAndTheRuler) {
    settext({"x"});
    swidth = rightcol = 20;
    EXPECT_EQ(rulertext(), "<.......!.......!...");
    cur().curcol = 4;
    marleft();
    cur().curcol = 12;
    maright();
    EXPECT_EQ(lmargin, 4);
    EXPECT_EQ(rmargin, 12);
    EXPECT_EQ(rulertext(), "...<....!..>........");
    cur().curcol = 13;  // right of the right margin: refused
    marleft();
    EXPECT_EQ(lmargin, 4);
    cur().curcol = 3;  // left of the left margin: refused
    maright();
    EXPECT_EQ(rmargin, 12);
    cur().curcol = 12;
    marleft();
    EXPECT_EQ(rulertext(), "...........+........");
    cur().cstarA = 2;
    pshift = 1;
    rightcol = 21;
    EXPECT_EQ(rulertext(), "*.........+.........");
}

TEST_F(Motion, PositionAdvanceAndEnd) {
    struct Case {
        const char* name;
        void (*op)();
        int32_t p1, p2;
        int line, col, top;  // afterwards; top 0: unchanged window
    };
    // The text has 30 lines, the cursor starts on line 10, column 4, with the
    // window from line 5; line n holds "line n".
    const Case cases[] = {
        {"position line and column", positn, 12, 3, 12, 3, 12},
        {"position past the end", positn, 99, 1, 30, 1, 30},
        {"position -1 keeps the column", positn, -1, 0, 30, 4, 30},
        {"position -3", positn, -3, 2, 28, 2, 28},
        {"position before the start", positn, -99, 2, 1, 2, 1},
        {"position 0 -1: last character", positn, 0, -1, 10, 7, 5},
        {"position 0 -20 stops at column 1", positn, 0, -20, 10, 1, 5},
        {"advance down", advance, 5, 2, 15, 6, 15},
        {"advance up", advance, -4, -1, 6, 3, 6},
        {"advance past the end", advance, 50, 0, 30, 4, 30},
        {"advance before the start", advance, -50, 0, 1, 4, 1},
        {"advance columns only", advance, 0, -10, 10, 1, 5},
        {"end", gotobottom, 0, 0, 11, 1, 11},
    };
    for (const Case& k : cases) {
        resetstore();
        settext(numbered(30));
        for (int i = 1; i < 5; ++i) cur().lnptr = cur().lnptr->down;
        cur().disln = cur().lnptr;
        for (int i = 5; i < 10; ++i) cur().lnptr = cur().lnptr->down;
        cur().curcol = 4;
        param[1] = k.p1;
        param[2] = k.p2;
        if (k.op == positn) positchk();
        k.op();
        EXPECT_EQ(lineno(), k.line) << k.name;
        EXPECT_EQ(cur().curcol, k.col) << k.name;
        EXPECT_EQ(topno(), k.top) << k.name;
    }
}

TEST_F(Motion, WshiftSetsTheOverlap) {
    struct Case {
        int32_t n;
        bool refused;
        int32_t overlap;
    };
    const Case cases[] = {{69, false, 69}, {70, true, 19}, {0, false, 1}, {19, false, 19}};
    for (const Case& k : cases) {
        resetpaint();
        sent.clear();
        del = 0;
        pshift = 59;
        rightcol = 137;
        param[1] = k.n;
        resetinput();
        pushfn("\r");  // the reply to an error display
        shift();
        EXPECT_EQ(overlap, k.overlap) << k.n;
        EXPECT_EQ(shiftc, swidth - k.overlap) << k.n;
        if (k.refused) {
            EXPECT_EQ(del, 2);
            EXPECT_EQ(sent.rfind("Overlap must be less than 70\r\n", 0), 0u) << sent;
            EXPECT_EQ(pshift, 59);
        } else {
            EXPECT_EQ(del, 0);
            EXPECT_EQ(pshift, 0);
            EXPECT_EQ(rightcol, swidth);
            EXPECT_EQ(redisplay, RP_ALL);
        }
    }
}

TEST_F(Motion, WshiftOnANarrowWindowKeepsAPositiveStep) {
    swidth = rightcol = 30;
    param[1] = 40;
    shift();
    EXPECT_EQ(overlap, 40);
    EXPECT_GE(shiftc, 1);
}

TEST_F(Motion, RecordFields) {
    struct Case {
        int32_t from;
        void (*op)();
        int32_t to;
    };
    // "ab|cde|f|" : fields start at columns 1, 4, 8
    const Case cases[] = {
        {1, downfield, 4}, {2, downfield, 4}, {3, downfield, 4},  // on the bar itself
        {4, downfield, 8}, {8, downfield, 8},                     // the last bar ends the line
        {1, upfield, 1},   {2, upfield, 1},   {4, upfield, 1},
        {6, upfield, 1},   {8, upfield, 4},   {9, upfield, 4},
        {20, upfield, 8},  // beyond the line: after the last bar
    };
    for (const Case& k : cases) {
        resetstore();
        settext({"\\rab|cde|f|"});
        cur().curcol = k.from;
        k.op();
        EXPECT_EQ(cur().curcol, k.to) << k.from;
    }
}

TEST_F(Motion, RecordViewsRepaintAfterVerticalMotion) {
    for (int32_t vt : {1, 2, 5, 6}) {
        resetstore();
        resetpaint();
        settext({"\\ra|b", "\\rc|d", "\\re|f"});
        cur().viewtype = vt;
        cur().lnptr = cur().lnptr->down;
        downrec();
        EXPECT_EQ(lineno(), 3);
        EXPECT_EQ(redisplay, vt == 2 || vt == 6 ? RP_ALL : RP_NONE) << vt;
        redisplay = RP_NONE;
        uprec();
        EXPECT_EQ(lineno(), 2);
        EXPECT_EQ(redisplay, vt == 2 || vt == 6 ? RP_ALL : RP_NONE) << vt;
    }
}

TEST_F(Motion, FixcursorRepairsTheColumn) {
    settext({"\\rab|c|", "text"});
    cur().viewtype = 1;
    cur().curcol = 30;
    fixcursor();
    EXPECT_EQ(cur().curcol, 5);  // the record line's last byte
    cur().viewtype = 0;
    cur().curcol = 30;
    fixcursor();
    EXPECT_EQ(cur().curcol, 30);  // a text corefile lets it stand beyond
    cur().curcol = 0;
    fixcursor();
    EXPECT_EQ(cur().curcol, 1);
}

TEST_F(Motion, FixcursorBringsTheCursorLineIntoTheWindow) {
    settext(numbered(60));
    for (int i = 1; i < 45; ++i) cur().lnptr = cur().lnptr->down;
    fixcursor();
    EXPECT_EQ(cur().disln, cur().lnptr);
    EXPECT_EQ(redisplay, RP_ALL);
    redisplay = RP_NONE;
    cur().lnptr = cur().lnptr->down;
    fixcursor();
    EXPECT_EQ(topno(), 45);
    EXPECT_EQ(redisplay, RP_NONE);
}

TEST_F(Motion, FormulaCursor) {
    // 0xF6 delimits a node, 0xF5 marks a table.
    settext({std::string("ab\xF6") + "c\xF5"});
    cur().lnptr->object = K_FORMULA;
    COREFILE& c = cur();
    c.curcol = 4;
    leftm();  // onto the delimiter: back to column 1
    EXPECT_EQ(c.curcol, 1);
    EXPECT_EQ(redisplay, RP_FORMULA);
    c.curcol = 5;
    rightm();
    rightm();
    EXPECT_EQ(c.curcol, 6);  // up to length + 1
    greencur();
    EXPECT_EQ(c.curflag, 1);  // no table mark under the cursor
    c.curcol = 5;
    greenx = greeny = 7;
    greencur();
    EXPECT_EQ(c.curflag, 3);
    EXPECT_EQ(greenx, 0);
    EXPECT_EQ(greeny, 0);
    uprow();
    downrow();
    EXPECT_EQ(c.curcol, 5);
    greencur();
    EXPECT_EQ(c.curflag, 1);
    upm();  // off column 1: node selection at column 1
    EXPECT_EQ(c.curflag, 2);
    EXPECT_EQ(c.curcol, 1);
    fixcursor();  // node selection at column 1 falls back
    EXPECT_EQ(c.curflag, 1);
    c.curcol = 3;
    upm();
    downm();
    EXPECT_EQ(c.curflag, 1);
    EXPECT_EQ(c.curcol, 1);
}

TEST_F(Motion, TabStopsAreComputedAsIfSteppedOneColumnAtATime) {
    // The first stop after a column, against a walk through the columns.
    auto stepped = [](int32_t col) {
        do {
            ++col;
        } while (col < MAXCOLUMN && !tabcol(col));
        return col;
    };
    for (int32_t lm : {1, 5, 100, 144, 145, 150}) {
        for (int32_t rm : {lm, 72, 144, 145, 146, 300}) {
            if (rm < lm) continue;
            for (int pattern = 0; pattern < 3; ++pattern) {
                resetcommands();
                lmargin = lm;
                rmargin = rm;
                if (pattern == 1) tabs.fill(0);
                if (pattern == 2)
                    for (int c : {3, 50, 143}) tabs[static_cast<size_t>(c)] = 1;
                for (int32_t col = 1; col <= 310; ++col)
                    ASSERT_EQ(nexttab(col), stepped(col))
                        << "margins " << lm << " " << rm << " tabs " << pattern << " col " << col;
            }
        }
    }
}

TEST_F(Motion, ColumnsMarginsAndShiftsStayWithinTheLongestLine) {
    struct Case {
        const char* name;
        void (*setup)();
        void (*op)();
        int32_t col; // afterwards
    };
    const Case cases[] = {
        {"position far right", [] { param[1] = 0; param[2] = 2147483647; positchk(); }, positn,
         MAXCOLUMN},
        {"advance far right", [] { param[1] = 0; param[2] = 2147483647; }, advance, MAXCOLUMN},
        {"advance far left", [] { param[1] = 0; param[2] = -2147483647; }, advance, 1},
        {"tab to a far left margin", [] { param[1] = 2147483647; param[2] = 0; marginchk(); },
         tabcur, MAXCOLUMN},
        {"tab to a far right margin", [] { param[1] = 0; param[2] = 2147483647; marginchk(); },
         tabcur, 9},
        {"right from the last column", [] { cur().curcol = MAXCOLUMN; }, curright, MAXCOLUMN},
    };
    for (const Case& k : cases) {
        resetcommands();
        resetpaint();
        resetstore();
        settext({"line one"});
        cur().curcol = 4;
        k.setup();
        k.op();
        EXPECT_EQ(cur().curcol, k.col) << k.name;
        EXPECT_LE(lmargin, MAXCOLUMN) << k.name;
        EXPECT_LE(rmargin, MAXCOLUMN) << k.name;
        // The window follows the cursor sideways in one step.
        param[1] = 2;
        shift();
        fixcursor();
        display();
        EXPECT_GE(rightcol, cur().curcol) << k.name;
        EXPECT_LT(pshift, cur().curcol) << k.name;
        EXPECT_EQ(rightcol - pshift, swidth) << k.name;
        EXPECT_LE(rulertext().size(), static_cast<size_t>(swidth)) << k.name;
    }
}

} // namespace motion_test
