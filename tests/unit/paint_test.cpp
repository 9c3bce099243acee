// Painting the text window: row flags and text, the repaint levels, the
// sideways scroll, record fields and cursor placement, read from the
// messages handed to the transmitter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "wire_capture.hpp"

namespace paint_test {

using namespace oxa;
using oxatest::WireCapture;
using Msgs = std::vector<std::string>;

struct Line {
    int32_t kind;
    std::string text;
};

class Paint : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        WireCapture::install();
    }
    void TearDown() override { resetfrontend(); }

    // Puts the lines in front of the corefile's empty line; the cursor and the
    // window start at the first of them.
    std::vector<LINE*> fill(const std::vector<Line>& lines) {
        COREFILE& c = cur();
        c.lnptr = c.header;
        std::vector<LINE*> out;
        for (const Line& l : lines) {
            allocln(l.kind, static_cast<int32_t>(l.text.size()));
            LINE* ln = c.lnptr;
            std::memcpy(&textbase[ln->index], l.text.data(), l.text.size());
            if (l.kind != K_EMPTY) linkphys();
            out.push_back(ln);
        }
        c.lnptr = c.disln = out.front();
        c.curcol = 1;
        return out;
    }
    static void settype(int32_t t) {
        cur().viewtype = t;
        cureditmask = editmask[t];
    }
    static Msgs paint(int32_t level) {
        WireCapture::clear();
        redisplay = level;
        display();
        return WireCapture::msgs;
    }
    static std::string row(int32_t r, const std::string& flags) {
        return "$TF" + std::to_string(r) + "," + flags;
    }
    static std::string text(int32_t r, const std::string& t) {
        return "$TL" + std::to_string(r) + (t.empty() ? "" : "," + t);
    }
};

TEST_F(Paint, FullRepaintFillsTheWindowWithEmptyRows) {
    fill({{K_TEXT, "first"}, {K_TEXT, ""}, {K_TEXT, "third"}});
    const Msgs m = paint(RP_ALL);
    ASSERT_EQ(m.size(), 2u * 20);
    EXPECT_EQ(Msgs(m.begin(), m.begin() + 6), (Msgs{row(2, "  "), text(2, "first"), row(3, "  "),
                                                    text(3, ""), row(4, "  "), text(4, "third")}));
    for (int r = 5; r <= 21; ++r) {
        EXPECT_EQ(m[2 * (r - 2)], row(r, "  "));
        EXPECT_EQ(m[2 * (r - 2) + 1], text(r, ""));
    }
    EXPECT_EQ(redisplay, RP_NONE);
    EXPECT_EQ(WireCapture::wire, ""); // rows never reach the front end in this build
}

TEST_F(Paint, FullRepaintLevelsAllStartAtTheWindowTop) {
    auto ls = fill({{K_TEXT, "a"}, {K_TEXT, "b"}, {K_TEXT, "c"}});
    cur().lnptr = ls[2];
    for (int32_t level : {RP_ALL, RP_SCROLLUP, RP_SCROLLDOWN}) {
        const Msgs m = paint(level);
        ASSERT_EQ(m.size(), 40u) << level;
        EXPECT_EQ(m[1], text(2, "a")) << level;
    }
    // Level 10 resends only the flags of every row.
    cur().starA = ls[1];
    const Msgs m = paint(RP_FLAGS);
    ASSERT_EQ(m.size(), 20u);
    EXPECT_EQ(m[0], row(2, "  "));
    EXPECT_EQ(m[1], row(3, "* "));
    EXPECT_EQ(m[19], row(21, "  "));
}

struct RowCase {
    const char* what;
    int32_t kind;
    std::string text;
    int32_t pshift;
    bool starred;
    const char* flags;
    std::string shown;
};

