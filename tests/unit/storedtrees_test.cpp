// Stored trees: the stored set in each style, reading it back (full trees and
// leaf lists), the failure messages and limits of the reader, and the
// hand-over of lines and sentences to a driver program.
#include "bormo_fixture.hpp"

#include <cstdlib>
#include <string>
#include <vector>

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/indirection.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/sentences.hpp"
#include "bormo/storedtrees.hpp"
#include "bormo/syntax.hpp"
#include "bormo/transform.hpp"

namespace storedtrees_test {

using namespace bormo;

const char* const ATTRS = "number ( sing , pl ) gender ( masc , fem ) %\n";
const char* const TERMS = "DET N V ADV\n";
// Field 5 of each entry is the first morphology pass: the word itself.
const char* const LEXICON = "\"the\"|DET|sing|10|#1|\n"
                            "\"these\"|DET|pl|10|#1|\n"
                            "\"cat\"|N|sing, fem|10|#1|\n"
                            "\"cats\"|N|pl, fem|10|#1|\n"
                            "\"sleeps\"|V|sing|10|#1|\n"
                            "\"sleep\"|V|pl|10|#1|\n"
                            "\"soundly\"|ADV||10|#1|\n";
const char* const ROOTONLY = "ROOT = CHOOSE n : number ; NP [n] VP [n] %\n"
                             "NP = INHERIT m : number ; DET [m] N [m, fem] %\n"
                             "VP = INHERIT m : number ; V [m] ADV %\n";
const char* const TWOTREES = "ROOT = CHOOSE n : number ; NP [n] VP [n] %\n"
                             "NP = INHERIT m : number ; DET [m] N [m, fem] %\n"
                             "VP = INHERIT m : number ; V [m] %\n"
                             "QUESTION = ROOT ADV %\n"
                             "ANSWER = VP [pl] %\n";

std::vector<std::string> sent; // what the driver program received
void capture(const char* text, size_t len) {
    sent.emplace_back(text, len);
}

class StoredTreesTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        clean();
        sent.clear();
    }
    void TearDown() override {
        clean();
        BormoTest::TearDown();
    }
    static void clean() {
        resetexpansion();
        resetattributes();
        resetsentences();
        resetlexicon();
        resetsyntax();
        resetmorphology();
        resetindirection();
        resetguards();
        resetgencommands();
        resettransform();
        resetstoredtrees();
    }

    void generate(const std::string& syntax, long sd = 7) {
        readattr(file("attr", ATTRS).c_str());
        read_terminals(file("term", TERMS).c_str());
        initdict();
        readdict(file("lex", LEXICON).c_str());
        read_syntax(file("syn", syntax).c_str());
        reseed(sd);
        interpret();
    }

    // Stores into corefile 2 and returns its lines.
    static std::vector<std::string> stored(int style, int destination = DEST_CORE) {
        oxa::corenum = 2;
        store(style, destination);
        oxa::corenum = 1;
        return lines(2);
    }

    std::string to_file(const std::vector<std::string>& ls) {
        std::string text;
        for (const auto& l : ls)
            text += l + "\n";
        return file("stored", text);
    }

    // Everything a node carries that a stored set keeps, for the whole tree.
    static std::string describe(const t_treenode* n) {
        if (!n) return "<none>";
        std::string s = n->name;
        char* a = print_attr_list(n->attributes);
        s += std::string("[") + a + "]\"" + (n->morphed_word ? n->morphed_word : "") + "\"";
        std::free(a);
        if (n->dictionary) s += "#" + std::to_string(n->index);
        if (n->son) {
            s += "(";
            for (const t_treenode* c = n->son; c; c = c->sibling)
                s += (c == n->son ? "" : " ") + describe(c);
            s += ")";
        }
        return s;
    }

    static std::string leaves_of(const t_treenode* n) {
        if (!n->son) return describe(n);
        std::string s;
        for (const t_treenode* c = n->son; c; c = c->sibling)
            s += (s.empty() ? "" : " ") + leaves_of(c);
        return s;
    }

    static std::string sentence(int i) { return genSentences[i] ? genSentences[i] : "<none>"; }

    static std::vector<std::string> records() {
        std::vector<std::string> out;
        for (int i = 0; i < d_table_count; ++i)
            out.emplace_back(dict_table[i].dictionary ? dict_table[i].dictionary : "<none>");
        return out;
    }
};

