// Lexical transformations: the rule reader and its messages, the run over the
// lexicon (shared variables, "?" terminals, field 3 with removals, overlong
// results, interruption and resumption), rule selection, and inverse
// transformations chosen during generation.
#include "generation_fixture.hpp"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "bormo/lextrans.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/store.hpp"

namespace lextrans_test {

using namespace bormo;

const char* const ATTRS = "number ( sg , pl ) gender ( masc , fem ) %\n";
const char* const TERMS = "N A V\n";
// Read in this order, so each terminal's list runs from the last line up.
const char* const LEXICON = "\"chat\"|N|sg, masc|10|\n"
                            "\"chats\"|N|pl, masc|10|\n"
                            "\"table\"|N|sg, fem|10|\n"
                            "\"grand\"|A|masc|10|\n"
                            "\"grande\"|A|fem|10|\n"
                            "\"marche\"|V|sg|10|\n";

class LexTransTest : public GenerationTest {
  protected:
    void SetUp() override {
        GenerationTest::SetUp();
        resetlextrans();
        oxa::abortreq = 0;
        oxa::corenum = 1;
        oxa::xvsink = [](const char*, size_t) {}; // progress messages are not looked at here
    }
    void TearDown() override {
        resetlextrans();
        oxa::resetfrontend();
        oxa::abortreq = 0;
        GenerationTest::TearDown();
    }

    void language(const std::string& lexicon = LEXICON) {
        readattr(file("attr", ATTRS).c_str());
        read_terminals(file("term", TERMS).c_str());
        initdict();
        readdict(file("lex", lexicon).c_str());
    }
    void rules(const std::string& text) { readlextrans(file("lt", text).c_str()); }

