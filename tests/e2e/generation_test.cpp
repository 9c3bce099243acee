// Generation seen from outside: language files loaded by their commands, the
// generator seeded, the generate key pressed and corefile 7 EMITted.  The
// sentences are checked as properties (agreement, one line per tree), not as
// fixed strings, except where a pass or a mandated word fixes them.
#include "harness.hpp"

#include <algorithm>
#include <set>

namespace generation_test {

using oxatest::runoxa;
using Lines = std::vector<std::string>;

const char* const AGREEMENT = "S = CHOOSE n : number ; NP [n] VP [n] %\n"
                              "NP = INHERIT m : number ; DET [m] N [m] %\n"
                              "VP = INHERIT m : number ; V [m] %\n";

// Field 5 (the first pass) gives the word, field 6 (the second) is empty
// except where a case sets passes to use it.
const std::vector<oxatest::Fixture> language = {
    {"attr", "number ( sing , pl ) %\n"},
    {"term", "DET N V A\n"},
    {"lex", "\"the\"|DET|sing|10|#1||\"THE\"|\n"
            "\"these\"|DET|pl|10|#1||\"THESE\"|\n"
            "\"cat\"|N|sing|10|#1||\"CAT\"|\n"
            "\"cats\"|N|pl|10|#1||\"CATS\"|\n"
            "\"sleeps\"|V|sing|10|#1||\"SLEEPS\"|\n"
            "\"sleep\"|V|pl|10|#1||\"SLEEP\"|\n"
            "\"and\"|A||10|#1||\"AND\"|\n"},
    {"root", std::string("ROOT = S %\n") + AGREEMENT},
    {"trees", std::string("ROOT = S %\n") + AGREEMENT + "QUESTION = ROOT %\nANSWER = ROOT A S %\n"},
    {"mandated", "ROOT = N /\"cats\" V [pl] %\n"},
    {"question", "ROOT = A %\nQUESTION = N /\"cats\" V [pl] %\n"},
    {"noroot", "%INCLUDE \"missing\"\nQUESTION = N V %\n"},
    {"presel", "PRESELECT = pl : N [pl] %\n"
               "ROOT = SELECT v : _pre_ pl ; DET [v] N /_pre_ pl V [v] %\n"},
};

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

// Loads everything, seeds, leaves command mode and generates.
std::string generate(const std::string& syntax, const std::string& seed) {
    return cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("SY" + syntax) + cmd("RA" + seed) +
           "{CR}{ESC}g";
}

oxatest::Result emit7(const std::string& keys) {
    return runoxa({.keys = keys + cmd("EM7"), .files = language, .framed = false});
}

// Corefile 7 lines that begin with `prefix`.
Lines starting(const Lines& core7, const std::string& prefix) {
    Lines out;
    for (const auto& l : core7)
        if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(prefix.size()));
    return out;
}

bool agrees(const std::string& s) {
    return s == "the cat sleeps" || s == "these cats sleep";
}

const char* const SEEDS[] = {"123456789", "987654321", "55555555", "77777777",
                             "31415927",  "27182818",  "161803398"};

TEST(Generation, GenerateKeyWritesOneAgreeingSentence) {
    std::set<std::string> seen;
    for (const char* seed : SEEDS) {
        SCOPED_TRACE(seed);
        auto r = emit7(generate("root", seed));
        const Lines& core7 = r.badlines;
        auto results = std::find(core7.begin(), core7.end(), "Generation results:");
        ASSERT_NE(results, core7.end()) << ::testing::PrintToString(core7);
        Lines sentences = starting(core7, "Transformed Sentence : ");
        ASSERT_EQ(sentences.size(), 1u);
        EXPECT_TRUE(agrees(sentences[0])) << sentences[0];
        seen.insert(sentences[0]);
        auto stars = std::find(results, core7.end(), "  ******");
        EXPECT_NE(stars, core7.end());
        EXPECT_EQ(r.status, 0);
    }
    EXPECT_EQ(seen.size(), 2u);
}

TEST(Generation, OneLinePerTreeAndCopiesOfRootAgree) {
    for (const char* seed : SEEDS) {
        SCOPED_TRACE(seed);
        auto r = emit7(generate("trees", seed));
        const Lines& core7 = r.badlines;
        EXPECT_TRUE(starting(core7, "Transformed Sentence").empty());
        Lines q = starting(core7, "Question  : ");
        Lines a = starting(core7, "Answer    : ");
        ASSERT_EQ(q.size(), 1u) << ::testing::PrintToString(core7);
        ASSERT_EQ(a.size(), 1u);
        EXPECT_TRUE(agrees(q[0])) << q[0];
        // The answer repeats the question's words (the same ROOT), then its own.
        ASSERT_EQ(a[0].rfind(q[0] + " and ", 0), 0u) << a[0];
        EXPECT_TRUE(agrees(a[0].substr(q[0].size() + 5))) << a[0];
        EXPECT_NE(std::find(core7.begin(), core7.end(), "  ******"), core7.end());
    }
}

