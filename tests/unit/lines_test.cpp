// Line and character primitives, the walker and the delete ring.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "store_fixture.hpp"

namespace oxa {
namespace lines_test {

std::string text(const LINE* l) {
    if (l->object == K_EMPTY || l->object == K_PICTURE) return "";
    return std::string(reinterpret_cast<const char*>(&textbase[l->index]),
                       static_cast<size_t>(l->length));
}

void put(const char* s) {
    for (const char* p = s; *p; ++p)
        ASSERT_TRUE(cadd(static_cast<unsigned char>(*p)));
}

// Makes the corefile hold exactly `lines` and puts
// the cursor on the first line, column 1.
void fill(std::initializer_list<const char*> lines) {
    bool first = true;
    for (const char* s : lines) {
        if (!first) {
            ASSERT_TRUE(allocln(K_EMPTY, 0));
        }
        first = false;
        put(s);
    }
    cur().lnptr = cur().header->down;
    cur().curcol = 1;
}

std::string ring(int n) {
    std::string s;
    int c = 0;
    for (int i = 0; i < n && popchar(c); ++i)
        s.insert(s.begin(), static_cast<char>(c));
    return s;
}

class LinesTest : public oxatest::StoreFixture {};

TEST_F(LinesTest, InsertOpensAGapAtTheCursor) {
    fill({"abd"});
    cur().curcol = 3;
    ASSERT_TRUE(cadd(' '));
    cinsert(1);
    textbase[curptr()] = 'c';
    EXPECT_EQ(text(cur().lnptr), "abcd");
    EXPECT_EQ(cur().charcount, 4);
}

TEST_F(LinesTest, RemoveDeletesIntoTheRingAndFreesTheTail) {
    fill({"abcdef"});
    cur().curcol = 2;
    int64_t end = endptr();
    cremove(3);
    EXPECT_EQ(text(cur().lnptr), "aef");
    EXPECT_EQ(cur().charcount, 3);
    for (int64_t p = end - 3; p < end; ++p)
        EXPECT_EQ(textbase[p], FREEBYTE);
    EXPECT_EQ(ring(10), "bcd");
}

TEST_F(LinesTest, RemoveIsClampedToTheLinesEnd) {
    fill({"abc"});
    cur().curcol = 2;
    cremove(10);
    EXPECT_EQ(text(cur().lnptr), "a");
    cur().curcol = 5;
    cremove(1); // beyond the end: nothing
    EXPECT_EQ(text(cur().lnptr), "a");
}

TEST_F(LinesTest, RingKeepsTheLast80) {
    std::string s;
    for (int i = 0; i < 100; ++i)
        s += static_cast<char>('!' + i % 90);
    fill({s.c_str()});
    cremove(100);
    EXPECT_EQ(ring(200), s.substr(20));
    int c = 0;
    EXPECT_FALSE(popchar(c));
}

TEST_F(LinesTest, BarOfARecordLineIsNotSaved) {
    fill({"a|b"});
    cur().lnptr->object = K_RECORD;
    cremove(3);
    EXPECT_EQ(ring(10), "ab");
    resetstore();
    resetlines();
    fill({"x|y"}); // a text line keeps its bars in the ring
    cremove(3);
    EXPECT_TRUE(ringholds('|'));
    EXPECT_EQ(ring(10), "x|y");
    EXPECT_FALSE(ringholds('|'));
}

TEST_F(LinesTest, ExtlinePadsToTheCursor) {
    struct Case {
        const char* start;
        int32_t col;
        const char* result;
    } cases[] = {
        {"abc", 10, "abc       "},
        {"abc", 4, "abc "},
        {"abc", 3, "abc"},
        {"", 3, "   "},
    };
    for (const Case& k : cases) {
        resetstore();
        fill({k.start});
        cur().curcol = k.col;
        extline();
        EXPECT_EQ(text(cur().lnptr), k.result) << k.start << " " << k.col;
        EXPECT_EQ(cur().charcount, static_cast<int64_t>(std::strlen(k.result)));
        EXPECT_EQ(checkstore(), "");
    }
}

TEST_F(LinesTest, ExtlineToAFarColumnPadsOnlyWhatFits) {
    struct Case {
        int32_t col;
        int64_t length; // afterwards
        int64_t avail;  // afterwards
    };
    // A line below another moves to the top first.  A column beyond what the
    // heap can hold adds no blank at all (added, they would only be stripped
    // again), and one collection was tried for room.
    const Case cases[] = {{100000, 100000, 100007}, {HEAPSIZE - 7, HEAPSIZE - 7, HEAPSIZE},
                          {HEAPSIZE - 6, 3, 7}, {MAXCOLUMN, 3, 7}};
    for (const Case& k : cases) {
        resetstore();
        fill({"abc", "next"});
        cur().lnptr = cur().header->down;
        cur().curcol = k.col;
        const uint64_t before = collections;
        extline();
        const LINE* l = cur().lnptr;
        EXPECT_EQ(l->length, k.length) << k.col;
        EXPECT_EQ(avail, k.avail) << k.col;
        EXPECT_EQ(collections - before, k.length == 3 ? 1u : 0u) << k.col;
        EXPECT_EQ(text(l).substr(0, 3), "abc") << k.col;
        EXPECT_EQ(text(l).find_first_not_of(' ', 3), std::string::npos) << k.col;
        EXPECT_EQ(checkstore(), "") << k.col;
    }
}

TEST_F(LinesTest, StripsTrailingBlanks) {
    fill({"ab  ", "   ", "c d"});
    detrfile();
    const LINE* l = cur().header->down;
    EXPECT_EQ(text(l), "ab");
    EXPECT_EQ(text(l->down), "");
    EXPECT_EQ(text(l->down->down), "c d");
    EXPECT_EQ(cur().charcount, 5);
    EXPECT_EQ(cur().lnptr, l);
}

TEST_F(LinesTest, FirstNonBlank) {
    struct Case {
        const char* s;
        int32_t col;
    } cases[] = {{"abc", 1}, {"   x", 4}, {"    ", 0}, {"", 0}};
    for (const Case& k : cases) {
        resetstore();
        fill({k.s});
        EXPECT_EQ(findnb(), k.col) << '"' << k.s << '"';
    }
}

TEST_F(LinesTest, FieldsOfARecordLine) {
    fill({"ab|cde||f"});
    cur().lnptr->object = K_RECORD;
    struct Case {
        int32_t field;
        int32_t offset;
    } cases[] = {{1, 0}, {2, 3}, {3, 7}, {4, 8}, {9, 9}};
    for (const Case& k : cases)
        EXPECT_EQ(locatefield(cur().lnptr, k.field), k.offset) << k.field;

    cur().curcol = 4;
    erasefield();
    EXPECT_EQ(text(cur().lnptr), "ab|||f");
    EXPECT_EQ(ring(10), "cde");
}

TEST_F(LinesTest, TruncatingAFullFieldDropsItsLastByte) {
    fill({"x|abcde|y"});
    cur().lnptr->object = K_RECORD;
    cur().curcol = 4; // on 'b'
    rctrunc();
    EXPECT_EQ(text(cur().lnptr), "x|abbcd|y");
    EXPECT_EQ(fieldnum, 2);
    EXPECT_EQ(fieldsiz, 5);
}

TEST_F(LinesTest, WalkerReportsLineEndsAndTheEnd) {
    fill({"ab", "", "c"});
    setptr();
    std::string seen;
    for (int i = 0; i < 12; ++i) {
        seen += std::to_string(peepc()) + ",";
        nextc();
    }
    EXPECT_EQ(seen, "97,98,10,10,99,10,4,4,4,4,4,4,");
    EXPECT_EQ(dist, 3);

    // Backwards from the third line's end to before the first line.
    cur().lnptr = cur().header->up;
    cur().curcol = 50; // beyond the end: the walker starts at the line end
    setptr();
    EXPECT_EQ(cp, 2);
    seen.clear();
    for (int i = 0; i < 7; ++i) {
        prevc();
        seen += std::to_string(peepc()) + ",";
    }
    EXPECT_EQ(seen, "99,10,10,98,97,4,4,");
    EXPECT_EQ(dist, -3);
}

TEST_F(LinesTest, SetcurMovesTheCursorAndReanchorsOutsideTheWindow) {
    fill({"a", "b", "c", "d"});
    depth = 2;
    setptr();
    nextc();
    nextc(); // start of line 2
    redisplay = RP_NONE;
    setcur();
    EXPECT_EQ(cur().lnptr, cur().header->down->down);
    EXPECT_EQ(cur().curcol, 1);
    EXPECT_EQ(cur().disln, cur().header->down);
    EXPECT_EQ(redisplay, RP_NONE);

    setptr();
    for (int i = 0; i < 4; ++i)
        nextc(); // line 4: row 3 of a 2-row window
    setcur();
    EXPECT_EQ(cur().lnptr, cur().header->up);
    EXPECT_EQ(cur().disln, cur().header->up);
    EXPECT_EQ(redisplay, RP_ALL);

    // At the header nothing happens.
    setptr();
    nextc();
    nextc();
    LINE* before = cur().lnptr;
    setcur();
    EXPECT_EQ(cur().lnptr, before);
}

TEST_F(LinesTest, SetcurInTemplateViewReanchorsOnAnyLineChange) {
    fill({"a", "b"});
    cur().viewtype = 2;
    setptr();
    nextc();
    nextc();
    setcur();
    EXPECT_EQ(cur().disln, cur().lnptr);
    EXPECT_EQ(redisplay, RP_ALL);
}

TEST_F(LinesTest, LocateWordStepsOverWords) {
    fill({"one two,  three", "four"});
    struct Case {
        int32_t field;
        bool found;
        int32_t col;
        int32_t lines;
    } cases[] = {
        {1, true, 1, 0}, {2, true, 5, 0}, {3, true, 11, 0}, {4, true, 1, 1}, {5, false, 0, 0}};
    for (const Case& k : cases) {
        EXPECT_EQ(locateword(cur().header->down, k.field), k.found) << k.field;
        if (!k.found) continue;
        EXPECT_EQ(cp, k.col) << k.field;
        EXPECT_EQ(dist, k.lines) << k.field;
    }
}

TEST_F(LinesTest, ByteFreeMarkIsNeverStored) {
    fill({"a"});
    EXPECT_FALSE(cadd(FREEBYTE));
    EXPECT_EQ(text(cur().lnptr), "a");
}

} // namespace lines_test
} // namespace oxa