    // Loads `text`, runs rule n and returns the lines it wrote to corefile 1.
    std::vector<std::string> run(const std::string& text, int n) {
        rules(text);
        inittrans(n);
        exectrans();
        oxa::checkstore();
        return lines(1);
    }
};

TEST_F(LexTransTest, ReaderMessagesDropOnlyTheFaultyRule) {
    struct Case {
        const char* text;
        const char* message; // part of an error line that must appear
        int loaded;          // a rule number that must be loaded, 0 for none
    };
    const Case cases[] = {
        {"junk RULE 7 ? _makes_ x %", "Warning -- characters ignored", 7},
        {"RULE 0 ? _makes_ x % RULE 7 ? _makes_ x %", "Rule number out of range or garbled 0", 7},
        {"RULE 500 ? _makes_ x % RULE 7 ? _makes_ x %", "Rule number out of range or garbled 500",
         7},
        {"RULE x1 ? _makes_ x % RULE 7 ? _makes_ x %", "Rule number out of range or garbled x1", 7},
        {"RULE ( ? _makes_ x % RULE 7 ? _makes_ x %", "Unable to get rule number", 7},
        {"RULE 7 ? _makes_ x % RULE 7 ? _makes_ y %", "Rule discarded -- duplicate rule  7", 7},
        {"RULE 3 ( : gender ) ? _makes_ x % RULE 7 ? _makes_ x %", "   Syntax Error. 1", 7},
        {"RULE 3 ( g gender ) ? _makes_ x % RULE 7 ? _makes_ x %", "   Syntax Error. 2", 7},
        {"RULE 3 ( g : ) ? _makes_ x % RULE 7 ? _makes_ x %", "   Syntax Error. 3", 7},
        {"RULE 3 ( g : sg ) ? _makes_ x % RULE 7 ? _makes_ x %", "   Attribute type unknown: sg",
         7},
        {"RULE 3 ( g : gender ) ? | N | gender _makes_ x % RULE 7 ? _makes_ x %",
         "   Attribute classes not legal in LSPs:  gender", 7},
        {"RULE 3 ? | N | blue _makes_ x % RULE 7 ? _makes_ x %", "   Attribute unknown: blue", 7},
        {"RULE 3 ? | N | sg masc _makes_ x % RULE 7 ? _makes_ x %", "   Error in field 3 of LSP",
         7},
        {"RULE 3 ? | N | ? sg _makes_ x % RULE 7 ? _makes_ x %", "   Syntax Error.", 7},
        {"RULE 3 _makes_ x % RULE 7 ? _makes_ x %", "   Error in field 1 of LSP", 7},
        {"RULE 3 ? | CHOOSE _makes_ x % RULE 7 ? _makes_ x %",
         "   Unexpected reserved word encountered.  Expected one of the following:  '|' _and_ "
         "_makes_",
         7},
        {"RULE 3 ? | ( _makes_ x % RULE 7 ? _makes_ x %", "   Error in field 2 of LSP", 7},
        {"RULE 3 ? | N | sg | ? RULE 7 ? _makes_ x %",
         "   Unexpected reserved word encountered.  Expected one of the following:  _and_ _makes_",
         7},
        {"RULE 3 ? | N % RULE 7 ? _makes_ x %", "   Unexpected end of rule token encountered.", 7},
        {"RULE 7 ? _makes_ x % RULE 3 ? _makes_ \"open", "   Unexpected end of file.", 7},
        {"RULE 7 ? _makes_ x % RULE 3 ? _makes_ x", "   Error reading right hand side", 7},
        {"RULE 3 ? | N | sg | ? RULE 7 ? _makes_ x %", "   Error after field 3 of LSP", 7},
        {"RULE 3 ? | N | blue _makes_ x % RULE 7 ? _makes_ x %",
         "   Error reading Lexical Search Pattern", 7},
        {"RULE 3 ( g : sg ) ? _makes_ x % RULE 7 ? _makes_ x %",
         "   Error reading common attribute clause", 7},
        {"RULE 3 ? | N | blue _makes_ x % RULE 7 ? _makes_ x %", "Failed to load rule 3", 7},
    };
    language();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        resetlextrans();
        oxa::resetstore();
        rules(c.text);
        EXPECT_GE(count_messages(c.message), 1) << ::testing::PrintToString(messages());
        if (std::string(c.message).rfind("Warning", 0) != 0) {
            EXPECT_EQ(v_stat, 1);
        }
        EXPECT_NE(ltruleheader[c.loaded], nullptr);
        // The faulty rule is not kept.
        for (int n : {0, 3, 500 - 1})
            if (n != c.loaded) {
                EXPECT_EQ(ltruleheader[n], nullptr) << n;
            }
        oxa::checkstore();
    }
}

TEST_F(LexTransTest, AFailedRuleGivesBackItsAttributeEntries) {
    language();
    rules("RULE 1 ( g : gender ) ? | N | g _makes_ x %");
    int after_first = lt_delayptr;
    rules("RULE 1 ( g : gender ) ? | N | g _makes_ x % "
          "RULE 2 ( g : gender , n : number ) ? | N | g.blue _makes_ x %");
    EXPECT_EQ(lt_delayptr, after_first);
    EXPECT_EQ(ltruleheader[2], nullptr);
}

TEST_F(LexTransTest, SharedVariableYieldsOnlyAgreeingPairs) {
    language();
    auto out = run("RULE 1 ( g : gender ) ? | N | g _and_ ? | A | g _makes_ !1.1 | !1.2 | g %", 1);
    const std::vector<std::string> expected = {
        "\"table\"|\"grande\"|fem",
        "\"chats\"|\"grand\"|masc",
        "\"chat\"|\"grand\"|masc",
    };
    EXPECT_EQ(out, expected);
    EXPECT_EQ(count_messages("Total Words Generated: 3."), 1);
    // The results are record lines; the variables are free again.
    for (oxa::LINE* l = oxa::core[1].header->down; l != oxa::core[1].header; l = l->down)
        if (l->object != oxa::K_EMPTY) {
            EXPECT_EQ(l->object, oxa::K_RECORD);
        }
    EXPECT_EQ(lt_delayed[0].choice, -1);
    EXPECT_EQ(InProgress, 0);
}

