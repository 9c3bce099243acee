// Indirection: splitting pointer clauses, choosing a pointer by tag, the
// attribute list of an indirection, and following a leaf's indirections
// through the lexicon into new lookups.
#include "morph_fixture.hpp"

#include <map>

namespace indirection_test {

using namespace bormo;

class IndirectionTest : public MorphFixture {
  protected:
    void SetUp() override {
        MorphFixture::SetUp();
        resetexpansion();
        read_terminals(file("term", "N ADJ").c_str());
        initdict();
        readdict(file("lex", "\"beauty\"|N|sg|1|B:\"beautiful\"/ADJ,\"pretty\"/ADJ,\"fair\"/ADJ;"
                             "C:\"ugly\";E:|\n"
                             "\"beautiful\"|ADJ|sg|1||\n"
                             "\"pretty\"|ADJ|sg|1||\n"
                             "\"fair\"|ADJ|sg|1||\n"
                             "\"ugly\"|N|sg|1||\n"
                             "\"cat\"|N|sg|1|A:\"cats\";S:\"cat*\";F:\"felix\"|\n"
                             "\"cats\"|N|pl|1|Q:\"dog\"/N|\n"
                             "\"dog\"|N|sg|1||\n")
                     .c_str());
        oxa::resetstore();
    }
    void TearDown() override {
        resetexpansion();
        MorphFixture::TearDown();
    }

    // The first entry of a terminal whose word is `word` (with its quotes).
    static const char* record(const char* word) {
        int t = lookup_terminal(word[0] == 'c' || word[0] == 'd' || word[0] == 'u' ? "N" : "ADJ");
        std::string w = std::string("\"") + word + "\"|";
        for (int k = 0; k < terminal_count; ++k)
            for (recnode* n = dictionary[k]; n; n = n->previous)
                if (std::strncmp(n->recordptr, w.c_str(), w.size()) == 0) return n->recordptr;
        (void)t;
        return nullptr;
    }

    static void indirect(t_treenode* n, int field, const char* tag, const char* attrs = nullptr) {
        t_indirection ind = create_indir_node();
        ind->fieldnum = field;
        ind->tag = tag ? strdup_(tag) : nullptr;
        ind->attributes = attrs ? strdup_(attrs) : nullptr;
        add_to_indir_list(&n->indirections, ind);
    }

    static std::string word_of(t_treenode* n) {
        if (!n->dictionary || !n->dictionary->dictionary) return "";
        const char* r = n->dictionary->dictionary;
        return std::string(r, std::strchr(r, '|'));
    }

