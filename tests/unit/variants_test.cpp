// The data files of the deeper comparisons and the phonological matcher.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/variants.hpp"
#include "bormo_fixture.hpp"

using namespace bormo;

namespace {

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
        if (c.match) EXPECT_EQ(chosen, c.chosen) << c.word;
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

} // namespace