TEST_F(LexTransTest, AnyTerminalScansEveryTerminalInOrderNewestFirst) {
    language();
    auto out = run("RULE 2 ? | ? _makes_ !1 %", 2);
    const std::vector<std::string> expected = {"\"table\"",  "\"chats\"", "\"chat\"",
                                               "\"grande\"", "\"grand\"", "\"marche\""};
    EXPECT_EQ(out, expected);
    // A word pattern with a wildcard, and an LSP that ends after its word.
    oxa::resetstore();
    EXPECT_EQ(run("RULE 3 \"gr*\" _makes_ !1 %", 3),
              (std::vector<std::string>{"\"grande\"", "\"grand\""}));
}

TEST_F(LexTransTest, RightHandSides) {
    struct Case {
        const char* rule;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"RULE 1 \"chats\" | N _makes_ !3 %", {"pl,masc,"}},
        {"RULE 1 \"chats\" | N _makes_ !3-masc %", {"pl,"}},
        {"RULE 1 \"chats\" | N _makes_ !3-gender-sg %", {"pl,"}},
        {"RULE 1 \"chats\" | N _makes_ !3-number-gender %", {""}},
        {"RULE 1 \"chats\" | N _makes_ !2 !4 %", {"N0010"}},
        // Two names in a row stay apart.
        {"RULE 1 \"chats\" | N _makes_ !3-number sg %", {"masc, sg"}},
        // A variable with no value fixed writes its type.
        {"RULE 1 ( g : gender ) \"marche\" | V _makes_ g %", {"gender"}},
        // Attribute values of the LSP fix the variable from the entry.
        {"RULE 1 ( n : number ) \"chat*\" | N | n _makes_ n \"-\" !1 %",
         {"pl\"-\"\"chats\"", "sg\"-\"\"chat\""}},
        {"RULE 1 \"chat\" | N _makes_ [#1 \"te\"] | !2 %", {"\"chatte\"|N"}},
        // Field restrictions apply from field 4 (the frequency) on.
        {"RULE 1 ? | N | ? | 0010 _makes_ !1 %", {"\"table\"", "\"chats\"", "\"chat\""}},
        {"RULE 1 ? | N | ? | 0009 _makes_ !1 %", {}},
    };
    language();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        resetlextrans();
        oxa::resetstore();
        EXPECT_EQ(run(c.rule, 1), c.lines) << ::testing::PrintToString(messages());
    }
}

TEST_F(LexTransTest, RunErrorsEndTheRunAndKeepTheRuleSelected) {
    struct Case {
        const char* rule;
        const char* message;
    };
    const std::string longword(1100, 'x');
    const std::string overlong = "RULE 1 ? | N _makes_ \"" + longword + "\" %";
    const Case cases[] = {
        {overlong.c_str(), "   Result of LT rule too long "},
        {"RULE 1 ? | W _makes_ x %", "Terminal class not recognized -  W"},
        {"RULE 1 ? | N _makes_ !9 %", "   Bad LSP field reference --  field 9 from lsp 1"},
        {"RULE 1 ? | N _makes_ !1.2 %", "   Bad LSP field reference --  field 1 from lsp 2"},
        {"RULE 1 ? | N _makes_ !x %", "   Syntax error near '!' in right hand side of rule "},
        {"RULE 1 ? | N _makes_ !3-blue %", "   Attribute unknown: blue"},
        {"RULE 1 ? | N _makes_ [#1 %", "   Expecting closing brace for morphology expression "},
        {"RULE 1 ? | N _makes_ %", "   Right hand side of rule is null"},
    };
    language();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        resetlextrans();
        oxa::resetstore();
        EXPECT_TRUE(run(c.rule, 1).empty());
        EXPECT_EQ(count_messages(c.message), 1) << ::testing::PrintToString(messages());
        EXPECT_EQ(count_messages("Total Words Generated"), 0);
        EXPECT_EQ(InProgress, 0);
        EXPECT_EQ(lt_rule_num, 1);
        EXPECT_TRUE(lt_stack.empty());
    }
    std::string expr(LTMORPHMAX + 1, '!');
    resetlextrans();
    oxa::resetstore();
    EXPECT_TRUE(run("RULE 1 ? | N _makes_ [" + expr + "] %", 1).empty());
    EXPECT_EQ(count_messages("   Morphology string too long "), 1);
}

