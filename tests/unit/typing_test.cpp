// Text entry and deletion on text, record and formula lines.
#include <gtest/gtest.h>

#include <cstring>
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
#include "editor/typing.hpp"

namespace oxa {
namespace typing_test {

std::vector<std::string> sent;

std::string text(const LINE* l) {
    if (l->object == K_EMPTY || l->object == K_PICTURE) return "";
    return std::string(reinterpret_cast<const char*>(&textbase[l->index]),
                       static_cast<size_t>(l->length));
}
std::string line() {
    return text(cur().lnptr);
}

int bells() {
    int n = 0;
    for (const std::string& m : sent)
        n += m == "$b";
    return n;
}

// Makes the corefile hold `lines` (kind `kind`), cursor on the first line at `col`.
void fill(std::initializer_list<const char*> lines, int32_t col = 1, int32_t kind = K_TEXT) {
    bool first = true;
    for (const char* s : lines) {
        if (!first) {
            ASSERT_TRUE(allocln(K_EMPTY, 0));
        }
        first = false;
        for (const char* p = s; *p; ++p)
            ASSERT_TRUE(cadd(static_cast<unsigned char>(*p)));
        if (*s == '\0' && kind != K_TEXT) {
            cur().lnptr->object = kind;
            cur().lnptr->index = avail;
            linkphys();
        }
        if (*s != '\0') cur().lnptr->object = kind;
    }
    cur().lnptr = cur().header->down;
    cur().disln = cur().lnptr;
    cur().curcol = col;
}

void key(int ch, int code = 4) {
    holdch = ch;
    type = code;
}

class TypingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        sent.clear();
        xvsink = [](const char*, size_t) {};
        xvtrace = [](const char* m) { sent.emplace_back(m); };
        redisplay = RP_NONE;
    }
    void TearDown() override { EXPECT_EQ(checkstore(), ""); }
};

TEST_F(TypingTest, TypingInBothModes) {
    struct Case {
        const char* start;
        int32_t col;
        int32_t mode;
        int ch;
        const char* result;
        int32_t newcol;
        int32_t level;
    } cases[] = {
        {"abc", 2, 1, 'X', "aXc", 3, RP_ECHO},
        {"", 10, 1, 'z', "         z", 11, RP_ECHO},
        {"abc", 10, 1, 'z', "abc      z", 11, RP_ECHO},
        {"abc", 2, 2, 'X', "aXbc", 3, RP_ROW},
        {"abc", 4, 2, 'X', "abcX", 5, RP_ECHO},
        {"abc", 6, 2, 'X', "abc  X", 7, RP_ECHO},
        {"abc", 1, 1, 0xE9,
         "\xE9"
         "bc",
         2, RP_ECHO},
    };
    for (const Case& k : cases) {
        resetstore();
        fill({k.start}, k.col);
        mode = k.mode;
        key(k.ch);
        redisplay = RP_NONE;
        bldtxt();
        EXPECT_EQ(line(), k.result) << k.start << "/" << k.col << "/" << k.mode;
        EXPECT_EQ(cur().curcol, k.newcol) << k.start << "/" << k.col << "/" << k.mode;
        EXPECT_EQ(redisplay, k.level) << k.start << "/" << k.col << "/" << k.mode;
        EXPECT_EQ(cur().charcount, static_cast<int64_t>(std::strlen(k.result)));
        EXPECT_EQ(checkstore(), "");
    }
}

TEST_F(TypingTest, FreeMarkByteIsRefused) {
    fill({"abc"}, 2);
    key(0xFF);
    bldtxt();
    EXPECT_EQ(line(), "abc");
    EXPECT_EQ(cur().curcol, 2);
}

TEST_F(TypingTest, Bells) {
    struct Case {
        const char* start;
        int32_t col;
        int32_t mode;
        int32_t rmarg;
        int expect;
    } cases[] = {
        {"abcd", 5, 1, 5, 1},   // overwrite at the margin, the line's last column
        {"abcdef", 5, 1, 5, 0}, // at the margin but not at the line's end
        {"abcd", 2, 2, 5, 1},   // insert makes the length reach the margin
        {"ab", 2, 2, 5, 0},
    };
    for (const Case& k : cases) {
        resetstore();
        sent.clear();
        fill({k.start}, k.col);
        mode = k.mode;
        rmargin = k.rmarg;
        key('q');
        xbldtxt();
        EXPECT_EQ(bells(), k.expect) << k.start << "/" << k.col;
    }
    resetstore();
    sent.clear();
    rmargin = 72;
    fill({""}, rightcol);
    key('q');
    xbldtxt();
    EXPECT_EQ(bells(), 1); // the window's last column
}

