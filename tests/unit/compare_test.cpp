// Error analysis: spelling distance, word classes, scoring with the six costs,
// the report of each match class, the choice of the best tree and the root set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "bormo/compare.hpp"
#include "bormo/expansion.hpp"
#include "bormo/variants.hpp"
#include "bormo_fixture.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "wire_capture.hpp"

namespace compare_test {

using namespace bormo;

class CompareTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        oxa::resetfrontend();
        oxatest::WireCapture::install();
        oxa::resetinput();
        resetexpansion();
        resetcompare();
        resetvariants();
    }
    void TearDown() override {
        resetexpansion();
        resetvariants();
        resetcompare();
        oxa::resetfrontend();
        BormoTest::TearDown();
    }

    // A tree with one leaf per word, threaded, kept as tree n with its sentence.
    static t_treenode* tree(int n, const std::vector<const char*>& words) {
        t_treenode* t = makenode(tree_roots[n].rulename);
        t_treenode** next = &t->son;
        std::string sentence;
        for (const char* w : words) {
            t_treenode* leaf = makenode("N");
            leaf->morphed_word = strdup_(w);
            *next = leaf;
            next = &leaf->sibling;
            for (const char* p = w; *p; ++p)
                if (*p != '^') sentence += *p;
            sentence += ' ';
        }
        if (!sentence.empty()) sentence.pop_back();
        thread(t);
        if (n > 0) {
            rootPtrs[n] = t;
            genSentences[n] = strdup_(sentence.c_str());
        }
        return t;
    }

    static void costs(int missing, int order, int lex, int morph, int phon, int spell) {
        vnomatchscore = missing;
        vorderscore = order;
        vsynscore = lex;
        vmorphscore = morph;
        vphonoscore = phon;
        vapproxscore = spell;
    }

    static std::vector<std::string> report_lines(const std::string& text) {
        std::vector<std::string> out;
        std::stringstream ss(text);
        for (std::string l; std::getline(ss, l);)
            out.push_back(l);
        return out;
    }

    static int score_of(t_treenode* t, const char* response, std::string* report = nullptr) {
        err_lex* w = err_make_words(response);
        scorelist_t* r = err_lexlist_diff(w, t);
        int s = r->score;
        if (report) *report = r->output_text;
        delete r;
        err_free_words(w);
        return s;
    }
};

// ------------------------------------------------------------ spelling distance

TEST_F(CompareTest, StrdiffThresholds) {
    struct Case {
        const char* x;
        const char* y;
        int want;
    } cases[] = {
        {"house", "hose", 1},    // 1 < 5/2 and 1 < 4/2
        {"cat", "cut", 1},       // three letters allow one difference
        {"cat", "cow", NOMATCH}, // two differences
        {"a", "a", 0},           // single letters are exact...
        {"a", "o", NOMATCH},     // ...or unrelated
        {"a", "ab", NOMATCH},
        {"to", "ti", NOMATCH},         // 1 is not below 2/2
        {"elephant", "elefant", 2},    // 2 < 8/2 and 2 < 7/2
        {"abcdef", "abcxyz", NOMATCH}, // 3 is not below 6/2
        {"dog", "dogs", 1},            // |x| = 3
        {"dogs", "dog", NOMATCH},      // 1 is not below 3/2
        {"walked", "walkde", 2},       // a transposition costs two
        {"", "word", NOMATCH},
        {"word", "", NOMATCH},
        {nullptr, "word", NOMATCH},
        {"word", nullptr, NOMATCH},
    };
    for (const Case& c : cases)
        EXPECT_EQ(strdiff(c.x, c.y), c.want)
            << (c.x ? c.x : "(null)") << " / " << (c.y ? c.y : "(null)");
}

// ------------------------------------------------------------ word classes

TEST_F(CompareTest, WordClassesWithoutDataFiles) {
    struct Case {
        const char* expected;
        const char* response;
        int want;
    } cases[] = {
        {"house", "house", CLASS_EXACT},
        {"l^a", "la", CLASS_EXACT}, // "^" is not part of the expected word
        {"house", "hose", CLASS_APPROX},
        {"cat", "cow", CLASS_UNRELATED},
        {"a", "o", CLASS_UNRELATED},
        {"", "word", CLASS_UNRELATED}, // an empty leaf still takes a position
    };
    for (const Case& c : cases) {
        t_treenode* leaf = makenode("N");
        leaf->morphed_word = strdup_(c.expected);
        lexdiff cell;
        cell.breakup[0] = "stale";
        err_word_diff(c.response, leaf, &cell);
        EXPECT_EQ(cell.matchclass, c.want) << c.expected << " / " << c.response;
        EXPECT_EQ(cell.error[0], "none");
        EXPECT_EQ(cell.breakup[0], "");
        purge_node(leaf);
    }
}

