// SORT on store state: ranges, keys, orders, stability and interruption.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "editor/blocks.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/sort.hpp"
#include "editor/store.hpp"
#include "textfixture.hpp"

namespace sort_test {

using namespace oxa;
using oxatest::fill;
using oxatest::Lines;
using oxatest::text;

// SORT with the cursor in column `col` of line 1.
void runsort(int32_t dir, int32_t klen, int32_t from, int32_t to, int32_t col = 1) {
    cur().curcol = col;
    param[1] = dir;
    param[2] = klen;
    param[3] = from;
    param[4] = to;
    sortchk();
    sort();
}

class Sort : public oxatest::TextFixture {};

TEST_F(Sort, OrderTables) {
    EXPECT_EQ(unaccented['E'], 'e');
    EXPECT_EQ(unaccented[0xC9], 'e'); // capital E acute
    EXPECT_EQ(unaccented[0xE7], 'c');
    EXPECT_EQ(unaccented['_'], ' ');
    EXPECT_EQ(unaccented[10], 127);
    EXPECT_EQ(unaccented[0xC6], 127);
    EXPECT_EQ(unaccented[0xFF], 127);
    EXPECT_EQ(accents['E'], 1);
    EXPECT_EQ(accents['e'], 2);
    EXPECT_EQ(accents[0xC9], 3);
    EXPECT_EQ(accents[0xE9], 4);
    EXPECT_EQ(accents[0xE8], 6);
    EXPECT_EQ(accents[0xE7], 10);
    EXPECT_EQ(accents[0xFC], 12);
}

TEST_F(Sort, TextCases) {
    const struct {
        const char* what;
        Lines before;
        int32_t dir, klen, from, to, col, table;
        Lines after;
    } cases[] = {
        {"first 15 characters", {"pear", "apple", "fig"}, 0, 15, 1, 200000, 1, 0, {"apple", "fig", "pear"}},
        {"descending", {"pear", "apple", "fig"}, 1, 15, 1, 200000, 1, 0, {"pear", "fig", "apple"}},
        {"stable ascending on a 1-column key", {"b1", "a1", "b2", "a2", "b3"}, 0, 1, 1, 200000, 1, 0,
         {"a1", "a2", "b1", "b2", "b3"}},
        {"stable descending", {"b1", "a1", "b2", "a2", "b3"}, 1, 1, 1, 200000, 1, 0,
         {"b1", "b2", "b3", "a1", "a2"}},
        {"key beyond the key length is ignored", {"abX", "abA"}, 0, 2, 1, 200000, 1, 0, {"abX", "abA"}},
        {"a prefix shorter than the key sorts first", {"abc", "ab"}, 0, 15, 1, 200000, 1, 0, {"ab", "abc"}},
        {"key column: short lines first", {"xxb", "yya", "z", ""}, 0, 5, 1, 200000, 3, 0,
         {"z", "", "yya", "xxb"}},
        {"negative key: leftwards from the key column", {"ab", "ba", "aa"}, 0, -1, 1, 200000, 2, 0,
         {"aa", "ba", "ab"}},
        {"negative key never passes column 1", {"zb", "ab"}, 0, -5, 1, 200000, 1, 0, {"ab", "zb"}},
        {"range in the middle", {"d", "c", "b", "a"}, 0, 15, 2, 3, 1, 0, {"d", "b", "c", "a"}},
        {"a record line cuts the range", {"c", "b", "\ra|b", "a"}, 0, 15, 1, 200000, 1, 0,
         {"b", "c", "a|b", "a"}},
        {"key length 0: nothing", {"b", "a"}, 0, 0, 1, 200000, 1, 0, {"b", "a"}},
        {"first line not eligible: nothing", {"\rz", "b", "a"}, 0, 15, 1, 200000, 1, 0, {"z", "b", "a"}},
        {"bytes: capitals first", {"e", "E", "\xE9"}, 0, 1, 1, 200000, 1, 0, {"E", "e", "\xE9"}},
        {"unaccented: E acute equals e, case ignored", {"\xC9x2", "ex1", "Ex0", "dx9"}, 0, 1, 1, 200000, 1, 1,
         {"dx9", "\xC9x2", "ex1", "Ex0"}},
        {"accents: capital, plain, acute, grave", {"\xE8", "\xE9", "e", "E"}, 0, 1, 1, 200000, 1, 2,
         {"E", "e", "\xE9", "\xE8"}},
    };
    for (const auto& c : cases) {
        SetUp();
        fill(c.before);
        sorttable = c.table;
        runsort(c.dir, c.klen, c.from, c.to, c.col);
        EXPECT_EQ(checkstore(), "") << c.what;
        EXPECT_EQ(text(), c.after) << c.what;
    }
}

TEST_F(Sort, RecordFields) {
    cur().viewtype = 1;
    fill({"\r3|pear|x", "\r1|apple|y", "\r2|fig", "\r4|apple", "\r5|app|z"});
    cur().curcol = 3; // in field 2
    param[1] = 0;
    param[2] = 15;
    param[3] = 1;
    param[4] = 200000;
    sortchk();
    sort();
    EXPECT_EQ(checkstore(), "");
    // A field that ends first sorts first; equal fields keep their order; a
    // field without its closing bar ends at the line end.
    EXPECT_EQ(text(), (Lines{"5|app|z", "1|apple|y", "4|apple", "2|fig", "3|pear|x"}));
}

TEST_F(Sort, CursorWindowAndStarsAfterwards) {
    fill({"x", "c", "b", "a"});
    cur().starA = cur().header->down;
    cur().starcount = 1;
    cur().lnptr = cur().header->up;
    runsort(0, 15, 2, 4, 1);
    EXPECT_EQ(text(), (Lines{"x", "a", "b", "c"}));
    EXPECT_EQ(cur().lnptr, cur().header->down->down);
    EXPECT_EQ(cur().disln, cur().lnptr);
    EXPECT_EQ(cur().curcol, 1);
    EXPECT_EQ(cur().starcount, 0);
    EXPECT_EQ(cur().edited, 1);
}

TEST_F(Sort, InterruptKeepsEveryLine) {
    Lines in;
    for (int i = 40; i > 0; --i) in.push_back(std::to_string(i % 7) + "-" + std::to_string(i));
    fill(in);
    abortreq = 1;
    runsort(0, 15, 1, 200000);
    EXPECT_EQ(checkstore(), "");
    Lines out = text();
    EXPECT_EQ(out, in); // stopped before any pass
    EXPECT_EQ(abortreq, 0);
}

// Random lines sorted on a 3-column key equal the same lines sorted by a
// stable sort, ascending and descending, in each order.
TEST_F(Sort, MatchesAStableSort) {
    std::mt19937 rng(12345);
    const char alphabet[] = "aAbB\xE9\xC9 e";
    for (int round = 0; round < 60; ++round) {
        SetUp();
        int n = 1 + static_cast<int>(rng() % 120);
        Lines in;
        for (int i = 0; i < n; ++i) {
            std::string s;
            int len = static_cast<int>(rng() % 6);
            for (int j = 0; j < len; ++j) s += alphabet[rng() % 8];
            s += "#" + std::to_string(i); // tells equal keys apart
            in.push_back(s);
        }
        fill(in);
        int32_t dir = static_cast<int32_t>(round % 2);
        sorttable = round % 3;
        runsort(dir, 3, 1, 200000);
        ASSERT_EQ(checkstore(), "");
        auto key = [](const std::string& s) {
            std::vector<int> k;
            for (size_t i = 0; i < 3 && i < s.size(); ++i) {
                unsigned char b = static_cast<unsigned char>(s[i]);
                k.push_back(sorttable == 1 ? unaccented[b] : sorttable == 2 ? accents[b] : b);
            }
            return k;
        };
        Lines want = in;
        std::stable_sort(want.begin(), want.end(), [&](const std::string& a, const std::string& b) {
            // A key that is a prefix of the other, shorter than 3, comes first.
            return dir == 0 ? key(a) < key(b) : key(b) < key(a);
        });
        EXPECT_EQ(text(), want) << "round " << round;
    }
}

// Many lines over few keys: the equal keys keep their order, in both
// directions (each partition sets the copies equal to its pivot aside).
TEST_F(Sort, FewKeysOverManyLinesStayStable) {
    for (int32_t dir : {0, 1}) {
        SCOPED_TRACE(dir);
        SetUp();
        Lines in;
        for (int i = 0; i < 20000; ++i)
            in.push_back(std::string(1, "edcba"[(i * 7919) % 5]) + "#" + std::to_string(i));
        fill(in);
        runsort(dir, 1, 1, 200000);
        ASSERT_EQ(checkstore(), "");
        Lines want = in;
        std::stable_sort(want.begin(), want.end(), [&](const std::string& a, const std::string& b) {
            return dir == 0 ? a[0] < b[0] : b[0] < a[0];
        });
        EXPECT_EQ(text(), want);
    }
}

// The sort's order is the line comparison's: random lines sorted by SORT
// equal the same lines stable-sorted by `linecmp`, for keys that run beyond
// their first bytes (long shared beginnings, keys longer than 255 bytes),
// key columns inside the line, leftward keys and record fields.
TEST_F(Sort, OrderIsTheLineComparison) {
    const struct {
        const char* what;
        int32_t viewtype, klen, col;
    } cases[] = {
        {"text from column 1, a 20-column key", 0, 20, 1},
        {"text from column 4, a 400-column key", 0, 400, 4},
        {"text leftwards from column 30", 0, -25, 30},
        {"record field 2", 1, 15, 3},
    };
    const std::string shared[] = {"", "pre-", std::string(14, 'k'), std::string(15, 'k') + "|",
                                  std::string(300, 'k')};
    const char alphabet[] = "kK\xE9\xC9 e|";
    std::mt19937 rng(777);
    for (const auto& c : cases) {
        for (int round = 0; round < 12; ++round) {
            SetUp();
            cur().viewtype = c.viewtype;
            Lines in;
            const int n = 1 + static_cast<int>(rng() % 90);
            for (int i = 0; i < n; ++i) {
                std::string s = c.viewtype != 0 ? "\rr|" : "";
                s += shared[rng() % 5];
                const int len = static_cast<int>(rng() % 20);
                for (int j = 0; j < len; ++j) s += alphabet[rng() % 7];
                in.push_back(s);
            }
            fill(in);
            std::vector<const LINE*> before;
            for (const LINE* l = cur().header->down; l != cur().header; l = l->down) before.push_back(l);
            const int32_t dir = round % 2;
            sorttable = round % 3;
            runsort(dir, c.klen, 1, 200000, c.col);
            ASSERT_EQ(checkstore(), "") << c.what;
            std::vector<const LINE*> after;
            for (const LINE* l = cur().header->down; l != cur().header; l = l->down) after.push_back(l);
            // The sort left each line's key offset behind: compare the lines again.
            std::vector<const LINE*> want = before;
            std::stable_sort(want.begin(), want.end(), [&](const LINE* a, const LINE* b) {
                return dir == 0 ? linecmp(a, b) < 0 : linecmp(a, b) > 0;
            });
            EXPECT_EQ(after, want) << c.what << ", round " << round;
        }
    }
}

} // namespace sort_test