TEST_F(TypingTest, Rubout) {
    struct Case {
        const char* start;
        int32_t col;
        const char* result;
        int32_t newcol;
        int32_t level;
    } cases[] = {
        {"abc", 2, "ac", 2, RP_ROW},
        {"abc", 4, "ab", 3, RP_ROW},  // just after the end: the last character
        {"abc", 6, "abc", 5, RP_NONE}, // beyond the end: only moves left
        {"abc   ", 6, "abc", 5, RP_NONE},
        {"a", 1, "", 1, RP_ROW},
    };
    for (const Case& k : cases) {
        resetstore();
        fill({k.start, "next"}, k.col);
        redisplay = RP_NONE;
        rubtxt();
        EXPECT_EQ(line(), k.result) << k.start << "/" << k.col;
        EXPECT_EQ(cur().curcol, k.newcol) << k.start << "/" << k.col;
        EXPECT_EQ(redisplay, k.level) << k.start << "/" << k.col;
        EXPECT_EQ(checkstore(), "");
    }
}

TEST_F(TypingTest, RuboutOnAnEmptyLineRemovesIt) {
    fill({"   ", "next"}, 1);
    rubtxt();
    EXPECT_EQ(line(), "next");
    EXPECT_EQ(cur().lncount, 1);
    EXPECT_EQ(cur().disln, cur().lnptr);
    EXPECT_EQ(redisplay, RP_ROWDOWN);

    // On the last line nothing happens.
    resetstore();
    fill({"x", ""}, 1);
    cur().lnptr = cur().header->up;
    LINE* last = cur().lnptr;
    redisplay = RP_NONE;
    rubtxt();
    EXPECT_EQ(cur().lnptr, last);
    EXPECT_EQ(cur().lncount, 2);
    EXPECT_EQ(cur().curcol, 1);
    EXPECT_EQ(redisplay, RP_NONE);
}

TEST_F(TypingTest, RuboutThenRecoverRestoresTheText) {
    fill({"xabcy"}, 2);
    for (int i = 0; i < 3; ++i)
        rubtxt();
    EXPECT_EQ(line(), "xy");
    mode = 1;
    for (int i = 0; i < 3; ++i)
        rectxt();
    EXPECT_EQ(line(), "xabcy");
    EXPECT_EQ(cur().curcol, 2);
    EXPECT_EQ(mode, 1);
    rectxt(); // the ring is empty now
    EXPECT_EQ(line(), "xabcy");
}

TEST_F(TypingTest, CopyPushesTheByteUnderTheCursor) {
    fill({"ab"}, 2);
    copytxt();
    copytxt(); // beyond the end: a blank
    EXPECT_EQ(cur().curcol, 4);
    EXPECT_EQ(line(), "ab");
    int c = 0;
    ASSERT_TRUE(popchar(c));
    EXPECT_EQ(c, ' ');
    ASSERT_TRUE(popchar(c));
    EXPECT_EQ(c, 'b');
}

TEST_F(TypingTest, RecoverWordStopsAtTheUnitMark) {
    fill({"one  two"}, 5);
    recword(); // no mark in the ring: nothing
    EXPECT_EQ(line(), "one  two");
    savechar('z');
    savechar('\\');
    for (char ch : std::string("new"))
        savechar(ch);
    recword();
    EXPECT_EQ(line(), "one new two");
    EXPECT_EQ(cur().curcol, 5);
    int c = 0;
    ASSERT_TRUE(popchar(c));
    EXPECT_EQ(c, 'z'); // what lay before the mark stays
}

// ---- Records --------------------------------------------------------------

class RecordTest : public TypingTest {
  protected:
    void SetUp() override {
        TypingTest::SetUp();
        cur().viewtype = 1;
    }
    void record(const char* s, int32_t col) { fill({s}, col, K_RECORD); }
};

TEST_F(RecordTest, FieldTypesAcceptTheirClasses) {
    struct Case {
        char ftype;
        int ch;
        int code;
        bool accepted;
    } cases[] = {
        {'b', '5', 3, false}, {'b', 'y', 4, true},  {'b', 'n', 4, true},  {'b', 'a', 4, false},
        {'c', '#', 2, true},  {'c', '-', 4, true},  {'f', '7', 3, true},  {'f', 'k', 4, true},
        {'f', '-', 4, false}, {'i', '-', 4, true},  {'i', '3', 3, true},  {'i', 'x', 4, false},
        {'j', '3', 3, true},  {'j', '-', 4, false}, {'d', 'a', 4, false}, {'g', '1', 3, false},
        {'c', '|', 2, false},
    };
    for (const Case& k : cases) {
        resetstore();
        cur().viewtype = 1;
        record("ab|cd|", 4);
        ftype[2] = k.ftype;
        key(k.ch, k.code);
        mode = 1;
        EXPECT_EQ(xbldrec(), k.accepted) << k.ftype << " " << static_cast<char>(k.ch);
        EXPECT_EQ(line(), k.accepted ? std::string("ab|") + static_cast<char>(k.ch) + "d|"
                                     : std::string("ab|cd|"))
            << k.ftype << " " << static_cast<char>(k.ch);
    }
}

