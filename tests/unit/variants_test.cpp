// The data files of the deeper comparisons and the phonological matcher.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bormo/expansion.hpp"
#include "bormo/attributes.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/expansion.hpp"
#include "bormo/variants.hpp"
#include "bormo/wordpairs.hpp"
#include "bormo_fixture.hpp"

namespace variants_test {

using namespace bormo;

class VariantsTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        resetvariants();
    }
    void TearDown() override {
        resetvariants();
        BormoTest::TearDown();
    }
};

TEST_F(VariantsTest, TagsAreNumberedFromFiveInFileOrder) {
    tag_readtables(
        file("tags", "{ related words }\nopp ( 7 )\nsyn(8)\nbad ( )\nder ( 9 )\n").c_str());
    std::vector<std::string> got;
    for (const tag_table* t = taglist; t; t = t->next)
        got.push_back(std::string(t->tag) + " " + std::to_string(t->tag_int) + " " +
                      std::to_string(t->field));
    EXPECT_EQ(got, (std::vector<std::string>{"opp 5 7", "syn 6 8", "der 7 9"}));
    EXPECT_EQ(count_messages("ERROR tag info input bad Field number missing for tag"), 1);
    ASSERT_NE(find_tag(6), nullptr);
    EXPECT_STREQ(find_tag(6)->tag, "syn");
    EXPECT_EQ(find_tag(8), nullptr);
    clear_tag_tables();
    EXPECT_EQ(taglist, nullptr);
}

TEST_F(VariantsTest, PhonologyTablesKeepSpellingsInOrder) {
    phon_readtables(
        file("phon", "\"k\" ( \"c\" , \"k\" , \"ck\" )\n% \"f\" ( \"f\", \"ph\" )\n").c_str());
    std::vector<std::string> got;
    for (const phontable* t = phontablelist; t; t = t->next)
        got.push_back(std::string(t->tablename) + ":" + t->elements + ":" +
                      std::to_string(t->count));
    EXPECT_EQ(got, (std::vector<std::string>{"k:c|k|ck|:3", "f:f|ph|:2"}));
    EXPECT_EQ(count_messages("ERROR"), 0);
    clear_phon_tables();
    EXPECT_EQ(phontablelist, nullptr);
}