TEST_F(StoredTreesTest, RootOnlyStoresTheUntransformedCopyThenRoot) {
    generate(ROOTONLY);
    ASSERT_NE(root, nullptr);
    std::vector<std::string> ls = stored(STORE_FULL);
    ASSERT_GE(ls.size(), 4u);
    EXPECT_EQ(ls.front(), "$u");
    EXPECT_EQ(ls.back(), "%");
    std::vector<std::string> headers;
    for (const auto& l : ls)
        if (l[0] == '$') headers.push_back(l);
    EXPECT_EQ(headers, (std::vector<std::string>{"$u", "$t 999999", "$t 0", "$L"}));
    // The root line, and an inner node (no word, no lookup).
    EXPECT_EQ(ls[2].rfind("N|G|ROOT|", 0), 0u);
    EXPECT_EQ(ls[3].rfind("S|G|NP|", 0), 0u);
    EXPECT_EQ(ls[3].substr(ls[3].size() - 5), "|\"\"||");
    // A leaf of ROOT: the path to DET, its attribute, no indirection, its word
    // and lookup (the untransformed copy shares the lookup but has no word).
    bool sing = genSentences[0] && std::string(genSentences[0]).find("the") == 0;
    auto tree0 = std::find(ls.begin(), ls.end(), "$t 0");
    ASSERT_LT(tree0 + 3, ls.end());
    EXPECT_EQ(ls[4], std::string("SS|G|DET|") + (sing ? "sing" : "pl") + "|0|\"\"|LEX_0|");
    EXPECT_EQ(*(tree0 + 3), std::string("SS|G|DET|") + (sing ? "sing" : "pl") + "|0|\"" +
                                (sing ? "the" : "these") + "\"|LEX_0|");
    // The lexicon: attributes written as value names.
    auto lex = std::find(ls.begin(), ls.end(), "$L");
    ASSERT_NE(lex, ls.end());
    EXPECT_EQ(*(lex + 1), std::string("{LEX_0} \"") + (sing ? "the" : "these") + "\"|DET|" +
                              (sing ? "sing" : "pl") + "|0010|#1||");
    EXPECT_EQ(*(lex + 2), std::string("{LEX_1} \"") + (sing ? "cat" : "cats") + "\"|N|" +
                              (sing ? "sing" : "pl") + ", fem|0010|#1||");
}

TEST_F(StoredTreesTest, NumberedTreesAreStoredWithoutRoot) {
    generate(TWOTREES);
    for (int style : {STORE_LEAVES, STORE_FULL}) {
        SCOPED_TRACE(style);
        oxa::resetstore();
        std::vector<std::string> headers;
        for (const auto& l : stored(style))
            if (l[0] == '$') headers.push_back(l);
        const char* h = style == STORE_LEAVES ? "$l " : "$t ";
        EXPECT_EQ(headers, (std::vector<std::string>{"$u", std::string(h) + "1",
                                                     std::string(h) + "2", "$L"}));
    }
}

TEST_F(StoredTreesTest, StylesWriteLeavesPathsOrIndentation) {
    root = makenode("ROOT");
    root->son = makenode("NP");
    root->son->son = makenode("N");
    root->son->sibling = makenode("ADV");
    std::free(root->son->son->morphed_word);
    root->son->son->morphed_word = strdup_("cat");
    for (int i = 0; i < 12; ++i)
        add_to_indir_list(&root->son->son->indirections, create_indir_node());
    const std::vector<std::string> leaves = {"$u", "$l 0", "N||12|\"cat\"||", "ADV||0|\"\"||",
                                             "$L", "%"};
    const std::vector<std::string> full = {"$u",
                                           "$t 0",
                                           "N|G|ROOT||0|\"\"||",
                                           "S|G|NP||0|\"\"||",
                                           "SS|G|N||12|\"cat\"||",
                                           "SR|G|ADV||0|\"\"||",
                                           "$L",
                                           "%"};
    const std::vector<std::string> indented = {
        "$u", "$t 0", "ROOT||0|\"\"||", "  NP||0|\"\"||", "    N||12|\"cat\"||", "  ADV||0|\"\"||",
        "$L", "%"};
    EXPECT_EQ(stored(STORE_LEAVES), leaves);
    oxa::resetstore();
    EXPECT_EQ(stored(STORE_FULL), full);
    oxa::resetstore();
    EXPECT_EQ(stored(STORE_INDENTED), indented);
}

