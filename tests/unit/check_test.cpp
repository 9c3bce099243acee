// The language-pack checker on its state: reader messages placed by the
// tokenizer, the checks on a small pack with one mistake each, the printers
// and the sampling pass.
#include "generation_fixture.hpp"

#include "bormo/transform.hpp"
#include "bormo/variants.hpp"
#include "check/check.hpp"

namespace check_test {

// A small pack that checks clean.  Each file is one string.
struct minipack {
    std::string attributes = "number ( sg , pl )\ntense ( pres , impf )\n%\n";
    std::string terminals = "DET N V\n";
    std::string lexicon = "\"the\"|DET|number|10|#1||\n"
                          "\"cat\"|N|number|10|#1|$plural|\n"
                          "\"dog\"|N|number|10|#1|$plural|\n"
                          "\"sleep\"|V|number,tense|10|$verb||\n";
    std::string morphology = "RULE plural\n  pl : ! \"s\" ;\n  * : ! ;\n"
                             "RULE verb\n  pres : #1 ending ( number ) ;\n  * : #1 \"ed\" ;\n";
    std::string tables = "ending ( \"s\" , \"\" )\n";
    std::string syntax = "ROOT = CHOOSE n : number ; CHOOSE t : tense ;\n"
                         "       NP [ n ] V [ n , t ] %\n"
                         "NP = INHERIT n : number ; DET [ n ] N [ n ] %\n";
};

class CheckTest : public GenerationTest {
  protected:
    void SetUp() override {
        GenerationTest::SetUp();
        clean();
    }
    void TearDown() override {
        clean();
        GenerationTest::TearDown();
    }
    static void clean() {
        check::resetdiagnostics();
        check::resetload();
        bormo::resetvariants();
        bormo::resettransform();
    }

    // Writes the pack, loads it and runs the static checks.
    void run(const minipack& p) {
        const std::pair<int, const std::string*> files[] = {
            {check::K_ATTRIBUTES, &p.attributes}, {check::K_TERMINALS, &p.terminals},
            {check::K_LEXICON, &p.lexicon},       {check::K_MORPHOLOGY, &p.morphology},
            {check::K_TABLES, &p.tables},         {check::K_SYNTAX, &p.syntax},
        };
        for (auto [kind, text] : files)
            check::packfile[static_cast<size_t>(kind)] =
                file(check::kindtable[static_cast<size_t>(kind)].filename, *text);
        check::initengine();
        check::loadpack();
        check::checkpack();
    }