TEST_F(VariantsTest, SpellingsMatchTheSymbolsInOrder) {
    // IPA "fon": f -> f|ph, o -> o|oa|oe, n -> n|nn
    const std::vector<std::vector<std::string>> alts = {
        {"f", "ph"}, {"o", "oa", "oe"}, {"n", "nn"}};
    struct Case {
        const char* word;
        int match;
        std::vector<std::string> chosen;
    } cases[] = {
        {"fon", 1, {"f", "o", "n"}},
        {"phoen", 1, {"ph", "oe", "n"}},
        {"foann", 1, {"f", "oa", "nn"}}, // "o" is tried first and must be undone
        {"fo", 0, {}},
        {"fonx", 0, {}},
        {"", 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> chosen(alts.size());
        EXPECT_EQ(match_ipastr(c.word, alts, 0, chosen), c.match) << c.word;
        if (c.match) {
            EXPECT_EQ(chosen, c.chosen) << c.word;
        }
    }
}

TEST_F(VariantsTest, PhonologySkippedWithoutTablesOrEntry) {
    t_treenode* leaf = makenode("N");
    leaf->morphed_word = strdup_("phone");
    lexdiff cell{};
    cell.matchclass = CLASS_UNRELATED;
    cell.error[0] = "none";
    err_match_phono("fone", leaf, &cell); // no tables
    EXPECT_EQ(cell.matchclass, CLASS_UNRELATED);
    phon_readtables(file("phon", "\"f\" ( \"f\", \"ph\" )\n").c_str());
    err_match_phono("fone", leaf, &cell); // no lexical entry, so no IPA form
    EXPECT_EQ(cell.matchclass, CLASS_UNRELATED);
    EXPECT_EQ(cell.breakup[0], "");
    purge_node(leaf);
}

TEST_F(VariantsTest, FileKindRowsEmptyTheTables) {
    tag_readtables(file("tags", "syn ( 7 )\n").c_str());
    phon_readtables(file("phon", "\"k\" ( \"c\" )\n").c_str());
    for (const vfile_entry& row : vfile_table) {
        if (std::string(row.cmdletts) == "IP" || std::string(row.cmdletts) == "TG") {
            ASSERT_NE(row.uninstaller, nullptr) << row.cmdletts;
            row.uninstaller();
        }
    }
    EXPECT_EQ(taglist, nullptr);
    EXPECT_EQ(phontablelist, nullptr);
}

class MerrorTest : public VariantsTest {
  protected:
    void SetUp() override {
        VariantsTest::SetUp();
        clear_terminals();
        readattr(
            file("attr", "number ( sg , pl )\nperson ( p1 , p2 , p3 )\ntense ( pres , past )\n%\n")
                .c_str());
        read_terminals(file("terms", "N V DET\n").c_str());
        oxa::resetstore();
    }
    void TearDown() override {
        clear_terminals();
        VariantsTest::TearDown();
    }
    static int type_of(const char* name) {
        lookup_attr(name);
        return att_class;
    }
    static int value_of(const char* name) {
        lookup_attr(name);
        return att_value;
    }
};

TEST_F(MerrorTest, RowsAreSortedWithoutRepeats) {
    merror_readtables(
        file("merr", "V ( person number p2 pl person )\nX ( number )\nN ( pl gender sg )\n")
            .c_str());
    const int number = type_of("number"), person = type_of("person");
    ASSERT_LT(number, person);
    // V: number (all values) and person (all values); p2 and pl are covered.
    EXPECT_EQ(mrdata[1][0].type, number);
    EXPECT_EQ(mrdata[1][0].value, -1);
    EXPECT_EQ(mrdata[1][1].type, person);
    EXPECT_EQ(mrdata[1][1].value, -1);
    EXPECT_EQ(mrdata[1][2].type, 0);
    // N: sg and pl in value order.
    EXPECT_EQ(mrdata[0][0].value, value_of("sg"));
    EXPECT_EQ(mrdata[0][1].value, value_of("pl"));
    EXPECT_EQ(mrdata[0][2].type, 0);
    EXPECT_EQ(count_messages("ERROR morph error input X Terminal not in terminal list X"), 1);
    EXPECT_EQ(count_messages("ERROR morph error input N Attribute not in attribute list gender"),
              1);
}

TEST_F(MerrorTest, VariantsInOdometerOrder) {
    // number with all its values, and one value of person.
    merror_readtables(file("merr", "V ( number p3 )\n").c_str());
    mrmodify();
    ASSERT_EQ(mrmod[1].ntypes, 2);
    EXPECT_EQ(mrmod[1].nvalues[0], 2);
    EXPECT_EQ(mrmod[1].nvalues[1], 1);

    // A leaf in the singular, first person.
    t_treenode* leaf = makenode("V");
    text_to_comp_struct("sg", 0);
    add_attr_to_list(&leaf->attributes, comp_attr_register);
    text_to_comp_struct("p1", 0);
    add_attr_to_list(&leaf->attributes, comp_attr_register);
    make_variants(leaf);
    std::vector<std::string> got; // most recent first
    for (const morphvar* v = leaf->mvar; v; v = v->next) {
        std::string s;
        for (int k = 1; k <= v->attrcomb[0]; ++k)
            s += std::string(k > 1 ? "+" : "") +
                 att_get_name(delayed[v->attrcomb[k]].class_, delayed[v->attrcomb[k]].choice);
        got.push_back(s);
    }
    // Produced: p3; sg; sg+p3; pl; pl+p3 (never the unchanged combination).
    EXPECT_EQ(got, (std::vector<std::string>{"pl+p3", "pl", "sg+p3", "sg", "p3"}));

    // Words as morphology would give them: two variants spell "walk", one
    // differing in number only and one in number and person.
    const char* words[] = {"walk", "walk", "walkz", "walks", "walked"};
    int k = 0;
    for (morphvar* v = leaf->mvar; v; v = v->next) {
        free(v->variant);
        v->variant = strdup_(words[k++]);
    }
    struct Case {
        const char* word;
        int match;
        std::vector<std::string> out;
    } cases[] = {
        {"walk", 1, {"sg/pl"}},  // pl+p3 holds pl: only the smaller difference
        {"walkz", 1, {"p1/p3"}}, // sg is the leaf's own value
        {"walked", 1, {"p1/p3"}},
        {"ran", 0, {}},
    };
    for (const Case& c : cases) {
        std::array<std::string, NBREAKUP> out;
        EXPECT_EQ(compare_var(c.word, leaf, out), c.match) << c.word;
        std::vector<std::string> got_out;
        for (const std::string& o : out)
            if (!o.empty()) got_out.push_back(o);
        EXPECT_EQ(got_out, c.out) << c.word;
    }
    purge_node(leaf);
}

class TagMatchTest : public MerrorTest {
  protected:
    t_treenode* leaf = nullptr;
    void SetUp() override {
        MerrorTest::SetUp();
        resetexpansion();
        initdict();
        readdict(
            file("lex",
                 "\"cat\"|N|number|10|#1||syn:\"kitten\";opp:\"dog\",\"wolf\"; ant : \"dog\"/N|\n"
                 "\"kitten\"|N|number|10|#1||\n"
                 "\"dog\"|N|number|10|#1|||\n"
                 "\"big\"|DET|number|10|||der:\"bigness\"/X|\n"
                 "\"hare\"|N|number|10|#1||syn:\"rabbit|\n")
                .c_str());
        oxa::resetstore();
    }
    void TearDown() override {
        if (leaf) purge_node(leaf);
        resetexpansion();
        clearlexicon();
        MerrorTest::TearDown();
    }
    // A leaf looked up on the entry of `word` in category `cat`.
    void make_leaf(const char* cat, const char* word) {
        leaf = makenode(cat);
        leaf->morphed_word = strdup_(word);
        terminal_node(leaf);
        leaf->dictionary->class_ = strdup_(cat);
        int term = lookup_terminal(cat);
        for (recnode* r = dictionary[term]; r; r = r->previous)
            if (std::string(r->recordptr).rfind(std::string("\"") + word + "\"", 0) == 0)
                leaf->dictionary->dictionary = r->recordptr;
        ASSERT_NE(leaf->dictionary->dictionary, nullptr);
    }
};

TEST_F(TagMatchTest, ResponseRelatedThroughATag) {
    tag_readtables(file("tags", "opp ( 7 )\nsyn ( 7 )\nant ( 7 )\n").c_str());
    make_leaf("N", "cat");
    struct Case {
        const char* response;
        int want;
        int messages; // "Indirection not found" lines
    } cases[] = {
        {"kitten", 6, 1}, // opp lists "wolf", missing from the lexicon: syn is tried next
        {"dog", 7, 1},    // the missing word leaves opp without candidates; ant has it
        {"mouse", CLASS_UNRELATED, 1},
    };
    for (const Case& c : cases) {
        oxa::resetstore();
        lexdiff cell{};
        cell.matchclass = CLASS_UNRELATED;
        const int before = d_table_count;
        err_match_syn(c.response, leaf, &cell);
        EXPECT_EQ(cell.matchclass, c.want) << c.response;
        EXPECT_EQ(count_messages("Indirection not found"), c.messages) << c.response;
        EXPECT_EQ(d_table_count, before) << c.response; // candidates' lookups released
    }
}

// In the comparison's work area the tag look-up runs once for the leaf; each
// pair that needs it still writes the look-up's lines, as a look-up of its own
// would, and a pair asked again keeps its answer without writing them again.
TEST_F(TagMatchTest, WorkAreaLooksUpTagsOncePerLeafAndWritesTheirLinesPerPair) {
    tag_readtables(file("tags", "opp ( 7 )\nsyn ( 7 )\nant ( 7 )\n").c_str());
    make_leaf("N", "cat");
    oxa::resetstore();
    pairs_columns({"kitten", "dog", "mouse", "cat"});
    pairs_single(leaf);
    const int before = d_table_count;
    const int want[] = {6, 7, CLASS_UNRELATED, CLASS_EXACT};
    for (size_t j = 0; j < 4; ++j)
        EXPECT_EQ(pair_matchclass(0, j), want[j]) << pairs_typed(j);
    EXPECT_EQ(count_messages("Indirection not found"), 3); // the exact pair needs no tag
    EXPECT_EQ(pair_tag(0, 0), 6);
    EXPECT_EQ(pair_tag(0, 2), 0);
    EXPECT_EQ(count_messages("Indirection not found"), 3);
    EXPECT_EQ(d_table_count, before);
    resetwordpairs();
}

TEST_F(TagMatchTest, ARecordWithoutTheTagFieldHasNoClauseAndNoMessage) {
    struct Case {
        const char* word;
        int messages; // "Unexpected end of lexical entry" lines
    } cases[] = {
        {"kitten", 0}, // the record ends before field 7
        {"hare", 1},   // an unclosed quote: the end of the record cuts the clause off
    };
    for (const Case& c : cases) {
        oxa::resetstore();
        make_leaf("N", c.word);
        EXPECT_EQ(err_gen_syn(leaf, "opp", 7), nullptr) << c.word;
        EXPECT_EQ(count_messages("Unexpected end of lexical entry"),
                  c.messages)
            << c.word;
        purge_node(leaf);
        leaf = nullptr;
    }
}

} // namespace variants_test
