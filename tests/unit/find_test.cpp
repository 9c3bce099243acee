// The pattern matcher, result patterns, the field history, string checks,
// the evaluation of all checks, CHANGE on a filling store and the interrupt,
// on store state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/checks.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/find.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "wire_capture.hpp"

namespace find_test {

using namespace oxa;
using oxatest::WireCapture;

// Fills corefile `n` with `lines` (a leading "\r" makes a record line); the
// cursor goes to line 1, column 1.  The current corefile is left as it was.
void filltext(int n, const std::vector<std::string>& lines) {
    const int32_t saved = corenum;
    corenum = n;
    COREFILE& c = cur();
    c.lnptr = c.header->down;
    bool first = true;
    for (const std::string& s : lines) {
        if (!first) allocln(K_EMPTY, 0);
        first = false;
        const bool record = s.rfind("\\r", 0) == 0;
        for (size_t i = record ? 2 : 0; i < s.size(); ++i) cadd(static_cast<unsigned char>(s[i]));
        if (record) c.lnptr->object = K_RECORD;
    }
    c.lnptr = c.header->down;
    c.disln = c.lnptr;
    c.curcol = 1;
    corenum = saved;
}

std::vector<std::string> texts(int n = 1) {
    std::vector<std::string> v;
    const COREFILE& c = core[static_cast<size_t>(n)];
    for (const LINE* l = c.header->down; l != c.header; l = l->down)
        v.emplace_back(reinterpret_cast<const char*>(&textbase[static_cast<size_t>(l->index)]),
                       static_cast<size_t>(l->length));
    return v;
}

LINE* line(int32_t n) {
    LINE* l = cur().header;
    for (int32_t i = 0; i < n; ++i) l = l->down;
    return l;
}

void setstring(strparam& dest, const std::string& s) {
    dest.fill(0);
    std::copy(s.begin(), s.end(), dest.begin());
}

const unsigned char* pat(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.c_str());
}

class Find : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        arithcheck = nullptr;
        WireCapture::install();
    }
    void TearDown() override {
        arithcheck = nullptr;
        resetfrontend();
        resetinput();
        EXPECT_EQ(checkstore(), "");
    }
};