    std::string all() const {
        std::string s;
        for (const check::Diagnostic& d : check::findings)
            s += check::format_text(d) + "\n";
        return s;
    }
};

TEST_F(CheckTest, TheSmallPackChecksClean) {
    run(minipack{});
    EXPECT_TRUE(check::findings.empty()) << all();
}

// One mistake per case: the file changed, the text replaced, the file, line,
// severity and words of the finding expected.
struct brokencase {
    const char* name;
    std::string minipack::*file;
    const char* from;
    const char* to;
    const char* where; // file name in the pack
    int line;
    check::Severity sev;
    const char* words;
};

const brokencase brokencases[] = {
    {"NoRoot", &minipack::syntax, "ROOT =", "START =", "syntax", 1, check::S_ERROR,
     "the syntax has no ROOT rule"},
    {"UndefinedRule", &minipack::syntax, "DET [ n ] N [ n ] %", "DET [ n ] NPP [ n ] %", "syntax",
     3, check::S_ERROR, "NPP (in rule NP) is neither a rule nor a terminal"},
    {"RuleTwice", &minipack::syntax, "NP = INHERIT", "NP = N %\nNP = INHERIT", "syntax", 4,
     check::S_ERROR, "rule NP is defined twice"},
    {"UnusedRule", &minipack::syntax, "NP = INHERIT", "VP = V %\nNP = INHERIT", "syntax", 3,
     check::S_WARNING, "rule VP is never used"},
    {"EndlessCycle", &minipack::syntax, "DET [ n ] N [ n ] %", "DET [ n ] N [ n ] NP [ n ] %",
     "syntax", 3, check::S_ERROR, "the expansion of rule NP cannot end"},
    {"LeftRecursive", &minipack::syntax, "NP = INHERIT n : number ;",
     "NP = INHERIT n : number ; ( NP [ n ] | ) ", "syntax", 3, check::S_WARNING,
     "rule NP is left-recursive (NP -> NP)"},
    {"LeftRecursiveNoWayOut", &minipack::syntax, "NP = INHERIT n : number ;",
     "NP = INHERIT n : number ; NP [ n ] ", "syntax", 3, check::S_ERROR,
     "it is left-recursive with no way out"},
    {"UnknownClassInTransformation", &minipack::syntax, "NP = INHERIT",
     "T = TRANSFORMATION * : ADVB 1 ; %\nNP = INHERIT", "syntax", 3, check::S_ERROR,
     "transformation T names ADVB, which is neither a rule nor a terminal class"},
    {"UnknownTransformation", &minipack::syntax, "NP [ n ] V", "FLIP:NP [ n ] V", "syntax", 2,
     check::S_ERROR, "unknown transformation FLIP"},
    {"NoEntryForWord", &minipack::syntax, "N [ n ] %", "N [ n ] /\"bird\" %", "syntax", 3,
     check::S_ERROR, "no lexicon entry of N can be \"bird\""},
    {"NoEntryForValue", &minipack::syntax, "DET [ n ] N", "DET [ n , impf ] N", "syntax", 3,
     check::S_ERROR, "no lexicon entry of DET can be [ impf ]"},
    {"TerminalWithoutEntry", &minipack::terminals, "DET N V", "DET N V\nADV", "terminals", 2,
     check::S_WARNING, "terminal ADV has no lexicon entry"},
    {"UndefinedTable", &minipack::morphology, "ending (", "endng (", "morphology", 5,
     check::S_ERROR, "table endng is not defined"},
    {"TableTwice", &minipack::tables, "ending (", "ending ( \"x\" , \"y\" )\nending (", "tables",
     2, check::S_ERROR, "table ending is defined twice"},
    {"IndexBeyondTable", &minipack::tables, "ending ( \"s\" , \"\" )", "ending ( \"s\" )",
     "morphology", 5, check::S_ERROR, "table ending has 1 elements but its indexes (number) reach element 2"},
    {"UndefinedMorphRule", &minipack::lexicon, "$plural|\n\"dog\"", "$plurl|\n\"dog\"", "lexicon",
     2, check::S_ERROR, "morphology rule plurl is not defined"},
    {"UnusedAttributeValue", &minipack::attributes, "tense ( pres , impf )",
     "tense ( pres , impf )\nmood ( real , unreal )", "attributes", 3, check::S_WARNING,
     "attribute value real (mood) is never used"},
    {"UnknownAttributeInLexicon", &minipack::lexicon, "\"cat\"|N|number|", "\"cat\"|N|numbr|",
     "lexicon", 2, check::S_ERROR, "Unknown attribute numbr"},
    {"UnclosedQuoteInLexicon", &minipack::lexicon, "\"cat\"|N|", "\"cat|N|", "lexicon", 2,
     check::S_ERROR, "quote not closed before '|'"},
    {"MissingPercentInAttributes", &minipack::attributes, "impf )\n%\n", "impf )\n", "attributes",
     3, check::S_ERROR, "(is the closing % missing?)"},
    {"MissingPercentInSyntax", &minipack::syntax, "V [ n , t ] %", "V [ n , t ]", "syntax", 3,
     check::S_ERROR, "(is the % ending the rule before it missing?)"},
    {"EntryTooShort", &minipack::lexicon, "\"dog\"|N|number|10|#1|$plural|", "\"dog\"", "lexicon",
     3, check::S_ERROR, "Entry has fewer than two complete fields"},
    {"TerminalNotFound", &minipack::lexicon, "\"dog\"|N|", "\"dog\"|NN|", "lexicon", 3,
     check::S_ERROR, "Terminal not found: NN"},
    {"AttributeNameTwice", &minipack::attributes, "impf )", "impf , sg )", "attributes", 2,
     check::S_ERROR, "attribute value sg duplicated"},
    {"TerminalTwice", &minipack::terminals, "DET N V", "DET N V N", "terminals", 1,
     check::S_ERROR, "Repeated terminal N"},
    {"MorphRuleTwice", &minipack::morphology, "RULE verb", "RULE plural\n  * : ! ;\nRULE verb",
     "morphology", 4, check::S_ERROR, "rule name repeated plural"},
    {"QuoteOpenToTheEnd", &minipack::syntax, "N [ n ] %", "N [ n ] /\"bird %", "syntax", 3,
     check::S_ERROR, "quote not closed on its line"},
    {"CommentOpenToTheEnd", &minipack::syntax, "N [ n ] %", "N [ n ] % { unfinished", "syntax", 3,
     check::S_ERROR, "comment not closed before the end of the file"},
    {"TransformationTwice", &minipack::syntax, "NP = INHERIT",
     "T = TRANSFORMATION * : 1 ; %\nT = TRANSFORMATION * : 1 ; %\nNP = INHERIT", "syntax", 4,
     check::S_ERROR, "transformation T is defined twice"},
    {"TransformationNeverAttached", &minipack::syntax, "NP = INHERIT",
     "U = TRANSFORMATION * : 1 ; %\nNP = INHERIT", "syntax", 3, check::S_WARNING,
     "transformation U is never attached to a node"},
    {"TerminalNotInTheSyntax", &minipack::terminals, "DET N V", "DET N V ADV", "terminals", 1,
     check::S_WARNING, "terminal ADV is not used by the syntax"},
    {"EveryEntryOfFrequencyZero", &minipack::lexicon, "\"the\"|DET|number|10|", "\"the\"|DET|number|0|",
     "terminals", 1, check::S_WARNING, "every lexicon entry of terminal DET has frequency 0"},
    {"MorphRuleNeverCalled", &minipack::morphology, "RULE verb", "RULE spare\n  * : ! ;\nRULE verb",
     "morphology", 4, check::S_WARNING, "morphology rule spare is never called"},
    {"TableNeverUsed", &minipack::tables, "ending (", "spare ( \"a\" )\nending (", "tables", 1,
     check::S_WARNING, "table spare is never used"},
    {"UnknownAttributeInTableIndex", &minipack::morphology, "ending ( number )", "ending ( numbr )",
     "morphology", 5, check::S_ERROR, "unknown attribute numbr in an index of table ending"},
    {"CharacterBeyondSingleByte", &minipack::lexicon, "\"dog\"", "\"d\xCE\xB1g\"", "lexicon", 3,
     check::S_ERROR, "character U+03B1 cannot be edited: it has no single-byte form"},
};

class CheckBroken : public CheckTest, public ::testing::WithParamInterface<brokencase> {};

TEST_P(CheckBroken, FindsTheMistakeWhereItIs) {
    const brokencase& c = GetParam();
    minipack p;
    std::string& text = p.*(c.file);
    size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    text.replace(at, strlen(c.from), c.to);
    run(p);
    const check::Diagnostic* found = nullptr;
    for (const check::Diagnostic& d : check::findings)
        if (d.message.find(c.words) != std::string::npos) found = &d;
    ASSERT_NE(found, nullptr) << all();
    EXPECT_EQ(found->file, dir + "/" + c.where) << all();
    EXPECT_EQ(found->line, c.line) << all();
    EXPECT_GT(found->col, 0) << all();
    EXPECT_EQ(found->sev, c.sev) << all();
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckBroken, ::testing::ValuesIn(brokencases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckTest, ReaderMessagesOnOneLineAreFoldedIntoOne) {
    minipack p;
    p.syntax += "X = ( ) ) ) %\n";
    run(p);
    int onfour = 0;
    for (const check::Diagnostic& d : check::findings)
        onfour += d.line == 4;
    EXPECT_EQ(onfour, 1) << all();
}

TEST_F(CheckTest, ColumnsCountCharactersAndTabs) {
    minipack p;
    // "é" is one character of a UTF-8 file: the unknown attribute starts at
    // column 9, not at byte 11.
    p.lexicon += "\"\xC3\xA9t\xC3\xA9\"|N|nombre|1|#1||\n";
    run(p);
    ASSERT_EQ(check::findings.size(), 1u) << all();
    EXPECT_EQ(check::findings[0].line, 5);
    EXPECT_EQ(check::findings[0].col, 9);
}

TEST_F(CheckTest, AMistakeInAnIncludedFileNamesThatFile) {
    minipack p;
    std::string inc = file("more", "\nX = N [ nmber ] %\n");
    p.syntax += "%INCLUDE \"" + inc + "\"\n";
    run(p);
    ASSERT_EQ(check::findings.size(), 1u) << all();
    EXPECT_EQ(check::findings[0].file, inc);
    EXPECT_EQ(check::findings[0].line, 2);
    EXPECT_EQ(check::findings[0].message, "Unknown attribute nmber (did you mean number? number: sg, pl) (in X)");
}

TEST_F(CheckTest, LoadingKeepsTheErrorLinesOfCorefileSeven) {
    minipack p;
    p.syntax += "X = ( %\n";
    run(p);
    EXPECT_EQ(count_messages("ERROR Syntax Input X There are unmatched ('s"), 1);
}

TEST_F(CheckTest, MissingRequiredFileIsAnError) {
    minipack p;
    run(p);
    check::resetdiagnostics();
    check::resetload();
    check::packfile[check::K_ATTRIBUTES] = file("attributes", p.attributes);
    check::initengine();
    check::loadpack();
    ASSERT_FALSE(check::findings.empty());
    EXPECT_EQ(check::findings[0].message, "no terminals file (--terminals)");
}

TEST(CheckPrint, TextAndJsonForms) {
    check::Diagnostic d{"pack/syntax", 3, 7, check::S_WARNING, "rule \"X\\\" \xE9t\xE9"};
    EXPECT_EQ(check::format_text(d), "pack/syntax:3:7: warning: rule \"X\\\" \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(check::format_json(d),
              "{\"file\":\"pack/syntax\",\"line\":3,\"column\":7,\"severity\":\"warning\","
              "\"message\":\"rule \\\"X\\\\\\\" \xC3\xA9t\xC3\xA9\"}");
    check::Diagnostic e{"", 0, 0, check::S_ERROR, "tab\there"};
    EXPECT_EQ(check::format_json(e),
              "{\"file\":\"\",\"line\":0,\"column\":0,\"severity\":\"error\",\"message\":\"tab\\u0009here\"}");
}

TEST(CheckPrint, KindTableRowsAreKinds) {
    EXPECT_STREQ(check::kindtable[check::K_ATTRIBUTES].filename, "attributes");
    EXPECT_STREQ(check::kindtable[check::K_LEXICON].option, "--lexicon");
    EXPECT_STREQ(check::kindtable[check::K_PHONOLOGY].filename, "phonology");
    EXPECT_FALSE(check::kindtable[check::K_MORPHOLOGY].required);
    EXPECT_TRUE(check::kindtable[check::K_SYNTAX].required);
}

TEST_F(CheckTest, SamplingFindsARarelyUsedMisspeltTable) {
    minipack p;
    // One verb in forty-one, chosen about one time in twenty, calls a table
    // that does not exist.
    for (int i = 0; i < 40; i++)
        p.lexicon += "\"walk" + std::to_string(i) + "\"|V|number,tense|5|#1||\n";
    p.lexicon += "\"go\"|V|number,tense|10|#1 ened ( number )||\n";
    run(p);
    check::resetdiagnostics();
    check::samplesummary s = check::samplepack(200, 123456789);
    EXPECT_EQ(s.runs, 200);
    EXPECT_EQ(s.sentences, 200);
    ASSERT_EQ(check::findings.size(), 1u) << all();
    const check::Diagnostic& d = check::findings[0];
    EXPECT_EQ(d.message.rfind("Table not found: ened (", 0), 0u) << d.message;
    int hits = std::stoi(d.message.substr(d.message.find('(') + 1));
    EXPECT_GT(hits, 0);
    EXPECT_LT(hits, 40);
    EXPECT_NE(d.message.find(" of 200)"), std::string::npos);
    EXPECT_EQ(d.file, dir + "/lexicon");
    EXPECT_EQ(d.line, 45);
}

TEST_F(CheckTest, SamplingCountsEmptySentences) {
    minipack p;
    // A noun whose form is empty, alone in the question.
    p.lexicon += "\"x\"|N|number|10|\"\"||\n";
    p.syntax += "QUESTION = CHOOSE n : number ; N [ n ] %\nANSWER = ROOT %\n";
    run(p);
    check::resetdiagnostics();
    check::samplesummary s = check::samplepack(50, 99);
    EXPECT_EQ(s.sentences, 100);
    EXPECT_GT(s.empty, 0);
    EXPECT_LT(s.empty, 50);
    ASSERT_EQ(check::findings.size(), 1u) << all();
    EXPECT_NE(check::findings[0].message.find("sentences came out empty"), std::string::npos);
}


// Edit distance counts insertions, deletions, changes and swaps of two
// neighbours as one edit each.
TEST(CheckSuggest, EditDistance) {
    const struct {
        const char* a;
        const char* b;
        size_t d;
    } cases[] = {
        {"masc", "masc", 0}, {"mas", "masc", 1}, {"plurl", "plural", 1}, {"nmuber", "number", 1},
        {"numbr", "number", 1}, {"sg", "pl", 2}, {"", "abc", 3}, {"er_impf", "impf", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(check::editdistance(c.a, c.b), c.d) << c.a << " " << c.b;
        EXPECT_EQ(check::editdistance(c.b, c.a), c.d) << c.b << " " << c.a;
    }
}

// Only names within reach are offered (one edit up to four letters, two up
// to eight), the closest ones, in order, at most three; the name itself is
// not offered.
TEST(CheckSuggest, ClosestNames) {
    const std::vector<std::string> names = {"number", "person", "p1", "p2", "p3", "pl", "sg", "NP"};
    const struct {
        const char* name;
        std::vector<std::string> offered;
    } cases[] = {
        {"numbr", {"number"}}, {"persn", {"person"}}, {"px", {"p1", "p2", "p3"}},
        {"NPP", {"NP"}},       {"xyz", {}},           {"number", {}},
        {"nmbr", {}}, // two edits in four letters: too far
    };
    for (const auto& c : cases)
        EXPECT_EQ(check::closest(c.name, names), c.offered) << c.name;
    EXPECT_EQ(check::didyoumean("numbr", names), " (did you mean number?)");
    EXPECT_EQ(check::didyoumean("p", {"p1", "pl"}), " (did you mean p1 or pl?)");
    EXPECT_EQ(check::didyoumean("xyz", names), "");
}

} // namespace check_test
