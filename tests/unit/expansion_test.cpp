// Tree expansion on small language files written by each test: agreement
// through shared attribute values, choices, guards, trees that name ROOT,
// preselection, the node limit, tree copies and restriction strings.
#include "generation_fixture.hpp"

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/indirection.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/sentences.hpp"
#include "bormo/syntax.hpp"

namespace expansion_test {

using namespace bormo;

const char* const ATTRS = "number ( sing , pl ) %\n";
const char* const TERMS = "DET N V A B C X Y\n";
// Field 5 of each entry is the first morphology pass: the word itself.
const char* const LEXICON = "\"the\"|DET|sing|10|#1|\n"
                            "\"these\"|DET|pl|10|#1|\n"
                            "\"cat\"|N|sing|10|#1|\n"
                            "\"cats\"|N|pl|10|#1|\n"
                            "\"sleeps\"|V|sing|10|#1|\n"
                            "\"sleep\"|V|pl|10|#1|\n"
                            "\"a\"|A||10|#1|\n\"b\"|B||10|#1|\n\"c\"|C||10|#1|\n"
                            "\"x\"|X||10|#1|\n\"y\"|Y||10|#1|\n";
const char* const AGREEMENT = "S = CHOOSE n : number ; NP [n] VP [n] %\n"
                              "NP = INHERIT m : number ; DET [m] N [m] %\n"
                              "VP = INHERIT m : number ; V [m] %\n";

class ExpansionTest : public GenerationTest {
  protected:

    void load(const std::string& syntax) {
        readattr(file("attr", ATTRS).c_str());
        read_terminals(file("term", TERMS).c_str());
        initdict();
        readdict(file("lex", LEXICON).c_str());
        read_syntax(file("syn", syntax).c_str());
    }

    // One run from a fixed seed; returns sentence `n`, or "<none>".
    static std::string run(unsigned long sd, int n = 0) {
        reseed(static_cast<long>(sd));
        interpret();
        return genSentences[n] ? genSentences[n] : "<none>";
    }

    // The leaves along the thread.
    static std::vector<t_treenode*> leaves(t_treenode* tree) {
        std::vector<t_treenode*> out;
        t_treenode* l = tree;
        while (l && l->son)
            l = l->son;
        for (; l; l = l->right)
            out.push_back(l);
        return out;
    }