TEST_F(CompareTest, WordsSplitAtBlanks) {
    err_lex* w = err_make_words("  the  cat\tsat ");
    std::vector<std::string> got;
    for (err_lex* p = w; p; p = p->next)
        got.emplace_back(p->original_text);
    err_free_words(w);
    EXPECT_EQ(got, (std::vector<std::string>{"the", "cat", "sat"}));
    EXPECT_EQ(err_make_words("   "), nullptr);
}

// ------------------------------------------------------------ scoring

TEST_F(CompareTest, ScoreSumsDiagonalCostsAndMissingOrExtra) {
    costs(1, 10, 100, 1000, 10000, 100000);
    t_treenode* t = tree(2, {"the", "cat", "sleeps"});
    struct Case {
        const char* response;
        int want;
    } cases[] = {
        {"the cat sleeps", 0},
        {"the cut sleeps", 100000},              // one misspelling
        {"the dog sleeps", 10},                  // one unrelated word
        {"the cut dog sleeps", 100000 + 10 + 1}, // "sleeps" meets "dog"; one extra word
        {"the cat", 1},                          // one missing word
        {"sleeps the cat", 30},                  // every position unrelated
    };
    for (const Case& c : cases)
        EXPECT_EQ(score_of(t, c.response), c.want) << c.response;
}

// ------------------------------------------------------------ the report

TEST_F(CompareTest, ReportOfTreesAndResponses) {
    struct Case {
        std::vector<const char*> expected;
        const char* response;
        std::vector<std::string> want;
    } cases[] = {
        {{"the", "cat", "sleeps"}, "the cat sleeps", {"CORRECT", "***"}},
        {{"the", "house"},
         "the hose",
         {"C1 S1   EXACT   the/the", "C2 S2   APPROX   house/hose", "***"}},
        {{"the", "cat"},
         "the cat sleeps",
         {"-- S3  EXTRA    sleeps", "C1 S1   EXACT   the/the", "C2 S2   EXACT   cat/cat", "***"}},
        {{"the", "big", "cat"},
         "the cat",
         // "big" is nearest to the response's "cat" only by the failed spelling
         {"C2 --  MISSING  big", "C1 S1   EXACT   the/the", "C3 S2   EXACT   cat/cat", "***"}},
        {{"the", "cat"}, "cat the", {"C1 S2   EXACT   the/the", "C2 S1   EXACT   cat/cat", "***"}},
        {{"la", "m^aison"}, "la maison", {"CORRECT", "***"}},
    };
    int n = 2;
    for (const Case& c : cases) {
        t_treenode* t = tree(n, c.expected);
        std::string report;
        score_of(t, c.response, &report);
        EXPECT_EQ(report_lines(report), c.want) << c.response;
        ++n;
    }
}

// The classes found by the deeper comparisons, from hand-made cells.
TEST_F(CompareTest, ReportLinesOfDeeperClasses) {
    auto* tag = new tag_table{strdup_("syn"), 5, 7, nullptr};
    taglist = tag;
    lexdiff morph{};
    morph.matchclass = CLASS_MORPH;
    morph.error[0] = "none";
    morph.breakup[0] = "sg/pl";
    morph.breakup[1] = "sg 3/pl 1";
    lexdiff phono{};
    phono.matchclass = CLASS_PHONO;
    phono.error[0] = "none";
    phono.breakup[0] = "ph/f";
    phono.breakup[1] = "o/oa";
    lexdiff phonoerr = phono;
    phonoerr.error[0] =
        "ERROR: correct word does not match ipa string, though student response does";
    lexdiff lex{};
    lex.matchclass = 5;
    lex.error[0] = "none";
    lexdiff unrelated{};
    unrelated.matchclass = CLASS_UNRELATED;

    std::vector<std::string> expected = {"cats", "phone", "phone", "big"};
    std::vector<std::string> words = {"cat", "fone", "fone", "large"};
    std::vector<std::vector<lexdiff>> cells(4, std::vector<lexdiff>(4, unrelated));
    cells[0][0] = morph;
    cells[1][1] = phono;
    cells[2][2] = phonoerr;
    cells[3][3] = lex;
    EXPECT_EQ(report_lines(err_get_report(expected, words, cells)),
              (std::vector<std::string>{
                  "C1 S1   MORPH    cats/cat sg/pl  OR  sg 3/pl 1  ",
                  "C2 S2   PHONO phone/fone   ph/f o/oa ",
                  "C3 S3   PHONO phone/fone   ",
                  "ERROR: correct word does not match ipa string, though student response does",
                  "C4 S4   LEX big/large  7:syn",
                  "***",
              }));
}

// ------------------------------------------------------------ the analysis