TEST_F(Paint, RowFlagsAndText) {
    const std::string l100(100, 'x');
    std::string digits;
    for (int i = 0; i < 100; ++i)
        digits += static_cast<char>('0' + i % 10);
    const RowCase cases[] = {
        {"plain", K_TEXT, "hello", 0, false, "  ", "hello"},
        {"empty line", K_EMPTY, "", 0, false, "  ", ""},
        {"exactly the width", K_TEXT, std::string(78, 'w'), 0, false, "  ", std::string(78, 'w')},
        {"longer than the window", K_TEXT, l100, 0, false, " +", std::string(78, 'x')},
        {"record", K_RECORD, "a|b|", 0, false, "\\r", "a|b|"},
        {"long record", K_RECORD, l100, 0, false, "\\r", std::string(78, 'x')},
        {"formula", K_FORMULA, "x+1", 0, false, "\\m", "x+1"},
        {"other kind", K_HLINE, "hl", 0, false, "\\ ", "hl"},
        {"shifted, short", K_TEXT, "short", 59, false, "--", ""},
        {"shifted, long", K_TEXT, digits, 59, false, "--", digits.substr(59)},
        {"shifted record", K_RECORD, "r", 59, false, "\\r", ""},
        {"starred", K_TEXT, "star", 0, true, "* ", "star"},
        {"starred and long", K_TEXT, l100, 0, true, "*+", std::string(78, 'x')},
        {"starred record", K_RECORD, "a|", 0, true, "*r", "a|"},
    };
    for (const RowCase& c : cases) {
        SetUp();
        LINE* l = fill({{c.kind, c.text}}).front();
        if (c.starred) cur().starA = l;
        pshift = c.pshift;
        rightcol = swidth + pshift;
        WireCapture::clear();
        wrline(l, 5);
        EXPECT_EQ(WireCapture::msgs, (Msgs{row(5, c.flags), text(5, c.shown)})) << c.what;
    }
}

TEST_F(Paint, PictureRowShowsNoHeapBytes) {
    LINE* l = fill({{K_TEXT, "pic"}}).front();
    l->object = K_PICTURE;
    l->index = 7; // a picture handle, not a heap offset
    WireCapture::clear();
    wrline(l, 3);
    EXPECT_EQ(WireCapture::msgs, (Msgs{row(3, "\\p"), text(3, "")}));
}

TEST_F(Paint, RowTextGoesThroughOuttran) {
    LINE* l = fill({{K_TEXT, std::string("a\x0f\x7f\xad", 4)}}).front();
    WireCapture::clear();
    wrline(l, 2);
    EXPECT_EQ(WireCapture::msgs[1], "$TL2,a\xEE~-");
}

TEST_F(Paint, RowStaysWithinTheMessageBuffer) {
    swidth = rightcol = 5000;
    LINE* l = fill({{K_TEXT, std::string(3000, 'y')}}).front();
    WireCapture::clear();
    wrline(l, 2);
    ASSERT_EQ(WireCapture::msgs.size(), 2u);
    EXPECT_EQ(WireCapture::msgs[1].size(), static_cast<size_t>(XVMSGSIZE - 1));
}

TEST_F(Paint, SingleRowLevels) {
    auto ls = fill({{K_TEXT, "one"}, {K_TEXT, "two"}, {K_TEXT, "three"}, {K_TEXT, "four"}});
    cur().lnptr = ls[2]; // row 4
    for (int32_t level : {RP_ROW, RP_FIELD})
        EXPECT_EQ(paint(level), (Msgs{row(4, "  "), text(4, "three")}));
    EXPECT_EQ(paint(RP_FLAGROW), Msgs{row(4, "  ")}); // flags only
    EXPECT_EQ(paint(RP_ROWABOVE), (Msgs{row(3, "  "), text(3, "two"), row(4, "  "), text(4, "three")}));
    EXPECT_EQ(paint(RP_ROWBELOW), (Msgs{row(4, "  "), text(4, "three"), row(5, "  "), text(5, "four")}));
    EXPECT_EQ(paint(RP_NONE), Msgs{});
    EXPECT_EQ(paint(RP_FORMULA), Msgs{});
}

TEST_F(Paint, TypedCharacterIsEchoed) {
    fill({{K_TEXT, "ab"}});
    holdch = 'c';
    EXPECT_EQ(paint(RP_ECHO), Msgs{"$cc"});
    EXPECT_EQ(WireCapture::wire, "c\r\n");
    holdch = 16; // an accent byte travels as its letter
    EXPECT_EQ(paint(RP_ECHO), Msgs{"$c\xE5"});
    settype(2);
    holdch = 'r';
    EXPECT_EQ(paint(RP_ECHO), Msgs{"$cr"});
}

TEST_F(Paint, CursorRowAndBelow) {
    auto ls = fill({{K_TEXT, "one"}, {K_TEXT, "two"}});
    cur().lnptr = ls[1];
    const Msgs m = paint(RP_ROWDOWN);
    ASSERT_EQ(m.size(), 2u * 19); // rows 3..21
    EXPECT_EQ(m[0], row(3, "  "));
    EXPECT_EQ(m[1], text(3, "two"));
    EXPECT_EQ(m.back(), text(21, ""));
}

