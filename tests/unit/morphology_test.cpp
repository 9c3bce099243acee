// Morphology: the rule and tables readers with their messages, the guard
// language, morph expressions with table references, and the passes over a
// tree's leaves.
#include "morph_fixture.hpp"

#include <map>

#include "bormo/sentences.hpp"
#include "bormo/syntax.hpp"
#include "editor/commands.hpp"

namespace morphology_test {

using namespace bormo;

class MorphologyTest : public MorphFixture {
  protected:
    void rules(const std::string& text) { new_readmorph(file("morph", text).c_str()); }
    void tables(const std::string& text) { new_readtables(file("tables", text).c_str()); }

    // Evaluates an expression for a node and returns the output.
    static std::string eval(t_treenode* node, const char* text) {
        current_node = node;
        m_exp(text);
        return m_out.data();
    }
};

struct ReaderCase {
    const char* text;
    const char* message; // a message line that must appear once
    const char* rules;   // names of the rules loaded, in order, blank separated
};

TEST_F(MorphologyTest, RuleFileMessages) {
    const ReaderCase cases[] = {
        {"x y RULE a * : \"a\" ;", "ERROR morphology input  text before first RULE  ", "a"},
        {"RULE ; RULE b * : \"b\" ;", "ERROR morphology input  rule has no name  ", "b"},
        {"RULE a * : \"x\" ; RULE a * : \"y\" ; RULE c * : \"z\" ;",
         "ERROR morphology input  rule name repeated a ", "a c"},
        {"RULE a sg : \"x\" : \"y\" ; * : \"z\" ;",
         "ERROR morphology input rule a second COLON in subrule  ", "a"},
        {"RULE a \"x\" ; * : \"y\" ;", "ERROR morphology input rule a incomplete subrule  ", "a"},
        {"RULE a * : \"x\" ; sg : \"y\" RULE b * : \"z\" ;",
         "ERROR morphology input rule a last subrule incomplete  ", "a b"},
        {"RULE a * : \"x\" ; sg", "ERROR morphology input rule a last subrule incomplete  ", "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        resetmorphology();
        oxa::resetstore();
        rules(c.text);
        EXPECT_EQ(count_messages(c.message), 1) << ::testing::PrintToString(messages());
        std::string names;
        for (int k = 0; k <= numrules; ++k) {
            if (!names.empty()) names += ' ';
            names += ruleheader[k]->rulename;
        }
        EXPECT_EQ(names, c.rules);
        EXPECT_EQ(file_position, "");
    }
}

TEST_F(MorphologyTest, RuleTextsAndListing) {
    // The first definition of a repeated name is kept; "%" is dropped; the
    // keywords of the guards are kept as their codes.
    rules("RULE plur pl , \"*s\" : ! ; pl : ! % \"s\" ; * : ! ;\n"
          "RULE pre _pre_ sg : \"p\" ;\n"
          "RULE plur * : \"no\" ;\n");
    ASSERT_EQ(numrules, 1);
    subrule* s = find_mrule("plur");
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->guard, "pl,\"*s\":");
    EXPECT_STREQ(s->mexp, "!|");
    ASSERT_NE(s->nextsub, nullptr);
    EXPECT_STREQ(s->nextsub->mexp, "!\"s\"|");
    EXPECT_STREQ(find_mrule("pre")->guard, "\x0esg:");
    EXPECT_EQ(find_mrule("none"), nullptr);
    print_mrules();
    EXPECT_EQ(count_messages("rule: 0 name: plur guard: pl,\"*s\": mexp: !|"), 1);
    EXPECT_EQ(count_messages("rule: 0 name: plur guard: *: mexp: !|"), 1);
    EXPECT_EQ(count_messages("rule: 1 name: pre guard: _pre_sg: mexp: \"p\"|"), 1);
    EXPECT_EQ(count_messages("Finished reading morphology input from file"), 1);
    clear_mrules();
    EXPECT_EQ(numrules, -1);
    EXPECT_EQ(find_mrule("plur"), nullptr);
}

TEST_F(MorphologyTest, TooManyRulesStopsReading) {
    std::string text;
    for (int i = 0; i < MAXRULES + 2; ++i)
        text += "RULE r" + std::to_string(i) + " * : \"x\" ;\n";
    rules(text);
    EXPECT_EQ(numrules, MAXRULES - 1);
    EXPECT_EQ(count_messages("too many rules"), 1);
    EXPECT_NE(find_mrule("r499"), nullptr);
    EXPECT_EQ(find_mrule("r500"), nullptr);
}

TEST_F(MorphologyTest, TablesFileAndListing) {
    tables("conj ( \"e\" , \"es\" , \"e\" , \"ons\" , \"ez\" , \"ent\" )\n"
           "stem ( #1 - - , $plur % )\n");
    table* t = find_table("conj");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->count, 6);
    EXPECT_STREQ(t->elements, "\"e\"|\"es\"|\"e\"|\"ons\"|\"ez\"|\"ent\"|");
    table* s = find_table("stem");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->count, 2);
    EXPECT_STREQ(s->elements, "#1--|$plur|");
    print_tables();
    EXPECT_EQ(count_messages("table conj, 6 elements: \"e\"|\"es\"|\"e\"|\"ons\"|\"ez\"|\"ent\"|"),
              1);
    EXPECT_EQ(count_messages("table stem, 2 elements: #1--|$plur|"), 1);
    EXPECT_EQ(count_messages("Finished reading table input from file"), 1);
    clear_tables();
    EXPECT_EQ(find_table("conj"), nullptr);
}

