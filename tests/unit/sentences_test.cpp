// Sentence assembly: filling lookups from leaves, joining words, the glue and
// capital marks, the sentence buffer's bound, the morphology pass table and
// the sentence commands' helpers.
#include "generation_fixture.hpp"

#include <cstdlib>
#include <cstring>
#include <string>

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/indirection.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/sentences.hpp"
#include "bormo/syntax.hpp"
#include "editor/commands.hpp"

namespace sentences_test {

using namespace bormo;

class SentencesTest : public GenerationTest {
  protected:

    // A threaded tree whose leaves carry the given words.
    static t_treenode* tree_of(const std::vector<std::string>& words) {
        t_treenode* t = makenode("ROOT");
        t_treenode** tail = &t->son;
        for (const std::string& w : words) {
            t_treenode* l = makenode("W");
            std::free(l->morphed_word);
            l->morphed_word = strdup_(w.c_str());
            *tail = l;
            tail = &l->sibling;
        }
        thread(t);
        return t;
    }

    static std::string postmorphed(const std::string& in) {
        std::strncpy(sentbuf.data(), in.c_str(), SENTSIZE - 1);
        postmorph();
        return sentbuf2.data();
    }
};

TEST_F(SentencesTest, PostMorphologyGluesAndCapitalises) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"the ^s", "thes"},          // glued to the word before
        {"a ^ b", "ab"},             // ... and to the one after
        {"` la", "La"},              // capital of the next letter
        {"x `  y", "x Y"},           // one blank kept, then the capital
        {"`\xE9t\xE9", "\xC9t\xE9"}, // a Latin-1 small letter
        {"`1a", "1a"},               // a digit takes the mark and is not changed
        {"a  b", "a  b"},            // blanks are copied as they stand
        {"^", ""},                   // a mark alone gives nothing
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(postmorphed(c.in), c.out) << c.in;
}

TEST_F(SentencesTest, JoinSkipsEmptyWordsWithoutDoubleBlanks) {
    t_treenode* t = tree_of({"", "the", "", "", "cat", ""});
    new_extract_sentence(t);
    EXPECT_STREQ(sentbuf.data(), "the cat");
    purge_tree(t);
    t = tree_of({"", ""});
    new_extract_sentence(t);
    EXPECT_STREQ(sentbuf.data(), "");
    purge_tree(t);
}

TEST_F(SentencesTest, LongSentenceIsCutAndSaysSo) {
    std::vector<std::string> words(300, "word"); // 1499 characters joined
    t_treenode* t = tree_of(words);
    finish(t, 0, "Transformed Sentence");
    EXPECT_EQ(std::strlen(sentbuf.data()), static_cast<size_t>(SENTSIZE - 1));
    EXPECT_EQ(std::strlen(sentbuf2.data()), static_cast<size_t>(SENTSIZE - 1));
    EXPECT_EQ(count_messages("Sentence cut to 1023 characters"), 1);
    EXPECT_EQ(count_messages("Transformed Sentence : word word"), 1);
    purge_tree(t);
}

