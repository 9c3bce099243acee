// Lexical transformations and semantic expressions driven from the editor:
// the loading commands, RXTRANSF and the resume key writing record lines into
// the current corefile, removal of the kinds, and a semantic expression
// analysed into corefile 14, saved as a syntax file beside the English
// example, loaded, and generation run over many seeds.
#include "harness.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace lextrans_test {

using oxatest::runoxa;
using Lines = std::vector<std::string>;

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

// The EMIT outputs of a run, in order: the lines of each corefile emitted
// (bare line-feed lines without trailing blanks; "$$$" with CR LF closes each corefile, and the front
// end's other CR LF lines are left out).  Empty lines are dropped.
std::vector<Lines> emitted(const oxatest::Result& r) {
    std::vector<Lines> parts(1);
    std::istringstream in(r.out);
    for (std::string l; std::getline(in, l);) {
        if (l == "$$$\r") {
            parts.emplace_back();
        } else if (!l.empty() && l.back() != '\r') {
            parts.back().push_back(l);
        }
    }
    parts.pop_back();
    return parts;
}

bool has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const std::vector<oxatest::Fixture> small = {
    {"attr", "number ( sg , pl ) gender ( masc , fem ) %\n"},
    {"term", "N A\n"},
    {"lex", "\"chat\"|N|sg, masc|10|\n"
            "\"table\"|N|sg, fem|10|\n"
            "\"grand\"|A|masc|10|\n"
            "\"grande\"|A|fem|10|\n"},
    {"rules", "RULE 1 ( g : gender ) ? | N | g _and_ ? | A | g _makes_ !1.1 | !1.2 | g %\n"
              "RULE 2 \"t*\" | N _makes_ [ #1 \"s\" ] | N | !3-sg pl | 10 %\n"},
    {"sem", "$sg : x : N [ #1 ] %\n"},
};

const std::string load = cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("LXrules");

TEST(LexTrans, CommandsAndKeysFromTheEditor) {
    struct Case {
        const char* what;
        std::string keys;
        Lines core3; // corefile 3, emitted first
        Lines core7; // lines that must be in corefile 7
    };
    const Case cases[] = {
        {"a rule with two patterns and a shared variable",
         load + cmd("CO3") + cmd("RX1") + "{CR}{ESC}l",
         {"\\r\"table\"|\"grande\"|fem", "\\r\"chat\"|\"grand\"|masc"},
         {"Finished reading LT Rules from file 'rules' [2 lines.]", "LT rule selected: 1.",
          "Total Words Generated: 2."}},
        {"a morphology expression and a removal; the result loads as a lexicon",
         load + cmd("CO3") + cmd("RX2") + "{CR}{ESC}l" + cmd("SAplural") + cmd("VAplural"),
         {"\\r\"tables\"|N|fem, pl|10"},
         {"Total Words Generated: 1.", "Total Words: 1. Number of Errors: 0"}},
        {"a rule not loaded", load + cmd("CO3") + cmd("RX5") + "{CR}{ESC}l",
         {},
         {"ERROR Init LT Rule  Rule has not been loaded yet -  5",
          "ERROR Exec LT Rule  No Rule has been initialized"}},
        {"removing the kind removes the rules",
         load + cmd("RMlx") + cmd("CO3") + cmd("RX1"),
         {},
         {"uninstalled: LX", "ERROR Init LT Rule  Rule has not been loaded yet -  1"}},
        {"the installed kinds", load + cmd("SMsem") + cmd("VD0"), {}, {"AT, TM, LE, SM, LX"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.keys = c.keys + cmd("EM3") + cmd("EM7"), .files = small, .framed = false});
        auto parts = emitted(r);
        ASSERT_EQ(parts.size(), 2u) << r.out;
        EXPECT_EQ(parts[0], c.core3);
        for (const std::string& l : c.core7)
            EXPECT_TRUE(has(parts[1], l)) << l << "\n" << ::testing::PrintToString(parts[1]);
        EXPECT_EQ(r.status, 0);
    }
}

