// The pack's revision: every load, unload and change of a pack moves it, and
// nothing else does; checkpack() finds what is kept beside the pack's texts
// and no longer agrees with them.
#include "bormo_fixture.hpp"

#include <cstring>
#include <functional>

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/lextrans.hpp"
#include "bormo/morphology.hpp"
#include "bormo/packindex.hpp"
#include "bormo/syntax.hpp"

namespace packindex_test {

using namespace bormo;

class PackIndexTest : public BormoTest {
  public:
    using BormoTest::file;

  protected:
    void SetUp() override {
        BormoTest::SetUp();
        resetlexicon();
        resetsyntax();
        resetmorphology();
        resetgencommands();
        readattr(file("attr", "number ( sg , pl ) %").c_str());
        read_terminals(file("term", "N V").c_str());
        initdict();
        readdict(file("lex", "\"chat\"|N|sg|10|\n\"chien\"|N|sg|30|\n\"voir\"|V||5|\n").c_str());
        read_syntax(file("syn", "S = N V %").c_str());
        new_readmorph(file("morph", "RULE r sg : \"s\" ; * : \"p\" ;").c_str());
        new_readtables(file("tables", "t ( \"a\" , \"b\" )").c_str());
        lookup = dict_lookup{};
        lookup.class_ = noun;
        lookup.vf = -1;
    }
    void TearDown() override {
        resetexpansion();
        resetlexicon();
        resetsyntax();
        resetmorphology();
        BormoTest::TearDown();
    }

  public:
    // The entry of the lexicon whose word is `word`.
    static char* entry(const char* word) {
        for (int t = 0; t < dictterm; ++t)
            for (recnode* n = dictionary[t]; n; n = n->previous)
                if (std::strncmp(n->recordptr + 1, word, std::strlen(word)) == 0) return n->recordptr;
        return nullptr;
    }

    char noun[2] = "N";
    dict_lookup lookup{};
};

struct Change {
    const char* what;
    std::function<void(PackIndexTest&)> run;
};

TEST_F(PackIndexTest, EveryChangeOfThePackMovesTheRevision) {
    const Change changes[] = {
        {"attributes read", [](PackIndexTest& t) { readattr(t.file("a2", "number ( sg , pl ) %").c_str()); }},
        {"attributes removed", [](PackIndexTest&) { clearattributes(); }},
        {"terminals read", [](PackIndexTest& t) { read_terminals(t.file("t2", "ADJ").c_str()); }},
        {"entries added", [](PackIndexTest& t) { readdict(t.file("l2", "\"rat\"|N|sg|10|\n").c_str()); }},
        {"a frequency set", [](PackIndexTest&) { apply_vf_single(entry("chat"), 99); }},
        {"a draw that sets a frequency",
         [](PackIndexTest& t) {
             t.lookup.vf = 0;
             getdictent(&t.lookup);
             t.lookup.vf = -1;
         }},
        {"syntax read", [](PackIndexTest& t) { read_syntax(t.file("s2", "T = V %").c_str()); }},
        {"syntax removed", [](PackIndexTest&) { dump_syntax(); }},
        {"morphology read", [](PackIndexTest& t) { new_readmorph(t.file("m2", "RULE q * : \"x\" ;").c_str()); }},
        {"morphology removed", [](PackIndexTest&) { clear_mrules(); }},
        {"tables read", [](PackIndexTest& t) { new_readtables(t.file("b2", "u ( \"c\" )").c_str()); }},
        {"tables removed", [](PackIndexTest&) { clear_tables(); }},
        {"lexical transformations read",
         [](PackIndexTest& t) { readlextrans(t.file("x", "").c_str()); }},
        {"lexical transformations removed", [](PackIndexTest&) { purge_lt_rules(); }},
        {"restored entries removed",
         [](PackIndexTest&) {
             char* text = new char[16];
             std::strcpy(text, "\"rat\"|N||0001|");
             restoredlexarray[static_cast<size_t>(lastrestored++)] = new recnode{nullptr, text};
             clearrecoveredlexicon();
         }},
        {"lexicon removed", [](PackIndexTest&) { clearlexicon(); }},
        {"terminals removed", [](PackIndexTest&) { clear_terminals(); }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        const uint64_t before = packrevision;
        c.run(*this);
        EXPECT_GT(packrevision, before);
        EXPECT_EQ(checkpack(), "");
    }
}

TEST_F(PackIndexTest, LookingUpAndGeneratingChangeNothing) {
    read_syntax(file("root", "ROOT = N V %").c_str());
    const uint64_t before = packrevision;
    getdictent(&lookup); // a draw without a frequency variation
    getdictent(&lookup);
    for (int i = 0; i < 3; ++i)
        interpret();
    EXPECT_NE(genSentences[0], nullptr);
    EXPECT_NE(getrule("S"), nullptr);
    EXPECT_NE(find_mrule("r"), nullptr);
    EXPECT_NE(find_table("t"), nullptr);
    EXPECT_EQ(packrevision, before);
    EXPECT_EQ(checkpack(), "");
}

TEST_F(PackIndexTest, EveryLoadIsCheckedBeforeAndAfter) {
    static int calls;
    calls = 0;
    packloadhook = [] { ++calls; };
    readdict(file("l3", "\"rat\"|N|sg|10|\n").c_str());
    EXPECT_EQ(calls, 2);
    read_syntax(file("s3", "T = V %").c_str());
    EXPECT_EQ(calls, 4);
}

// Texts changed behind the revision's back: the check names what the kept
// readings still claim.
TEST_F(PackIndexTest, CheckFindsKeptReadingsTheTextsNoLongerGive) {
    getdictent(&lookup); // keeps the set of N
    ASSERT_EQ(checkpack(), "");
    std::memcpy(getfieldptr(entry("chien"), 4), "0031", 4);
    EXPECT_NE(checkpack().find("is not the frequencies' sum"), std::string::npos) << checkpack();
    pack_changed(); // the set is of an older revision now
    EXPECT_EQ(checkpack(), "");

    ASSERT_NE(getrule("S"), nullptr); // keeps S
    syntax_stack = new syn_rule{"S", "\x07 V", syntax_stack};
    EXPECT_EQ(checkpack(), "rule S is kept as another than the stack's\n");
    pack_changed();
    EXPECT_EQ(checkpack(), "");
    EXPECT_STREQ(getrule("S"), "\x07 V");
}

} // namespace packindex_test