struct GuardCase {
    const char* guard;
    bool result;
};

TEST_F(MorphologyTest, GuardsOnTheMiddleLeaf) {
    // le (sg, masc) | chat (sg.third, masc; field 5 "x,y:noun;z") | dorment (pl)
    t_treenode* a = leaf("le", {"sg", "masc"}, "\"le\"|DET||0001|x|");
    t_treenode* b = leaf("chat", {"sg.third", "masc"}, "\"chat\"|N||0001|x,y:noun;\"z\"|");
    t_treenode* c = leaf("dorment", {"pl"});
    tree({a, b, c});
    const GuardCase cases[] = {
        {"*:", true},
        {"sg.third:", true},
        {"number.person:", true},
        {"sg:", false}, // one component against two
        {"pl.third:", false},
        {"masc:", true},
        {"fem:", false},
        {"\"ch*\":", true},
        {"\"le\":", false},
        {"sg.third,masc:", true},
        {"sg.third,fem:", false},
        {"pl.third|masc:", true},
        {"pl.third,masc|\"chat\":", true},
        {"pl.third,masc|fem:", false},
        {"(pl.third|masc),\"chat\":", true},
        {"(pl.third|fem),\"chat\":", false},
        {"1'pl:", true},
        {"-1'sg:", true},
        {"-1'\"le\",masc:", true},
        {"1'pl,masc:", false}, // the designator stays in force: the next leaf has no gender
        {"1'sg|masc:", true},  // at "|" the designator returns to the current node
        {"1'(sg|pl),-1'masc:", true},
        {"1'(pl),fem:", false},
        {"2'*:", false},
        {"-2'*:", false},
        {"<5=y>:", true},
        {"<5=noun>:", true},
        {"<5=\"z\">:", true},
        {"<5=w*>:", false},
        {"<9=x>:", false},
        {"-1'<5=x>:", true},
        {"1'<5=*>:", false}, // no word found for the last leaf
        {"((((masc)))):", true},
        {"?:", false},
    };
    // The second pass reads each guard from its kept shape.
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& g : cases) {
            SCOPED_TRACE(std::string(g.guard) + (pass ? " (kept)" : ""));
            current_node = b;
            EXPECT_EQ(m_guard(g.guard), g.result ? 1 : 0);
            EXPECT_EQ(*end_guard, ':');
            EXPECT_EQ(end_guard, g.guard + std::strlen(g.guard) - 1);
        }
    }
}

