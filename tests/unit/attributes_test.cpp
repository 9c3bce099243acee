// Attributes: the attribute file, orders and valences, duplicate names, the
// delay table, compound attributes, attribute lists and indirection lists.
#include "bormo_fixture.hpp"

#include <cstring>

namespace attributes_test {

using namespace bormo;

class AttributesTest : public BormoTest {
  protected:
    void load(const std::string& text) {
        std::string path = file("attr.txt", text);
        readattr(path.c_str());
    }

    // Error lines written by the last load.
    static std::vector<std::string> errors() {
        std::vector<std::string> out;
        for (const std::string& m : messages())
            if (m.rfind("ERROR", 0) == 0) out.push_back(m);
        return out;
    }

    // The printed form of a compound, freed here.
    static std::string text(comp_attr c) {
        char* p = print_comp_attr(c);
        std::string s = p;
        free(p);
        return s;
    }

    static std::string text(attr_list l) {
        char* p = print_attr_list(l);
        std::string s = p;
        free(p);
        return s;
    }

    // A compound built from text with new delay entries.
    static comp_attr make(const char* t) {
        text_to_comp_struct(t, 1);
        comp_attr c = comp_attr_register;
        comp_attr_register = nullptr;
        return c;
    }

    static int cls(const char* name) {
        EXPECT_EQ(lookup_attr(name), 1) << name;
        return att_class;
    }
    static int val(const char* name) {
        EXPECT_EQ(lookup_attr(name), 1) << name;
        return att_value;
    }
};

TEST_F(AttributesTest, SimpleTypeAndLookup) {
    load("number ( sg , pl ) %");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(total_types, 2);
    EXPECT_STREQ(attr_table[1].type.data(), "number");
    EXPECT_EQ(attr_table[1].entries, 3);
    EXPECT_STREQ(attr_table[1].list[1], "sg");
    EXPECT_STREQ(attr_table[1].list[2], "pl");
    EXPECT_EQ(attr_table[1].partial, 0);
    EXPECT_EQ(attr_table[1].trans, nullptr);
    EXPECT_EQ(q_att_size, 3);

    struct Case {
        const char* name;
        int found, class_, value;
    } cases[] = {{"number", 1, 1, -1}, {"sg", 1, 1, 1}, {"pl", 1, 1, 2},
                 {"du", 0, 0, 0},      {"", 0, 0, 0},   {"Number", 0, 0, 0}};
    for (const Case& c : cases) {
        att_class = att_value = 0;
        EXPECT_EQ(lookup_attr(c.name), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(att_class, c.class_) << c.name;
            EXPECT_EQ(att_value, c.value) << c.name;
        }
    }
    EXPECT_EQ(messages().back(),
              "Finished reading attribute input from file '" + dir + "/attr.txt' [0 lines.]");
    EXPECT_EQ(file_operation, "");
}

TEST_F(AttributesTest, SeveralTypesNumberedInOrder) {
    load("{types}\nnumber (sg, pl)\ngender (masc, fem, neut)\ncase (nom)\n%\n");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(total_types, 4);
    EXPECT_EQ(cls("gender"), 2);
    EXPECT_EQ(val("neut"), 3);
    EXPECT_EQ(cls("nom"), 3);
    EXPECT_EQ(q_att_size, 3 + 2 + 3 + 1);
    // The lookup table is sorted byte-wise.
    for (int i = 1; i < q_att_size; i++)
        EXPECT_LE(strcmp(q_att_table[i - 1].text, q_att_table[i].text), 0);
}

TEST_F(AttributesTest, NamesOfClassesAndValues) {
    load("number ( sg , pl ) %");
    struct Case {
        int class_, value;
        const char* name;
    } cases[] = {{1, -1, "number"},      {1, 1, "sg"},           {1, 2, "pl"},
                 {1, 3, "IllegalValue"}, {1, 0, "IllegalValue"}, {1, -2, "IllegalValue"},
                 {2, 1, "IllegalClass"}, {0, 1, "IllegalClass"}};
    for (const Case& c : cases)
        EXPECT_STREQ(att_get_name(c.class_, c.value), c.name);
}

TEST_F(AttributesTest, PartialOrderClosure) {
    load("degree ( pos < comp < sup ) %");
    int d = cls("degree");
    int pos = val("pos"), comp = val("comp"), sup = val("sup");
    EXPECT_EQ(attr_table[d].partial, 1);
    ASSERT_NE(attr_table[d].trans, nullptr);
    struct Case {
        int sign, dict, match, ok;
    } cases[] = {
        {'<', sup, pos, 1},  {'<', pos, sup, 0},  {'>', pos, sup, 1}, {'>', sup, pos, 0},
        {'<', comp, pos, 1}, {'<', sup, comp, 1}, {'<', pos, pos, 1}, {'>', sup, sup, 1},
        {'=', sup, pos, 0},  {'=', pos, pos, 1},  {0, comp, comp, 1}, {0, comp, sup, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(valid(c.sign, d, c.dict, c.match), c.ok)
            << static_cast<char>(c.sign) << " " << c.dict << " " << c.match;
}

TEST_F(AttributesTest, OrderWithBranchesAndUnorderedType) {
    // a < b, a < c, c < d: b and d are not comparable, a precedes all.
    load("t ( a < b , a < c < d ) u ( x , y ) %");
    int t = cls("t");
    int a = val("a"), b = val("b"), c = val("c"), dd = val("d");
    EXPECT_EQ(attr_table[t].entries, 5); // a stored once
    EXPECT_EQ(valid('<', t, dd, a), 1);
    EXPECT_EQ(valid('<', t, b, a), 1);
    EXPECT_EQ(valid('<', t, dd, b), 0);
    EXPECT_EQ(valid('<', t, b, dd), 0);
    EXPECT_EQ(valid('<', t, c, dd), 0);
    // Without an order, signs compare for equality.
    int u = cls("u");
    EXPECT_EQ(attr_table[u].partial, 0);
    EXPECT_EQ(valid('<', u, val("y"), val("x")), 0);
    EXPECT_EQ(valid('>', u, val("x"), val("x")), 1);
}

TEST_F(AttributesTest, StrayValueAfterAClosedOrderKeepsTheOrderUsable) {
    // "<" and "d" after the ')' are out of place; d still joins type t.
    load("t ( a < b < c ) < d %");
    int t = cls("t");
    ASSERT_EQ(attr_table[t].entries, 5);
    int a = val("a"), c = val("c"), d = val("d");
    EXPECT_EQ(valid('<', t, c, a), 1);
    EXPECT_EQ(valid('<', t, d, d), 1);
    EXPECT_EQ(valid('<', t, d, a), 0);
    EXPECT_EQ(valid('>', t, a, d), 0);
}

TEST_F(AttributesTest, Valences) {
    load("verb ( 2 give , walk , 3 put, 1 go ) %");
    EXPECT_TRUE(errors().empty());
    int v = cls("verb");
    EXPECT_EQ(attr_table[v].valence[val("give")], 2);
    EXPECT_EQ(attr_table[v].valence[val("walk")], 0);
    EXPECT_EQ(attr_table[v].valence[val("put")], 3);
    EXPECT_EQ(attr_table[v].valence[val("go")], 1);
}

TEST_F(AttributesTest, RepeatedValueIsStoredOnce) {
    load("number ( sg , pl , sg ) %");
    EXPECT_EQ(attr_table[1].entries, 3);
    EXPECT_TRUE(errors().empty());
}

TEST_F(AttributesTest, DuplicateNamesAcrossTypesAreWarnedAndKept) {
    load("number ( sg , pl ) case ( sg , nom ) pl ( a ) %");
    std::vector<std::string> expected = {
        "ERROR attribute input  Warning: attribute value  pl  duplicated",
        "ERROR attribute input  Warning: attribute value  sg  duplicated",
    };
    EXPECT_EQ(errors(), expected);
    EXPECT_EQ(total_types, 4);
    EXPECT_EQ(attr_table[2].entries, 3);
    EXPECT_EQ(lookup_attr("sg"), 1);
}

TEST_F(AttributesTest, TextAfterPercentIsIgnored) {
    load("number ( sg , pl ) % junk ( ) ( , <");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(total_types, 2);
    EXPECT_EQ(lookup_attr("junk"), 0);
}

TEST_F(AttributesTest, MissingPercentIsReportedAndTheFileStillLoads) {
    load("number ( sg , pl )\n");
    std::vector<std::string> expected = {"ERROR attribute input  Inappropriate EOF "};
    EXPECT_EQ(errors(), expected);
    EXPECT_EQ(lookup_attr("pl"), 1);
}

TEST_F(AttributesTest, TokensOutOfPlaceAreReportedAndActedOn) {
    struct Case {
        const char* input;
        std::vector<std::string> errors;
        int types;
    } cases[] = {
        // A missing comma: the value is still added.
        {"number ( sg pl ) %", {"ERROR attribute input  Inappropriate identifier: pl "}, 2},
        {"number sg ) %", {"ERROR attribute input  Inappropriate identifier: sg "}, 2},
        {"number ( sg ; pl ) %",
         {"ERROR attribute input  Inappropriate char ';' ",
          "ERROR attribute input  Inappropriate identifier: pl "},
         2},
        // Values before any type belong to no type.
        {"( a ) number ( b ) %", {"ERROR attribute input  Inappropriate char '(' "}, 2},
        {"number ( sg , ) %", {"ERROR attribute input  Inappropriate char ')' "}, 2},
    };
    for (const Case& c : cases) {
        oxa::resetstore();
        resetattributes();
        load(c.input);
        EXPECT_EQ(total_types, c.types) << c.input;
        EXPECT_EQ(errors(), c.errors) << c.input;
    }
    EXPECT_EQ(lookup_attr("a"), 0);
    EXPECT_EQ(attr_table[1].entries, 2);
}

TEST_F(AttributesTest, FullTypeRefusesFurtherValues) {
    std::string body = "big (";
    for (int i = 1; i <= 254; i++)
        body += (i > 1 ? ", v" : " v") + std::to_string(i);
    load(body + " ) %");
    EXPECT_EQ(attr_table[1].entries, MAXENTRIES);
    std::vector<std::string> expected = {"ERROR attribute input  Table full big "};
    EXPECT_EQ(errors(), expected);
    EXPECT_EQ(lookup_attr("v253"), 1);
    EXPECT_EQ(lookup_attr("v254"), 0);
}

TEST_F(AttributesTest, ClearEmptiesTheTable) {
    load("degree ( pos < comp ) number (sg) %");
    clearattributes();
    EXPECT_EQ(total_types, 1);
    EXPECT_EQ(q_att_table, nullptr);
    EXPECT_EQ(q_att_size, 0);
    EXPECT_EQ(lookup_attr("pos"), 0);
    EXPECT_EQ(attr_table[1].trans, nullptr);
    EXPECT_EQ(attr_table[1].entries, 1);
    EXPECT_STREQ(attr_table[1].type.data(), "");
    // A new file starts again from type 1.
    load("case ( nom ) %");
    EXPECT_EQ(cls("case"), 1);
}

TEST_F(AttributesTest, TextToArrayRowsAndFlags) {
    load("number ( sg , pl ) gender ( masc , fem ) %");
    struct Case {
        const char* text;
        int decon_allowed;
        int rows;
        int all_values, all_decon;
        const char* rest;
    } cases[] = {
        {"sg.fem]", 1, 2, 1, 0, "]"},      {"number.fem,", 1, 2, 0, 0, ","},
        {"/sg./gender ", 1, 2, 0, 1, " "}, {"/sg", 0, 0, 1, 1, "/sg"},
        {"sg/fem", 0, 1, 1, 0, "/fem"},    {"", 1, 0, 1, 1, ""},
    };
    for (const Case& c : cases) {
        const char* end = text_to_comp_array(c.text, c.decon_allowed);
        EXPECT_EQ(attr_index, c.rows) << c.text;
        EXPECT_EQ(all_values, c.all_values) << c.text;
        EXPECT_EQ(all_decon, c.all_decon) << c.text;
        EXPECT_STREQ(end, c.rest) << c.text;
    }
    text_to_comp_array("/sg.gender", 1);
    EXPECT_EQ(attr[0].type, 1);
    EXPECT_EQ(attr[0].value, 1);
    EXPECT_EQ(attr[0].decon, 1);
    EXPECT_EQ(attr[1].type, 2);
    EXPECT_EQ(attr[1].value, -1);
    EXPECT_EQ(attr[1].decon, 0);
}

TEST_F(AttributesTest, UnknownNameInCompoundTextIsReportedAndSkipped) {
    load("number ( sg , pl ) %");
    const char* end = text_to_comp_array("sg.bogus.pl]", 1);
    EXPECT_EQ(attr_index, 0);
    EXPECT_STREQ(end, "]");
    std::vector<std::string> expected = {"ERROR   Unknown attribute bogus.pl "};
    EXPECT_EQ(errors(), expected);

    int before = delayptr;
    end = text_to_comp_struct("pl./nothing x", 1);
    EXPECT_EQ(comp_attr_register, nullptr);
    EXPECT_STREQ(end, " x");
    EXPECT_EQ(errors().size(), 2u);
    EXPECT_EQ(delayptr, before + 1); // pl was entered before the error
}

TEST_F(AttributesTest, VariablesStandForTheirComponents) {
    load("number ( sg , pl ) gender ( masc , fem ) %");
    comp_attr v = make("number.fem");
    variable_table[3] = v;
    const char text[] = {'s', 'g', '.', '\xff', 3, ']', 0};
    text_to_comp_array(text, 1);
    ASSERT_EQ(attr_index, 3);
    EXPECT_EQ(attr[1].type, 1);
    EXPECT_EQ(attr[1].value, -1);
    EXPECT_EQ(attr[2].value, 2);
    // The structure shares the variable's delay entries.
    int before = delayptr;
    text_to_comp_struct(text, 1);
    comp_attr c = comp_attr_register;
    comp_attr_register = nullptr;
    EXPECT_EQ(delayptr, before + 1);
    EXPECT_EQ(attr_seg_count(c), 3);
    EXPECT_EQ(comp_attr_element(c, 2), v->index);
    EXPECT_EQ(comp_attr_element(c, 3), v->another->index);
    // A deconstructed variable is left out of the structure.
    const char decon[] = {'s', 'g', '/', '\xff', 3, 0};
    text_to_comp_struct(decon, 1);
    EXPECT_EQ(attr_seg_count(comp_attr_register), 1);
    purge_comp_attr(&comp_attr_register);
    purge_comp_attr(&c);
    purge_comp_attr(&variable_table[3]);
}

TEST_F(AttributesTest, MakeCompAttrSkipsDeconstructedRows) {
    load("number ( sg , pl ) gender ( masc , fem ) %");
    text_to_comp_array("/sg.gender", 1);
    comp_attr part = make_comp_attr();
    comp_attr full = make_full_comp_attr();
    EXPECT_EQ(text(part), "gender");
    EXPECT_EQ(text(full), "sg.gender");
    const t_delay& d = delayed[comp_attr_element(full, 1)];
    EXPECT_EQ(d.class_, 1);
    EXPECT_EQ(d.choice, 1);
    EXPECT_EQ(d.fixed, 1);
    EXPECT_EQ(delayed[comp_attr_element(part, 1)].fixed, 0);
    EXPECT_EQ(delayed[comp_attr_element(part, 1)].choice, -1);
    // dup_decon_comp_attr keeps the components whose rows are not marked.
    comp_attr kept = dup_decon_comp_attr(full);
    EXPECT_EQ(text(kept), "gender");
    purge_comp_attr(&part);
    purge_comp_attr(&full);
    purge_comp_attr(&kept);
}

TEST_F(AttributesTest, DelayTableFullReusesTheLastEntry) {
    load("number ( sg , pl ) %");
    delayptr = DELAYSIZE - 2;
    comp_attr a = make("sg");
    EXPECT_EQ(delayptr, DELAYSIZE - 1);
    EXPECT_EQ(count_messages("Delay table exceeded"), 0);
    text_to_comp_array("pl", 1);
    comp_attr b = make_comp_attr();
    comp_attr c = make_comp_attr();
    EXPECT_EQ(count_messages("Delay table exceeded"), 2);
    EXPECT_EQ(delayptr, DELAYSIZE - 1);
    EXPECT_EQ(b->index, DELAYSIZE - 1);
    EXPECT_EQ(c->index, DELAYSIZE - 1);
    EXPECT_EQ(messages().back(), "Delay table exceeded");
    purge_comp_attr(&a);
    purge_comp_attr(&b);
    purge_comp_attr(&c);
}

TEST_F(AttributesTest, PrintingCompoundsAndLists) {
    load("number ( sg , pl ) gender ( masc , fem ) %");
    attr_list l = nullptr;
    add_attr_to_list(&l, make("sg.fem"));
    add_attr_to_list(&l, make("pl"));
    EXPECT_EQ(text(l), "sg.fem, pl");
    attr_list e = nullptr;
    EXPECT_EQ(text(e), "");
    comp_attr bare = make("gender.number");
    EXPECT_EQ(text(bare), "gender.number");
    purge_comp_attr(&bare);
    purge_attr_list(&l);
    EXPECT_EQ(l, nullptr);
}

TEST_F(AttributesTest, PrintingIsCutToItsBuffer) {
    std::string name(31, 'n');
    load("t" + std::string(" ( ") + name + " ) %");
    comp_attr one = make(name.c_str());
    comp_attr c = nullptr;
    for (int i = 0; i < 40; i++)
        add_comp_attr(&c, one->index);
    std::string s = text(c);
    EXPECT_EQ(s.size(), static_cast<size_t>(PRINTSIZE - 1));
    EXPECT_EQ(s.substr(0, 32), name + ".");
    purge_comp_attr(&c);
    purge_comp_attr(&one);
}

TEST_F(AttributesTest, ListOperations) {
    load("number ( sg , pl ) gender ( masc , fem ) %");
    comp_attr a = make("sg");
    comp_attr b = make("masc.pl");
    attr_list l = nullptr;
    add_attr_to_list(&l, a);
    add_attr_to_list(&l, b);
    EXPECT_EQ(attr_list_count(l), 2);
    EXPECT_EQ(l->attr_count, 1);
    EXPECT_EQ(l->next->attr_count, 2);
    EXPECT_EQ(attr_list_element(l, 2), b);
    EXPECT_EQ(attr_list_element(l, 3), nullptr);
    EXPECT_EQ(comp_attr_element(b, 3), -1);

    // present_compound compares delay indexes, compare_comp_attr values.
    comp_attr same = duplicate_comp_attr(b);
    comp_attr equal = make("masc.pl");
    EXPECT_EQ(present_compound(l, same), 1);
    EXPECT_EQ(present_compound(l, equal), 0);
    EXPECT_EQ(compare_comp_attr(equal, b), 1);
    EXPECT_EQ(find_attr_in_list(l, equal), b);

    // append_attr drops a compound already present and takes over a new one.
    append_attr(&l, same);
    EXPECT_EQ(attr_list_count(l), 2);
    append_attr(&l, equal);
    EXPECT_EQ(attr_list_count(l), 3);
    append_attr(&l, nullptr);
    EXPECT_EQ(attr_list_count(l), 3);

    // combine adds copies of what is missing.
    attr_list other = nullptr;
    add_attr_to_list(&other, duplicate_comp_attr(a));
    add_attr_to_list(&other, make("fem"));
    combine_attr_list(&l, other);
    EXPECT_EQ(attr_list_count(l), 4);
    EXPECT_EQ(text(l), "sg, masc.pl, masc.pl, fem");
    EXPECT_NE(attr_list_element(l, 4), other->next->first);

    // Removal is by identity of the chain.
    comp_attr stranger = duplicate_comp_attr(b);
    new_attr_remove(&l, stranger);
    EXPECT_EQ(attr_list_count(l), 4);
    new_attr_remove(&l, b);
    EXPECT_EQ(attr_list_count(l), 3);
    EXPECT_EQ(text(l), "sg, masc.pl, fem");

    attr_list copy = duplicate_attr_list(l);
    EXPECT_EQ(text(copy), text(l));
    EXPECT_NE(copy->first, l->first);
    EXPECT_EQ(copy->first->index, l->first->index);
    // Every cell of a copy or a merge counts the components of its compound.
    for (attr_list c : {copy, l})
        for (; c; c = c->next)
            EXPECT_EQ(c->attr_count, attr_seg_count(c->first)) << text(c->first);

    purge_comp_attr(&stranger);
    purge_attr_list(&copy);
    purge_attr_list(&other);
    purge_attr_list(&l);
}

TEST_F(AttributesTest, CompareRespectsOpenValues) {
    load("number ( sg , pl ) gender ( masc , fem ) %");
    comp_attr open = make("number");
    comp_attr sg = make("sg");
    comp_attr pl = make("pl");
    comp_attr two = make("sg.fem");
    struct Case {
        comp_attr a, b;
        int same;
    } cases[] = {
        {open, sg, 1}, {sg, open, 0}, {sg, pl, 0}, {sg, sg, 1}, {sg, two, 0}, {two, sg, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compare_comp_attr(c.a, c.b), c.same);

    pre_rule r2{pl, 0, nullptr, nullptr};
    pre_rule r1{two, 0, nullptr, &r2};
    EXPECT_EQ(look_for_attr(sg, &r1), nullptr);
    EXPECT_EQ(look_for_attr(open, &r1), &r2);

    attr_list l = nullptr;
    add_attr_to_list(&l, duplicate_comp_attr(two));
    add_attr_to_list(&l, duplicate_comp_attr(pl));
    EXPECT_EQ(find_type_in_attr(sg->index, l), l->next->first);
    EXPECT_EQ(find_type_in_attr(two->another->index, l), nullptr);
    purge_attr_list(&l);
    for (comp_attr* c : {&open, &sg, &pl, &two})
        purge_comp_attr(c);
}

TEST_F(AttributesTest, FindAttrMatchesTheWorkingArray) {
    load("number ( sg , pl ) gender ( masc , fem ) %");
    attr_list l = nullptr;
    add_attr_to_list(&l, make("pl"));
    add_attr_to_list(&l, make("sg.fem"));
    add_attr_to_list(&l, make("sg"));
    struct Case {
        const char* text;
        int element; // 0: none
    } cases[] = {
        {"sg", 3}, {"number", 1}, {"pl", 1}, {"sg.gender", 2}, {"sg.masc", 0}, {"gender", 0},
    };
    for (const Case& c : cases) {
        text_to_comp_array(c.text, 1);
        comp_attr want = c.element ? attr_list_element(l, c.element) : nullptr;
        EXPECT_EQ(find_attr(l), want) << c.text;
        EXPECT_EQ(testformatch(l, c.text), c.element != 0) << c.text;
    }
    purge_attr_list(&l);
}

TEST_F(AttributesTest, FindAttrFixesAnOpenValueBeforeComparing) {
    load("number ( sg , pl ) %");
    attr_list l = nullptr;
    add_attr_to_list(&l, make("number"));
    int index = l->first->index;
    ASSERT_EQ(delayed[index].choice, -1);
    attr_choice_hook = [](int i) {
        delayed[i].choice = 2;
        delayed[i].fixed = 1;
    };
    text_to_comp_array("sg", 1);
    EXPECT_EQ(find_attr(l), nullptr);
    EXPECT_EQ(delayed[index].choice, 2);
    text_to_comp_array("pl", 1);
    EXPECT_EQ(find_attr(l), l->first);

    // In the lexical-transformation state the entries are lt_delayed and stay open.
    lt_delayed[index] = {1, -1, 0};
    MState = 1;
    text_to_comp_array("sg", 1);
    EXPECT_EQ(find_attr(l), nullptr);
    EXPECT_EQ(lt_delayed[index].choice, -1);
    MState = 0;
    purge_attr_list(&l);
}

TEST_F(AttributesTest, DefaultChoiceDrawsAValue) {
    load("number ( sg , pl , du ) %");
    reseed(1);
    comp_attr c = make("number");
    attr_default_choice(c->index);
    // seed 3125: 3 * 3125 / 2^32 < 1, so the first value.
    EXPECT_EQ(delayed[c->index].choice, 1);
    EXPECT_EQ(delayed[c->index].fixed, 1);
    attr_default_choice(c->index);
    EXPECT_EQ(delayed[c->index].choice, 1);
    purge_comp_attr(&c);
}

TEST_F(AttributesTest, DecomposeFillsTheArray) {
    load("number ( sg , pl ) gender ( masc , fem ) %");
    comp_attr c = make("pl.gender");
    decompose_comp_attr(c);
    ASSERT_EQ(attr_index, 2);
    EXPECT_EQ(attr[0].type, 1);
    EXPECT_EQ(attr[0].value, 2);
    EXPECT_EQ(attr[1].value, -1);
    EXPECT_EQ(all_values, 0);
    EXPECT_EQ(all_decon, 0);
    lt_delayed[7] = {2, 1, 1};
    comp_attr lt = nullptr;
    add_comp_attr(&lt, 7);
    lt_decompose_comp_attr(lt);
    ASSERT_EQ(attr_index, 1);
    EXPECT_EQ(attr[0].type, 2);
    EXPECT_EQ(attr[0].value, 1);
    EXPECT_EQ(attr[0].ltindex, 7);
    purge_comp_attr(&c);
    purge_comp_attr(&lt);
}

TEST_F(AttributesTest, TableIndexIsMixedRadix) {
    load("number ( sg , pl ) person ( p1 , p2 , p3 ) %");
    struct Case {
        const char* text;
        int index, size;
    } cases[] = {
        {"sg", 0, 2}, {"pl", 1, 2}, {"pl.p1", 3, 6}, {"pl.p3", 5, 6}, {"p2.sg", 2, 6},
    };
    for (const Case& c : cases) {
        int size = 0;
        EXPECT_EQ(match_index(nullptr, c.text, &size), c.index) << c.text;
        EXPECT_EQ(size, c.size) << c.text;
    }
    int size = 0;
    EXPECT_EQ(match_index(nullptr, "", &size), -1);

    // With open types the node's own compound supplies the values; '/'
    // components take part in matching only.
    treenode node{};
    add_attr_to_list(&node.attributes, make("pl.p2"));
    EXPECT_EQ(match_index(&node, "number.person", &size), 4);
    EXPECT_EQ(size, 6);
    EXPECT_EQ(match_index(&node, "/number.person", &size), 1);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(match_index(&node, "number", &size), -1);
    EXPECT_EQ(errors().back(), "ERROR   Table index attribute type not present in node  ");
    purge_attr_list(&node.attributes);
}

TEST_F(AttributesTest, IndirectionLists) {
    indir_list l = nullptr;
    t_indirection a = create_indir_node();
    a->fieldnum = 5;
    a->tag = strdup_("obj");
    t_indirection b = create_indir_node();
    b->fieldnum = 7;
    b->attributes = strdup_("sg");
    add_to_indir_list(&l, a);
    add_to_indir_list(&l, b);
    EXPECT_EQ(indirect_count(l), 2);
    EXPECT_EQ(indir_list_element(l, 1), a);
    EXPECT_EQ(indir_list_element(l, 2), b);
    EXPECT_EQ(indir_list_element(l, 3), nullptr);
    EXPECT_EQ(duplicate_indirection_node(nullptr), nullptr);

    indir_list copy = duplicate_indir_list(l);
    ASSERT_EQ(indirect_count(copy), 2);
    t_indirection ca = indir_list_element(copy, 1);
    EXPECT_NE(ca, a);
    EXPECT_NE(ca->tag, a->tag);
    EXPECT_STREQ(ca->tag, "obj");
    EXPECT_EQ(ca->attributes, nullptr);
    EXPECT_EQ(indir_list_element(copy, 2)->fieldnum, 7);
    EXPECT_STREQ(indir_list_element(copy, 2)->attributes, "sg");
    indir_purge_list(&copy);
    EXPECT_EQ(copy, nullptr);
    indir_purge_list(&l);
    EXPECT_EQ(l, nullptr);
}

} // namespace attributes_test

namespace attributes_test {

// A compound text read once is remembered by its address: the same address
// holding another text, or the same text after the attribute file changed,
// must be read afresh.
TEST_F(AttributesTest, CompoundTextsReadAgainWhenTheTextOrTheNamesChange) {
    load("number ( sing , pl ) %");
    char text[] = "pl.sing";
    auto rows = [&]() {
        text_to_comp_array(text, 0);
        std::string out;
        for (int i = 0; i < attr_index; ++i)
            out += std::to_string(attr[i].type) + ":" + std::to_string(attr[i].value) + " ";
        return out;
    };
    EXPECT_EQ(rows(), "1:2 1:1 ");
    EXPECT_EQ(rows(), "1:2 1:1 "); // remembered
    std::memcpy(text, "sing.pl", sizeof text);
    EXPECT_EQ(rows(), "1:1 1:2 ");
    clearattributes();
    load("gender ( m , f ) number ( pl , sing ) %");
    EXPECT_EQ(rows(), "2:2 2:1 ");
    // The end of the reading is where the text stops, remembered or not.
    const char* after = text_to_comp_array(text, 0);
    EXPECT_EQ(after, text + 7);
    // A text that names a variable is read afresh each time.
    const char var[] = {'\xff', 1, 0};
    for (const auto& [value, number] : {std::pair{"m", 1}, std::pair{"f", 2}}) {
        text_to_comp_array(value, 0);
        variable_table[1] = make_full_comp_attr();
        text_to_comp_array(var, 0);
        ASSERT_EQ(attr_index, 1) << value;
        EXPECT_EQ(attr[0].value, number) << value;
        purge_comp_attr(&variable_table[1]);
    }
}

// Readings are kept for many texts at once: more stored texts than there are
// places, read in turn again and again, and one buffer refilled with one name
// and then another, each give their own components every time.
TEST_F(AttributesTest, KeptReadingsNeverStandForAnotherText) {
    load("number ( sing , pl ) gender ( m , f ) case ( nom , acc ) %");
    const char* const names[] = {"sing", "pl", "m", "f", "nom", "acc"};
    std::vector<std::string> texts;
    for (int i = 0; i < 700; ++i)
        texts.push_back(std::string(names[i % 6]) + "." + names[(i / 6) % 6] + "." +
                        names[(i / 36) % 6]);
    auto rows = [](const char* t) {
        text_to_comp_array(t, 0);
        std::string out;
        for (int i = 0; i < attr_index; ++i)
            out += std::string(att_get_name(attr[i].type, attr[i].value)) + ".";
        return out;
    };
    for (int round = 0; round < 3; ++round)
        for (const std::string& t : texts)
            ASSERT_EQ(rows(t.c_str()), t + ".") << "round " << round;
    // A remembered reading sets the array's flags as the first one did.
    struct Flags {
        const char* text;
        int values;
        int decons;
    };
    for (const Flags& f : {Flags{"sing.pl", 1, 0}, Flags{"number", 0, 0},
                           Flags{"/sing./pl", 1, 1}, Flags{"/number.m", 0, 0}}) {
        for (int again = 0; again < 2; ++again) {
            text_to_comp_array(f.text, 1);
            EXPECT_EQ(all_values, f.values) << f.text << " again " << again;
            EXPECT_EQ(all_decon, f.decons) << f.text << " again " << again;
        }
    }
    char buffer[8];
    for (int round = 0; round < 6; ++round) {
        for (const char* name : {"sing", "pl", "m"}) {
            std::strcpy(buffer, name);
            ASSERT_EQ(rows(buffer), std::string(name) + ".") << "round " << round;
            text_to_comp_struct(buffer, 0);
            ASSERT_NE(comp_attr_register, nullptr);
            EXPECT_STREQ(att_get_name(delayed[comp_attr_register->index].class_,
                                      delayed[comp_attr_register->index].choice),
                         name);
            purge_comp_attr(&comp_attr_register);
        }
    }
}

} // namespace attributes_test
