// Further edit operations: line and word deletion, repeating the line above,
// case and accent flipping, opening lines, decimal tabs and line drawing.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/editops.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/reformat.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "editor/typing.hpp"

namespace oxa {
namespace editops_test {

std::string text(const LINE* l) {
    if (l->object == K_EMPTY || l->object == K_PICTURE) return "";
    return std::string(reinterpret_cast<const char*>(&textbase[l->index]),
                       static_cast<size_t>(l->length));
}
std::string line() {
    return text(cur().lnptr);
}

std::vector<std::string> alllines() {
    std::vector<std::string> v;
    for (LINE* l = cur().header->down; l != cur().header; l = l->down)
        v.push_back(text(l));
    return v;
}

// Makes the corefile hold `lines`, the cursor on line `row` at `col`.
void fill(std::initializer_list<const char*> lines, int32_t row = 1, int32_t col = 1) {
    bool first = true;
    for (const char* s : lines) {
        if (!first) {
            ASSERT_TRUE(allocln(K_EMPTY, 0));
        }
        first = false;
        for (const char* p = s; *p; ++p)
            ASSERT_TRUE(cadd(static_cast<unsigned char>(*p)));
    }
    LINE* l = cur().header->down;
    for (int32_t i = 1; i < row; ++i)
        l = l->down;
    cur().lnptr = l;
    cur().disln = cur().header->down;
    cur().curcol = col;
}

// The characters held by the delete ring, oldest first.
std::string ring() {
    std::string s;
    int c;
    while (popchar(c))
        s.insert(s.begin(), static_cast<char>(c));
    return s;
}

class EditOpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        xvsink = [](const char*, size_t) {};
        redisplay = RP_NONE;
    }
    void TearDown() override { EXPECT_EQ(checkstore(), ""); }
};

TEST_F(EditOpsTest, DeleteToTheEndOfTheLine) {
    fill({"hello world", "next"}, 1, 6);
    deline();
    EXPECT_EQ(alllines(), (std::vector<std::string>{"hello", "next"}));
    EXPECT_EQ(ring(), " world");
    EXPECT_EQ(redisplay, RP_ROWDOWN);
    EXPECT_EQ(checkstore(), "");
    // Beyond the end nothing happens.
    cur().curcol = 9;
    redisplay = RP_NONE;
    deline();
    EXPECT_EQ(line(), "hello");
    EXPECT_EQ(redisplay, RP_NONE);
}

TEST_F(EditOpsTest, DeleteWords) {
    struct Case {
        const char* start;
        int32_t col;
        void (*op)();
        const char* result;
        int32_t newcol;
        const char* deleted; // the delete ring afterwards
    } cases[] = {
        {"one two, three", 6, delwordend, "one tthree", 6, "wo, "},
        {"one two, three", 6, delword, "one three", 5, "\\two, "},
        {"one two, three", 5, delword, "one three", 5, "\\two, "},
        {"one two", 4, delword, "one two", 4, ""},          // on a blank: nothing
        {"one two   ", 8, delwordend, "one two", 8, ""},    // at the end: only blanks go
        {"one two", 1, delwordend, "two", 1, "one "},
        {"abc", 2, delword, "", 1, "\\abc"},
        {"one, two", 4, delwordend, "onetwo", 4, ", "},      // from a gap: only the gap goes
        {"one two", 20, delwordend, "one two", 20, ""},      // beyond the end: nothing
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.start) + " @" + std::to_string(k.col));
        resetlines();
        resetstore();
        fill({k.start}, 1, k.col);
        k.op();
        EXPECT_EQ(line(), k.result);
        EXPECT_EQ(cur().curcol, k.newcol);
        EXPECT_EQ(ring(), k.deleted);
        EXPECT_EQ(checkstore(), "");
    }
}

// A word as long as a large file and its gap go in one removal, the ring
// keeping the last of it.
TEST_F(EditOpsTest, DeleteToTheEndOfAVeryLongWord) {
    const std::string word(1000000, 'w');
    const std::string start = "ab " + word + " ,  tail";
    fill({start.c_str()}, 1, 4);
    delwordend();
    EXPECT_EQ(line(), "ab tail");
    EXPECT_EQ(cur().curcol, 4);
    EXPECT_EQ(redisplay, 5); // the cursor row repainted
    const std::string deleted = ring();
    EXPECT_EQ(deleted.size(), static_cast<size_t>(DELBUFSIZE));
    EXPECT_EQ(deleted.substr(deleted.size() - 6), "ww ,  ");
}