    // A leaf whose lookup (an entry of dict_table) found the word.
    t_treenode* word_leaf(const char* word, std::initializer_list<const char*> attrs) {
        t_treenode* n = leaf(word, attrs, record(word));
        t_dict_lookup& d = dict_table[d_table_count];
        d.class_ = strdup_("N");
        d.dictionary = n->dictionary->dictionary;
        n->dictionary = &d;
        n->index = d_table_count++;
        return n;
    }
};

struct ClauseCase {
    const char* text;
    std::vector<std::string> items;
    const char* rest;
};

TEST_F(IndirectionTest, ClausesSplitIntoItems) {
    const ClauseCase cases[] = {
        {"A:\"x\",\"y\"/N;B:\"z\"|", {"A", "\"x\"", "", "\"y\"", "N"}, "B:\"z\"|"},
        {"B:\"z\"|", {"B", "\"z\"", ""}, "|"},
        {"\"p\"/ADJ|", {"", "\"p\"", "ADJ"}, "|"},
        {"\"p\",\"q\":V", {"", "\"p\"", "", "\"q\"", "V"}, ""},
        {"E:|", {"E"}, "|"},
        {"T:\"a;b,c\":V;U", {"T", "\"a;b,c\"", "V"}, "U"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const char* rest = locate_strings(c.text);
        EXPECT_STREQ(rest, c.rest);
        std::vector<std::string> got(ind_items.begin(), ind_items.begin() + ind_count);
        EXPECT_EQ(got, c.items);
    }
    // A clause of more than 50 items keeps the first 50.
    std::string many = "T:";
    for (int i = 0; i < 40; ++i)
        many += "\"w\"/N,";
    locate_strings(many.c_str());
    EXPECT_EQ(ind_count, MAXINDITEMS);
}

TEST_F(IndirectionTest, EachOfThreePointersIsChosenAboutAThird) {
    reseed(12345);
    std::map<std::string, int> seen;
    for (int i = 0; i < 3000; ++i) {
        findtag(record("beauty"), 5, "B");
        EXPECT_STREQ(ind_category.data(), "ADJ");
        seen[ind_pointer.data()]++;
    }
    ASSERT_EQ(seen.size(), 3u);
    for (const char* w : {"beautiful", "pretty", "fair"})
        EXPECT_NEAR(seen[w], 1000, 120) << w;
    findtag(record("beauty"), 5, "C");
    EXPECT_STREQ(ind_pointer.data(), "ugly");
    EXPECT_STREQ(ind_category.data(), "");
    // An untagged clause answers an indirection without tag; a pointer
    // written without quotes is taken whole.
    findtag("\"w\"|N||0001|T:\"x\";\"y\"/ADJ|", 5, nullptr);
    EXPECT_STREQ(ind_pointer.data(), "y");
    EXPECT_STREQ(ind_category.data(), "ADJ");
    findtag("\"w\"|N||0001|T:x/V|", 5, "T");
    EXPECT_STREQ(ind_pointer.data(), "x");
    EXPECT_STREQ(ind_category.data(), "V");
}

struct TagCase {
    int field;
    const char* tag;
    const char* message;
};

TEST_F(IndirectionTest, NoPointerMessages) {
    const TagCase cases[] = {
        {9, "B", "Field 9 does not exist in \"beauty\"|N|sg |0001|B:"},
        {5, "Z", "Tag Z not present in field 5 of \"beauty\"|N|sg |0001|B:"},
        {5, nullptr, "Tag  not present in field 5 of \"beauty\""},
        {6, "B", "Tag B not present in field 6 of \"beauty\""},
        {5, "E", "No pointers found for tag E, field 5 in \"beauty\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        oxa::resetstore();
        findtag(record("beauty"), c.field, c.tag);
        EXPECT_STREQ(ind_pointer.data(), "");
        EXPECT_EQ(count_messages(c.message), 1) << ::testing::PrintToString(messages());
    }
}

TEST_F(IndirectionTest, NextClauseAndUnexpectedEnd) {
    const char* text = "A:\"x\";B:\"y\"|rest";
    const char* p = forward_next_tag(text);
    EXPECT_STREQ(p, "B:\"y\"|rest");
    EXPECT_EQ(messages().size(), 0u);
    p = forward_next_tag(p);
    EXPECT_STREQ(p, "|rest");
    EXPECT_EQ(count_messages("[Indirection] Unexpected end of lexical entry"), 1);
}

TEST_F(IndirectionTest, AttributeListSharesMarkedValues) {
    t_treenode* n = leaf("x", {"pl", "masc"});
    attr_list l = construct_attr_indir(n, "!number, fem,!person]ignored");
    ASSERT_EQ(attr_list_count(l), 2);
    EXPECT_EQ(l->first->index, n->attributes->first->index); // shared with the leaf
    EXPECT_EQ(delayed[l->next->first->index].class_,
              delayed[n->attributes->next->first->index].class_);
    EXPECT_EQ(delayed[l->next->first->index].choice, 2);
    EXPECT_NE(l->next->first->index, n->attributes->next->first->index);
    purge_attr_list(&l);
    attr_list open = construct_attr_indir(n, "[person]");
    ASSERT_EQ(attr_list_count(open), 1);
    EXPECT_EQ(delayed[open->first->index].choice, -1);
    purge_attr_list(&open);
}

TEST_F(IndirectionTest, PointerWithoutCategoryUsesTheOldWordsCategory) {
    t_treenode* n = word_leaf("cat", {});
    indirect(n, 5, "A");
    int before = d_table_count;
    process_indirect_ops(n);
    EXPECT_EQ(d_table_count, before + 1);
    EXPECT_EQ(n->index, before);
    EXPECT_EQ(n->dictionary, &dict_table[before]);
    EXPECT_STREQ(n->dictionary->class_, "N");
    EXPECT_STREQ(n->dictionary->preferredchoice, "cats");
    EXPECT_EQ(word_of(n), "\"cats\"");
}

TEST_F(IndirectionTest, SecondIndirectionFollowsTheWordReachedByTheFirst) {
    t_treenode* n = word_leaf("cat", {});
    indirect(n, 5, "A");
    indirect(n, 5, "Q");
    process_indirect_ops(n);
    EXPECT_EQ(word_of(n), "\"dog\"");
}

TEST_F(IndirectionTest, MarkedAttributeKeepsAgreement) {
    for (const char* number : {"sg", "pl"}) {
        SCOPED_TRACE(number);
        for (int seed = 1; seed < 40; seed += 2) {
            reseed(seed);
            t_treenode* n = word_leaf("cat", {number});
            int shared = n->attributes->first->index;
            indirect(n, 5, "S", "!number]");
            process_indirect_ops(n);
            EXPECT_EQ(word_of(n), std::strcmp(number, "sg") == 0 ? "\"cat\"" : "\"cats\"");
            ASSERT_NE(n->attributes, nullptr);
            EXPECT_EQ(n->attributes->first->index, shared);
        }
    }
}

TEST_F(IndirectionTest, FailuresAreReportedAndGenerationGoesOn) {
    // A pointer that matches no word: the leaf stays on the failed new entry.
    t_treenode* felix = word_leaf("cat", {});
    indirect(felix, 5, "F");
    indirect(felix, 5, "A");
    int before = d_table_count;
    process_indirect_ops(felix);
    EXPECT_EQ(count_messages("ERROR   Unable to match indirection pointer  "), 1);
    EXPECT_EQ(count_messages("category: N, pointer: felix, error number: 3"), 1);
    EXPECT_EQ(felix->dictionary, &dict_table[before]);
    EXPECT_EQ(felix->dictionary->error, 3);
    EXPECT_EQ(d_table_count, before + 1); // the second indirection was not followed

    // A tag the record lacks: the leaf keeps its lookup.
    t_treenode* cat = word_leaf("cat", {});
    t_dict_lookup* old = cat->dictionary;
    indirect(cat, 5, "Z");
    process_indirect_ops(cat);
    EXPECT_EQ(count_messages("No proper pointer obtained: tag Z, field 5 in \"cat\"|N|sg |0001|"),
              1);
    EXPECT_EQ(cat->dictionary, old);

    // A leaf whose lookup found nothing.
    t_treenode* none = leaf("", {});
    indirect(none, 5, "A");
    process_indirect_ops(none);
    EXPECT_EQ(count_messages("wrong tag or field number? tag A in field 5"), 1);

    // No free lookup: nothing is followed.
    t_treenode* full = word_leaf("cat", {});
    old = full->dictionary;
    indirect(full, 5, "A");
    int saved = d_table_count;
    d_table_count = DICTSIZE;
    process_indirect_ops(full);
    EXPECT_EQ(full->dictionary, old);
    d_table_count = saved;
}

TEST_F(IndirectionTest, TreeWalkFollowsEveryLeaf) {
    t_treenode* a = word_leaf("cat", {});
    t_treenode* b = word_leaf("beauty", {});
    t_treenode* c = word_leaf("dog", {});
    indirect(a, 5, "A");
    indirect(b, 5, "C");
    t_treenode* inner = tree({a, b});
    t_treenode* root = tree({inner, c});
    process_indirections(root);
    EXPECT_EQ(word_of(a), "\"cats\"");
    EXPECT_EQ(word_of(b), "\"ugly\"");
    EXPECT_EQ(word_of(c), "\"dog\"");
}

} // namespace indirection_test
