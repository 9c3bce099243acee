// Transformations: guard matching with stars, the replacement (numbers, ROOT,
// new terminals, attribute changes), priority order, the built-in FLATTEN,
// and the limits the syntax reader enforces.
#include "bormo_fixture.hpp"

#include <cstdlib>
#include <functional>
#include <cstring>
#include <string>

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/syntax.hpp"
#include "bormo/transform.hpp"

namespace transform_test {

using namespace bormo;

class TransformTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        resetsyntax();
        resetlexicon();
        resetgencommands();
        resetexpansion();
        resettransform();
        readattr(file("attr", "number ( sg , pl ) gender ( masc , fem ) %").c_str());
    }
    void TearDown() override {
        resetexpansion();
        resetsyntax();
        resettransform();
        BormoTest::TearDown();
    }

    void load(const std::string& text) { read_syntax(file("syn", text).c_str()); }

    // A tree from "S(NP[sg](DET N) VP)": names, optional attribute lists
    // (compounds separated by ','), children in parentheses.
    static t_treenode* build(const char*& p) {
        std::string name;
        while (*p && !std::strchr("()[] ", *p))
            name += *p++;
        t_treenode* n = makenode(name.c_str());
        if (*p == '[') {
            ++p;
            std::string list;
            while (*p && *p != ']')
                list += *p++;
            if (*p) ++p;
            size_t start = 0;
            while (start <= list.size()) {
                size_t comma = list.find(',', start);
                if (comma == std::string::npos) comma = list.size();
                std::string item = list.substr(start, comma - start);
                text_to_comp_array(item.c_str(), 0);
                add_attr_to_list(&n->attributes, make_full_comp_attr());
                start = comma + 1;
            }
        }
        if (*p == '(') {
            ++p;
            t_treenode** tail = &n->son;
            while (*p && *p != ')') {
                if (*p == ' ') {
                    ++p;
                    continue;
                }
                *tail = build(p);
                tail = &(*tail)->sibling;
            }
            if (*p) ++p;
        }
        return n;
    }
    static t_treenode* tree(const char* text) { return build(text); }

    // The same notation back from a tree.
    static std::string shape(const t_treenode* n) {
        std::string s = n->name;
        if (n->attributes) {
            char* a = print_attr_list(n->attributes);
            s += std::string("[") + a + "]";
            std::free(a);
        }
        if (n->son) {
            s += "(";
            for (const t_treenode* c = n->son; c; c = c->sibling)
                s += (c == n->son ? "" : " ") + shape(c);
            s += ")";
        }
        return s;
    }

    static void attach(t_treenode* n, const char* name) {
        std::string text = "\x08";
        text += name;
        add_attachments(n, text.c_str(), ATT_CF);
    }

    static t_treenode* child(t_treenode* n, int k) {
        t_treenode* c = n->son;
        while (c && --k > 0)
            c = c->sibling;
        return c;
    }
};

struct GuardCase {
    const char* trans; // the transformation's guard and replacement
    const char* tree;
    bool matches;
    const char* after; // the tree after the transformation
};

TEST_F(TransformTest, GuardsWithStarsSelectTheCoveredChildren) {
    const GuardCase cases[] = {
        // The first star absorbs A, V matches the first V, the second star B V.
        {"* V * : 3 2 1", "S(A V(x) B V)", true, "S(B V V(x) A)"},
        {"NP VP : 2 1", "S(NP VP PP)", false, "S(NP VP PP)"},
        {"NP VP * : 3 1", "S(NP VP PP)", true, "S(PP NP)"},
        {"* X : 2 1", "S(A B X)", true, "S(X A B)"},
        {"* A * B : 3 1 4", "S(C A D B)", true, "S(D C B)"},
        {"* A * B : 1", "S(A C A D)", false, "S(A C A D)"},
        {"A * : 2 1 NEW", "S(A)", true, "S(A NEW)"},
        {"A B : 1", "S(A)", false, "S(A)"},
        {"A : 1 1", "S(B)", false, "S(B)"},
        {"* : X", "S", true, "S(X)"},
        {"* A * : 3 2", "S(B A C A D)", true, "S(C A D A)"},
    };
    for (const GuardCase& c : cases) {
        SCOPED_TRACE(c.trans);
        resetsyntax();
        load(std::string("T = TRANSFORMATION ") + c.trans + " ; %");
        transformation* t = gettrans("T");
        ASSERT_NE(t, nullptr);
        t_treenode* s = tree(c.tree);
        EXPECT_EQ(match_guard(s->son, t->first->guard.c_str()), c.matches ? 1 : 0);
        do_transform(s, t);
        EXPECT_EQ(shape(s), c.after);
        purge_tree(s);
    }
}