TEST_F(Paint, RowsAroundTheCursorStayInTheWindow) {
    auto ls = fill({{K_TEXT, "top"}, {K_TEXT, "next"}});
    // The row above the first window row is not painted.
    EXPECT_EQ(paint(RP_ROWABOVE), (Msgs{row(2, "  "), text(2, "top")}));
    // The row below the last window row is not painted.
    depth = 1;
    windowend = 2;
    EXPECT_EQ(paint(RP_ROWBELOW), (Msgs{row(2, "  "), text(2, "top")}));
    (void)ls;
}

TEST_F(Paint, SidewaysScrollByShiftSteps) {
    fill({{K_TEXT, std::string(200, 'z')}});
    struct {
        int32_t col, rightcol, pshift;
        const char* flags; // of the 200-column line when the rows are resent
    } steps[] = {
        {78, 78, 0, nullptr},   {79, 137, 59, "-+"}, {137, 137, 59, nullptr},
        {60, 137, 59, nullptr}, {59, 78, 0, " +"},   {200, 255, 177, "--"},
        {1, 78, 0, " +"},
    };
    for (const auto& s : steps) {
        cur().curcol = s.col;
        const Msgs m = paint(RP_NONE);
        EXPECT_EQ(rightcol, s.rightcol) << s.col;
        EXPECT_EQ(pshift, s.pshift) << s.col;
        if (s.flags == nullptr) {
            EXPECT_TRUE(m.empty()) << s.col;
            continue;
        }
        // The ruler, then every row.
        ASSERT_EQ(m.size(), 41u) << s.col;
        EXPECT_EQ(m[0].substr(0, 3), "$mt");
        EXPECT_EQ(m[0].size(), 3u + 78);
        EXPECT_EQ(m[1], row(2, s.flags)) << s.col;
        EXPECT_EQ(m[40], text(21, "")) << s.col;
        EXPECT_EQ(m[39], row(21, pshift ? "--" : "  ")) << s.col;
    }
}

TEST_F(Paint, InvisibleRepaintSendsNothingButClearsTheLevel) {
    fill({{K_TEXT, std::string(100, 'q')}});
    visible = 0;
    cur().curcol = 90;
    paint(RP_ALL);
    EXPECT_TRUE(WireCapture::msgs.empty());
    EXPECT_EQ(redisplay, RP_NONE);
    EXPECT_EQ(pshift, 59); // the window still follows the cursor
}

TEST_F(Paint, RegisterAndCheckLevelsCallTheirDisplays) {
    fill({{K_TEXT, "x"}});
    static int calls;
    calls = 0;
    showregister = [] { calls += 1; };
    showchecks = [] { calls += 10; };
    EXPECT_EQ(paint(RP_REGISTER), Msgs{});
    EXPECT_EQ(paint(RP_CHECKS), Msgs{});
    EXPECT_EQ(calls, 11);
    EXPECT_EQ(redisplay, RP_NONE);
}

struct FieldCase {
    int32_t curcol;
    int32_t fieldnum;
    int64_t offset;
    int32_t fieldsiz;
};

TEST_F(Paint, FindfieldLocatesTheCursorsField) {
    LINE* l = fill({{K_RECORD, "ab|cde|f"}}).front();
    const FieldCase cases[] = {
        {1, 1, 0, 2}, {3, 1, 0, 2}, {4, 2, 3, 3}, {7, 2, 3, 3}, {8, 3, 7, 1}, {40, 3, 7, 1},
    };
    for (const FieldCase& c : cases) {
        cur().curcol = c.curcol;
        findfield();
        EXPECT_EQ(fieldnum, c.fieldnum) << c.curcol;
        EXPECT_EQ(recptr, l->index + c.offset) << c.curcol;
        EXPECT_EQ(fieldsiz, c.fieldsiz) << c.curcol;
    }
}

TEST_F(Paint, RecordThroughTheTemplate) {
    fill({{K_RECORD, "ab|cde||"}});
    settype(2);
    cur().starB = cur().lnptr;
    EXPECT_EQ(paint(RP_ALL), (Msgs{"$TL2", "$Tf* ", "$TR3,2,5,ab", "$TR3,10,5,cde", "$TR3,18,5,"}));
    cur().curcol = 5;
    EXPECT_EQ(paint(RP_FIELD), Msgs{"$TR3,10,5,cde"});
    EXPECT_EQ(paint(RP_FLAGROW), Msgs{"$Tf* "});
    EXPECT_EQ(paint(RP_NONE), Msgs{});
}

