// Find and change end to end: the search units and pattern bytes (where the
// cursor lands, the result register on the wire), counting and testing,
// procedure conditionals on a search's result, record checks in searches and
// in FETCH, the check display, CHANGE and the text statistics.
//
// The cursor is made visible by typing `#` over the character under it
// (overwrite mode) before the corefile is emitted.
#include "harness.hpp"

namespace find_test {

using oxatest::Fixture;
using oxatest::Result;
using oxatest::Run;
using oxatest::runoxa;

// The text of every EMIT 0 block in the output, in order.
std::vector<std::string> emitted(const std::string& out) {
    std::vector<std::string> blocks;
    const std::string marker = "$$$\r\n";
    size_t from = 0;
    for (size_t pos; (pos = out.find(marker, from)) != std::string::npos; from = pos + marker.size()) {
        size_t start = from;
        if (pos >= 2) {
            size_t crlf = out.rfind("\r\n", pos - 2);
            if (crlf != std::string::npos && crlf + 2 > start) start = crlf + 2;
        }
        blocks.push_back(out.substr(start, pos - start));
    }
    return blocks;
}

Result run(std::vector<std::string> args, const std::string& keys, std::vector<Fixture> files) {
    return runoxa({.args = std::move(args), .keys = keys, .files = std::move(files), .framed = false});
}

// The wire lines that the search keys produced: the results, between the
// prompt shown on leaving command mode and the echo of the marker.
std::vector<std::string> results(const Result& r) {
    std::vector<std::string> all, bad;
    oxatest::splitlines(r.out, all, bad);
    int stop = static_cast<int>(all.size()) - 1;
    while (stop >= 0 && all[static_cast<size_t>(stop)] != "#") --stop;
    int start = stop;
    while (start >= 0 && all[static_cast<size_t>(start)].rfind("Typing", 0) != 0) --start;
    if (start < 0) return {"<no marker>"};
    return {all.begin() + start + 1, all.begin() + stop};
}

const Fixture text{"t.txt", "one two three.\nfour five. six\n\nseven eight\n"};

TEST(Find, EachUnitAndPatternByteLandsTheCursor) {
    struct Case {
        const char* what;
        std::string setup;  // command-mode keys (SCANSET, POSITION ...), ended by a return
        std::string keys;   // the search keys
        std::vector<std::string> results;
        std::string emitted; // with `#` typed at the cursor
    };
    const Case cases[] = {
        {"char", "SC0|two", "{ESC}n", {"1"}, "one #wo three.\nfour five. six\n\nseven eight\n"},
        {"char not found", "SC0|zzz", "{ESC}n", {"0"}, "#ne two three.\nfour five. six\n\nseven eight\n"},
        {"char on the cursor", "SC0|one", "{ESC}n", {"1"}, "#ne two three.\nfour five. six\n\nseven eight\n"},
        {"search again", "SC0|o", "{ESC}n{^N}{^N}", {"1", "1", "1"},
         "one two three.\nf#ur five. six\n\nseven eight\n"},
        {"search again past the last", "SC0|two", "{ESC}n{^N}", {"1", "0"},
         "one #wo three.\nfour five. six\n\nseven eight\n"},
        {"word", "SC1|f", "{ESC}n", {"1"}, "one two three.\n#our five. six\n\nseven eight\n"},
        {"word start only", "SC1|i", "{ESC}n", {"0"}, "#ne two three.\nfour five. six\n\nseven eight\n"},
        {"char inside a word", "SC0|i", "{ESC}n", {"1"}, "one two three.\nfour f#ve. six\n\nseven eight\n"},
        {"line", "SC2|s", "{ESC}n", {"1"}, "one two three.\nfour five. six\n\n#even eight\n"},
        {"line start only", "SC2|t", "{ESC}n", {"0"}, "#ne two three.\nfour five. six\n\nseven eight\n"},
        {"sentence", "SC3|s", "{ESC}n", {"1"}, "one two three.\nfour five. #ix\n\nseven eight\n"},
        {"backwards", "SC4|o{CR}{CMD}PO2|5", "{ESC}n", {"1"},
         "one two three.\nf#ur five. six\n\nseven eight\n"},
        {"backwards to the start", "SC4|zz{CR}{CMD}PO2|5", "{ESC}n", {"0"},
         "one two three.\nfour#five. six\n\nseven eight\n"},
        {"pattern", "SC7|*five*", "{ESC}n", {"1"}, "one two three.\n#our five. six\n\nseven eight\n"},
        {"pattern is the whole line", "SC7|five*", "{ESC}n", {"0"},
         "#ne two three.\nfour five. six\n\nseven eight\n"},
        {"any character", "SC0|e{{C}t", "{ESC}n", {"1"}, "on# two three.\nfour five. six\n\nseven eight\n"},
        {"separators across a line end", "SC0|e{{E}f", "{ESC}n", {"1"},
         "one two thre#.\nfour five. six\n\nseven eight\n"},
        {"gap", "SC0|w{{A}.", "{ESC}n", {"1"}, "one t#o three.\nfour five. six\n\nseven eight\n"},
        {"word gap", "SC0|{{W}r", "{ESC}n", {"1"}, "one two #hree.\nfour five. six\n\nseven eight\n"},
        {"negation", "SC0|{{N}o", "{ESC}n", {"1"}, "o#e two three.\nfour five. six\n\nseven eight\n"},
        {"ignored byte", "SC0|t{{B}w", "{ESC}n", {"1"}, "one #wo three.\nfour five. six\n\nseven eight\n"},
        {"count", "SC0|o", "{ESC}P", {"3"}, "#ne two three.\nfour five. six\n\nseven eight\n"},
        {"count words", "SC1|s", "{ESC}P", {"2"}, "#ne two three.\nfour five. six\n\nseven eight\n"},
        {"count backwards", "SC4|o{CR}{CMD}PO2|5", "{ESC}P", {"3"},
         "one two three.\nfour#five. six\n\nseven eight\n"},
        {"count nothing", "SC0|zzz", "{ESC}P", {"0"}, "#ne two three.\nfour five. six\n\nseven eight\n"},
        {"check at the cursor", "SC0|one", "{ESC}R", {"1"}, "#ne two three.\nfour five. six\n\nseven eight\n"},
        {"check elsewhere", "SC0|two", "{ESC}R", {"0"}, "#ne two three.\nfour five. six\n\nseven eight\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto r = run({"t.txt"}, "{CMD}" + k.setup + "{CR}{CR}" + k.keys + "#{CMD}EM{CR}", {text});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(results(r), k.results);
        EXPECT_EQ(emitted(r.out), (std::vector<std::string>{k.emitted}));
    }
}

TEST(Find, FindCommandSearchesAndEndsCommandMode) {
    // FIND leaves command mode by itself: `#` is typed, not read as a command.
    auto r = run({"t.txt"}, "{CMD}FI1|s{CR}#{CMD}EM{CR}", {text});
    EXPECT_EQ(emitted(r.out), (std::vector<std::string>{"one two three.\nfour five. #ix\n\nseven eight\n"}));
    std::vector<std::string> lines, bad;
    oxatest::splitlines(r.out, lines, bad);
    EXPECT_GE(oxatest::findlines(lines, {"1", "", "Typing  ", "#"}), 0) << r.out;
}

TEST(Find, PatternCapturesAreTyped) {
    auto r = run({"t.txt"}, "{CMD}SC7|*five*{CR}{CR}{ESC}n{ESC}X1{CR}{ESC}X2{CR}{CMD}EM{CR}", {text});
    EXPECT_EQ(emitted(r.out), (std::vector<std::string>{"one two three.\nfour . six six\n\nseven eight\n"}));
}

TEST(Find, ProcedureConditionalsReadTheResult) {
    // What the conditionals type lands at the cursor, which a search moves.
    struct Case {
        const char* what;
        std::string procedure;
        std::string emitted;
    };
    const Case cases[] = {
        {"found", "~{C}~SC0|six\n\n~{[}n{?}~yes~{:}~no~{.C}~EM\n",
         "one two three.\nfour five. yes\n\nseven eight\n"},
        {"not found", "~{C}~SC0|ten\n\n~{[}n{?}~yes~{:}~no~{.C}~EM\n",
         "noe two three.\nfour five. six\n\nseven eight\n"},
        {"count", "~{C}~SC0|o\n\n~{[}P{=}3 ~three~{:}~other~{.C}~EM\n",
         "threewo three.\nfour five. six\n\nseven eight\n"},
        {"count differs", "~{C}~SC0|o\n\n~{[}P{=}4 ~four~{:}~other~{.C}~EM\n",
         "otherwo three.\nfour five. six\n\nseven eight\n"},
        {"check", "~{C}~SC0|one\n\n~{[}R{?}~yes~{:}~no~{.C}~EM\n",
         "yes two three.\nfour five. six\n\nseven eight\n"},
        // A loop counted by the number of matches.
        {"loop over matches", "~{C}~SC0|o\n\n~{[}P{<^}~x~{>C}~EM\n",
         "xxx two three.\nfour five. six\n\nseven eight\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto r = runoxa({.args = {"-p", "proc"},
                         .files = {{"proc", "~{C}~FEt.txt\n" + k.procedure}, text},
                         .framed = false});
        EXPECT_EQ(emitted(r.out), (std::vector<std::string>{k.emitted})) << r.out;
    }
}

// Records for the checks: the second field is the colour.
const Fixture records{"r.txt", "\\rapple|red|\n\\rbanana|yellow|\ntext line\n\\rcherry|red|\n"};
const Fixture checks{"c.txt", "$#2=red\n$#1=b\n"};
const std::string loadchecks = "{CMD}CO18{CR}{CMD}FEc.txt{CR}{CMD}CO1{CR}";

TEST(Find, FetchKeepsTheRecordsThatPassTheCheck) {
    struct Case {
        const char* what;
        std::string checkfile; // empty: no check file is fetched into corefile 18
        std::string check;
        std::string emitted;
    };
    const Case cases[] = {
        {"first check", "c.txt", "1x", "\\rapple|red|\n\\rcherry|red|\n"},
        {"second check", "c.txt", "x1", "\\rbanana|yellow|\n"},
        {"first check false", "c.txt", "0x", "\\rbanana|yellow|\n"},
        {"any record", "c.txt", "xx", "\\rapple|red|\n\\rbanana|yellow|\n\\rcherry|red|\n"},
        {"both", "c.txt", "11", "\n"},
        {"no check: every line", "c.txt", "",
         "\\rapple|red|\n\\rbanana|yellow|\ntext line\n\\rcherry|red|\n"},
        {"no checks, no 1", "", "0x0", "\\rapple|red|\n\\rbanana|yellow|\n\\rcherry|red|\n"},
        {"no checks, a 1", "", "x1", "\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const std::string load = k.checkfile.empty() ? "" : loadchecks;
        auto r = run({}, load + "{CMD}FEr.txt|||" + k.check + "{CR}{CMD}EM{CR}", {records, checks});
        EXPECT_EQ(emitted(r.out).back(), k.emitted);
    }
    // APPEND and INSERT filter the same way.
    auto r = run({}, loadchecks + "{CMD}APr.txt|||x1{CR}{CMD}INr.txt|||1x{CR}{CMD}EM{CR}", {records, checks});
    EXPECT_EQ(emitted(r.out).back(), "\n\\rapple|red|\n\\rcherry|red|\n\\rbanana|yellow|\n");
}

TEST(Find, RecordAndCheckUnits) {
    struct Case {
        const char* what;
        std::string setup;
        std::string keys;
        std::vector<std::string> results;
        std::string emitted;
    };
    // Object type 1: records can be typed into, and the check unit steps by lines.
    const Case cases[] = {
        {"record string check", "SC5|$#1=ch", "{ESC}n", {"1"},
         "\\rapple|red|\n\\rbanana|yellow|\ntext line\n\\r#herry|red|\n"},
        {"record string alternatives", "SC5|$#2=x\\yel", "{ESC}n", {"1"},
         "\\rapple|red|\n\\r#anana|yellow|\ntext line\n\\rcherry|red|\n"},
        {"record count", "SC5|$#2=red", "{ESC}P", {"2"},
         "\\r#pple|red|\n\\rbanana|yellow|\ntext line\n\\rcherry|red|\n"},
        {"check unit", "SC6|1x", "{ESC}n{^N}", {"1", "1"},
         "\\rapple|red|\n\\rbanana|yellow|\ntext line\n\\r#herry|red|\n"},
        {"check unit count", "SC6|1x", "{ESC}P", {"2"},
         "\\r#pple|red|\n\\rbanana|yellow|\ntext line\n\\rcherry|red|\n"},
        {"check at the cursor", "SC6|x1{CR}{CMD}PO2|1", "{ESC}R", {"1"},
         "\\rapple|red|\n\\r#anana|yellow|\ntext line\n\\rcherry|red|\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto r = run({}, loadchecks + "{CMD}OB1{CR}{CMD}FEr.txt{CR}{CMD}" + k.setup + "{CR}{CR}" + k.keys + "#{CMD}EM{CR}",
                     {records, checks});
        EXPECT_EQ(results(r), k.results);
        EXPECT_EQ(emitted(r.out).back(), k.emitted);
    }
}

TEST(Find, CheckDisplayShowsErrorsThenResults) {
    std::vector<std::string> lines, bad;
    // Object type 1, on apple: red, not b.
    auto r = run({}, loadchecks + "{CMD}OB1{CR}{CMD}FEr.txt{CR}{CR}{ESC}{^N}", {records, checks});
    oxatest::splitlines(r.out, lines, bad);
    EXPECT_GE(oxatest::findlines(lines, {"CH 10"}), 0) << r.out;
    EXPECT_LT(oxatest::findlines(lines, {"ERR 00"}), 0) << r.out;

    // An arithmetic check cannot be evaluated here: its error bit is shown and
    // a key is waited for before the results.
    lines.clear();
    r = run({}, "{CMD}CO18{CR}{CMD}FEa.txt{CR}{CMD}CO1{CR}{CMD}OB1{CR}{CMD}FEr.txt{CR}{CR}{ESC}{^N}{CR}{CMD}EM{CR}",
            {records, {"a.txt", "$#1=apple\n#1>0\n"}});
    oxatest::splitlines(r.out, lines, bad);
    EXPECT_GE(oxatest::findlines(lines, {"ERR 01", "CH 10"}), 0) << r.out;
    EXPECT_EQ(emitted(r.out).back(), "\\rapple|red|\n\\rbanana|yellow|\ntext line\n\\rcherry|red|\n");
}

TEST(Find, ChangeReplacesEveryMatchToTheEnd) {
    const Fixture hats{"h.txt", "the cat the hat\nthere\n"};
    struct Case {
        const char* what;
        std::string params; // pattern | replacement
        std::string emitted; // `#` typed at the cursor afterwards
    };
    const Case cases[] = {
        {"longer", "the|THE THE", "THE THE cat THE THE hat\nTHE THE#e\n"},
        {"containing the pattern", "the|the the", "the the cat the the hat\nthe the#e\n"},
        {"shorter", "the|T", "T cat T hat\nT#e\n"},
        {"empty", "the|", " cat  hat\n#e\n"},
        {"wildcard", "h{{C}t|HOT", "the cat the HOT#\nthere\n"},
        {"gap", "c{{A}t|dog", "the dog#the hat\nthere\n"},
        {"stays on the line", "at{{C}|AT!", "the cAT!the hAT!#\nthere\n"},
        {"no match", "dog|cat", "#he cat the hat\nthere\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto r = run({"h.txt"}, "{CMD}CH" + k.params + "{CR}{CR}#{CMD}EM{CR}", {hats});
        EXPECT_EQ(emitted(r.out), (std::vector<std::string>{k.emitted}));
    }
    // From the cursor on: the first line stays.  A change leaves the corefile
    // to be saved; a change that found nothing does not.
    auto r = run({"h.txt"}, "{CMD}PO2|1{CR}{CMD}CHthe|a{CR}{CMD}EM{CR}", {hats});
    EXPECT_EQ(emitted(r.out), (std::vector<std::string>{"the cat the hat\nare\n"}));
    EXPECT_EQ(r.err, "oxa: corefile 1 (h.txt) not saved\n");
    r = run({"h.txt"}, "{CMD}CHdog|a{CR}{CMD}EM{CR}", {hats});
    EXPECT_EQ(r.err, "");
}

TEST(Find, ChangeRefusesAnEmptyPattern) {
    auto r = run({"h.txt"}, "{CMD}CH|x{CR}{CR}{CMD}EM{CR}", {{"h.txt", "abc\n"}});
    std::vector<std::string> lines, bad;
    oxatest::splitlines(r.out, lines, bad);
    EXPECT_GE(oxatest::findlines(lines, {"Empty scan pattern"}), 0) << r.out;
    EXPECT_EQ(emitted(r.out), (std::vector<std::string>{"abc\n"}));
}

TEST(Find, ScantextWritesTheLengthTables) {
    // The file argument leaves command mode open: a return closes it.
    auto r = run({"s.txt"}, "{CR}{ESC}N{CR}{CMD}EM7{CR}", {{"s.txt", "a bb. ccc\n"}});
    std::vector<std::string> lines, bad;
    oxatest::splitlines(r.out, lines, bad);
    EXPECT_GE(oxatest::findlines(lines, {"Data written to corefile 7"}), 0) << r.out;
    // Corefile 7 already holds the engine's start-up message.
    const std::string tables = "Word length table\n  1     1\n  2     1\n  3     1\n***\n"
                               "Sentence length table\n  2     1\n***\n";
    auto e = emitted(r.out);
    ASSERT_EQ(e.size(), 1u);
    ASSERT_GE(e[0].size(), tables.size());
    EXPECT_EQ(e[0].substr(e[0].size() - tables.size()), tables);
}

} // namespace find_test