TEST_F(StoredTreesTest, LookupsWithoutWordsAreNamedForWhatWentWrong) {
    root = makenode("ROOT");
    d_table_count = 3;
    dict_table[0].class_ = strdup_("N");
    dict_table[0].error = 3;
    dict_table[1].class_ = strdup_("Q");
    dict_table[1].error = 1;
    std::vector<std::string> ls = stored(STORE_FULL);
    auto lex = std::find(ls.begin(), ls.end(), "$L");
    ASSERT_EQ(ls.end() - lex, 5);
    EXPECT_EQ(*(lex + 1), "{LEX_0} *no lexical entry found for N");
    EXPECT_EQ(*(lex + 2), "{LEX_1} *terminal not found Q");
    EXPECT_EQ(*(lex + 3), "{LEX_2} *unused");
}

TEST_F(StoredTreesTest, OutputRecordDecodesTheAttributeField) {
    readattr(file("attr", ATTRS).c_str());
    struct Case {
        std::string record;
        std::string out;
    };
    const Case cases[] = {
        {"\"cat\"|N|\x19\x01\x01 |0010|#1||", "\"cat\"|N|sing|0010|#1||"},
        {"\"cat\"|N|\x19\x01\x02 \x19\x02\x02 |0010||", "\"cat\"|N|pl, fem|0010||"},
        {"\"cat\"|N|\x19\x01\x01.\x19\x02\xff |0010||", "\"cat\"|N|sing.gender|0010||"},
        {"\"a\"|ADV||0010|||", "\"a\"|ADV||0010|||"},
    };
    for (const Case& c : cases) {
        char* out = outputrecord(c.record.c_str());
        EXPECT_EQ(std::string(out), c.out);
        std::free(out);
    }
}

TEST_F(StoredTreesTest, FullTreesComeBackTheSame) {
    for (const char* syntax : {ROOTONLY, TWOTREES}) {
        SCOPED_TRACE(syntax);
        clean();
        oxa::resetstore();
        generate(syntax, 11);
        std::vector<std::string> before;
        for (int i = 0; i < NTREES; ++i)
            before.push_back(describe(i == 0 ? root : rootPtrs[i]) + " : " + sentence(i));
        std::string old = describe(oldroot);
        std::vector<std::string> recs = records();
        std::string path = to_file(stored(STORE_FULL));

        restorenode(path.c_str());
        std::vector<std::string> after;
        for (int i = 0; i < NTREES; ++i)
            after.push_back(describe(i == 0 ? root : rootPtrs[i]) + " : " + sentence(i));
        if (rootPtrs[1]) {
            // Trees 1..20 only: ROOT and its copy are not in the set.
            EXPECT_EQ(root, nullptr);
            before[0] = after[0];
            EXPECT_NE(sentence(1), "<none>");
        } else {
            EXPECT_EQ(describe(oldroot), "OLD" + old);
            EXPECT_NE(sentence(0), "<none>");
        }
        EXPECT_EQ(after, before);
        EXPECT_EQ(records(), recs);
        for (int i = 0; i < d_table_count; ++i)
            EXPECT_EQ(dict_table[i].pointed_at, 1);
        EXPECT_EQ(count_messages("ERROR"), 0);
    }
}

TEST_F(StoredTreesTest, LeafListsComeBackFlatWithTheSameSentences) {
    generate(TWOTREES, 5);
    std::string q = sentence(1), a = sentence(2);
    std::string qleaves = leaves_of(rootPtrs[1]);
    std::string path = to_file(stored(STORE_LEAVES));
    restorenode(path.c_str());
    EXPECT_EQ(sentence(1), q);
    EXPECT_EQ(sentence(2), a);
    ASSERT_NE(rootPtrs[1], nullptr);
    EXPECT_EQ(describe(rootPtrs[1]), "QUESTION[]\"\"(" + qleaves + ")");
}

