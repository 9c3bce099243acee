// What morphology keeps between evaluations (rules and tables found by name,
// compounds kept as codes, guard readings, rewritten words) follows every
// reload of the files it came from.
#include "morph_fixture.hpp"

#include "bormo/attrcodes.hpp"

namespace morphkept_test {

using namespace bormo;

class MorphKeptTest : public MorphFixture {
  protected:
    void rules(const std::string& text) { new_readmorph(file("morph", text).c_str()); }
    void tables(const std::string& text) { new_readtables(file("tables", text).c_str()); }
    void attributes(const std::string& text) {
        clearattributes();
        readattr(file("attr", text).c_str());
    }

    static std::string eval(t_treenode* node, const char* text) {
        current_node = node;
        m_exp(text);
        return m_out.data();
    }
};

struct AttrFileCase {
    const char* attributes; // read in place of the fixture's, rules and tables kept
    const char* node;       // the node's compound, read under that file
    const char* guard;      // $r: "pl" -> "P", otherwise "S"
    const char* table;      // t(pl): the element at pl's value
    const char* message;    // a message line, or null
};

TEST_F(MorphKeptTest, KeptCodesFollowTheAttributeFile) {
    rules("RULE r pl : \"P\" ; * : \"S\" ;");
    tables("t ( \"one\" , \"two\" , \"three\" )");
    const AttrFileCase cases[] = {
        {"number ( sg , pl ) %", "pl", "P", "two", nullptr},
        {"number ( pl , sg ) %", "pl", "P", "one", nullptr}, // same names, other values
        {"number ( sg , du , pl ) %", "pl", "P", "three", nullptr},
        {"gender ( masc , fem ) number ( sg , pl ) %", "pl", "P", "two", nullptr}, // other type
        {"number ( sg , pl ) %", "sg", "S", "two", nullptr},
        {"number ( sg , plur ) %", "plur", "S", "", "ERROR   Unknown attribute pl "},
        {"number ( sg , pl ) %", "pl", "P", "two", nullptr},
    };
    // Each file is read after the one before, so the name table is likely
    // made again at the same address and of the same size.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attributes);
        attributes(c.attributes);
        oxa::resetstore();
        t_treenode* n = leaf("", {c.node});
        for (int again = 0; again < 2; ++again) {
            EXPECT_EQ(eval(n, "$r|"), c.guard);
            EXPECT_EQ(eval(n, "t(pl)|"), c.table);
        }
        if (c.message) {
            EXPECT_EQ(count_messages(c.message), 4) << ::testing::PrintToString(messages());
        }
    }
}

TEST_F(MorphKeptTest, ANameMadeAmbiguousIsReadAsTheNameTableReadsIt) {
    rules("RULE r pl : \"P\" ; * : \"S\" ;");
    tables("t ( \"one\" , \"two\" , \"three\" )");
    t_treenode* n = leaf("", {"pl"});
    ASSERT_EQ(eval(n, "$r|"), "P");
    ASSERT_EQ(eval(n, "t(pl)|"), "two");
    // "pl" now names two values: whichever one the name table gives is the
    // one the kept rows must use.
    attributes("number ( sg , pl ) kind ( x , y , pl ) %");
    ASSERT_TRUE(lookup_attr("pl"));
    const int value = att_value;
    const char* expected[] = {"one", "two", "three"};
    t_treenode* m = leaf("", {"pl"});
    EXPECT_EQ(eval(m, "$r|"), "P");
    EXPECT_EQ(eval(m, "t(pl)|"), expected[value - 1]);
}

TEST_F(MorphKeptTest, DigitsAreADesignatorOnlyWhileNoAttributeHasThemAsName) {
    // "1st": the next leaf, past the separator 's', has the value "t" -
    // unless "1st" names an attribute value, which the attribute file cannot
    // spell but the name table can hold.
    attributes("rank ( first , t ) %");
    rules("RULE r 1st : \"P\" ; * : \"S\" ;");
    t_treenode* a = leaf("", {"t"});
    t_treenode* b = leaf("", {"t"});
    tree({a, b});
    EXPECT_EQ(eval(a, "$r|"), "P"); // the next leaf's t
    EXPECT_EQ(eval(a, "$r|"), "P");
    // The value "first" renamed "1st" and the name table made again.
    ASSERT_TRUE(lookup_attr("first"));
    char*& name = attr_table[static_cast<size_t>(att_class)].list[static_cast<size_t>(att_value)];
    free(name);
    name = strdup_("1st");
    a_q_create_table();
    ASSERT_TRUE(lookup_attr("1st"));
    EXPECT_EQ(eval(a, "$r|"), "S"); // this leaf has t, not 1st
    EXPECT_EQ(eval(a, "$r|"), "S");
}