TEST_F(TransformTest, SlotsHoldTheFirstChildOfEachElement) {
    load("T = TRANSFORMATION * V * : 1 ; %");
    t_treenode* s = tree("S(A V B V)");
    ASSERT_EQ(match_guard(s->son, gettrans("T")->first->guard.c_str()), 1);
    EXPECT_EQ(guard_array[1].first, child(s, 1));
    EXPECT_EQ(guard_array[2].first, child(s, 2)); // the first V
    EXPECT_EQ(guard_array[3].first, child(s, 3));
    purge_tree(s);
}

TEST_F(TransformTest, SwappedChildrenAreCopiesSharingTheirLookups) {
    load("T = TRANSFORMATION NP VP : 2 1 ; %");
    t_treenode* s = tree("S(NP(DET N) VP(V))");
    terminal_node(child(child(s, 1), 2)); // N
    terminal_node(child(child(s, 2), 1)); // V
    t_dict_lookup* nlook = child(child(s, 1), 2)->dictionary;
    t_dict_lookup* vlook = child(child(s, 2), 1)->dictionary;
    ASSERT_NE(nlook, nullptr);
    do_transform(s, gettrans("T"));
    EXPECT_EQ(shape(s), "S(VP(V) NP(DET N))");
    EXPECT_EQ(child(child(s, 1), 1)->dictionary, vlook);
    EXPECT_EQ(child(child(s, 2), 2)->dictionary, nlook);
    EXPECT_EQ(d_table_count, 2);
    purge_tree(s);
}

TEST_F(TransformTest, NewNamesBecomeTerminalsWithTheirOwnLookups) {
    load("T = TRANSFORMATION A : 1 NOT ADV ; %");
    t_treenode* s = tree("S(A)");
    do_transform(s, gettrans("T"));
    EXPECT_EQ(shape(s), "S(A NOT ADV)");
    EXPECT_EQ(child(s, 1)->dictionary, nullptr);
    ASSERT_NE(child(s, 2)->dictionary, nullptr);
    ASSERT_NE(child(s, 3)->dictionary, nullptr);
    EXPECT_NE(child(s, 2)->dictionary, child(s, 3)->dictionary);
    EXPECT_EQ(child(s, 3)->index, 1);
    EXPECT_EQ(d_table_count, 2);
    purge_tree(s);
}

TEST_F(TransformTest, RootInsertsTheExpandedOrTheUntransformedRoot) {
    load("T = TRANSFORMATION * : ROOT 1 ; %");
    root = tree("ROOT(X(Y))");
    oldroot = tree("ROOT(OLD)");
    treestate = 1;
    t_treenode* s = tree("QUESTION(A)");
    do_transform(s, gettrans("T"));
    EXPECT_EQ(shape(s), "QUESTION(ROOT(X(Y)) A)");
    EXPECT_NE(child(s, 1), root); // a copy
    purge_tree(s);

    treestate = 0;
    s = tree("S(A)");
    do_transform(s, gettrans("T"));
    EXPECT_EQ(shape(s), "S(ROOT(OLD) A)");
    purge_tree(s);
}

TEST_F(TransformTest, ReplacementAttributesAddRemoveAndTakeOver) {
    load("T = TRANSFORMATION A B : 1 [- sg, fem] 2 [1 ! number] ; %");
    t_treenode* s = tree("S(A[sg,masc] B[pl])");
    t_treenode* a = child(s, 1);
    comp_attr anumber = a->attributes->first;
    int shared = anumber->index;
    do_transform(s, gettrans("T"));
    // A lost sg, and fem replaced masc (one gender); B's number was replaced
    // by A's own entry.
    EXPECT_EQ(shape(s), "S(A[fem] B[sg])");
    ASSERT_NE(child(s, 2)->attributes, nullptr);
    EXPECT_EQ(child(s, 2)->attributes->first->index, shared);
    purge_tree(s);
}

TEST_F(TransformTest, ANewSingleAttributeReachesTheDescendantsThatSharedTheOld) {
    load("T = TRANSFORMATION NP : 1 [pl] ; %");
    t_treenode* s = tree("S(NP(DET N))");
    t_treenode* np = child(s, 1);
    text_to_comp_array("sg", 0);
    comp_attr sg = make_full_comp_attr();
    add_attr_to_list(&np->attributes, sg);
    add_attr_to_list(&child(np, 1)->attributes, duplicate_comp_attr(sg));
    add_attr_to_list(&child(np, 2)->attributes, duplicate_comp_attr(sg));
    text_to_comp_array("sg", 0);
    add_attr_to_list(&child(np, 2)->attributes, make_full_comp_attr()); // a separate sg
    do_transform(s, gettrans("T"));
    EXPECT_EQ(shape(s), "S(NP[pl](DET[pl] N[pl, sg]))");
    t_treenode* np2 = child(s, 1);
    EXPECT_EQ(child(np2, 1)->attributes->first->index, np2->attributes->first->index);
    purge_tree(s);
}