TEST_F(Find, MatchAppliesEveryPatternByte) {
    const std::string dots19(19, '.'), dots18(18, '.');
    struct Case {
        const char* what;
        std::vector<std::string> text;
        int32_t col; // on line 1
        std::string pattern;
        bool matches;
    };
    const Case cases[] = {
        {"plain bytes", {"xabc"}, 2, "abc", true},
        {"plain bytes elsewhere", {"xabc"}, 1, "abc", false},
        {"case matters", {"abc"}, 1, "ABC", false},
        {"plain byte never matches the line end", {"ab", "c"}, 2, "b c", false},
        {"any character", {"abc"}, 1, "a\x03" "c", true},
        {"any character takes the line end", {"ab", "c"}, 2, "b\x03" "c", true},
        {"separators skipped as a run", {"a ,;  b"}, 1, "a\x05" "b", true},
        {"separator needed", {"ab"}, 1, "a\x05" "b", false},
        {"line end is a separator", {"a", "b"}, 1, "a\x05" "b", true},
        {"gap of 19", {"a" + dots19 + "x"}, 2, "\x01x", true},
        {"gap of 20 too wide", {"a" + dots19 + ".x"}, 2, "\x01x", false},
        {"failed try not counted", {"xa" + dots18 + "xy"}, 1, "\x01xy", true},
        {"failed try, then too wide", {"xa" + dots19 + "xy"}, 1, "\x01xy", false},
        {"gap retries after a failed rest", {"aab"}, 1, "\x01" "ab", true},
        {"trailing gap", {"a"}, 1, "a\x01", true},
        {"word gap unlimited", {"abcdefghijklmnopqrstuvwxyzx"}, 1, "\x17x", true},
        {"word gap stops at a separator", {"ab x"}, 1, "\x17x", false},
        {"negation", {"xy"}, 1, "\x0e" "ab", true},
        {"negation of a match", {"ab"}, 1, "\x0e" "ab", false},
        {"double negation", {"ab"}, 1, "\x0e\x0e" "ab", true},
        {"negation anywhere in the pattern", {"ab"}, 1, "ab\x0e", false},
        {"other control bytes ignored", {"ab"}, 1, "a\x02\x07" "b", true},
        {"empty pattern", {"ab"}, 1, "", true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        resetstore();
        filltext(1, k.text);
        cur().curcol = k.col;
        setptr();
        EXPECT_EQ(match(pat(k.pattern)), k.matches);
        // A match never moves the walker.
        EXPECT_EQ(lp, line(1));
        EXPECT_EQ(cp, k.col);
    }
}

TEST_F(Find, NestedGapsEndOnALongFailingText) {
    // Every gap can stand at many places; without remembering failed tries
    // this pattern takes exponential time.
    std::string p;
    for (int i = 0; i < 15; ++i) p += "\x01" "a";
    p += "b";
    filltext(1, {std::string(300, 'a')});
    setptr();
    EXPECT_FALSE(match(pat(p)));
    filltext(1, {std::string(30, 'a') + "b"});
    setptr();
    EXPECT_TRUE(match(pat(p)));
}

TEST_F(Find, MakecheckGivesOneBitPerCharacter) {
    struct Case {
        const char* pattern;
        uint64_t chk, mask;
    };
    const Case cases[] = {
        {"1", 1, 0}, {"0", 0, 0}, {"x", 1, 1}, {"10x", 0b101, 0b001}, {"x01", 0b101, 0b100}, {"", 0, 0},
    };
    for (const Case& k : cases) {
        uint64_t chk = 99, mask = 99;
        makecheck(k.pattern, chk, mask);
        EXPECT_EQ(chk, k.chk) << k.pattern;
        EXPECT_EQ(mask, k.mask) << k.pattern;
    }
}

TEST_F(Find, FieldHistoryOfRecordsAndWords) {
    struct Case {
        const char* what;
        std::string text;
        int32_t col;
        std::vector<int32_t> cols;
    };
    const Case cases[] = {
        {"record from any column", "\\rab|cd|ef|", 5, {1, 4, 7}},
        {"record without a closing bar", "\\rab|cd", 1, {1, 4}},
        {"empty fields", "\\r||x", 1, {1, 2, 3}},
        {"words from the walker", "one two  three", 1, {1, 5, 10}},
        {"words from a blank", "  one two", 1, {3, 7}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        resetstore();
        filltext(1, {k.text});
        cur().curcol = k.col;
        setptr();
        checksetup();
        EXPECT_EQ(lp, line(1));
        EXPECT_EQ(cp, k.col);
        ASSERT_EQ(findentries(), static_cast<int32_t>(k.cols.size()));
        for (size_t i = 0; i < k.cols.size(); ++i)
            EXPECT_EQ(findcptr[(i + static_cast<size_t>(findbufptr)) % FINDRING], k.cols[i]);
    }
}

TEST_F(Find, WordWindowSlidesAndShrinksAtTheEnd) {
    filltext(1, {"a b c"});
    setptr();
    checksetup();
    ASSERT_EQ(findentries(), 3);
    checkupdate();
    EXPECT_EQ(findentries(), 2); // no word after c
    EXPECT_EQ(findcptr[static_cast<size_t>(findbufptr)], 3);
    checkupdate();
    checkupdate();
    EXPECT_EQ(findentries(), 0);
    checkupdate(); // an empty window stays empty
    EXPECT_EQ(findentries(), 0);

    // The ring wraps: 60 words, slid 20 times, keep a window of 49.
    std::string many;
    for (int i = 0; i < 60; ++i) many += "w" + std::to_string(i) + " ";
    resetstore();
    filltext(1, {many});
    setptr();
    checksetup();
    for (int i = 0; i < 20; ++i) checkupdate();
    EXPECT_EQ(findentries(), 40); // words 21..60
    EXPECT_TRUE(recstrmatch("#1=w20 "));
    EXPECT_TRUE(recstrmatch("#40=w59"));
    EXPECT_FALSE(recstrmatch("#41=w"));
}

TEST_F(Find, StringChecks) {
    struct Case {
        const char* check;
        bool holds;
    };
    const Case cases[] = {
        {"#1=app", true},
        {"#2=ban", true},
        {"#2>ban", true},
        {"#2<ban", false},
        {"#2=app", false},
        {"#1=x\\app", true},
        {"#1=x\\y", false},
        {"#3=ch\x03rry", true},
        {"#1=", true},
        {"#4=a", false},  // beyond the fields
        {"#0=a", false},
        {"=a", false},     // no field selected
        {"x#1=a", false},  // a character before the field
        {"#1#2=a", false}, // a second field
        {"#1", false},     // no comparison
        {"#=a", false},
    };
    filltext(1, {"\\rapple|banana|cherry|"});
    setptr();
    checksetup();
    for (const Case& k : cases) {
        EXPECT_EQ(recstrmatch(k.check), k.holds) << k.check;
        EXPECT_EQ(lp, line(1));
    }
}

TEST_F(Find, MulticheckEvaluatesEveryCheckLine) {
    filltext(CHECKCORE, {"$#1=apple", "", "$#2=x", "#1>2", "$#2=banana"});
    filltext(1, {"\\rapple|banana|"});
    setptr();
    checksetup();
    multicheck();
    // The blank line is no check; the arithmetic one is not evaluated yet.
    EXPECT_EQ(numchecks, 4);
    EXPECT_EQ(boolcheck, 0b1001u);
    EXPECT_EQ(boolerror, 0b0010u);

    static std::string seen;
    arithcheck = [](const char* text, int32_t len, LINE* l, int32_t col, double& value) {
        seen = std::string(text, static_cast<size_t>(len)) + "@" + std::to_string(col) +
               (l == cur().header->down ? " line 1" : " elsewhere");
        value = 2;
        return true;
    };
    multicheck();
    EXPECT_EQ(boolcheck, 0b1011u);
    EXPECT_EQ(boolerror, 0u);
    EXPECT_EQ(seen, "#1>2@1 line 1");

    arithcheck = [](const char*, int32_t, LINE*, int32_t, double& value) {
        value = 5;
        return false;
    };
    multicheck();
    EXPECT_EQ(boolcheck, 0b1001u);
    EXPECT_EQ(boolerror, 0b0010u);
}

TEST_F(Find, ExtchkShowsErrorsWithAWaitThenTheResults) {
    filltext(CHECKCORE, {"$#1=apple", "#1>2", "$#2=x"});
    filltext(1, {"\\rapple|banana|"});
    cur().curcol = 8;
    del = 0;
    pushfn("\r");
    extchk();
    display();
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"ERR 010", "CH 100"}));
    EXPECT_EQ(del, 1); // the return was read

    WireCapture::clear();
    arithcheck = [](const char*, int32_t, LINE*, int32_t, double& value) {
        value = 1;
        return true;
    };
    extchk();
    display();
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"CH 110"}));
}