TEST(Generation, CommandsAndKeysAroundAGeneration) {
    struct Case {
        const char* what;
        std::string keys;
        Lines core7; // lines expected in corefile 7 (others may lie between)
        Lines front; // front-end lines expected (error displays)
    };
    const Case cases[] = {
        {"no lexicon", "{CR}{ESC}g{CR}", {}, {"There is no lexicon"}},
        {"no ROOT rule",
         cmd("ATattr") + cmd("TMterm") + cmd("LElex") + "{CR}{ESC}g{CR}",
         {},
         {"There is no ROOT rule"}},
        {"a syntax file whose include fails and which has no ROOT",
         cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("SYnoroot") + "{CR}{ESC}g{CR}",
         {},
         {"There is no ROOT rule"}},
        {"passes set to the second field",
         cmd("MP0|7|0|0|0") + generate("mandated", "123456789"),
         {"Generation results:", "Transformed Sentence : CATS SLEEP", "  ******"},
         {}},
        {"a pass table row that does not exist",
         cmd("MP22|5|0|0|0") + "{CR}",
         {},
         {"tree number too large"}},
        {"a null first pass", cmd("MP3|0|6|0|0") + "{CR}", {}, {"first pass cannot be null"}},
        {"phonology passes", cmd("MP21|22|0|0|0") + "{CR}", {}, {"phonology passes have been set"}},
        {"error procedure number too high", cmd("VE21|x") + "{CR}", {}, {"Integer too high"}},
        {"sentence number too high",
         generate("trees", "123456789") + "{ESC}m25{CR}{CR}",
         {},
         {"Integer too high"}},
        {"a sentence that does not exist",
         generate("trees", "123456789") + "{ESC}m0{CR}{CR}",
         {},
         {"sentence 0 does not exist"}},
        {"listing the rules",
         cmd("ATattr") + cmd("SYroot") + cmd("VD3"),
         {"ROOT rule: \x07 S:", "%%%%%"},
         {}},
        {"the preselected word is used",
         generate("presel", "123456789") + cmd("VD8"),
         {"Transformed Sentence : these cats sleep", "pl",
          "    \"cats\"|N|\x19\x01\x02 |0010|#1||\"CATS\"|"},
         {}},
        {"the global preselection",
         cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("SYpresel") + "{CR}{ESC}[P" +
             cmd("VD8") + cmd("VD0"),
         {"uninstalled: none", "Global preselection complete", "pl", "AT, SY, TM, LE, GP"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = emit7(c.keys);
        const Lines& core7 = r.badlines;
        size_t i = 0;
        for (const auto& l : core7)
            if (i < c.core7.size() && l == c.core7[i]) ++i;
        EXPECT_EQ(i, c.core7.size()) << ::testing::PrintToString(core7);
        for (const auto& f : c.front)
            EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), f), 1)
                << f << ::testing::PrintToString(r.lines);
        EXPECT_EQ(r.status, 0);
    }
}

TEST(Generation, SentenceCopiedIntoTheCurrentCorefile) {
    auto r =
        runoxa({.keys = generate("trees", "123456789") + "{ESC}m1{CR}" + cmd("EM7") + cmd("EM1"),
                .files = language,
                .framed = false});
    Lines q = starting(r.badlines, "Question  : ");
    ASSERT_EQ(q.size(), 1u);
    // Corefile 7 holds it only after its label; corefile 1 holds it alone.
    EXPECT_EQ(std::count(r.badlines.begin(), r.badlines.end(), q[0]), 1)
        << ::testing::PrintToString(r.badlines);
}

TEST(Generation, CompareKeyRunsTheErrorProcedureOfTheMatchingSentence) {
    struct Case {
        const char* what;
        std::string response; // typed in corefile 1, the cursor then put at its start
        const char* typed;    // what the error procedure types
    };
    // Procedure 1 types "hit", procedure 0 (no sentence matched) types "miss".
    const Case cases[] = {
        {"the question's sentence", "cats  sleep", "hit"},
        {"no sentence", "dogs sleep", "miss"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string keys = generate("question", "123456789") + cmd("VE1|hit") + cmd("VE0|miss") +
                           "{CR}" + c.response + "{ESC}D{ESC}k" + cmd("EM1");
        auto r = runoxa({.keys = keys, .files = language, .framed = false});
        Lines core1;
        for (const auto& l : r.badlines)
            if (l.find(c.typed) != std::string::npos) core1.push_back(l);
        ASSERT_EQ(core1.size(), 1u) << ::testing::PrintToString(r.badlines);
        // Typing is in overwrite mode: the procedure's text replaces the response's start.
        std::string typed = c.typed;
        EXPECT_EQ(core1[0], typed + c.response.substr(typed.size()));
        EXPECT_EQ(r.status, 0);
    }
}

} // namespace generation_test

namespace generation_test {

TEST(Generation, AFullStoreRefusesGenerationAndKeepsTheLinesWhole) {
    // A text that leaves little room, then generations until the store is
    // full: the next one is refused, and every line written is whole.
    std::vector<oxatest::Fixture> files = language;
    std::string big;
    for (int i = 0; i < 40150; ++i)
        big += std::string(99, 'x') + "\n";
    files.push_back({"big.txt", big});
    std::string keys = cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("SYroot") +
                       cmd("FEbig.txt") + cmd("RA123456789") + "{CR}";
    for (int i = 0; i < 400; ++i)
        keys += "{ESC}g";
    auto r = runoxa({.keys = keys + "{CR}" + cmd("EM7"), .files = files, .framed = false});
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "files full; command ignored"), 1);
    int sentences = 0;
    for (const std::string& l : r.badlines) {
        if (l.rfind("Transformed Sentence : ", 0) == 0) {
            ++sentences;
            EXPECT_TRUE(agrees(l.substr(23))) << l;
        } else {
            EXPECT_TRUE(l == "Generation results:" || l == "  ******" || l.empty() ||
                        l.rfind("Setting random seed: ", 0) == 0 ||
                        l.rfind("Finished reading", 0) == 0 || l.rfind("uninstalled", 0) == 0 ||
                        l.rfind("Total Words", 0) == 0)
                << l;
        }
    }
    EXPECT_GT(sentences, 100);
    EXPECT_LT(sentences, 400);
}

} // namespace generation_test