TEST_F(MorphologyTest, KeptGuardShapeFollowsTheText) {
    t_treenode* a = leaf("le", {"sg", "masc"});
    t_treenode* b = leaf("chat", {"sg.third", "masc"});
    tree({a, b});
    const std::string deep19 = std::string(19, '(') + "masc" + std::string(19, ')') + ":";
    const std::string deep20 = std::string(20, '(') + "masc" + std::string(20, ')') + ":";
    // Each text is put in turn in one buffer, so that every guard is read at
    // the address where the one before it was kept.
    const struct {
        std::string text;
        bool result;
    } cases[] = {
        {"masc:", true},
        {"fem:", false},
        {"fem:x", false},
        {"masc)fem:", true}, // a stray ')': what follows is more alternatives
        {"fem)masc:", true},
        {"masc?:", false}, // bytes after a term that are not understood
        {"-1'sg,masc:", true},
        {"-1'sg,\"ch*\":", false}, // the designator holds for the next term
        {"-1'fem|\"ch*\":", true}, // but not for the next alternative
        {"fem|-1'(\"x\"|\"l*\"),masc:", true},
        {"masc", true}, // no ':': the end of the text
        {deep19, true},
        {deep20, false}, // a group nested too deep is false
    };
    std::array<char, 64> buf{};
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.text);
            std::memcpy(buf.data(), c.text.c_str(), c.text.size() + 1);
            current_node = b;
            EXPECT_EQ(m_guard(buf.data()), c.result ? 1 : 0);
            const size_t colon = c.text.find(':');
            EXPECT_EQ(end_guard, buf.data() + (colon == std::string::npos ? c.text.size() : colon));
        }
    }
    // A byte changed in place after the guard's end does not matter; one
    // before it does.
    current_node = b;
    std::memcpy(buf.data(), "fem:x", 6);
    EXPECT_EQ(m_guard(buf.data()), 0);
    buf[4] = 'y';
    EXPECT_EQ(m_guard(buf.data()), 0);
    buf[0] = '*';
    buf[1] = ':';
    EXPECT_EQ(m_guard(buf.data()), 1);
    EXPECT_EQ(end_guard, buf.data() + 1);
}

TEST_F(MorphologyTest, KeptGuardShapesGoWithTheRules) {
    // A rule file read again, likely at the same addresses, with other guards.
    t_treenode* n = leaf("chat", {"sg", "masc"});
    for (int round = 0; round < 3; ++round) {
        const bool fem = round % 2 == 1;
        clear_mrules();
        rules(fem ? "RULE r fem : \"f\" ; * : \"o\" ;" : "RULE r masc : \"m\" ; * : \"o\" ;");
        EXPECT_EQ(eval(n, "$r|"), fem ? "o" : "m");
    }
}

TEST_F(MorphologyTest, GuardStopsEarlyWithoutFixingValues) {
    // A term that is not needed is not evaluated: the open gender stays open.
    t_treenode* n = leaf("x", {"gender"});
    const char* after = nullptr;
    EXPECT_TRUE(eval_guard(n, "*|masc:rest", &after));
    EXPECT_STREQ(after, "rest");
    EXPECT_EQ(first_value(n), -1);
    EXPECT_FALSE(eval_guard(n, "\"y\",masc:", nullptr));
    EXPECT_EQ(first_value(n), -1);
    // A needed term fixes it at random, to one of the two values.
    bool masc = eval_guard(n, "\"y\"|masc:", nullptr);
    EXPECT_NE(first_value(n), -1);
    EXPECT_EQ(masc, first_value(n) == 1);
    EXPECT_EQ(current_node, nullptr);
}

TEST_F(MorphologyTest, GuardsAboutPreselections) {
    t_treenode* n = leaf("x", {"sg"});
    current_node = n;
    EXPECT_EQ(m_guard("\x0esg:"), 0);
    EXPECT_EQ(count_messages("Preselection:  No preselection rule"), 1);
    EXPECT_EQ(m_guard("\x11sg:"), 0);
    EXPECT_EQ(count_messages("Guard following _is_ not in proper form"), 1);

    // A preselection keyed sg whose word is a plural noun.
    std::string rec = "\"chats\"|N|" + std::string{static_cast<char>(ATTRCODE), 1, 2} + " |0001|||";
    t_treenode* word = leaf("chats", {}, rec.c_str());
    pre_rule pre{comp("sg"), 1, word, nullptr};
    preselect_list = &pre;
    EXPECT_EQ(m_guard("\x0esg:"), 1);
    EXPECT_EQ(m_guard("\x0epl:"), 0);
    EXPECT_EQ(m_guard("\x11pl\x0esg:"), 1);
    EXPECT_EQ(m_guard("\x11sg\x0esg:"), 0);
    EXPECT_EQ(m_guard("\x11pl\x0epl:"), 0);
    EXPECT_EQ(count_messages("Preselection:  No matching PST: "), 1);
    preselect_list = nullptr;
    purge_comp_attr(&pre.PST);
}

struct ExpCase {
    const char* exp;
    int node;            // 0: sg.third; 1: pl.third; 2: sg and second apart; 3: no lookup
    const char* result;  // output
    const char* message; // a message line, or null
};