TEST_F(TransformTest, TransformationsRunByPriorityThenOnTheNewChildren) {
    load("T7 = TRANSFORMATION PRIORITY 7 * : 1 Z7 ; %\n"
         "T3a = TRANSFORMATION PRIORITY 3 * : 1 Z3a ; %\n"
         "T3b = TRANSFORMATION PRIORITY 3 * : 1 Z3b ; %\n"
         "NONE = TRANSFORMATION PRIORITY 1 Q : X ; %\n"
         "SUB = TRANSFORMATION * : 1 LOW ; %\n");
    t_treenode* s = tree("S(A)");
    attach(s, "T7");
    attach(s, "T3a");
    attach(s, "T3b");
    attach(s, "NONE");
    attach(child(s, 1), "SUB"); // copied with A, applied after S's
    transform(s);
    EXPECT_EQ(shape(s), "S(A(LOW) Z3a Z3b Z7)");
    EXPECT_EQ(s->transformation, nullptr);
    EXPECT_EQ(child(s, 1)->transformation, nullptr);
    purge_tree(s);
}

TEST_F(TransformTest, AReplacementThatRegrowsItselfStops) {
    // Each X becomes a copy of ROOT, whose X carries T again.
    load("T = TRANSFORMATION * : ROOT ; %");
    root = tree("ROOT(A X)");
    attach(child(root, 2), "T");
    treestate = 1;
    t_treenode* q = tree("QUESTION(B)");
    attach(q, "T");
    transform(q);
    EXPECT_EQ(count_messages("transformation terminated"), 1);
    int depth = 0;
    for (t_treenode* n = q; n; n = n->son ? child(n->son, 2) : nullptr)
        ++depth;
    EXPECT_GT(depth, 100);
    EXPECT_LE(depth, MAXNODES + 2);
    purge_tree(q);
    // The next walk starts afresh.
    t_treenode* s = tree("S(A)");
    attach(s, "FLATTEN");
    transform(s);
    EXPECT_EQ(shape(s), "S(A)");
    EXPECT_EQ(count_messages("transformation terminated"), 1);
    purge_tree(s);
}

TEST_F(TransformTest, FindLowPriorityTakesTheFirstOfTheLowest) {
    load("A = TRANSFORMATION PRIORITY 7 * : 1 ; %\n"
         "B = TRANSFORMATION PRIORITY 3 * : 1 ; %\n"
         "C = TRANSFORMATION PRIORITY 3 * : 1 ; %\n");
    t_treenode* s = tree("S");
    attach(s, "A");
    attach(s, "B");
    attach(s, "C");
    ASSERT_NE(find_low_priority(s), nullptr);
    EXPECT_EQ(find_low_priority(s)->name, "B");
    removeTrans(s, find_low_priority(s));
    EXPECT_EQ(find_low_priority(s)->name, "C");
    removeTrans(s, find_low_priority(s));
    EXPECT_EQ(find_low_priority(s)->name, "A");
    purge_tree(s);
}

TEST_F(TransformTest, FlattenLeavesOnlyTheLeavesAsChildren) {
    load("S = X %");
    ASSERT_NE(gettrans("FLATTEN"), nullptr); // loaded with the syntax
    t_treenode* s = tree("S(NP(DET N[pl]) VP(V NP(N)))");
    terminal_node(child(child(s, 1), 2));
    t_dict_lookup* look = child(child(s, 1), 2)->dictionary;
    attach(s, "FLATTEN");
    transform(s);
    EXPECT_EQ(shape(s), "S(DET N[pl] V N)");
    EXPECT_EQ(child(s, 2)->dictionary, look);

    t_treenode* leaf = tree("N");
    attach(leaf, "FLATTEN");
    transform(leaf);
    EXPECT_EQ(shape(leaf), "N");
    EXPECT_EQ(leaf->transformation, nullptr);
    purge_tree(leaf);
    purge_tree(s);
}