TEST_F(RecordTest, TheEightSituations) {
    // Field 2 of "ab|cde|z" has maximum length 3 (full) or 5 (room).
    struct Case {
        int32_t mode;
        int32_t col;
        int32_t maxlen;
        const char* result;
        int32_t level;
        int bell;
        bool entered;
    } cases[] = {
        {1, 4, 5, "ab|Qde|z", RP_ECHO, 0, true},  // 0 overwrite inside
        {2, 4, 5, "ab|Qcde|z", RP_FIELD, 0, true}, // 1 insert inside
        {1, 7, 5, "ab|cdeQ|z", RP_FIELD, 0, true}, // 2 overwrite at the end, room
        {2, 7, 5, "ab|cdeQ|z", RP_FIELD, 0, true}, // 3 insert at the end, room
        {1, 4, 3, "ab|Qde|z", RP_ECHO, 0, true},  // 4 overwrite inside a full field
        {2, 4, 3, "ab|Qcd|z", RP_FIELD, 1, true},  // 5 insert inside a full field
        {1, 7, 3, "ab|cde|z", RP_NONE, 0, false}, // 6 end of a full field
        {2, 7, 3, "ab|cde|z", RP_NONE, 0, false}, // 7
    };
    for (const Case& k : cases) {
        resetstore();
        sent.clear();
        cur().viewtype = 1;
        record("ab|cde|z", k.col);
        maxfieldlen[2] = k.maxlen;
        mode = k.mode;
        key('Q');
        redisplay = RP_NONE;
        bldrec();
        EXPECT_EQ(line(), k.result) << k.mode << "/" << k.col << "/" << k.maxlen;
        EXPECT_EQ(redisplay, k.level) << k.mode << "/" << k.col << "/" << k.maxlen;
        EXPECT_EQ(bells(), k.bell) << k.mode << "/" << k.col << "/" << k.maxlen;
        EXPECT_EQ(cur().curcol, k.col + (k.entered ? 1 : 0));
        EXPECT_EQ(checkstore(), "");
    }
}

TEST_F(RecordTest, TypingAtTheEndOfTheLineFillsTheLastField) {
    record("a|", 3);
    key('b');
    mode = 1;
    bldrec();
    EXPECT_EQ(line(), "a|b");
    EXPECT_EQ(cur().curcol, 4);
}

TEST_F(RecordTest, Rubout) {
    struct Case {
        const char* start;
        int32_t col;
        char type2;
        const char* result;
        int32_t newcol;
    } cases[] = {
        {"ab|cd|", 4, 'c', "ab|d|", 4},
        {"ab|cd|", 3, 'c', "ab|cd|", 2}, // on a bar: moves left
        {"ab|cd|", 5, 'g', "ab|cd|", 4}, // protected field
        {"ab|cd|", 7, 'c', "ab|cd|", 6}, // the line's end
    };
    for (const Case& k : cases) {
        resetstore();
        cur().viewtype = 1;
        record(k.start, k.col);
        ftype[2] = k.type2;
        rubrec();
        EXPECT_EQ(line(), k.result) << k.col;
        EXPECT_EQ(cur().curcol, k.newcol) << k.col;
    }
}

TEST_F(RecordTest, DeleteFieldAndRecoverItElsewhere) {
    record("ab|cde|f", 6);
    rubfield();
    EXPECT_EQ(line(), "ab||f");
    EXPECT_EQ(cur().curcol, 4);
    EXPECT_EQ(redisplay, RP_FIELD);
    cur().curcol = 5; // field 3, on the f
    recfield();
    EXPECT_EQ(line(), "ab||cdef");
    EXPECT_EQ(checkstore(), "");

    ftype[1] = 'g';
    cur().curcol = 2;
    rubfield(); // protected
    EXPECT_EQ(line(), "ab||cdef");
}

TEST_F(RecordTest, CopyFieldLeavesTheTextAndRecoversACopy) {
    record("ab|cd|", 5);
    copyfield();
    EXPECT_EQ(line(), "ab|cd|");
    cur().curcol = 7;
    recfield();
    EXPECT_EQ(line(), "ab|cd|cd");
    EXPECT_FALSE(ringholds('\\'));
}

TEST_F(RecordTest, RecoverOneCharacter) {
    record("ab|cd|", 4);
    rubrec();
    EXPECT_EQ(line(), "ab|d|");
    recrec();
    EXPECT_EQ(line(), "ab|cd|");
    EXPECT_EQ(cur().curcol, 4);
}

// ---- Formulas -------------------------------------------------------------