TEST_F(MorphologyTest, Expressions) {
    rules("RULE plur pl.third|pl : ! \"s\" ; * : ! ;\n"
          "RULE never fem : \"f\" ;\n"
          "RULE deflt masc : \"m\" ; * : \"d\" ;\n");
    tables("conj ( \"e\" , \"es\" , \"e\" , \"ons\" , \"ez\" , \"ent\" )\n"
           "tiny ( \"a\" , \"b\" )\n"
           "nest ( #1 \"x\" , $plur )\n");
    const char* rec = "\"chat\"|N||0001|#1 \"s\"|||";
    t_treenode* nodes4[] = {
        leaf("chat", {"sg.third"}, rec),
        leaf("chat", {"pl.third"}, rec),
        leaf("chat", {"sg", "second", "masc"}, rec),
        leaf("mot", {}),
    };
    const ExpCase cases[] = {
        {"\"chat\" \"s\"|", 0, "chats", nullptr},
        {"\"a\"+\"b\"|", 0, "ab", nullptr},
        {"\"a b\"|", 0, "a b", nullptr},
        {"#1|", 0, "chat", nullptr},
        {"#1 \"s\"|", 0, "chats", nullptr},
        {"#1 - -|", 0, "ch", nullptr},
        {"#1 &|", 0, "chatt", nullptr},
        {"- & \"a\" -|", 0, "", nullptr},
        {"! \"x\"|", 3, "motx", nullptr},
        {"#5|", 0, "chats", nullptr},
        {"#6|", 0, "", nullptr},
        {"#9|", 0, "", "Bad field reference: field 9 from lsp 0"},
        {"#1|", 3, "", "Bad field reference: field 1 from lsp 0"},
        {"$plur|", 0, "chat", nullptr},
        {"$plur|", 1, "chats", nullptr},
        {"$never|", 0, "", nullptr},
        {"$deflt|", 0, "d", nullptr},
        {"$deflt|", 2, "m", nullptr},
        {"$missing \"x\"|", 0, "x", "ERROR   Reference to non-existent morph rule missing "},
        {"\"chant\" conj(number.person)|", 0, "chante", nullptr},
        {"\"chant\" conj(number.person)|", 1, "chantent", nullptr},
        {"conj(number,person)|", 2, "es", nullptr},
        {"conj(pl.first)|", 3, "ons", nullptr},
        {"conj(pl,second)|", 3, "ez", nullptr},
        {"conj(sg.first)conj(sg.second)|", 3, "ees", nullptr},
        {"conj(gender)|", 0, "", "ERROR   Table index attribute type not present in node  "},
        {"nope(sg)\"x\"|", 0, "x", "ERROR   Table not found nope "},
        {"tiny(number.person)|", 1, "", "ERROR   Table index too high tiny "},
        {"tiny(pl)|", 0, "b", nullptr},
        {"tiny( pl )|", 0, "b", nullptr},
        {"nest(sg)|", 0, "chatx", nullptr},
        {"nest(pl)|", 1, "chats", nullptr},
        {"\"ab\"|\"cd\"|", 0, "ab", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exp);
        oxa::resetstore();
        EXPECT_EQ(eval(nodes4[c.node], c.exp), c.result);
        if (c.message)
            EXPECT_EQ(count_messages(c.message), 1) << ::testing::PrintToString(messages());
        else
            EXPECT_EQ(messages().size(), 0u) << ::testing::PrintToString(messages());
    }
}

TEST_F(MorphologyTest, TwoIndexesOfTwoAndThreeValuesSelectTheSixthElement) {
    // number has 2 values, person 3: (2-1)*3 + (3-1) + 1 = 6.
    tables("t ( \"1\" , \"2\" , \"3\" , \"4\" , \"5\" , \"6\" )");
    t_treenode* n = leaf("", {"pl", "third"});
    EXPECT_EQ(eval(n, "t(number,person)|"), "6");
    EXPECT_EQ(eval(n, "t(number.person)|"), "");
}

TEST_F(MorphologyTest, LimitsOfNestingAndOutput) {
    rules("RULE loop * : \"a\" $loop ;");
    t_treenode* n = leaf("", {});
    std::string out = eval(n, "$loop|");
    EXPECT_EQ(count_messages("Morph expressions nested too deeply"), 1);
    EXPECT_EQ(out, std::string(EXPSTACK - 1, 'a'));
    std::string long_word = "\"" + std::string(200, 'z') + "\"";
    EXPECT_EQ(eval(n, (long_word + "|").c_str()), std::string(MOUTSIZE - 1, 'z'));
    EXPECT_EQ(eval(n, (long_word + "-|").c_str()), std::string(MOUTSIZE - 2, 'z'));
    // Every evaluation ends in ordinary generation mode.
    MState = 1;
    EXPECT_EQ(eval(n, "\"a\"|"), "a");
    EXPECT_EQ(MState, 0);
}

