// oxa-check run as a program: the example packs check clean; a table of
// packs made from the French example with exactly one mistake each gives its
// diagnostic at the right file and line; the sampling pass finds a misspelt
// table that only some sentences need; exit codes, --json, -q and the file
// options.
#include "harness.hpp"

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

extern const char* const oxa_check_path;

namespace check_test {

namespace fs = std::filesystem;

struct result {
    int status;
    std::vector<std::string> out; // lines of standard output
    std::string err;
};

class CheckProgram : public ::testing::Test {
  protected:
    fs::path tmp;

    void SetUp() override {
        char tmpl[] = "/tmp/oxacheckXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        tmp = tmpl;
    }
    void TearDown() override { fs::remove_all(tmp); }

    static fs::path example(const std::string& lang) {
        return fs::path(OXA_SOURCE_DIR) / "examples" / lang;
    }

    // Runs oxa-check with the arguments (each quoted for the shell).
    result check(const std::vector<std::string>& args) {
        std::string cmd = std::string("'") + oxa_check_path + "'";
        for (const std::string& a : args)
            cmd += " '" + a + "'";
        cmd += " >'" + (tmp / "out").string() + "' 2>'" + (tmp / "err").string() + "'";
        int st = std::system(cmd.c_str());
        result r{WIFEXITED(st) ? WEXITSTATUS(st) : -1, {}, oxatest::readfile(tmp / "err")};
        std::istringstream out(oxatest::readfile(tmp / "out"));
        for (std::string line; std::getline(out, line);)
            r.out.push_back(line);
        return r;
    }

    // A copy of an example pack with `from` replaced by `to` in one file.
    fs::path broken(const std::string& file, const std::string& from, const std::string& to) {
        fs::path pack = tmp / "pack";
        fs::remove_all(pack);
        fs::copy(example("french"), pack);
        std::string text = oxatest::readfile(pack / file);
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        std::ofstream(pack / file, std::ios::binary) << text;
        return pack;
    }
};

bool has(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& l : lines)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines)
        s += l + "\n";
    return s;
}

TEST_F(CheckProgram, ExamplePacksCheckClean) {
    for (const char* lang : {"english", "french"}) {
        result r = check({example(lang).string()});
        EXPECT_EQ(r.status, 0) << lang << "\n" << joined(r.out);
        EXPECT_FALSE(has(r.out, ": error:")) << lang << "\n" << joined(r.out);
        ASSERT_FALSE(r.out.empty());
        EXPECT_EQ(r.out.back().rfind("0 errors, ", 0), 0u) << r.out.back();
        EXPECT_NE(r.out.back().find("200 generations, 400 sentences (0 empty, 0 cut)"),
                  std::string::npos)
            << r.out.back();
    }
}

// One mistake each in a copy of the French pack: the file changed, the text
// replaced, and the start of the diagnostic expected ("FILE:LINE:") with its words.
struct mistake {
    const char* name;
    const char* file;
    const char* from;
    const char* to;
    const char* where; // "file:line:" in the pack
    const char* words;
};

