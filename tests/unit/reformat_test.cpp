// Paragraph filling, justification, hyphenation and the one-line layouts on
// store state.
#include <gtest/gtest.h>

#include <cstring>
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
#include "editor/store.hpp"
#include "textfixture.hpp"

namespace reformat_test {

using namespace oxa;
using oxatest::fill;
using oxatest::Lines;
using oxatest::ok;
using oxatest::sent;
using oxatest::text;

const std::string SH(1, static_cast<char>(SOFTHYPHEN));

class Reformat : public oxatest::TextFixture {};

int32_t hyph(const char* w, int32_t maxpos, int32_t level) {
    hyphlevel = level;
    return hyphenate(reinterpret_cast<const unsigned char*>(w), static_cast<int32_t>(std::strlen(w)), maxpos);
}

TEST_F(Reformat, TablesAsListed) {
    EXPECT_STREQ(prefixtab[0].data(), "COUNTER");
    EXPECT_STREQ(prefixtab[NPREFIXES - 1].data(), "UP");
    EXPECT_STREQ(prefixtab[NPREFIXES].data(), "");
    EXPECT_STREQ(suffixtab[0].data(), "TIVELY");
    EXPECT_STREQ(suffixtab[NSUFFIXES - 1].data(), "US");
    EXPECT_STREQ(suffixtab[NSUFFIXES].data(), "");
    // Rows are longest first within the prefixes, and the suffixes keep
    // their repeated rows.
    for (int i = 1; i < NPREFIXES; ++i)
        EXPECT_LE(std::strlen(prefixtab[i].data()), std::strlen(prefixtab[i - 1].data())) << i;
    int ence = 0, tive = 0, ive = 0;
    for (const auto& r : suffixtab) {
        ence += std::strcmp(r.data(), "ENCE") == 0;
        tive += std::strcmp(r.data(), "TIVE") == 0;
        ive += std::strcmp(r.data(), "IVE") == 0;
    }
    EXPECT_EQ(ence, 2);
    EXPECT_EQ(tive, 2);
    EXPECT_EQ(ive, 2);
}

TEST_F(Reformat, HyphenationRules) {
    const struct {
        const char* word;
        int32_t max, level, split, nohyph;
        const char* rule;
    } cases[] = {
        {"short", 3, 3, -1, 0, "five letters or fewer: never"},
        {"well-known", 8, 0, 5, 1, "after the hyphen, at degree 0 too"},
        {"well-known", 4, 0, -1, 0, "the hyphen must stand below max"},
        {"re-entered-now", 13, 0, 11, 1, "the last hyphen that fits"},
        {"re-entered-now", 9, 0, 3, 1, "the last hyphen below max"},
        {"counterpart", 9, 1, 7, 0, "prefix, the longest row first"},
        {"counterpart", 9, 0, -1, 0, "no rule but hyphens at degree 0"},
        {"monsters", 6, 1, 3, 0, "S between consonants: before it"},
        {"classroom", 8, 1, 5, 0, "SS: after the pair"},
        {"taxation", 3, 1, 3, 0, "X: after it"},
        {"taxation", 7, 1, 4, 0, "suffix TION beats X when it fits"},
        {"kindness", 5, 1, 4, 0, "suffix NESS"},
        {"kindness", 3, 1, -1, 0, "nothing fits"},
        {"bottle", 4, 1, -1, 0, "no degree-1 rule"},
        {"bottle", 4, 2, 3, 0, "double consonant: between"},
        {"bottle,", 4, 2, 3, 0, "trailing punctuation cut"},
        {"bottle's", 6, 2, 3, 0, "apostrophe and letter cut"},
        {"tallboy", 6, 2, 4, 0, "LL before a consonant: after the pair"},
        {"yellow", 5, 2, 3, 0, "LL before a vowel: between"},
        {"tallboyballs", 10, 2, 4, 0, "LL twice: the last that fits, here the first"},
        {"tallboyballs", 11, 2, 11, 0, "LL twice: after the second pair"},
        {"banana", 4, 2, -1, 0, "no double consonant"},
        {"banana", 4, 3, 3, 0, "vowel between consonants"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hyph(c.word, c.max, c.level), c.split) << c.rule << ": " << c.word;
        EXPECT_EQ(nohyphen, c.nohyph) << c.rule << ": " << c.word;
    }
    std::string huge(201, 'a');
    EXPECT_EQ(hyph(huge.c_str(), 150, 3), 0);
}

TEST_F(Reformat, JustifyMovingBit) {
    const struct {
        const char* text;
        std::vector<int32_t> gaps;
        int32_t margin;
        uint32_t bitbefore;
        const char* out;
        uint32_t bitafter;
    } cases[] = {
        {"a b c d", {1, 3, 5}, 9, 1, "a  b  c d", 32},
        {"a b c d", {1, 3, 5}, 9, 32, "a b  c  d", 2048},
        {"a b c", {1, 3}, 6, 1u << 30, "a  b c", 1},
        {"a b c", {1, 3}, 9, 1, "a   b   c", 1}, // no remainder: the bit stays
        {"a b c", {1, 3}, 5, 1, "a b c", 1},     // full already
        {"abc", {}, 9, 1, "abc", 1},             // no gap
    };
    for (const auto& c : cases) {
        rmargin = c.margin;
        bit_p = c.bitbefore;
        std::string t = c.text;
        justify(t, c.gaps.data(), static_cast<int32_t>(c.gaps.size()));
        EXPECT_EQ(t, c.out) << c.text << " from bit " << c.bitbefore;
        EXPECT_EQ(bit_p, c.bitafter) << c.text << " from bit " << c.bitbefore;
    }
}

TEST_F(Reformat, JustifyWithThirtyOneGapsEnds) {
    // 31 gaps meet the same mask bit on every round; the gaps whose bit is
    // clear still get their share, leftmost first.
    std::string t;
    std::vector<int32_t> gaps;
    for (int i = 0; i < 32; ++i) {
        if (i > 0) {
            gaps.push_back(static_cast<int32_t>(t.size()));
            t += ' ';
        }
        t += 'a';
    }
    rmargin = 63 + 30;
    bit_p = 1;
    justify(t, gaps.data(), 31);
    ASSERT_EQ(t.size(), 93u);
    std::vector<int> widths;
    for (size_t i = 1; i < t.size();) {
        size_t j = t.find('a', i);
        widths.push_back(static_cast<int>(j - i));
        i = j + 1;
    }
    ASSERT_EQ(widths.size(), 31u);
    for (int g = 0; g < 31; ++g)
        EXPECT_EQ(widths[static_cast<size_t>(g)], g == 29 ? 1 : 2) << "gap " << g;
}

TEST_F(Reformat, Paragraphs) {
    const struct {
        const char* what;
        Lines before;
        int32_t col, lm, rm, just, level;
        Lines after;
    } cases[] = {
        {"fill, ended by an empty line",
         {"The quick", "brown fox jumps over the", "lazy dog.", "", "next"}, 1, 1, 15, 0, 0,
         {"The quick brown", "fox jumps over", "the lazy dog.", "", "next"}},
        {"ended by a line indented otherwise",
         {"one two", "  three four"}, 1, 1, 5, 0, 0,
         {"one", "two", "  three four"}},
        {"ended by a blank line and by a record line",
         {"aa bb", "   ", "cc dd"}, 1, 1, 72, 0, 0,
         {"aa bb", "   ", "cc dd"}},
        {"ended by a record line",
         {"aa", "bb", "\rcc|dd"}, 1, 1, 72, 0, 0,
         {"aa bb", "cc|dd"}},
        {"blanks collapse, trailing blanks go",
         {"aa    bb   ", "cc"}, 1, 1, 72, 0, 0,
         {"aa bb cc"}},
        {"first-line indentation kept",
         {"   An indented", "paragraph here"}, 1, 1, 72, 0, 0,
         {"   An indented paragraph here"}},
        {"left margin: later lines there",
         {"  alpha beta", "  gamma"}, 1, 3, 13, 0, 0,
         {"  alpha beta", "  gamma"}},
        {"text before the cursor kept as its own line",
         {"Hello there big", "world"}, 7, 1, 72, 0, 0,
         {"Hello ", "there big world"}},
        {"a word longer than the line stands alone",
         {"abcdefgh ij"}, 1, 1, 5, 0, 0,
         {"abcdefgh", "ij"}},
        {"split after a hyphen, no soft hyphen",
         {"a well-known fact"}, 1, 1, 8, 0, 0,
         {"a well-", "known", "fact"}},
        {"hyphen at a line end joins without a blank",
         {"a well-", "known fact"}, 1, 1, 72, 0, 0,
         {"a well-known fact"}},
        {"soft hyphen written at a split",
         {"the kindness of"}, 1, 1, 10, 0, 1,
         {"the kind" + SH, "ness of"}},
        {"soft hyphen dropped on a wider refill",
         {"the kind" + SH, "ness of"}, 1, 1, 72, 0, 1,
         {"the kindness of"}},
        {"soft hyphen inside a line is text",
         {"ab" + SH + "cd ef"}, 1, 1, 72, 0, 0,
         {"ab" + SH + "cd ef"}},
        {"justified over several lines, last line not",
         {"aa bb cc dd ee ff gg hh ii jj kk ll mm nn oo pp qq"}, 1, 1, 12, 1, 0,
         {"aa  bb cc dd", "ee ff gg  hh", "ii  jj kk ll", "mm nn  oo pp", "qq"}},
    };
    for (const auto& c : cases) {
        SetUp();
        fill(1, c.before);
        lmargin = c.lm;
        rmargin = c.rm;
        jmode = c.just;
        hyphlevel = c.level;
        cur().curcol = c.col;
        reformat();
        ok();
        EXPECT_EQ(text(1), c.after) << c.what;
        EXPECT_EQ(core[1].lncount, static_cast<int32_t>(c.after.size())) << c.what;
        EXPECT_EQ(cur().lnptr, cur().header->down) << c.what;
        EXPECT_EQ(cur().disln, cur().header->down) << c.what;
        EXPECT_EQ(cur().curcol, c.col) << c.what;
    }
}

TEST_F(Reformat, OldParagraphGoesToCorefileZero) {
    fill(1, {"keep", "one  two", "three", "", "after"});
    cur().lnptr = cur().header->down->down;
    cur().starA = cur().lnptr;
    cur().starcount = 1;
    cur().nextstar = 'B';
    reformat();
    ok();
    EXPECT_EQ(text(1), (Lines{"keep", "one two three", "", "after"}));
    EXPECT_EQ(text(0), (Lines{"", "one  two", "three"}));
    EXPECT_EQ(core[0].starcount, 0);
    EXPECT_EQ(cur().starcount, 0); // the paragraph held a star
    EXPECT_EQ(redisplay, RP_ROWDOWN);
    // A second paragraph lands behind corefile 0's cursor line too.
    cur().lnptr = cur().header->up;
    reformat();
    ok();
    EXPECT_EQ(text(0), (Lines{"", "after", "one  two", "three"}));
}

TEST_F(Reformat, InCorefileZeroTheOldParagraphFollowsTheNewOne) {
    fill(0, {"one", "two", "", "rest"});
    corenum = 0;
    reformat();
    ok();
    EXPECT_EQ(text(0), (Lines{"one two", "one", "two", "", "rest"}));
    EXPECT_EQ(cur().lnptr, cur().header->down);
}

TEST_F(Reformat, NothingOnOtherLines) {
    fill(1, {"\ra|b", "text"});
    reformat();
    EXPECT_EQ(text(1), (Lines{"a|b", "text"}));
    EXPECT_EQ(text(0), Lines{""});
    ok();
}

TEST_F(Reformat, NoRoomLeavesTheParagraph) {
    fill(1, {"a paragraph of some", "length that will not", "fit again"});
    hiaddr = avail + 10;
    pushfn("\r");
    reformat();
    ok();
    EXPECT_NE(sent.find("inadequate free space for reformat"), std::string::npos);
    EXPECT_EQ(text(1), (Lines{"a paragraph of some", "length that will not", "fit again"}));
    EXPECT_EQ(text(0), Lines{""});
}

// A filling is as dear as the paragraph is long: one that cannot fit is not
// tried, and a failed one is tried again only when the collection made room.
TEST_F(Reformat, NoRoomIsFoundBeforeTheFilling) {
    const Lines para = {"a b c d", "e f g h"};  // 8 word bytes, 15 filled
    const Lines filled = {"a b c d e f g h"};
    const struct {
        const char* what;
        int64_t room;   // free bytes below the mark after the collection
        int64_t freed;  // bytes a collection gives back besides
        bool fits;
        uint64_t fills; // fillings run
    } cases[] = {
        {"fewer bytes than its words", 7, 0, false, 0},
        {"fewer than filled, nothing to collect", 12, 0, false, 1},
        {"room only after the collection", 20, 30, true, 1},
        {"room at once", 20, 0, true, 1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        fill(2, {"kept", std::string(static_cast<size_t>(k.freed), 'x')});
        fill(1, para);
        garbage();
        const int64_t live = avail - k.freed;
        corenum = 2;
        cur().lnptr = cur().header->up;
        removeline(); // its bytes wait for a collection
        cur().lnptr = cur().header->down;
        corenum = 1;
        hiaddr = live + k.room;
        full = 0;
        sent.clear();
        pushfn("\r");
        reformatfills = 0;
        reformat();
        ok();
        EXPECT_EQ(reformatfills, k.fills);
        EXPECT_EQ(sent.find("inadequate free space for reformat") == std::string::npos, k.fits);
        EXPECT_EQ(text(1), k.fits ? filled : para);
        // A repeated refusal changes nothing and says the same.
        if (!k.fits) {
            sent.clear();
            pushfn("\r");
            reformat();
            ok();
            EXPECT_EQ(text(1), para);
            EXPECT_NE(sent.find("inadequate free space for reformat"), std::string::npos);
            EXPECT_EQ(reformatfills, 2 * k.fills);
        }
    }
}

TEST_F(Reformat, NoSpareHeaderRetriesAfterACollection) {
    fill(1, {"a b c d e f g h"});
    rmargin = 2;
    reserve = nullptr; // the spare header is gone; a collection gets another
    reformat();
    ok();
    EXPECT_EQ(text(1), (Lines{"a", "b", "c", "d", "e", "f", "g", "h"}));
}

TEST_F(Reformat, OneLineLayouts) {
    const struct {
        const char* what;
        void (*op)();
        std::string line;
        int32_t lm, rm;
        std::string out;
    } cases[] = {
        {"flush left", flushleft, "     abc  ", 1, 20, "abc"},
        {"flush left to the margin", flushleft, "abc", 4, 20, "   abc"},
        {"flush right", flushright, "abc", 1, 10, "       abc"},
        {"flush right never left of column 1", flushright, "abcdefgh", 1, 5, "abcdefgh"},
        {"centre, even", fcenter, "ab", 1, 10, "    ab"},
        {"centre, odd surplus goes right", fcenter, "abc", 1, 10, "   abc"},
        {"centre from the right", fcenter, "          abc", 1, 10, "   abc"},
        {"blank line: only its trailing blanks go", fcenter, "    ", 1, 10, ""},
    };
    for (const auto& c : cases) {
        SetUp();
        fill(1, {c.line});
        lmargin = c.lm;
        rmargin = c.rm;
        c.op();
        ok();
        EXPECT_EQ(text(1), Lines{c.out}) << c.what;
    }
}

TEST_F(Reformat, AlignOnACharacter) {
    const struct {
        const char* keys;
        std::string line, out;
    } cases[] = {
        {".", "12.50", "       12.50"}, // the point at column 10
        {".", "  1234.5", "     1234.5"},
        {"x", "12.50", "12.50"},         // not in the line
    };
    for (const auto& c : cases) {
        SetUp();
        fill(1, {c.line});
        rmargin = 10;
        pushfn(c.keys);
        falign();
        ok();
        EXPECT_EQ(text(1), Lines{c.out}) << c.line;
    }
}

TEST_F(Reformat, SplitAndJoin) {
    fill(1, {"hello world", "next"});
    cur().curcol = 6;
    splitline();
    ok();
    EXPECT_EQ(text(1), (Lines{"hello", " world", "next"}));
    EXPECT_EQ(cur().lnptr, cur().header->down->down);
    EXPECT_EQ(cur().curcol, 1);
    EXPECT_EQ(redisplay, RP_ALL);

    cur().lnptr = cur().header->down;
    cur().curcol = 1;
    cur().starB = cur().lnptr->down;
    cur().starcount = 1;
    joinline();
    ok();
    EXPECT_EQ(text(1), (Lines{"hello world", "next"}));
    EXPECT_EQ(cur().starB, nullptr); // the joined line's star went with it
    EXPECT_EQ(cur().starcount, 0);
    EXPECT_EQ(cur().curcol, 12);

    // Split beyond the end: an empty line below.
    cur().curcol = 30;
    splitline();
    ok();
    EXPECT_EQ(text(1), (Lines{"hello world", "", "next"}));

    // Joining an empty line frees it and still marks the change.
    cur().lnptr = cur().header->down;
    cur().edited = 0;
    redisplay = RP_NONE;
    joinline();
    ok();
    EXPECT_EQ(text(1), (Lines{"hello world", "next"}));
    EXPECT_EQ(cur().edited, 1);
    EXPECT_EQ(redisplay, RP_ALL);

    // The last line: nothing.
    cur().lnptr = cur().header->up;
    joinline();
    EXPECT_EQ(text(1), (Lines{"hello world", "next"}));
    ok();
}

TEST_F(Reformat, JoinStripsTrailingBlanks) {
    fill(1, {"ab   ", "cd"});
    joinline();
    ok();
    EXPECT_EQ(text(1), Lines{"abcd"});
}

} // namespace reformat_test