TEST_F(MorphKeptTest, RulesAndTablesAreFoundAfterEveryReload) {
    t_treenode* n = leaf("", {"pl"});
    rules("RULE a * : \"1\" ;");
    EXPECT_EQ(eval(n, "$a|"), "1");
    // Read again without clearing: the new rules join, a repeated name is refused.
    rules("RULE b * : \"2\" ; RULE a * : \"x\" ;");
    EXPECT_EQ(eval(n, "$a $b|"), "12");
    EXPECT_NE(find_mrule("b"), nullptr);
    clear_mrules();
    oxa::resetstore();
    EXPECT_EQ(eval(n, "$a \"-\"|"), "-");
    EXPECT_EQ(count_messages("ERROR   Reference to non-existent morph rule a "), 1);
    rules("RULE c * : \"3\" ; RULE a pl : \"4\" ;");
    EXPECT_EQ(eval(n, "$a $c|"), "43");
    EXPECT_EQ(find_mrule("b"), nullptr);

    tables("t ( \"x\" , \"y\" )");
    EXPECT_EQ(eval(n, "t(pl)|"), "y");
    // A second table of the same name: the first read is used.
    tables("u ( \"p\" , \"q\" ) t ( \"z\" , \"w\" )");
    EXPECT_EQ(eval(n, "t(pl) u(pl)|"), "yq");
    clear_tables();
    oxa::resetstore();
    EXPECT_EQ(eval(n, "t(pl) \"-\"|"), "-");
    EXPECT_EQ(count_messages("ERROR   Table not found t "), 1);
    tables("t ( \"m\" , \"n\" , \"o\" )");
    EXPECT_EQ(eval(n, "t(pl)|"), "n");
}

TEST_F(MorphKeptTest, TableElementsAndNamesAsTheTextHoldsThem) {
    // A quoted '|' belongs to its element; a referenced name is cut to its
    // first 255 bytes.
    const std::string name(39, 'r');
    rules("RULE " + name + " * : \"long\" ;");
    tables("t ( \"a|b\" , \"c\" )");
    t_treenode* n = leaf("", {"pl"});
    EXPECT_EQ(eval(n, "t(sg)|"), "a|b");
    EXPECT_EQ(eval(n, "t(pl)|"), "c");
    EXPECT_EQ(eval(n, ("$" + name + "|").c_str()), "long");
    oxa::resetstore();
    EXPECT_EQ(eval(n, ("$" + std::string(300, 'r') + " \"-\"|").c_str()), "-");
    EXPECT_EQ(count_messages("ERROR   Reference to non-existent morph rule " + std::string(255, 'r') + " "),
              1);
}

TEST_F(MorphKeptTest, ReferencesFollowTheBytesAtTheirPlace) {
    rules("RULE a * : \"A\" ; RULE ab * : \"AB\" ;");
    tables("t ( \"x\" , \"y\" ) tt ( \"X\" , \"Y\" )");
    t_treenode* n = leaf("", {"sg"});
    // Each text is put in turn in one buffer, so that every reference is
    // read where the one before it was kept.
    const struct {
        const char* text;
        const char* result;
    } cases[] = {
        {"$a|", "A"},      {"$ab|", "AB"},       {"$a|", "A"},         {"$a\"b\"|", "Ab"},
        {"t(sg)|", "x"},   {"t(pl)|", "y"},      {"t(number)|", "x"},  {"t( pl )|", "y"},
        {"tt(sg)|", "X"},  {"t(sg)|", "x"},      {"t(pl|", "y"},       {"t(pl)\"z\"|", "yz"},
        {"tt(pl)|", "Y"},  {"t(sg),(pl)|", "x"}, {"$ab t(pl)|", "ABy"},
    };
    std::array<char, 32> buf{};
    for (int round = 0; round < 2; ++round) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.text);
            std::memcpy(buf.data(), c.text, std::strlen(c.text) + 1);
            EXPECT_EQ(eval(n, buf.data()), c.result);
        }
    }
}

TEST_F(MorphKeptTest, FieldsFollowTheRecordAtItsPlace) {
    // Records put in turn in one buffer, as a lexicon read again may place them.
    const struct {
        const char* record;
        int field;
        const char* word;
    } cases[] = {
        {"\"a\"|N||0001|\"x\"|\"y\"|", 5, "x"},
        {"\"a\"|N||0001|\"x\"|\"y\"|", 6, "y"},
        {"\"ab\"|N||0001|\"z\"|\"w\"|", 5, "z"},
        {"\"ab\"|N||0001|\"z\"|\"w\"|", 6, "w"},
        {"\"a\"|N||0001|\"v\"|", 5, "v"},
        {"\"a\"|N||0001|\"v\"|", 6, "v"}, // no field 6: the word stays
        {"\"a\"|N||0001", 5, "v"},          // the record ends before field 5
        {"\"a\"|N||0001|\"u\"|", 5, "u"},
    };
    std::array<char, 64> buf{};
    t_treenode* n = leaf("", {"sg"}, buf.data());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.record) + " field " + std::to_string(c.field));
        std::memcpy(buf.data(), c.record, std::strlen(c.record) + 1);
        morph_word(n, c.field);
        EXPECT_STREQ(n->morphed_word, c.word);
    }
}

TEST_F(MorphKeptTest, AWordIsRewrittenWhetherItShrinksOrGrows) {
    rules("RULE s pl : ! \"sssssssssssssssssssssssssssssssssssssssss\" ; * : ! ;");
    t_treenode* n = leaf("chat", {"pl"}, "\"chat\"|N||0001|#1 - -|$s|");
    t_treenode* root = tree({n});
    morph_tree(root, 5);
    EXPECT_STREQ(n->morphed_word, "ch");
    morph_tree(root, 6);
    EXPECT_STREQ(n->morphed_word, "chsssssssssssssssssssssssssssssssssssssssss");
    morph_tree(root, 5);
    EXPECT_STREQ(n->morphed_word, "ch");
}

} // namespace morphkept_test