const std::string NODE(1, static_cast<char>(MATH_NODE));
const std::string CELL(1, static_cast<char>(MATH_CELL));
const std::string ROW(1, static_cast<char>(MATH_ROW));
const std::string TABLE(1, static_cast<char>(MATH_TABLE));

TEST_F(TypingTest, FormulaEntry) {
    struct Case {
        int32_t mode;
        int code;
        int ch;
        std::string result;
        int32_t newcol;
    } cases[] = {
        {1, 4, 'x', "axc", 3},
        {2, 4, 'x', "axbc", 3},
        {1, 53, 'x', "axbc", 3},
        {2, 2, '(', "a" + NODE + NODE + "bc", 2},
        {2, 2, '!', "a" + NODE + CELL + CELL + NODE + "bc", 2},
        {2, 4, 230, "a" + NODE + CELL + NODE + "bc", 2},
    };
    for (const Case& k : cases) {
        resetstore();
        cur().viewtype = 5;
        fill({"abc"}, 2, K_FORMULA);
        cur().curflag = 2;
        mode = k.mode;
        key(k.ch, k.code);
        bldmath();
        EXPECT_EQ(line(), k.result) << k.ch;
        EXPECT_EQ(cur().curcol, k.newcol) << k.ch;
        EXPECT_EQ(cur().curflag, 1);
        EXPECT_EQ(redisplay, RP_ALL);
        EXPECT_EQ(checkstore(), "");
    }
}

TEST_F(TypingTest, FormulaAppendsAtTheEndAndIgnoresTheTableCursor) {
    cur().viewtype = 5;
    fill({"ab"}, 3, K_FORMULA);
    mode = 1;
    key('c');
    bldmath();
    EXPECT_EQ(line(), "abc");
    EXPECT_EQ(cur().curcol, 4);
    cur().curflag = 3;
    key('d');
    bldmath();
    EXPECT_EQ(line(), "abc");
}

TEST_F(TypingTest, FormulaRubout) {
    cur().viewtype = 5;
    std::string s = "a" + NODE + "b";
    fill({s.c_str()}, 2, K_FORMULA);
    rubmath(); // on a delimiter: moves left
    EXPECT_EQ(cur().curcol, 1);
    rubmath();
    EXPECT_EQ(line(), NODE + "b");
    cur().curcol = 5;
    rubmath(); // beyond the end: moves left
    EXPECT_EQ(cur().curcol, 4);
}

TEST_F(TypingTest, FormulaItemMovesToANewLine) {
    cur().viewtype = 5;
    std::string s = "x" + NODE + "ab" + CELL + "cd" + NODE;
    fill({s.c_str()}, 3, K_FORMULA);
    cur().curflag = 2;
    rubmath();
    EXPECT_EQ(line(), "x" + NODE + CELL + "cd" + NODE);
    LINE* below = cur().lnptr->down;
    EXPECT_EQ(below->object, K_FORMULA);
    EXPECT_EQ(text(below), "ab");
    EXPECT_EQ(cur().lncount, 2);
}

TEST_F(TypingTest, RecoverTheNextLineIntoAFormula) {
    cur().viewtype = 5;
    fill({"ab", "XY", "z"}, 2, K_FORMULA);
    recmath();
    EXPECT_EQ(line(), "aXYb");
    EXPECT_EQ(cur().lncount, 2);
    EXPECT_EQ(text(cur().lnptr->down), "z");
    EXPECT_EQ(redisplay, RP_ALL);
}

TEST_F(TypingTest, TableRowsAndColumns) {
    // A 2 x 2 table: cells a b / c d.
    std::string t = TABLE + NODE + "a" + CELL + "b" + ROW + "c" + CELL + "d" + NODE;
    cur().viewtype = 5;
    fill({t.c_str()}, 1, K_FORMULA);
    cur().curflag = 3;
    instabrow();
    EXPECT_EQ(line(), TABLE + NODE + "a" + CELL + "b" + ROW + "c" + CELL + "d" + ROW + CELL + NODE);
    EXPECT_EQ(cur().curcol, 1);
    instabcol();
    EXPECT_EQ(line(), TABLE + NODE + "a" + CELL + "b" + CELL + ROW + "c" + CELL + "d" + CELL + ROW +
                          CELL + CELL + NODE);
    cur().curflag = 1; // not on a table cell: nothing
    instabrow();
    EXPECT_EQ(cur().charcount, static_cast<int64_t>(line().size()));
}

TEST_F(TypingTest, NodeOnAnEmptyLineMakesAFormulaLine) {
    insnode(0, "ab");
    EXPECT_EQ(cur().lnptr->object, K_FORMULA);
    EXPECT_EQ(line(), NODE + "ab" + NODE);
    EXPECT_EQ(cur().charcount, 4);
}

} // namespace typing_test
} // namespace oxa