TEST_F(StoredTreesTest, MixedSectionsAndTheEndMark) {
    readattr(file("attr", ATTRS).c_str());
    read_terminals(file("term", TERMS).c_str());
    std::string path = file("set", "$u\n"
                                   "$l 0\n"
                                   "DET|sing|0|\"the\"|LEX_0|\n"
                                   "$t 1\n"
                                   "N|G|ROOT||0|\"\"||\n"
                                   "S|G|ADV|pl.fem|0|\"fast\"|LEX_1|\n"
                                   "$L\n"
                                   "{LEX_0} \"the\"|DET|sing|0010|#1||\n"
                                   "{LEX_1} \"fast\"|ADV|pl.fem|0010|||\n"
                                   "%\n"
                                   "$t 2\n"
                                   "N|G|ANSWER||0|\"\"||\n");
    restorenode(path.c_str());
    EXPECT_EQ(describe(root), "ROOT[]\"\"(DET[sing]\"the\"#0)");
    EXPECT_EQ(describe(rootPtrs[1]), "QUESTION[]\"\"(ADV[pl.fem]\"fast\"#1)");
    EXPECT_EQ(rootPtrs[2], nullptr);
    EXPECT_EQ(sentence(0), "the");
    EXPECT_EQ(sentence(1), "fast");
    ASSERT_EQ(d_table_count, 2);
    char* rec = outputrecord(dict_table[1].dictionary);
    EXPECT_EQ(std::string(rec), "\"fast\"|ADV|pl.fem|0010|||");
    std::free(rec);
    char* attrs = print_attr_list(dict_table[1].attributes);
    EXPECT_EQ(std::string(attrs), "pl.fem");
    std::free(attrs);
}

struct FailureCase {
    const char* what;
    std::string name;    // file name given ("" none); "@" + text: a file with that text
    std::string message; // a part of the message line
    bool state_kept;     // the previous generation is still there
};

TEST_F(StoredTreesTest, FailuresAreReportedInTheMessageCorefile) {
    std::string deep = "$t 0\nN|G|ROOT||0|\"\"||\n" + std::string(40, 'S') + "|G|X||0|\"\"||\n%\n";
    std::string many = "$l 0\n";
    for (int i = 0; i < RECOVERLINES + 1; ++i)
        many += "X||0|\"x\"||\n";
    const FailureCase cases[] = {
        {"no name", "", "Unable to recover tree. Cause: filename not specified.", true},
        {"missing file", "/nonexistent/stored",
         "Unable to recover tree. Cause: filename [/nonexistent/stored] does not exist or "
         "insufficient access",
         true},
        {"no identifier", "@$u\n$t 0\nN|G|ROOT||0|\"\"||\n$ (\n%\n",
         "Unable to recover tree. Cause: Invalid identifier encountered.", false},
        {"no row for the tree", "@$t 77\nN|G|ROOT||0|\"\"||\n%\n",
         "Unable to recover tree. Cause: Invalid tree number:", false},
        {"path too long", "@" + deep, "Unable to recover tree. Cause: Node path too long.", false},
        {"too many lines", "@" + many, "Unable to recover tree. Cause: Too many node lines", false},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        clean();
        oxa::resetstore();
        generate(ROOTONLY);
        std::string before = describe(root) + sentence(0);
        std::string name = c.name;
        if (!name.empty() && name[0] == '@') name = file("bad", name.substr(1));
        restorenode(name.c_str());
        EXPECT_EQ(count_messages(c.message), 1);
        if (c.state_kept) {
            EXPECT_EQ(describe(root) + sentence(0), before);
        } else {
            EXPECT_EQ(genSentences[0], nullptr);
            EXPECT_EQ(d_table_count, 0);
        }
    }
}

TEST_F(StoredTreesTest, DriverProgramReceivesLinesAndSentences) {
    generate(TWOTREES);
    // No driver program: the lines go to the current corefile.
    std::vector<std::string> core = stored(STORE_FULL, DEST_DRIVER);
    EXPECT_EQ(core.back(), "%");
    talk(1);
    EXPECT_TRUE(sent.empty());

    driversend = capture;
    oxa::resetstore();
    EXPECT_TRUE(stored(STORE_FULL, DEST_DRIVER).empty());
    ASSERT_EQ(sent.size(), core.size() + 1);
    for (size_t i = 0; i < core.size(); ++i)
        EXPECT_EQ(sent[i], core[i] + "\n");
    EXPECT_EQ(sent.back(), "=\n");

    sent.clear();
    talk(1);
    talk(0); // no sentence for ROOT when trees 1..20 exist
    talk(21);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "START" + sentence(1) + "END\n");

    sent.clear();
    store(STORE_LEAVES, DEST_DRIVER);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "%\n");
}

TEST_F(StoredTreesTest, NothingIsStoredBeforeAGeneration) {
    EXPECT_EQ(there_has_been_no_generation(), 1);
    EXPECT_TRUE(stored(STORE_FULL).empty());
    generate(ROOTONLY);
    EXPECT_EQ(there_has_been_no_generation(), 0);
}

} // namespace storedtrees_test