TEST_F(LexTransTest, SelectingRules) {
    language();
    struct Case {
        int n;
        const char* message;
        int selected;
    };
    const Case cases[] = {
        {0, "Rule number out of range:  0", -1},
        {500, "Rule number out of range:  500", -1},
        {4, "Rule has not been loaded yet -  4", -1},
        {2, "LT rule selected: 2.", 2},
    };
    // Nothing loaded yet.
    inittrans(2);
    EXPECT_EQ(count_messages("Rule has not been loaded yet -  2"), 1);
    exectrans();
    EXPECT_EQ(count_messages("No Rule has been initialized"), 1);
    rules("RULE 2 ? | N _makes_ !1 %");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        oxa::resetstore();
        v_stat = 0;
        inittrans(c.n);
        EXPECT_EQ(count_messages(c.message), 1) << ::testing::PrintToString(messages());
        EXPECT_EQ(lt_rule_num, c.selected);
        EXPECT_EQ(v_stat, c.selected < 0 ? 1 : 0);
    }
    EXPECT_EQ(lt_getlspptr(1), ltruleheader[2]->lsp1);
    EXPECT_EQ(lt_getlspptr(2), nullptr);
    EXPECT_EQ(count_messages("      Bad LSP number"), 1);
}

// An abort request arriving with the 100th result stops the run there; the
// resume key finishes it without repeating or losing a result.
TEST_F(LexTransTest, InterruptionAndResumption) {
    std::string lexicon;
    for (int i = 0; i < 250; ++i)
        lexicon += "\"w" + std::to_string(i) + "\"|N|sg, masc|10|\n";
    language(lexicon);
    rules("RULE 1 ? | N _makes_ !1 %");
    inittrans(1);
    static std::vector<std::string> progress;
    progress.clear();
    oxa::xvtrace = [](const char* msg) {
        progress.emplace_back(msg);
        std::string m = msg;
        if (m.find("100 words generated") != std::string::npos && m.find("Abort") == std::string::npos)
            oxa::abortreq = 1;
    };
    exectrans();
    EXPECT_EQ(lines(1).size(), 100u);
    EXPECT_EQ(InProgress, 1);
    EXPECT_EQ(v_stat, 2);
    EXPECT_NE(std::find_if(progress.begin(), progress.end(),
                           [](const std::string& m) {
                               return m.find("Abort -- 100 words generated") != std::string::npos;
                           }),
              progress.end());
    EXPECT_EQ(count_messages("Total Words Generated"), 0);
    oxa::xvtrace = nullptr;
    exectrans();
    auto out = lines(1);
    ASSERT_EQ(out.size(), 250u);
    EXPECT_EQ(std::set<std::string>(out.begin(), out.end()).size(), 250u);
    EXPECT_EQ(out.front(), "\"w249\"");
    EXPECT_EQ(out.back(), "\"w0\"");
    EXPECT_EQ(count_messages("Total Words Generated: 250."), 1);
    EXPECT_EQ(InProgress, 0);

    // A new selection discards an interrupted run; so does a new lexicon.
    oxa::abortreq = 1;
    exectrans();
    EXPECT_EQ(InProgress, 1);
    inittrans(1);
    EXPECT_EQ(InProgress, 0);
    oxa::abortreq = 1;
    exectrans();
    initdict();
    EXPECT_EQ(InProgress, 0);
    EXPECT_TRUE(lt_stack.empty());
    oxa::checkstore();
}

// Inverse transformations: an _ilt_ entry chosen for a leaf is replaced by the
// result of its right-hand side over the entries its LSPs choose.
class InverseTransTest : public LexTransTest {
  protected:
    // Generates once with `seed` and returns sentence 0.
    std::string generate_once(unsigned long seed) {
        reseed(static_cast<long>(seed));
        interpret();
        return genSentences[0] ? genSentences[0] : "";
    }
};