TEST_F(CompareTest, AnalysisReportsTheBestTree) {
    costs(1, 5, 0, 0, 0, 2);
    tree(2, {"the", "dog", "runs"});
    tree(3, {"the", "cat", "runs"});
    tree(4, {"the", "cat", "runs"}); // same score as tree 3: tree 3 wins
    err_analysis("the cut runs");
    EXPECT_EQ(lines(REPORTCORE), (std::vector<std::string>{
                                     "BEST ROOT : R3",
                                     "SCORE     : 2",
                                     "EXPECTED : the cat runs",
                                     "RESPONSE : the cut runs",
                                     "C1 S1   EXACT   the/the",
                                     "C2 S2   APPROX   cat/cut",
                                     "C3 S3   EXACT   runs/runs",
                                     "***",
                                 }));
    std::vector<std::string> m = messages();
    auto at = [&](const std::string& s) {
        for (size_t i = 0; i < m.size(); ++i)
            if (m[i] == s) return static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(at("Beginning error analysis"), 0);
    int r2 = at("CURRENT ROOT : R2");
    ASSERT_GE(r2, 2);
    EXPECT_EQ(m[r2 - 1], "  *****");
    EXPECT_EQ(m[r2 + 1], "SCORE        : 5");
    EXPECT_EQ(m[r2 + 2], "EXPECTED : the dog runs");
    EXPECT_EQ(m[r2 + 3], "RESPONSE : the cut runs");
    EXPECT_EQ(m[r2 + 4], "  *****");
    EXPECT_LT(at("Comparing response to root 2"), r2);
    EXPECT_LT(at("Comparing response to root 3"), at("CURRENT ROOT : R3"));
    EXPECT_GT(at("CURRENT ROOT : R4"), at("CURRENT ROOT : R3"));
    EXPECT_EQ(m.back(), "Cleaning up data structures");
}

TEST_F(CompareTest, AnalysisSkipsTreesOutsideTheRootSet) {
    tree(1, {"hello"});
    tree(2, {"good", "bye"});
    err_analysis("hello");
    EXPECT_EQ(lines(REPORTCORE)[0], "BEST ROOT : R2"); // tree 1 is not in the default set
    EXPECT_EQ(count_messages("Comparing response to root"), 1);

    oxa::resetstore();
    err_analysis_single("hello", 1);
    EXPECT_EQ(lines(REPORTCORE)[0], "BEST ROOT : R1");
    EXPECT_EQ(lines(REPORTCORE)[4], "CORRECT");
    EXPECT_EQ(rootset[1], 0); // the set is restored
    EXPECT_EQ(rootset[2], 1);
}

TEST_F(CompareTest, AnalysisWithoutTreesOrResponse) {
    err_analysis("a response");
    EXPECT_EQ(messages(),
              (std::vector<std::string>{"No roots found in ROOTSET to perform error testing"}));
    EXPECT_TRUE(lines(REPORTCORE).empty());

    tree(5, {"word"});
    err_set_rootset("5");
    oxa::pushfn("\r");
    err_analysis("   ");
    EXPECT_EQ(count_messages("Error analysis called but no student response found"), 1);
    EXPECT_NE(oxatest::WireCapture::wire.find("No student response"), std::string::npos);
    EXPECT_TRUE(lines(REPORTCORE).empty());
}

// ------------------------------------------------------------ root set and costs

TEST_F(CompareTest, RootSetFromText) {
    struct Case {
        const char* text;
        std::string message;
        std::vector<int> selected;
    } cases[] = {
        {"trees 1, 3 and 25", "ROOTSET changed to set: 1 3 ", {1, 3}},
        {"20 0 7x7", "ROOTSET changed to set: 0 7 20 ", {0, 7, 20}},
        {"99999999999999999999 2", "ROOTSET changed to set: 2 ", {2}},
        {"none", "ROOTSET changed to set: ", {}},
        {"",
         "ROOTSET restored to default set: 2 3 4 ... 21",
         {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
    };
    for (const Case& c : cases) {
        oxa::resetstore();
        err_set_rootset(c.text);
        EXPECT_EQ(messages(), std::vector<std::string>{c.message}) << c.text;
        std::vector<int> got;
        for (int i = 0; i < NROOTSET; ++i)
            if (rootset[i]) got.push_back(i);
        EXPECT_EQ(got, c.selected) << c.text;
    }
}

TEST_F(CompareTest, ErrorScoresLine) {
    perrorscore();
    costs(1, 2, 3, 4, 5, 6);
    perrorscore();
    EXPECT_EQ(messages(),
              (std::vector<std::string>{
                  "Error scores: missing/extra 0; order 0; lex 0; morph 0; phon 0; spell 0",
                  "Error scores: missing/extra 1; order 2; lex 3; morph 4; phon 5; spell 6",
              }));
}

} // namespace compare_test