TEST_F(Paint, IncompatibleLineInRecordViewIsAPlainRow) {
    fill({{K_TEXT, "plain|text"}});
    settype(2);
    const Msgs m = paint(RP_ALL);
    // Shown as row 2, its fields sent without text.
    EXPECT_EQ(m, (Msgs{row(2, "  "), text(2, "plain|text"), "$TR3,2,5,", "$TR3,10,5,"}));
    EXPECT_EQ(paint(RP_FLAGS), Msgs{"$Tf I"});
}

TEST_F(Paint, FieldsFollowTheLayout) {
    fill({{K_RECORD, "x|y"}});
    settype(7);
    frow[2] = 9;
    fcol[2] = 30;
    maxfieldlen[2] = 12;
    EXPECT_EQ(paint(RP_ROW), (Msgs{"$TL2", "$Tf  ", "$TR3,2,5,x", "$TR9,30,12,y"}));
    deftemplate();
    EXPECT_EQ(frow[2], 3);
    EXPECT_EQ(numfields, 10);
}

TEST_F(Paint, TemplateGridWithoutATemplate) {
    struct {
        int32_t n, row, col;
    } cases[] = {{1, 3, 2}, {2, 3, 10}, {6, 3, 42}, {7, 4, 2}, {100, 19, 26}};
    for (const auto& c : cases) {
        EXPECT_EQ(frow[c.n], c.row) << c.n;
        EXPECT_EQ(fcol[c.n], c.col) << c.n;
        EXPECT_EQ(maxfieldlen[c.n], 5);
        EXPECT_EQ(ftype[c.n], 'c');
    }
}

TEST_F(Paint, PictureAndFormulaViews) {
    auto ls = fill({{K_TEXT, "words"}, {K_FORMULA, "1+2"}});
    settype(4);
    EXPECT_EQ(paint(RP_ALL), (Msgs{row(2, "  "), text(2, "words")})); // not a picture line
    settype(6);
    EXPECT_EQ(paint(RP_FLAGROW), Msgs{"$Tf  "});
    cur().lnptr = ls[1];
    EXPECT_EQ(paint(RP_ALL), Msgs{"$Tf  "}); // a formula line: the drawing is empty
}

TEST_F(Paint, CursorPlacementInText) {
    auto ls = fill({{K_TEXT, "a"}, {K_RECORD, "r|s"}, {K_TEXT, "b"}});
    cur().lnptr = ls[2];
    cur().curcol = 7;
    WireCapture::clear();
    discur();
    EXPECT_EQ(WireCapture::msgs, Msgs{"$p4,8"});
    cur().curcol = 100;
    pshift = 59;
    WireCapture::clear();
    discur();
    EXPECT_EQ(WireCapture::msgs, Msgs{"$p4,42"});
    cur().lnptr = ls[1]; // a record line is incompatible with text
    WireCapture::clear();
    discur();
    EXPECT_EQ(WireCapture::msgs, Msgs{"$p3,1"});
    EXPECT_EQ(curviewmask, viewmask[K_RECORD]);
}

TEST_F(Paint, CursorPlacementInAField) {
    auto ls = fill({{K_RECORD, "ab|cde"}, {K_TEXT, "t"}});
    settype(2);
    cur().curcol = 5;
    WireCapture::clear();
    discur();
    EXPECT_EQ(WireCapture::msgs, Msgs{"$p3,11"});
    cur().lnptr = ls[1];
    WireCapture::clear();
    discur();
    EXPECT_EQ(WireCapture::msgs, Msgs{"$p2,1"});
}

TEST_F(Paint, FormulaCursorColour) {
    fill({{K_TEXT, "f"}});
    settype(5);
    struct {
        int32_t curflag;
        Msgs msgs;
        const char* wire;
    } cases[] = {
        {1, {"$mMRED", "$p2,2"}, "RED\r\n"},
        {2, {"$mMBLUE", "$p2,2"}, "BLUE\r\n"},
        {3, {"GREEN 0 0", "$p2,2"}, ""},
    };
    for (const auto& c : cases) {
        cur().curflag = c.curflag;
        WireCapture::clear();
        discur();
        EXPECT_EQ(WireCapture::msgs, c.msgs) << c.curflag;
        EXPECT_EQ(WireCapture::wire, c.wire) << c.curflag;
    }
    settype(4);
    WireCapture::clear();
    discur();
    EXPECT_EQ(WireCapture::msgs, Msgs{"$p2,1"}); // a text line in the picture view
}

} // namespace paint_test