TEST_F(InverseTransTest, DerivedWordsReplaceTheEntry) {
    language("\"walk\"|V|sg|10|#1|\n"
             "\"talk\"|V|sg|10|#1|\n"
             "\"swim\"|V|pl|10|#1|\n"
             "_ilt_|N|sg|10|_and_ ? | V | sg | ? _makes_ [#1 \"er\"]|N|sg|0010|#1||\n");
    read_syntax(file("syn", "ROOT = N [sg] %\n").c_str());
    std::set<std::string> seen;
    for (unsigned long seed = 1; seed < 400; seed += 14) {
        std::string s = generate_once(seed);
        EXPECT_TRUE(s == "walker" || s == "talker") << s << ::testing::PrintToString(messages());
        seen.insert(s);
    }
    EXPECT_EQ(seen.size(), 2u);
    // The lookup carries the LSP chain; the chosen text is the result.
    ASSERT_GE(d_table_count, 2);
    const t_dict_lookup& d = dict_table[0];
    ASSERT_NE(d.lspseq, nullptr);
    EXPECT_EQ(d.lspseq->right, nullptr);
    std::string word(d.dictionary, getfieldptr(d.dictionary, 2));
    EXPECT_TRUE(word == "\"walker\"|" || word == "\"talker\"|") << word;
    // Field 3 is stored encoded, as the lexicon stores it.
    EXPECT_EQ(std::string(getfieldptr(d.dictionary, 2)), "N|\x19\x01\x01 |0010|#1||");
    EXPECT_EQ(match_attr(d.dictionary, dict_table[0].attributes), 1);
    EXPECT_EQ(count_messages("No lexical entry found"), 0);
    oxa::checkstore();
}

TEST_F(InverseTransTest, TwoPatterns) {
    language("\"walk\"|V|sg|10|#1|\n"
             "\"grand\"|A|masc|10|#1|\n"
             "_ilt_|N|sg|10|_and_ \"walk\" | V _and_ ? | A | masc _makes_ [#1]|N|sg|0010|#1||!1.2|\n");
    read_syntax(file("syn", "ROOT = N [sg] %\n").c_str());
    EXPECT_EQ(generate_once(7), "walk");
    EXPECT_NE(std::string(dict_table[0].dictionary).find("|0010|#1||\"grand\"|"),
              std::string::npos);
    oxa::checkstore();
}

// No entry for a pattern: the leaf gets no word and the failure is reported.
TEST_F(InverseTransTest, APatternWithoutEntries) {
    language("\"walk\"|V|sg|10|#1|\n"
             "_ilt_|N|sg|10|_and_ \"run\" | V _makes_ [#1 \"er\"]|N|sg|0010|#1||\n");
    read_syntax(file("syn", "ROOT = N [sg] %\n").c_str());
    EXPECT_EQ(generate_once(7), "");
    EXPECT_GE(count_messages("No lexical entry found for V"), 1);
    EXPECT_GE(count_messages("No lexical entry found for N"), 1);
    EXPECT_EQ(dict_table[0].dictionary, nullptr);
    oxa::checkstore();
}

// A result whose attributes name no attribute is no entry; a rule run over
// the lexicon passes inverse entries by.
TEST_F(InverseTransTest, UnknownResultAttributesAndRulesOverInverseEntries) {
    language("\"walk\"|V|sg|10|#1|\n"
             "_ilt_|N|sg|10|_and_ ? | V _makes_ [#1 \"er\"]|N|blue|0010|#1||\n");
    read_syntax(file("syn", "ROOT = N [sg] %\n").c_str());
    EXPECT_EQ(generate_once(7), "");
    EXPECT_EQ(count_messages("Unknown attribute blue"), 1);
    EXPECT_GE(count_messages("No lexical entry found for N"), 1);
    oxa::resetstore();
    EXPECT_EQ(run("RULE 1 ? | ? _makes_ !2 %", 1), std::vector<std::string>{"V"});
    oxa::checkstore();
}

} // namespace lextrans_test