TEST_F(MorphologyTest, PassesOverTheLeafThread) {
    rules("RULE plur pl : ! \"s\" ; * : ! ;");
    // Field 5 makes the word, field 6 refines it; the verb has no field 6; the
    // last leaf's lookup failed.
    t_treenode* det = leaf("", {"pl"}, "\"le\"|DET||0001|#1 -|\"les\"|");
    t_treenode* noun = leaf("", {"pl"}, "\"chat\"|N|number|0001|#1|$plur|");
    t_treenode* verb = leaf("", {"pl"}, "\"dort\"|V||0001|#1 \"ent\"||");
    t_treenode* lost = leaf("old", {"pl"});
    t_treenode* root = tree({det, noun, verb, lost});
    morph_tree(root, 5);
    EXPECT_STREQ(det->morphed_word, "l");
    EXPECT_STREQ(noun->morphed_word, "chat");
    EXPECT_STREQ(verb->morphed_word, "dortent");
    morph_tree(root, 6);
    EXPECT_STREQ(det->morphed_word, "les");
    EXPECT_STREQ(noun->morphed_word, "chats");
    EXPECT_STREQ(verb->morphed_word, "dortent");
    EXPECT_STREQ(lost->morphed_word, "old");
    EXPECT_EQ(traverseleaves(noun, 2), lost);
    EXPECT_EQ(traverseleaves(noun, -1), det);
    EXPECT_EQ(traverseleaves(noun, 0), noun);
    EXPECT_EQ(traverseleaves(noun, 3), nullptr);
    EXPECT_EQ(traverseleaves(noun, -2), nullptr);
}

TEST_F(MorphologyTest, CommandsLoadAndRemoveTheKinds) {
    std::strncpy(oxa::curfile.data(), file("m", "RULE a * : \"x\" ;").c_str(), oxa::STRSIZE - 1);
    vreadmorph();
    std::strncpy(oxa::curfile.data(), file("t", "t ( \"x\" )").c_str(), oxa::STRSIZE - 1);
    vreadtables();
    EXPECT_EQ(installed & (VF_MO | VF_TB), VF_MO | VF_TB);
    EXPECT_EQ(numrules, 0);
    EXPECT_NE(find_table("t"), nullptr);
    std::strncpy(oxa::curfile.data(), file("m2", "RULE b * : \"y\" ;").c_str(), oxa::STRSIZE - 1);
    vreadmorph();
    EXPECT_EQ(find_mrule("a"), nullptr);
    EXPECT_NE(find_mrule("b"), nullptr);
    uninstall(VF_ALL);
    EXPECT_EQ(numrules, -1);
    EXPECT_EQ(tablelist, nullptr);
    EXPECT_EQ(count_messages("uninstalled: MO, TB"), 1);
}

TEST_F(MorphologyTest, GenerationInflectsThroughRulesAndTables) {
    // The determiner comes from a table, the noun from field 1 refined by a
    // rule in the second pass, the verb from a rule indexing a table by two
    // attributes; the three agree in number.
    resetsyntax();
    resetexpansion();
    resetsentences();
    read_terminals(file("term", "DET N V").c_str());
    initdict();
    readdict(file("lex", "\"le\"|DET|number|0001|art(number)||\n"
                         "\"chat\"|N|number|0001|#1|$plur|\n"
                         "\"dorm\"|V|number.person|0001|$verb||\n")
                 .c_str());
    read_syntax(file("syn", "ROOT = CHOOSE n : number ; DET [n] N [n] V [n.third] %").c_str());
    rules("RULE plur pl : ! \"s\" ; * : ! ;\n"
          "RULE verb * : #1 conj(number.person) ;");
    tables("conj ( \"e\" , \"es\" , \"e\" , \"ons\" , \"ez\" , \"ent\" )\n"
           "art ( \"le\" , \"les\" )");
    std::map<std::string, int> seen;
    reseed(5);
    for (int i = 0; i < 40; ++i) {
        interpret();
        ASSERT_NE(genSentences[0], nullptr);
        seen[genSentences[0]]++;
    }
    EXPECT_EQ(seen.size(), 2u) << ::testing::PrintToString(seen);
    EXPECT_GT(seen["le chat dorme"], 0);
    EXPECT_GT(seen["les chats dorment"], 0);
    EXPECT_EQ(count_messages("ERROR"), 0) << ::testing::PrintToString(messages());
    resetexpansion();
    resetsentences();
    resetsyntax();
}

} // namespace morphology_test