const mistake mistakes[] = {
    {"NoRoot", "syntax", "ROOT = CHOOSE", "RACINE = CHOOSE", "syntax:1:", "error: the syntax has no ROOT rule"},
    {"UndefinedRule", "syntax", "VP [ n , p , t ] %\n\n{ Garde", "VP [ n , p , t ] NPP %\n\n{ Garde",
     "syntax:8:40:", "error: NPP (in rule ROOT) is neither a rule nor a terminal"},
    {"TableTwice", "tables", "ipa_poss (", "dem ( \"x\" , \"x\" , \"x\" , \"x\" )\nipa_poss (",
     "tables:20:1:", "error: table dem is defined twice"},
    {"RuleTwice", "syntax", "ANSWER = ROOT %", "ANSWER = ROOT %\nCLAUSE = SUBJ VP %", "syntax:35:1:",
     "error: rule CLAUSE is defined twice"},
    {"UnknownClassInTransformation", "syntax", "* : QW 1 ;", "* : QWW 1 ;", "syntax:32:39:",
     "error: transformation QFORM names QWW, which is neither a rule nor a terminal class"},
    {"MisspeltTable", "morphology", "  * : #10 impf (", "  * : #10 er_impf (", "morphology:13:11:",
     "error: table er_impf is not defined"},
    {"LeftRecursive", "syntax", "OBJ = CHOOSE m : number ;", "OBJ = CHOOSE m : number ; ( OBJ ADV | )",
     "syntax:20:1:", "warning: rule OBJ is left-recursive"},
    {"NoWayOut", "syntax", "N [ m ] /_pre_ thing %", "N [ m ] /_pre_ thing OBJ %", "syntax:20:1:",
     "error: the expansion of rule OBJ cannot end"},
    {"UnclosedQuote", "lexicon", "\"matou\"|N|", "\"matou|N|", "lexicon:8:1:", "error: quote not closed"},
    {"MissingPercent", "attributes", "topic ( thing )\n%", "topic ( thing )\n", "attributes:11:",
     "(is the closing % missing?)"},
    {"MissingPercentInSyntax", "syntax", "VP [ n , p , t ] %\n\n{ Garde", "VP [ n , p , t ]\n\n{ Garde",
     "syntax:12:6:", "(is the % ending the rule before it missing?)"},
    {"CharacterBeyondSingleByte", "lexicon", "\"matou\"|N|", "\"m\xCE\xB1tou\"|N|", "lexicon:8:3:",
     "error: character U+03B1 cannot be edited"},
    {"NoEntryForWord", "syntax", "ADV [ t ] | )", "ADV [ t ] /\"doucement\" | )", "syntax:23:76:",
     "error: no lexicon entry of ADV can be \"doucement\""},
    {"NoEntryForValue", "syntax", "( NP [ n ] | PRON [ n , p3 ] )", "( NP [ n ] | PRON [ n , p3 , obj ] )",
     "syntax:12:", "error: no lexicon entry of PRON can be [ p3, obj ]"},
    {"TerminalWithoutEntry", "terminals", "ADV QW", "ADV QW INTJ", "terminals:2:30:",
     "warning: terminal INTJ has no lexicon entry"},
    {"IndexBeyondTable", "tables", "\"e\" , \"ent\" )", "\"e\" )", "morphology:4:17:",
     "error: table er_pres has 5 elements but its indexes (person,number) reach element 6"},
    {"UndefinedMorphRule", "lexicon", "|10|#1|$plural|syn:", "|10|#1|$plurl|syn:", "lexicon:7:35:",
     "error: morphology rule plurl is not defined"},
    {"UnusedRule", "syntax", "ANSWER = ROOT %", "ANSWER = ROOT %\nEXTRA = N %", "syntax:35:1:",
     "warning: rule EXTRA is never used"},
    {"UnknownAttribute", "lexicon", "\"chat\"|N|masc,", "\"chat\"|N|mas,", "lexicon:7:10:",
     "error: Unknown attribute mas (did you mean masc? gender: masc, fem)"},
    // Names not defined: the close names in scope are offered.
    {"UnknownAttributeNothingClose", "lexicon", "\"chat\"|N|masc,", "\"chat\"|N|zzzq,",
     "lexicon:7:10:", "(the attribute types are gender, number, person, tense, case, degree, valency, topic)"},
    {"MisspeltAttributeType", "syntax", "CHOOSE n : number", "CHOOSE n : numbr", "syntax:7:19:",
     "error: Unknown attribute numbr (did you mean number? number: sg, pl)"},
    {"MisspeltIndexType", "morphology", "impf ( person , number ) ;", "impf ( persn , number ) ;",
     "morphology:5:14:", "error: unknown attribute persn in an index of table impf (did you mean person? person: p1, p2, p3)"},
    {"MisspeltNode", "syntax", "VP [ n , p , t ] %\n\n{ Garde", "VP [ n , p , t ] NPP %\n\n{ Garde",
     "syntax:8:40:", "(in rule ROOT) is neither a rule nor a terminal (did you mean NP?)"},
    {"MisspeltMorphRule", "lexicon", "|10|#1|$plural|syn:", "|10|#1|$plurl|syn:", "lexicon:7:35:",
     "error: morphology rule plurl is not defined (did you mean plural?)"},
    {"MisspeltTableName", "morphology", "  * : #10 impf (", "  * : #10 imf (", "morphology:13:11:",
     "error: table imf is not defined (did you mean impf?)"},
    {"MisspeltTransformation", "syntax", "QFORM:", "QFORN:", "syntax:26:",
     "error: unknown transformation QFORN (in rule QUESTION) (did you mean QFORM?)"},
    // A quote left open where quotes may run across line ends: found where
    // it opened, however far below the tokenizer notices.
    {"UnclosedQuoteInTables", "tables", "\"mon\" , \"mes\"", "\"mon , \"mes\"", "tables:7:8:",
     "error: quote not closed on its line"},
    {"UnclosedQuoteOnTheLastLine", "tables", "\"me\" )", "\"me )", "tables:20:33:",
     "error: quote not closed on its line"},
    {"UnclosedQuoteInMorphology", "morphology", "pl , \"*eau\" :", "pl , \"*eau :", "morphology:15:8:",
     "error: quote not closed on its line"},
    {"UnclosedQuoteInSyntax", "syntax", "ADV [ t ] | )", "ADV [ t ] /\"doucement | )", "syntax:23:87:",
     "error: quote not closed on its line"},
};