TEST_F(SentencesTest, SharedLookupMeetsTheMandatedWordAndTheRestriction) {
    readattr(file("attr", "number ( sing , pl ) %\n").c_str());
    read_terminals(file("term", "N\n").c_str());
    initdict();
    readdict(file("lex", "\"cat\"|N|sing|10|#1|red|\n"
                         "\"cat\"|N|sing|10|#1|blue|\n"
                         "\"dog\"|N|sing|10|#1|red|\n")
                 .c_str());
    t_treenode* t = makenode("ROOT");
    t_treenode* a = makenode("N");
    t_treenode* b = makenode("N");
    t->son = a;
    a->sibling = b;
    terminal_node(a);
    b->dictionary = a->dictionary; // both leaves must be the same word
    b->index = a->index;
    a->preferredchoice = strdup_("cat");
    b->restrictions = strdup_("?|?|?|?|?|red|");
    thread(t);
    fill_all_words(t, 0);
    t_dict_lookup& d = dict_table[0];
    EXPECT_EQ(d.pointed_at, 1);
    EXPECT_STREQ(d.class_, "N");
    EXPECT_STREQ(d.preferredchoice, "cat");
    EXPECT_STREQ(d.fields, "?|?|?|?|?|red|");
    for (unsigned long sd : {123456789UL, 987654321UL, 55555555UL, 77777777UL}) {
        reseed(static_cast<long>(sd));
        getwords(0);
        ASSERT_EQ(d.error, 0);
        EXPECT_EQ(std::string(d.dictionary).substr(0, 6), "\"cat\"|");
        EXPECT_NE(std::strstr(d.dictionary, "|red|"), nullptr) << d.dictionary;
    }
    // Entries below `from` keep what they were given.
    d.pointed_at = 0;
    fill_all_words(t, 1);
    EXPECT_EQ(d.pointed_at, 0);
    purge_tree(t);
}

// A lookup takes the category of its first leaf, whatever its length, and
// gives it up when the lookup is released; the next leaf on that entry
// brings its own.
TEST_F(SentencesTest, LookupCategoriesOfEveryLength) {
    const std::string names[] = {"N", std::string(NODENAMESIZE - 1, 'S'),
                                 std::string(NODENAMESIZE, 'L'), std::string(200, 'X'), "V"};
    for (const std::string& name : names) {
        t_treenode* leaf = makenode(name.c_str());
        terminal_node(leaf);
        ASSERT_NE(leaf->dictionary, nullptr);
        fill_word(leaf);
        EXPECT_EQ(std::string(leaf->dictionary->class_), name);
        purge_tree(leaf); // the lookup keeps its own copy
        EXPECT_EQ(std::string(dict_table[0].class_), name);
        purgelookups(0);
        EXPECT_EQ(dict_table[0].class_, nullptr);
    }
}

TEST_F(SentencesTest, IndirectionAddsItsTagAsARestriction) {
    t_treenode* t = makenode("ROOT");
    t_treenode* l = makenode("N");
    t->son = l;
    terminal_node(l);
    t_indirection ind = create_indir_node();
    ind->fieldnum = 7;
    add_to_indir_list(&l->indirections, ind);
    thread(t);
    fill_all_words(t, 0);
    EXPECT_STREQ(dict_table[0].fields, "?|?|?|?|?|?|\"*\"|");
    purge_tree(t);
}

TEST_F(SentencesTest, PassTableDefaultsAndThePassCommand) {
    for (int row = 0; row <= 20; ++row) {
        EXPECT_EQ(morph_passes[row][1], 5);
        EXPECT_EQ(morph_passes[row][2], 6);
        EXPECT_EQ(morph_passes[row][3], 0);
    }
    EXPECT_EQ(morph_passes[21][1], 22);
    EXPECT_EQ(morph_passes[21][2], 23);
    oxa::param[1] = 3;
    oxa::param[2] = 7;
    oxa::param[3] = 0;
    oxa::param[4] = 0;
    oxa::param[5] = 0;
    mpasses();
    EXPECT_EQ(morph_passes[3][1], 7);
    EXPECT_EQ(morph_passes[3][2], 0);
    EXPECT_EQ(morph_passes[2][1], 5);
}

TEST_F(SentencesTest, MatchingSentenceForTheResponse) {
    genSentences[1] = strdup_("the cat sleeps");
    genSentences[2] = strdup_("the * sleep");
    std::strcpy(response.data(), "the dogs sleep");
    EXPECT_EQ(bor_comp(), 2);
    std::strcpy(response.data(), "the cat sleeps");
    EXPECT_EQ(bor_comp(), 1);
    std::strcpy(response.data(), "nothing like it");
    EXPECT_EQ(bor_comp(), 0);
    sentence_to_core(2, 3);
    EXPECT_EQ(lines(3).back(), "the * sleep");
}

} // namespace sentences_test