TEST_F(EditOpsTest, RepeatTheLineAbove) {
    fill({"abcdef", "xy"}, 2, 2);
    repchar();
    EXPECT_EQ(line(), "xb");
    EXPECT_EQ(cur().curcol, 3);
    EXPECT_EQ(redisplay, RP_ECHO);
    repline();
    EXPECT_EQ(line(), "xbcdef");
    EXPECT_EQ(cur().curcol, 7);
    EXPECT_EQ(redisplay, RP_ROW);
    // Beyond the end of the line above a blank is typed.
    repchar();
    EXPECT_EQ(line(), "xbcdef ");
    EXPECT_EQ(cur().curcol, 8);
    // On the first line nothing happens.
    cur().lnptr = cur().header->down;
    cur().curcol = 1;
    repchar();
    repline();
    EXPECT_EQ(alllines(), (std::vector<std::string>{"abcdef", "xbcdef "}));
}

TEST_F(EditOpsTest, FlipTableCycles) {
    EXPECT_EQ(flip['a'], 'A');
    EXPECT_EQ(flip['Z'], 'z');
    EXPECT_EQ(flip['1'], '1');
    EXPECT_EQ(flip[0xE5], 0xC0); // the end of the a cycle goes back to its start
    EXPECT_EQ(flip[0xC7], 0xE7);
    EXPECT_EQ(flip[0xE7], 0xC7);
    EXPECT_EQ(flip[0xD7], 0xD7); // the multiplication sign stays
    // Following any byte's cycle returns to it, and each cycle has the
    // length the table sets out.
    for (int b = 0; b < 256; ++b) {
        int n = 1, c = flip[static_cast<size_t>(b)];
        for (; c != b && n <= 12; ++n)
            c = flip[static_cast<size_t>(c)];
        const int expect = (b >= 0xC0 && b <= 0xC5) || (b >= 0xE0 && b <= 0xE5) ? 12
                           : (b >= 0xD2 && b <= 0xD6) || (b >= 0xF2 && b <= 0xF6) ? 10
                           : (b >= 0xC8 && b <= 0xCF) || (b >= 0xE8 && b <= 0xEF) ||
                                   (b >= 0xD9 && b <= 0xDC) || (b >= 0xF9 && b <= 0xFC)
                               ? 8
                           : std::isalpha(b) || b == 0xC7 || b == 0xE7 ? 2
                                                                        : 1;
        EXPECT_EQ(n, expect) << "byte " << b;
    }
}

TEST_F(EditOpsTest, FlipCharacter) {
    fill({"a\xE0" "b"}, 1, 1);
    flipchar();
    EXPECT_EQ(line(), "A\xE0" "b");
    EXPECT_EQ(cur().curcol, 2);
    EXPECT_EQ(cur().edited, 1);
    flipchar();
    EXPECT_EQ(line(), "A\xE1" "b");
    EXPECT_EQ(cur().curcol, 2); // an accented letter keeps the cursor
    cur().curcol = 4;
    flipchar(); // beyond the end: nothing
    EXPECT_EQ(line(), "A\xE1" "b");
}

TEST_F(EditOpsTest, OpenSeveralLines) {
    struct Case {
        const char* count; // typed after the key, ended by a non-digit
        size_t lines;
    } cases[] = {{"3\r", 4}, {"0\r", 2}, {"\r", 2}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.count);
        resetstore();
        fill({"top", "bottom"}, 1, 2);
        pushfn(k.count);
        manynulines();
        const auto v = alllines();
        ASSERT_EQ(v.size(), k.lines + 1);
        EXPECT_EQ(v.front(), "top");
        EXPECT_EQ(v.back(), "bottom");
        EXPECT_EQ(line(), "top"); // the cursor stays on its line
        EXPECT_EQ(redisplay, RP_ROWDOWN);
        EXPECT_EQ(checkstore(), "");
    }
}

TEST_F(EditOpsTest, DecimalTabEntry) {
    struct Case {
        const char* start;
        int32_t col; // the tab column
        const char* typed;
        const char* result;
        int32_t newcol;
        int32_t state;
    } cases[] = {
        {"", 9, "123.", "     123.", 10, 0},
        {"", 9, "-12", "     -12 ", 9, 1},
        {"total:  x", 9, "45", "total:45 ", 9, 1},
        // At column 1 each further digit pushes the leftmost one out.
        {"", 3, "1234", "34 ", 3, 1},
        {"", 9, "x", "        x", 10, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.typed) + " at " + std::to_string(k.col));
        resetstore();
        reseteditops();
        fill({k.start}, 1, k.col);
        param[1] = 1;
        decimaltab();
        dtstate = 1;
        for (const char* p = k.typed; *p; ++p) {
            holdch = static_cast<unsigned char>(*p);
            bldtxt();
        }
        EXPECT_EQ(line(), k.result);
        EXPECT_EQ(cur().curcol, k.newcol);
        EXPECT_EQ(dtstate, k.state);
        EXPECT_EQ(checkstore(), "");
    }
    // Switched off, typing is plain again.
    resetstore();
    fill({""}, 1, 1);
    param[1] = 0;
    decimaltab();
    dtstate = 1;
    holdch = '7';
    bldtxt();
    EXPECT_EQ(line(), "7");
    EXPECT_EQ(cur().curcol, 2);
}