class CheckMistakes : public CheckProgram, public ::testing::WithParamInterface<mistake> {};

TEST_P(CheckMistakes, OneDiagnosticAtItsPlace) {
    const mistake& m = GetParam();
    fs::path pack = broken(m.file, m.from, m.to);
    result r = check({pack.string(), "--generate", "0"});
    std::string want = (pack / m.where).string();
    bool found = false;
    for (const std::string& l : r.out)
        found = found || (l.rfind(want, 0) == 0 && l.find(m.words) != std::string::npos);
    EXPECT_TRUE(found) << want << " ... " << m.words << "\n" << joined(r.out);
    bool error = std::string(m.words).find("warning:") != 0;
    EXPECT_EQ(r.status, error ? 1 : 0) << joined(r.out);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckMistakes, ::testing::ValuesIn(mistakes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckProgram, SamplingFindsARarelyUsedMisspeltTable) {
    // The irregular imperfect is needed only by some sentences.
    fs::path pack = broken("morphology", "  * : #10 impf (", "  * : #10 er_impf (");
    result r = check({pack.string(), "--seed", "987654321"});
    EXPECT_EQ(r.status, 1);
    std::string line;
    for (const std::string& l : r.out)
        if (l.find("Table not found: er_impf (") != std::string::npos) line = l;
    ASSERT_FALSE(line.empty()) << joined(r.out);
    EXPECT_EQ(line.rfind((pack / "morphology:13:11: error: ").string(), 0), 0u) << line;
    int hits = std::stoi(line.substr(line.rfind('(') + 1));
    EXPECT_GT(hits, 0) << line;
    EXPECT_LT(hits, 200) << line;
    EXPECT_NE(line.find(" of 200)"), std::string::npos) << line;
    // Another seed, another count, the same finding.
    result again = check({pack.string(), "--generate", "20", "--seed", "5"});
    EXPECT_TRUE(has(again.out, " of 20)")) << joined(again.out);
}

// One unclosed quote is one error: nothing read wrongly after it in its
// file, and neither the whole-pack checks nor the samples, is reported.
TEST_F(CheckProgram, AnUnclosedQuoteIsOneError) {
    fs::path pack = broken("tables", "\"mon\" , \"mes\"", "\"mon , \"mes\"");
    result r = check({pack.string()});
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(r.out.size(), 2u) << joined(r.out);
    EXPECT_EQ(r.out[0], (pack / "tables:7:8: error: quote not closed on its line (the rest of the "
                                "file is not checked, nor the pack as a whole)").string());
    EXPECT_EQ(r.out[1], "1 error, 0 warnings; 0 generations, 0 sentences (0 empty, 0 cut)");
    // A mistake before the quote, in the same file, is still found.
    std::string tables = oxatest::readfile(pack / "tables");
    tables.replace(tables.find("def ("), 0, "} ");
    std::ofstream(pack / "tables", std::ios::binary) << tables;
    result both = check({pack.string()});
    ASSERT_EQ(both.out.size(), 3u) << joined(both.out);
    EXPECT_EQ(both.out[0], (pack / "tables:4:1: warning: } outside quotes/comments").string());
    EXPECT_TRUE(has(both.out, "tables:7:8: error: quote not closed")) << joined(both.out);
}

// A run-time error found by sampling names the rule, table or lexicon entry
// whose expression the engine was evaluating: at the reference it was
// reading, or at the rule whose guard it was trying.
TEST_F(CheckProgram, RunTimeErrorsPointAtTheirRuleOrEntry) {
    const mistake cases[] = {
        {"IndexTypeTheWordLacks", "morphology", "impf ( person , number )", "impf ( case , number )",
         "morphology:5:14:", "error: Table index attribute type not present in node ("},
        {"TableWithoutName", "morphology", "#1 - - er_pres ( person , number ) ;\n  *",
         "#1 - - ( person , number ) ;\n  *", "morphology:3:6:", "error: Table not found ("},
        {"IndexInALexiconEntry", "lexicon", "etre(person,number)", "etre(case,number)",
         "lexicon:126:60:", "error: Table index attribute type not present in node ("},
        {"GuardOfACalledRule", "morphology", "  fem , pl : ! \"es\" ;", "  fem pl : ! \"es\" ;",
         "morphology:20:6:", "error: Unknown attribute fempl"},
    };
    for (const mistake& m : cases) {
        fs::path pack = broken(m.file, m.from, m.to);
        result r = check({pack.string(), "-q"});
        std::string want = (pack / m.where).string();
        bool found = false;
        for (const std::string& l : r.out)
            found = found || (l.rfind(want, 0) == 0 && l.find(m.words) != std::string::npos);
        EXPECT_TRUE(found) << m.name << ": " << want << " ... " << m.words << "\n" << joined(r.out);
        EXPECT_FALSE(has(r.out, ":0:0:")) << m.name << "\n" << joined(r.out);
    }
}

// --print N lists the sentences of N generations from the seed, numbered,
// with the checks' findings and summary after them.
TEST_F(CheckProgram, PrintListsGeneratedSentences) {
    const fs::path fr = example("french");
    result r = check({fr.string(), "--print", "3", "-q"});
    EXPECT_EQ(r.status, 0) << joined(r.out);
    ASSERT_EQ(r.out.size(), 6u) << joined(r.out);
    for (int g = 0; g < 3; g++) {
        const std::string& q = r.out[static_cast<size_t>(2 * g)];
        const std::string& a = r.out[static_cast<size_t>(2 * g + 1)];
        EXPECT_EQ(q.rfind(std::to_string(g + 1) + ". Question  : ", 0), 0u) << q;
        EXPECT_EQ(a.rfind("   Answer    : ", 0), 0u) << a;
        EXPECT_GT(a.size(), std::string("   Answer    : ").size()) << a;
    }
    // The seed decides the sentences.
    EXPECT_EQ(check({fr.string(), "--print", "3", "-q"}).out, r.out);
    result other = check({fr.string(), "--print", "3", "-q", "--seed", "5"});
    EXPECT_NE(other.out, r.out);
    // Findings and the summary follow.
    result full = check({fr.string(), "--print", "2"});
    ASSERT_FALSE(full.out.empty());
    EXPECT_NE(full.out.back().find("2 generations, 4 sentences"), std::string::npos) << full.out.back();
    // As JSON: one object a sentence.
    result json = check({fr.string(), "--print", "1", "--json", "-q"});
    ASSERT_GE(json.out.size(), 2u) << joined(json.out);
    EXPECT_EQ(json.out[0].rfind("{\"generation\":1,\"label\":\"Question\",\"sentence\":\"", 0), 0u)
        << json.out[0];
    EXPECT_EQ(json.out[1].rfind("{\"generation\":1,\"label\":\"Answer\",\"sentence\":\"", 0), 0u)
        << json.out[1];
}

TEST_F(CheckProgram, SamplingReportsCutSentences) {
    fs::path pack = broken("syntax", "N [ m ] /_pre_ thing %", "N [ m ] /_pre_ thing OBJ %");
    result r = check({pack.string(), "--generate", "20", "-q"});
    EXPECT_TRUE(has(r.out, "error: cf expansion terminated: OBJ (")) << joined(r.out);
    EXPECT_FALSE(has(r.out, "warning:")) << joined(r.out);
    result all = check({pack.string(), "--generate", "20"});
    EXPECT_TRUE(has(all.out, "sentences came out cut")) << joined(all.out);
}

TEST_F(CheckProgram, QuietPrintsOnlyErrors) {
    fs::path pack = broken("syntax", "ANSWER = ROOT %", "ANSWER = ROOT %\nEXTRA = NPP %");
    result r = check({pack.string(), "-q", "--generate", "0"});
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(r.out.size(), 1u) << joined(r.out);
    EXPECT_EQ(r.out[0], (pack / "syntax:35:9: error: NPP (in rule EXTRA) is neither a rule nor a "
                                "terminal (did you mean NP?)").string());
    result full = check({pack.string(), "--generate", "0"});
    EXPECT_TRUE(has(full.out, "warning: rule EXTRA is never used")) << joined(full.out);
}

TEST_F(CheckProgram, JsonLines) {
    fs::path pack = broken("lexicon", "\"matou\"|N|", "\"m\xCE\xB1tou\"|N|");
    result r = check({pack.string(), "--json", "--generate", "0"});
    EXPECT_EQ(r.status, 1);
    ASSERT_GE(r.out.size(), 2u);
    EXPECT_EQ(r.out[0], "{\"file\":\"" + (pack / "lexicon").string() +
                            "\",\"line\":8,\"column\":3,\"severity\":\"error\",\"message\":\"character "
                            "U+03B1 cannot be edited: it has no single-byte form\"}");
    for (const std::string& l : r.out) {
        EXPECT_EQ(l.front(), '{') << l;
        EXPECT_EQ(l.back(), '}') << l;
    }
    EXPECT_EQ(r.out.back().rfind("{\"summary\":{\"errors\":1,", 0), 0u) << r.out.back();
}

TEST_F(CheckProgram, ExplicitFiles) {
    fs::path fr = example("french");
    std::vector<std::string> args;
    for (const char* k : {"attributes", "terminals", "lexicon", "morphology", "tables", "syntax"}) {
        args.push_back(std::string("--") + k);
        args.push_back((fr / k).string());
    }
    args.push_back("-q");
    result r = check(args);
    EXPECT_EQ(r.status, 0) << joined(r.out);
    EXPECT_TRUE(r.out.empty()) << joined(r.out);
    // A file given by option replaces the pack's own.
    fs::path pack = broken("syntax", "ROOT = CHOOSE", "RACINE = CHOOSE");
    result mixed = check({(tmp / "pack").string(), "--syntax", (fr / "syntax").string(), "-q"});
    EXPECT_EQ(mixed.status, 0) << joined(mixed.out);
    // Without the morphology, one finding says so.
    args.erase(args.begin() + 6, args.begin() + 8);
    result nomorph = check(args);
    EXPECT_EQ(nomorph.status, 1);
    EXPECT_TRUE(has(nomorph.out, "morphology rules are called ($")) << joined(nomorph.out);
}

struct usagecase {
    std::vector<std::string> args;
    const char* words;
};

TEST_F(CheckProgram, UsageErrorsExitTwo) {
    fs::path fr = example("french");
    const usagecase cases[] = {
        {{}, "no pack directory and no file given"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"-x", fr.string()}, "unknown option -x"},
        {{(tmp / "nothing").string()}, "no directory"},
        {{fr.string(), fr.string()}, "one pack directory only"},
        {{fr.string(), "--generate", "many"}, "--generate needs a number"},
        {{fr.string(), "--generate"}, "--generate needs a number"},
        {{fr.string(), "--seed"}, "--seed needs a number"},
        {{"--lexicon"}, "--lexicon needs a file name"},
        {{fr.string(), "--print", "0"}, "--print needs a number from 1 to 1000000"},
        {{fr.string(), "--print"}, "--print needs a number"},
        {{fr.string(), "--print", "2", "--generate", "5"}, "--print and --generate cannot be given together"},
    };
    for (const usagecase& c : cases) {
        result r = check(c.args);
        EXPECT_EQ(r.status, 2) << c.words;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("usage: oxa-check"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    result help = check({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(has(help.out, "usage: oxa-check"));
}

TEST_F(CheckProgram, AMissingRequiredFileIsAnError) {
    fs::path pack = tmp / "pack";
    fs::copy(example("french"), pack);
    fs::remove(pack / "terminals");
    result r = check({pack.string(), "-q"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.out, "error: no terminals file (--terminals)")) << joined(r.out);
    EXPECT_TRUE(has(r.out, "error: a lexicon needs a terminals file")) << joined(r.out);
}

} // namespace check_test