    // The nodes without children, left to right, by walking the tree.
    static void walk_leaves(t_treenode* t, std::vector<t_treenode*>& out) {
        for (; t; t = t->sibling) {
            if (t->son)
                walk_leaves(t->son, out);
            else
                out.push_back(t);
        }
    }
};

// Seeds large enough that the generator's first draws spread over the range.
const unsigned long SEEDS[] = {123456789, 987654321, 55555555,  1234567,   77777777,
                               31415927,  27182818,  161803398, 141421356, 173205080,
                               223606797, 244948974, 264575131, 282842712, 300000001};

TEST_F(ExpansionTest, AttachedVariableMakesDeterminerNounAndVerbAgree) {
    load(std::string("ROOT = S %\n") + AGREEMENT);
    std::set<std::string> seen;
    for (unsigned long sd : SEEDS) {
        std::string s = run(sd);
        EXPECT_TRUE(s == "the cat sleeps" || s == "these cats sleep") << s;
        seen.insert(s);
        // The three leaves carry one compound each, all on one delay entry.
        auto lv = leaves(root);
        ASSERT_EQ(lv.size(), 3u);
        ASSERT_NE(lv[0]->attributes, nullptr);
        int index = lv[0]->attributes->first->index;
        for (t_treenode* l : lv) {
            ASSERT_NE(l->attributes, nullptr) << l->name;
            EXPECT_EQ(l->attributes->first->index, index) << l->name;
            EXPECT_EQ(l->attributes->next, nullptr) << l->name;
        }
        EXPECT_EQ(delayed[index].fixed, 1);
    }
    EXPECT_EQ(seen.size(), 2u) << "both numbers are drawn over the seeds";
    EXPECT_EQ(count_messages("Generation results:"), static_cast<int>(std::size(SEEDS)));
    EXPECT_EQ(count_messages("  ******"), static_cast<int>(std::size(SEEDS)));
}

TEST_F(ExpansionTest, ValueStaysOpenThroughExpansionUntilTheChoices) {
    load(std::string("ROOT = S %\n") + AGREEMENT);
    read_syntax(file("syn2", "ROOT = S %\n").c_str()); // ROOT now stops at S's expansion
    nodecount = 0;
    treestate = 0;
    t_treenode* s = makenode("S");
    expand_tree(s);
    ASSERT_NE(s->son, nullptr);
    comp_attr np = s->son->attributes->first;
    comp_attr vp = s->son->sibling->attributes->first;
    EXPECT_EQ(np->index, vp->index);
    EXPECT_EQ(delayed[np->index].choice, -1);
    EXPECT_EQ(delayed[np->index].fixed, 0);
    make_all_choices();
    EXPECT_EQ(delayed[np->index].fixed, 1);
    EXPECT_TRUE(delayed[np->index].choice == 1 || delayed[np->index].choice == 2);
    purge_tree(s);
}

TEST_F(ExpansionTest, InheritAskingForAValueFixesTheParentsOpenValue) {
    load("ROOT = CHOOSE n : number ; X [n] %\nX = INHERIT m : pl ; A [m] %\n");
    int shared = 0, fresh = 0;
    for (unsigned long sd : SEEDS) {
        run(sd);
        t_treenode* x = root->son;
        t_treenode* a = x->son;
        ASSERT_NE(a, nullptr);
        int parent = x->attributes->first->index;
        int child = a->attributes->first->index;
        // The parent's value was drawn when the pattern needed it.
        EXPECT_EQ(delayed[parent].fixed, 1);
        if (delayed[parent].choice == 2) { // pl: the pattern matched
            EXPECT_EQ(child, parent);
            ++shared;
        } else { // sing: a fresh compound with the pattern's value
            EXPECT_NE(child, parent);
            EXPECT_EQ(delayed[child].choice, 2);
            ++fresh;
        }
    }
    EXPECT_GT(shared, 0);
    EXPECT_GT(fresh, 0);
}

TEST_F(ExpansionTest, ChoicesTakeEachAlternativeAndSkipNestedOnesWhole) {
    load("ROOT = ( A ( X | Y ) | B | C ) %\n");
    std::set<std::string> seen;
    for (unsigned long sd : SEEDS) {
        std::string s = run(sd);
        seen.insert(s);
        EXPECT_TRUE(s == "a x" || s == "a y" || s == "b" || s == "c") << s;
        // The same seed gives the same sentence.
        EXPECT_EQ(run(sd), s);
    }
    EXPECT_TRUE(seen.count("b") && seen.count("c") && (seen.count("a x") || seen.count("a y")));
}

TEST_F(ExpansionTest, GuardsChooseTheRightHandSide) {
    struct Case {
        const char* rule;     // the rule of G, which ROOT attaches [pl] to
        const char* sentence; // what ROOT becomes
    };
    const Case cases[] = {
        {"G = < sing : A > < pl : B > C %", "b"},      // the first true guard
        {"G = < pl : A > < pl : B > %", "a"},          // only the first of two true ones
        {"G = < sing : A > > C %", "c"},               // the default when none holds
        {"G = < pl : A > > C %", "a"},                 // the default is not also taken
        {"G = < sing : A > < sing : B > %", ""},       // none true and no default: a leaf
        {"G = < sing | pl : A > > C %", "a"},          // alternatives
        {"G = < pl , sing : A > > C %", "c"},          // both terms must hold
        {"G = < ( sing | pl ) , pl : A > > C %", "a"}, // groups
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        resetsyntax();
        read_syntax(file("g", std::string("ROOT = G [pl] %\n") + c.rule + "\n").c_str());
        static bool loaded = false;
        if (!loaded) {
            readattr(file("attr", ATTRS).c_str());
            read_terminals(file("term", TERMS).c_str());
            initdict();
            readdict(file("lex", LEXICON).c_str());
            loaded = true;
            resetsyntax();
            read_syntax(file("g", std::string("ROOT = G [pl] %\n") + c.rule + "\n").c_str());
        }
        EXPECT_EQ(run(123456789), c.sentence);
    }
}

TEST_F(ExpansionTest, TreeThatNamesRootHoldsACopyWithTheSameWords) {
    load(std::string("ROOT = S %\n") + AGREEMENT + "QUESTION = ROOT %\nANSWER = ROOT A %\n");
    for (unsigned long sd : {123456789UL, 987654321UL, 77777777UL}) {
        std::string q = run(sd, 1);
        std::string a = run(sd, 2);
        EXPECT_EQ(a, q + " a");
        EXPECT_EQ(genSentences[0], nullptr);
        auto rl = leaves(rootPtrs[1]);
        ASSERT_EQ(rl.size(), 3u);
        std::vector<t_treenode*> orig; // ROOT itself is not threaded in this run
        walk_leaves(root->son, orig);
        ASSERT_EQ(orig.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_NE(rl[i], orig[i]);                         // a copy ...
            EXPECT_EQ(rl[i]->dictionary, orig[i]->dictionary); // ... sharing the lookups
        }
    }
    EXPECT_EQ(count_messages("Transformed Sentence"), 0);
    EXPECT_GT(count_messages("Question  : "), 0);
    EXPECT_GT(count_messages("Answer    : "), 0);
}

TEST_F(ExpansionTest, NodeWithoutRuleIsATerminalWithItsOwnLookup) {
    load("ROOT = A B %\n");
    run(123456789);
    auto lv = leaves(root);
    ASSERT_EQ(lv.size(), 2u);
    EXPECT_STREQ(lv[0]->name, "A");
    EXPECT_EQ(lv[0]->dictionary, &dict_table[0]);
    EXPECT_EQ(lv[1]->dictionary, &dict_table[1]);
    EXPECT_EQ(lv[1]->index, 1);
    EXPECT_EQ(d_table_count, 2);
    EXPECT_EQ(root->dictionary, nullptr);
    EXPECT_EQ(lv[0]->left, nullptr);
    EXPECT_EQ(lv[0]->right, lv[1]);
    EXPECT_EQ(lv[1]->left, lv[0]);
    EXPECT_EQ(lv[1]->right, nullptr);
    // A second run reuses the table from the bottom.
    run(987654321);
    EXPECT_EQ(d_table_count, 2);
}

TEST_F(ExpansionTest, RunawayRecursionStopsAtTheNodeLimit) {
    load("ROOT = R %\nR = A R %\n");
    std::string s = run(123456789);
    EXPECT_GE(count_messages("cf expansion terminated"), 1);
    EXPECT_LE(nodecount, MAXNODES + 2);
    EXPECT_EQ(s.substr(0, 4), "a a ");
    EXPECT_EQ(count_messages("  ******"), 1);
}

TEST_F(ExpansionTest, MandatedWordAndFrequencyReachTheLookup) {
    load("ROOT = N /\"cats\" V [pl] /+7 %\n");
    EXPECT_EQ(run(123456789), "cats sleep");
    auto lv = leaves(root);
    ASSERT_EQ(lv.size(), 2u);
    EXPECT_STREQ(lv[0]->preferredchoice, "cats");
    EXPECT_STREQ(lv[0]->dictionary->preferredchoice, "cats");
    EXPECT_EQ(lv[1]->vf, 7);
}

TEST_F(ExpansionTest, UnknownTransformationNameIsReported) {
    load("ROOT = NOSUCH:A %\n");
    EXPECT_EQ(run(123456789), "a");
    EXPECT_EQ(count_messages(" - Bad Transformation Name: "), 1);
}

TEST_F(ExpansionTest, PreselectedWordIsUsedAndItsKeyCanBeSelected) {
    load(std::string("PRESELECT = pl : N [pl] %\n") +
         "ROOT = SELECT v : _pre_ pl ; DET [v] N /_pre_ pl V [v] %\n");
    for (unsigned long sd : {123456789UL, 987654321UL, 77777777UL})
        EXPECT_EQ(run(sd), "these cats sleep");
    ASSERT_NE(preselect_list, nullptr);
    EXPECT_EQ(preselect_list->node, 1);
    EXPECT_EQ(preselect_barrier, 1); // the preselected word's lookup lies below the run's
    print_preselect_list();
    EXPECT_EQ(count_messages("pl"), 1);
    EXPECT_EQ(count_messages("    \"cats\"|N|"), 1);
}

TEST_F(ExpansionTest, PreselectionFailuresAreReportedAndTheRunGoesOn) {
    struct Case {
        const char* syntax;
        const char* message;
    };
    const Case cases[] = {
        {"ROOT = SELECT v : number ; N [v] %\n", "No preselection token in SELECT clause"},
        {"ROOT = N /_pre_ pl %\n", "Preselection:  No preselection rule"},
        {"PRESELECT = sing : N %\nROOT = N /_pre_ pl %\n", "No matching PST: "},
        {"PRESELECT = pl %\nROOT = N /_pre_ pl %\n", "Matching PST has no right-hand side: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.syntax);
        clean();
        oxa::resetstore();
        load(c.syntax);
        run(123456789);
        EXPECT_EQ(count_messages(c.message), 1);
        EXPECT_EQ(count_messages("  ******"), 1);
    }
}

TEST_F(ExpansionTest, GlobalPreselectionSurvivesRunsUntilCleared) {
    load("PRESELECT = sing : N %\nROOT = N /_pre_ sing %\n");
    global_preselect();
    EXPECT_EQ(count_messages("Global preselection complete"), 1);
    EXPECT_EQ(global_barrier, 1);
    pre_rule* global = preselect_list;
    const char* word = dict_table[0].dictionary;
    ASSERT_NE(word, nullptr);
    for (unsigned long sd : {123456789UL, 987654321UL}) {
        run(sd);
        // Each run pushes its own preselection above the global one, which
        // keeps its lookup and word below the barrier.
        EXPECT_EQ(globalpre_list, global);
        ASSERT_NE(preselect_list, global);
        EXPECT_EQ(preselect_list->next, global);
        EXPECT_EQ(global->RHS->dictionary, &dict_table[0]);
        EXPECT_EQ(dict_table[0].dictionary, word);
        EXPECT_EQ(leaves(root)[0]->dictionary, preselect_list->RHS->dictionary);
    }
    clear_GP();
    EXPECT_EQ(preselect_list, nullptr);
    EXPECT_EQ(global_barrier, 0);
    EXPECT_EQ(d_table_count, 0);
    EXPECT_EQ(delayptr, 0);
}

TEST_F(ExpansionTest, CopiesShareLookupsButNotThreadsOrChildrenOfSiblings) {
    t_treenode* a = makenode("A");
    t_treenode* b = makenode("B");
    t_treenode* c = makenode("C");
    a->son = b;
    b->sibling = c;
    a->sibling = makenode("SIB");
    terminal_node(b);
    b->preferredchoice = strdup_("w");
    b->restrictions = strdup_("?|x|");
    b->vf = 4;
    thread(a);
    EXPECT_EQ(a->right, b);
    t_treenode* t = copytree(a);
    EXPECT_EQ(t->sibling, nullptr);
    ASSERT_NE(t->son, nullptr);
    EXPECT_NE(t->son, b);
    EXPECT_EQ(t->son->dictionary, b->dictionary);
    EXPECT_STREQ(t->son->preferredchoice, "w");
    EXPECT_NE(t->son->preferredchoice, b->preferredchoice);
    EXPECT_STREQ(t->son->restrictions, "?|x|");
    EXPECT_EQ(t->son->vf, 4);
    EXPECT_EQ(t->right, nullptr);
    EXPECT_EQ(t->son->right, nullptr);
    ASSERT_NE(t->son->sibling, nullptr);
    EXPECT_STREQ(t->son->sibling->name, "C");
    purge_tree(t);
    purge_tree(a->sibling);
    purge_tree(a);
}

// Names of every length survive copies and purges; a node has no word until
// morphology writes one, and a copy takes the word of its original.
TEST_F(ExpansionTest, NodeNamesOfEveryLengthAndWordsSurviveCopies) {
    const std::string names[] = {"", "N", std::string(NODENAMESIZE - 1, 'S'),
                                 std::string(NODENAMESIZE, 'L'), std::string(200, 'X')};
    for (const std::string& name : names) {
        t_treenode* a = makenode(name.c_str());
        EXPECT_EQ(a->morphed_word, nullptr) << name;
        a->son = makenode(name.c_str());
        a->son->morphed_word = strdup_("word");
        t_treenode* t = copytree(a);
        purge_tree(a); // the copy owns everything it holds
        EXPECT_EQ(std::string(t->name), name);
        EXPECT_EQ(t->morphed_word, nullptr);
        ASSERT_NE(t->son, nullptr);
        EXPECT_EQ(std::string(t->son->name), name);
        EXPECT_STREQ(t->son->morphed_word, "word");
        t_treenode* again = copytree(t);
        purge_tree(t);
        EXPECT_EQ(std::string(again->son->name), name);
        purge_tree(again);
    }
}

// Children and their rules are remembered by their place in the rule text:
// rules loaded in place of others (their texts likely at the same addresses)
// are read afresh.
TEST_F(ExpansionTest, ReloadedRulesAreReadAfresh) {
    load("ROOT = S %\n");
    struct Grammar {
        const char* syntax;
        const char* sentence;
    };
    const Grammar grammars[] = {
        {"ROOT = S %\nS = A B %\n", "a b"},
        {"ROOT = S %\nS = B A %\n", "b a"},
        {"ROOT = S %\nS = X %\n", "x"},
        {"ROOT = S %\nS = C B %\n", "c b"},
        {"ROOT = A C %\n", "a c"},
        {"ROOT = S %\nS = Y A %\n", "y a"},
        {"ROOT = CHOOSE n : pl ; N [n] %\n", "cats"},
        {"ROOT = CHOOSE n : sing ; N [n] V [n] %\n", "cat sleeps"},
        {"ROOT = S %\nS = INHERIT m : sing ; N [m] %\n", "cat"},
        {"ROOT = S %\nS = INHERIT m : pl ; DET [m] N [m] %\n", "these cats"},
        {"ROOT = ( A ) B %\n", "a b"},
        {"ROOT = ( C X Y ) B %\n", "c x y b"},
        {"ROOT = ( X ) C %\n", "x c"},
    };
    for (int round = 0; round < 3; ++round) {
        for (const Grammar& g : grammars) {
            resetsyntax();
            read_syntax(file("syn", g.syntax).c_str());
            EXPECT_EQ(run(123456789), g.sentence) << g.syntax << " round " << round;
        }
    }
    // A child made under one set of rules and expanded under another takes
    // the rule it has then.
    resetsyntax();
    read_syntax(file("syn", "ROOT = S %\nS = A B %\n").c_str());
    t_treenode* top = makenode("ROOT");
    expand_node(top);
    ASSERT_NE(top->son, nullptr);
    resetsyntax();
    read_syntax(file("syn", "ROOT = S %\nS = C X Y A B C X Y %\n").c_str());
    expand_node(top->son);
    std::string names;
    for (t_treenode* c = top->son->son; c; c = c->sibling)
        names += std::string(c->name) + " ";
    EXPECT_EQ(names, "C X Y A B C X Y ");
    purge_tree(top);
}

TEST_F(ExpansionTest, RestrictionStrings) {
    struct Insert {
        const char* old;
        const char* values;
        int n;
        const char* want;
    };
    const Insert inserts[] = {
        {nullptr, "a", 1, "a|"},        {nullptr, "a", 3, "?|?|a|"},
        {"x|", "a", 3, "x|?|a|"},       {"x|?|z|", "a", 2, "x|a|z|"},
        {"x|y|z|", "a", 2, "x|y,a|z|"}, {"x|y|", "\"q r\"", 2, "x|y,\"q r\"|"},
    };
    for (const Insert& c : inserts) {
        char* r = insert_restriction(c.old, c.values, c.n);
        EXPECT_STREQ(r, c.want) << (c.old ? c.old : "(null)") << " " << c.n;
        std::free(r);
    }
    struct Merge {
        const char* old;
        const char* new_;
        const char* want;
    };
    const Merge merges[] = {
        {"?|b|", "a|?|", "a|b|"},   {"x|", "y|", "x,y|"}, {"x|", "?|z|w|", "x|z|w|"},
        {"?|?|c|", "a|", "a|?|c|"}, {"x|y|", "", "x|y|"},
    };
    for (const Merge& c : merges) {
        char* r = merge_restr(c.old, c.new_);
        EXPECT_STREQ(r, c.want) << c.old << " + " << c.new_;
        std::free(r);
    }
    // Long inputs are cut to the working sizes, never overrun.
    std::string longv(3000, 'v');
    char* r = insert_restriction(nullptr, longv.c_str(), 1);
    EXPECT_EQ(std::strlen(r), static_cast<size_t>(INSERTSIZE - 1));
    std::free(r);
    r = merge_restr(longv.c_str(), longv.c_str());
    EXPECT_EQ(std::strlen(r), static_cast<size_t>(MERGESIZE - 1));
    std::free(r);
}

TEST_F(ExpansionTest, RemovingALanguageFileDiscardsTheLastRun) {
    load(std::string("ROOT = S %\n") + AGREEMENT);
    installed = VF_AT | VF_TM | VF_LE | VF_SY;
    run(123456789);
    ASSERT_NE(root, nullptr);
    ASSERT_GT(d_table_count, 0);
    uninstall(VF_LE);
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(oldroot, nullptr);
    EXPECT_EQ(genSentences[0], nullptr);
    EXPECT_EQ(d_table_count, 0);
    EXPECT_EQ(delayptr, 0);
}

TEST_F(ExpansionTest, TreeRootsRowIIsTreeI) {
    EXPECT_STREQ(tree_roots[0].rulename, "!%!%!");
    EXPECT_STREQ(tree_roots[1].rulename, "QUESTION");
    EXPECT_STREQ(tree_roots[2].rulename, "ANSWER");
    for (int i = 3; i < NTREES; ++i) {
        std::string name = "R_" + std::to_string(i);
        EXPECT_EQ(tree_roots[i].rulename, name);
        std::string label = name + std::string(9 - name.size(), ' ');
        EXPECT_EQ(tree_roots[i].label, label);
    }
}

TEST_F(ExpansionTest, ListingsOfRulesAndTransformations) {
    load("ROOT = A %\nT = TRANSFORMATION A : B %\n");
    print_cf();
    EXPECT_EQ(count_messages("ROOT rule: "), 1);
    EXPECT_EQ(count_messages("%%%%%"), 1);
    print_transf();
    EXPECT_EQ(count_messages("T first RHS: "), 1);
}

} // namespace expansion_test