TEST_F(EditOpsTest, AutomaticWrap) {
    const std::string typed = "one two three four five six";
    for (int on : {1, 0}) {
        SCOPED_TRACE(on);
        resetstore();
        fill({""}, 1, 1);
        rmargin = 10;
        param[1] = on;
        swautowrap();
        for (char ch : typed) {
            holdch = static_cast<unsigned char>(ch);
            bldtxt();
            ASSERT_EQ(checkstore(), "");
        }
        const auto v = alllines();
        if (on == 0) {
            EXPECT_EQ(v, (std::vector<std::string>{typed}));
            continue;
        }
        // Lines within the margin, the words in order, the cursor behind
        // the last character typed, and no empty line left behind.
        std::string joined;
        for (const std::string& l : v) {
            EXPECT_LE(l.size(), 10u) << l;
            EXPECT_FALSE(l.empty());
            joined += (joined.empty() ? "" : " ") + l;
        }
        EXPECT_EQ(joined, typed);
        EXPECT_GT(v.size(), 2u);
        EXPECT_EQ(line(), v.back());
        EXPECT_EQ(cur().curcol, static_cast<int32_t>(v.back().size()) + 1);
        EXPECT_EQ(cur().lncount, static_cast<int32_t>(v.size()));
    }
}

TEST_F(EditOpsTest, LineDrawingTablesAreInverse) {
    for (int arms = 0; arms < 16; ++arms) {
        const int b = asc[static_cast<size_t>(arms)];
        EXPECT_EQ(ldarms(b), arms) << "arm set " << arms;
    }
    for (int b = LDFIRST; b < LDFIRST + NLDBYTES; ++b)
        if (b != 19) {
            EXPECT_EQ(asc[static_cast<size_t>(ldarms(b))], b) << "byte " << b;
        }
    EXPECT_EQ(ldarms('x'), 0);
}

TEST_F(EditOpsTest, DrawAndErase) {
    fill({""}, 1, 1);
    ldenter();
    EXPECT_EQ(cur().viewtype, 3);
    ldright();
    ldright();
    EXPECT_EQ(redisplay, RP_ROW);
    lddown();
    // right, left+right, left+down side by side; up below the last one.
    EXPECT_EQ(alllines(), (std::vector<std::string>{"\x10\x14\x19", "  \x0F"}));
    EXPECT_EQ(cur().curcol, 3);
    EXPECT_EQ(cur().edited, 1);
    EXPECT_EQ(checkstore(), "");

    // Erasing back up takes the arms away again.
    lddelin();
    redisplay = RP_NONE;
    ldup();
    EXPECT_EQ(redisplay, RP_ROWBELOW);
    EXPECT_EQ(alllines(), (std::vector<std::string>{"\x10\x14\x12", "   "}));
    ldleft();
    EXPECT_EQ(alllines(), (std::vector<std::string>{"\x10\x12 ", "   "}));
    lddelout();
    EXPECT_EQ(lddel, 0);
    // At column 1 a step left does nothing.
    cur().curcol = 1;
    ldleft();
    EXPECT_EQ(cur().curcol, 1);
    ldexit();
    EXPECT_EQ(cur().viewtype, 0);
}

TEST_F(EditOpsTest, EditTableRows) {
    // The rows this module fills, by code and object type.
    struct Row {
        int code;
        int type;
        Operation op;
    } rows[] = {
        {1, 3, ldexit},     {5, 3, lddelin},      {17, 3, ldleft},  {18, 3, lddown},
        {19, 3, ldright},   {20, 3, ldup},        {34, 3, ldexit},  {69, 0, deline},
        {77, 0, repchar},   {78, 0, repline},     {79, 0, delword}, {80, 0, delwordend},
        {92, 0, flipchar},  {92, 1, flipchar},    {92, 2, flipchar}, {92, 7, flipchar},
        {93, 0, manynulines}, {94, 0, ldenter},   {94, 3, lddelout},
    };
    for (const Row& r : rows)
        EXPECT_EQ(edittable[r.code].operatn[static_cast<size_t>(r.type)], r.op)
            << "code " << r.code << " type " << r.type;
}

} // namespace editops_test
} // namespace oxa