std::filesystem::path example_dir() {
    return std::filesystem::path(OXA_SOURCE_DIR) / "examples" / "english";
}

std::vector<oxatest::Fixture> english() {
    std::vector<oxatest::Fixture> files;
    for (const char* name : {"attributes", "terminals", "lexicon", "morphology", "tables",
                             "semantic.attr", "semantic.lex", "semantic.syn", "semantics",
                             "lextrans"}) {
        std::ifstream in(example_dir() / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        EXPECT_TRUE(in.good() || in.eof()) << name;
        files.push_back({name, text.str()});
    }
    return files;
}

std::vector<std::string> words(const std::string& s) {
    std::vector<std::string> w;
    std::istringstream in(s);
    for (std::string x; in >> x;)
        w.push_back(x);
    return w;
}

// An expression analysed into corefile 14, which is saved beside the language
// and loaded as a user file: every sentence generated under it says what the
// expression says.
TEST(Semantic, ExpressionSavedAsSyntaxConstrainsEveryGeneration) {
    struct Case {
        const char* expr;
        const char* presel;                    // the saved file (trailing blanks are not written)
        std::vector<std::string> agent;        // singular, plural
        std::vector<std::string> verb;         // plural / base, third singular, past
        std::vector<std::string> patient;      // the forms allowed
    };
    const Case cases[] = {
        {"chase(painter, cat[pl])",
         "\nPRESELECT =\nact:V[chase];\nagent:N[painter];\npatient:N[cat,pl]\n%\n",
         {"painter", "painters"},
         {"chase", "chases", "chased"},
         {"cats"}},
        {"feed(dog, farmer[sg])",
         "\nPRESELECT =\nact:V[feed];\nagent:N[dog];\npatient:N[farmer,sg]\n%\n",
         {"dog", "dogs"},
         {"feed", "feeds", "fed"},
         {"farmer"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expr);
        std::string keys = cmd("ATsemantic.attr") + cmd("TMterminals") + cmd("LElexicon") +
                           cmd("VAsemantic.lex") + cmd("MOmorphology") + cmd("TBtables") +
                           cmd("SMsemantics") + cmd("CO2") + "{CR}" + c.expr + "{ESC}H" +
                           cmd("CO14") + cmd("SApresel.syn") + cmd("SYsemantic.syn") +
                           cmd("USpresel.syn");
        const int runs = 40;
        for (int i = 0; i < runs; ++i)
            keys += cmd("RA" + std::to_string(1000003 + 7919 * i)) + "{CR}{ESC}g";
        auto r = runoxa({.keys = keys + cmd("EM7"), .files = english(), .timeout = 30,
                         .framed = false});
        EXPECT_EQ(r.file("presel.syn"), c.presel);
        auto parts = emitted(r);
        ASSERT_EQ(parts.size(), 1u) << r.out;
        int sentences = 0;
        std::set<std::string> seen;
        for (const std::string& l : parts[0]) {
            EXPECT_EQ(l.rfind("ERROR", 0), std::string::npos) << l;
            const std::string head = "Transformed Sentence : ";
            if (l.rfind(head, 0) != 0) continue;
            ++sentences;
            std::string s = l.substr(head.size());
            seen.insert(s);
            auto w = words(s);
            ASSERT_EQ(w.size(), 5u) << s;
            bool plural = w[1] == c.agent[1];
            EXPECT_TRUE(w[1] == c.agent[0] || plural) << s;
            // The verb agrees with the agent: base form in the plural, the
            // third person form in the singular, or the past.
            EXPECT_TRUE(w[2] == c.verb[2] || w[2] == c.verb[plural ? 0 : 1]) << s;
            EXPECT_TRUE(std::find(c.patient.begin(), c.patient.end(), w[4]) != c.patient.end())
                << s;
        }
        EXPECT_EQ(sentences, runs);
        EXPECT_GT(seen.size(), 3u);
    }
}

} // namespace lextrans_test