TEST_F(Find, ChangeThatFillsTheStoreKeepsItsReplacements) {
    std::vector<std::string> lines(400, "a.a.a.a.a.a.a.a.a.a");
    filltext(1, lines);
    hiaddr = avail + 3000;
    setstring(scanpattern, "a");
    setstring(targetstring, "<bbbbbbbbbb>");
    pushfn("\r");
    change();
    EXPECT_EQ(full, 1);
    EXPECT_NE(WireCapture::wire.find("Warning: operation may not have been completed"),
              std::string::npos);
    EXPECT_EQ(checkstore(), "");
    // Every line is either wholly changed, wholly unchanged, or changed up to
    // some place: never a torn replacement.
    const std::string whole = "<bbbbbbbbbb>.<bbbbbbbbbb>.<bbbbbbbbbb>.<bbbbbbbbbb>.<bbbbbbbbbb>."
                              "<bbbbbbbbbb>.<bbbbbbbbbb>.<bbbbbbbbbb>.<bbbbbbbbbb>.<bbbbbbbbbb>";
    int changed = 0;
    for (const std::string& t : texts()) {
        std::string undone = t;
        for (size_t p; (p = undone.find("<bbbbbbbbbb>")) != std::string::npos;)
            undone.replace(p, 12, "a");
        EXPECT_EQ(undone, lines[0]) << t;
        if (t == whole) ++changed;
    }
    EXPECT_GT(changed, 0);
    EXPECT_LT(changed, 400);
}

TEST_F(Find, ChangeOfAnEmptyMatchMovesOn) {
    // An inverted match takes no text: the replacement goes in before each
    // place that does not begin with the pattern, and the change ends.
    filltext(1, {"ab", "a"});
    setstring(scanpattern, "\x0e" "a");
    setstring(targetstring, "-");
    change();
    EXPECT_EQ(texts(), (std::vector<std::string>{"a-b-", "a-"}));
    EXPECT_EQ(cur().lnptr, line(2));
    EXPECT_EQ(cur().curcol, 3);
    EXPECT_EQ(cur().edited, 1);
}

// CHANGE replaces every match of a line in turn, the search going on behind
// each replacement: texts, the cursor behind the last replacement, and the
// bytes that shorter replacements removed in the delete ring.
TEST_F(Find, ChangeReplacesEveryMatchOfALine) {
    const struct {
        std::vector<std::string> lines;
        const char* scan;
        const char* rep;
        std::vector<std::string> expected;
        int32_t line, col;    // the cursor afterwards
        const char* deleted;  // the delete ring, oldest first
    } cases[] = {
        {{"word word, wordy"}, "word", "wordy", {"wordy wordy, wordyy"}, 1, 19, ""},
        {{"abcabc-abc", "abc"}, "abc", "x", {"xx-x", "x"}, 2, 2, "abababab"},
        {{"aaaa"}, "aa", "a", {"aa"}, 1, 3, "aa"},
        {{"one two", "three"}, "o", "", {"ne tw", "three"}, 1, 6, "oo"},
        // A match running on to the next line is replaced up to its line's end.
        {{"a1b a2", "b c"}, "a\x01" "b", "X", {"X X", "b c"}, 1, 4, "a1a"},
        {{"xx", "", "xx"}, "x", "yz", {"yzyz", "", "yzyz"}, 3, 5, ""},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.scan) + " -> " + k.rep);
        resetall();
        filltext(1, k.lines);
        setstring(scanpattern, k.scan);
        setstring(targetstring, k.rep);
        change();
        EXPECT_EQ(texts(), k.expected);
        EXPECT_EQ(cur().lnptr, line(k.line));
        EXPECT_EQ(cur().curcol, k.col);
        std::string ring;
        for (int c; popchar(c);)
            ring.insert(ring.begin(), static_cast<char>(c));
        EXPECT_EQ(ring, k.deleted);
        EXPECT_EQ(checkstore(), "");
    }
}