TEST_F(TransformTest, BuiltInsAreInstalledOnceAndSurviveUnloading) {
    initbormo();
    load("S = X %");
    load("S = Y %");
    int flattens = 0;
    for (transformation* t = trans_stack; t; t = t->next)
        if (t->name == "FLATTEN") ++flattens;
    EXPECT_EQ(flattens, 1);
    dump_syntax();
    dump_syntax();
    ASSERT_NE(gettrans("FLATTEN"), nullptr);
    EXPECT_EQ(gettrans("FLATTEN")->priority, 10);
    EXPECT_NE(gettrans("FLATTEN")->functionPtr, nullptr);
}

struct LimitCase {
    const char* what;
    std::string source;
    bool kept;
    const char* message;
};

TEST_F(TransformTest, LongGuardsAndHighPrioritiesAreRejectedOnReading) {
    std::string guard38, guard39;
    for (int i = 0; i < 38; ++i)
        guard38 += " A";
    guard39 = guard38 + " *";
    const LimitCase cases[] = {
        {"38 elements", "T = TRANSFORMATION" + guard38 + " : 1 ; %", true, nullptr},
        {"39 elements", "T = TRANSFORMATION" + guard39 + " : 1 ; %", false,
         "Transformation guard too long."},
        {"priority 999", "T = TRANSFORMATION PRIORITY 999 A : 1 ; %", true, nullptr},
        {"priority 1000", "T = TRANSFORMATION PRIORITY 1000 A : 1 ; %", false,
         "Transformation priority too large"},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.what);
        resetsyntax();
        oxa::resetstore();
        load(c.source);
        EXPECT_EQ(gettrans("T") != nullptr, c.kept);
        if (c.message) {
            EXPECT_EQ(count_messages(c.message), 1);
        } else {
            EXPECT_EQ(count_messages("ERROR"), 0);
        }
    }
}

TEST_F(TransformTest, ATransformationThatDoublesItsOwnNodesStops) {
    // Each A copies its children twice, the inner A with its transformation:
    // without a bound the tree doubles at every level.
    load("T = TRANSFORMATION PRIORITY 3 * : 1 1 ; %");
    std::string text = "N";
    for (int i = 0; i < 40; i++) text = "A(N " + text + ")";
    t_treenode* s = tree(text.c_str());
    for (t_treenode* a = s; a && a->name[0] == 'A'; a = child(a, 2))
        attach(a, "T");
    transform(s);
    EXPECT_EQ(count_messages("transformation terminated"), 1);
    std::function<int(const t_treenode*)> size = [&](const t_treenode* n) {
        int k = 1;
        for (const t_treenode* c = n->son; c; c = c->sibling) k += size(c);
        return k;
    };
    EXPECT_LE(size(s), 81 + 2 * MAXNODES);
    purge_tree(s);
    // A walk within the bound is whole.
    t_treenode* small = tree("A(N B)");
    attach(small, "T");
    transform(small);
    EXPECT_EQ(shape(small), "A(N B N B)");
    EXPECT_EQ(count_messages("transformation terminated"), 1);
    purge_tree(small);
}

// One rule file, one tree, the tree's shape after rule T.
struct ShapeCase {
    const char* name;
    const char* rules;
    const char* input;
    const char* expected;
};

TEST_F(TransformTest, RulesGiveTheseShapes) {
    const ShapeCase cases[] = {
        // name, rules, input tree, its shape after T
        {"GuardAttributesMustAllBeOnTheChild1", "T = TRANSFORMATION * NP [pl, fem] * : 2 ; %",
         "S(NP[sg,fem] NP[pl] NP[pl,fem] NP[masc])", "S(NP[pl, fem])"},
        {"GuardAttributesMustAllBeOnTheChild2", "T = TRANSFORMATION * NP [pl, fem] * : 2 ; %",
         "S(NP[sg,fem] NP[pl])", "S(NP[sg, fem] NP[pl])"},
        {"TheFirstMatchingSubruleIsApplied", "T = TRANSFORMATION A B : X ; * B : Y ; * : Z ; %",
         "S(C B)", "S(Y)"},
        {"AnEmptyReplacementRemovesAllChildren", "T = TRANSFORMATION A * : ; %",
         "S(A(B C) D)", "S"},
        // Element 2 is a star that absorbs nothing, 5 is beyond the guard: the
        // attachments after them go to the node added before.
        {"ANumberCoveringNothingAddsNothing", "T = TRANSFORMATION A * : 1 2 [pl] 5 [masc] ; %",
         "S(A)", "S(A[pl, masc])"},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        resetsyntax();
        load(c.rules);
        t_treenode* s = tree(c.input);
        do_transform(s, gettrans("T"));
        EXPECT_EQ(shape(s), c.expected);
        purge_tree(s);
    }
}

} // namespace transform_test