// One line of a few hundred thousand bytes, changed longer and shorter.
TEST_F(Find, ChangeOnOneLongLine) {
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += i % 3 == 0 ? "word, " : "wordy ";
    for (const auto& [scan, rep] : {std::pair{"word", "wordy"}, std::pair{"wordy", "w"}}) {
        SCOPED_TRACE(scan);
        resetall();
        filltext(1, {text});
        setstring(scanpattern, scan);
        setstring(targetstring, rep);
        change();
        std::string expected;
        const std::string s(scan);
        size_t at = 0;
        for (size_t p; (p = text.find(s, at)) != std::string::npos; at = p + s.size())
            expected += text.substr(at, p - at) + rep;
        expected += text.substr(at);
        EXPECT_EQ(texts(), std::vector<std::string>{expected});
        EXPECT_EQ(cur().edited, 1);
        EXPECT_EQ(checkstore(), "");
    }
}

// Searching upwards a character at a time: the first place at or before the
// cursor, going back through the lines, where the pattern matches.
TEST_F(Find, SearchUpwardsFindsTheNearestPlaceBeforeTheCursor) {
    const struct {
        const char* scan;
        int32_t fromline, fromcol;
        int32_t result, line, col; // the cursor afterwards
    } cases[] = {
        {"abc", 3, 1, 1, 2, 3},
        {"abc", 2, 2, 1, 1, 1},
        {"abc", 2, 3, 1, 2, 3},  // at the cursor itself
        {"abc", 2, 40, 1, 2, 3}, // from beyond the end of the line
        {"c x", 3, 2, 1, 1, 3},
        {"a\x01" "x", 3, 1, 1, 1, 1}, // a gap
        {"b", 4, 1, 1, 2, 4},    // past an empty line
        {"zz", 4, 1, 0, 4, 1},   // nowhere: the cursor stays
        {"\x0e" "d", 3, 1, 1, 2, 6}, // inverted: the line end above
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.scan) + " from " + std::to_string(k.fromline) + "," +
                     std::to_string(k.fromcol));
        resetall();
        WireCapture::install();
        filltext(1, {"abc x", "x abc", "def", ""});
        cur().lnptr = line(k.fromline);
        cur().curcol = k.fromcol;
        scanunit = U_BACK;
        setstring(scanpattern, k.scan);
        find();
        EXPECT_EQ(result(), k.result);
        EXPECT_EQ(cur().lnptr, line(k.line));
        EXPECT_EQ(cur().curcol, k.col);
        EXPECT_EQ(checkstore(), "");
    }
}

TEST_F(Find, AnInterruptStopsASearchWhereItIs) {
    filltext(1, {"\\r1|", "\\r2|", "\\r3|", "\\r4|", "\\r5|"});
    static int calls;
    calls = 0;
    arithcheck = [](const char*, int32_t, LINE*, int32_t, double& value) {
        if (++calls == 2) abortreq = 1;
        value = 0;
        return true;
    };
    scanunit = U_RECORD;
    setstring(scanpattern, "#1>3");
    find();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(result(), 0);
    EXPECT_EQ(cur().lnptr, line(1));

    // Without the interrupt the same search tests every record.
    calls = 10;
    find();
    EXPECT_EQ(calls, 15);
}

TEST_F(Find, FailingRecordCheckTakesTheLineBackAtOnce) {
    // A record read and refused leaves no trace in the heap or the lists.
    filltext(CHECKCORE, {"$#1=keep"});
    const int64_t before = avail;
    const int32_t lines = cur().lncount;
    setstring(recboolcheck, "1");
    startrecfilter();
    LINE* tail = lastphys;
    const int64_t mark = avail;
    allocln(K_RECORD, 0);
    for (char ch : std::string("drop|")) cadd(ch);
    linkphys();
    recfilter(mark, tail);
    EXPECT_EQ(avail, before);
    EXPECT_EQ(cur().lncount, lines);
    EXPECT_EQ(lastphys, tail);
    EXPECT_EQ(checkstore(), "");
}

} // namespace find_test
