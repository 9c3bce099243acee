// Semantic expressions: the transformation reader and its messages, the
// dotted and top-level forms with valences, matching of both forms, and the
// PRESELECT text written to corefile 14 (attachments, re-analysis, places
// left empty, refusals).
#include "bormo_fixture.hpp"

#include <string>
#include <vector>

#include "bormo/semantic.hpp"

namespace semantic_test {

using namespace bormo;
using Lines = std::vector<std::string>;

const char* const ATTRS = "pred ( 2 see , 3 give , sleep , 2 p , 1 a , b , c ) "
                          "animal ( cat , dog ) number ( sg , pl ) %\n";

class SemanticTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        resetsemantic();
        readattr(file("attr", ATTRS).c_str());
    }
    void TearDown() override {
        resetsemantic();
        BormoTest::TearDown();
    }
    void transformations(const std::string& text) {
        read_sem_trans(file("sem", text).c_str());
    }
    // Analyses `expr` on a clean corefile 14 and returns its lines.
    static Lines analyse(const std::string& expr) {
        oxa::resetstore();
        analyse_sem_expr(expr);
        oxa::checkstore();
        return lines(PRESELCORE);
    }
};

TEST_F(SemanticTest, DottedAndTopLevelForms) {
    struct Case {
        const char* text;
        const char* dotted;
        const char* top; // null when the expression is refused
    };
    const Case cases[] = {
        {"p(a(b), c)", "p.a.b.c", "p|a.b|c|"},
        {"p.a.b.c", "p.a.b.c", "p|a.b|c|"},
        {"see( cat[sg, pl] , dog )", "see.cat[sg, pl].dog", "see|cat[sg, pl]|dog|"},
        {"see(0, dog)", "see.0.dog", "see|0|dog|"},
        {"sleep", "sleep", "sleep|"},
        {"0(cat, dog)", "0.cat.dog", "0|"},
        {"unknown(cat)", "unknown.cat", "unknown|"},
        {"see(cat, blue)", "see.cat.blue", nullptr},
        {"see(cat)", "see.cat", nullptr},
        {"see(cat, dog, cat)", "see.cat.dog.cat", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        oxa::resetstore();
        sem_expr e{dotted_form(c.text), "", 0};
        EXPECT_EQ(e.original, c.dotted);
        bool ok = top_level(e);
        EXPECT_EQ(ok, c.top != nullptr);
        if (ok) {
            EXPECT_EQ(e.top_level_orig, c.top);
        } else {
            EXPECT_EQ(count_messages("Attribute not recognized or invalid valence"), 1);
        }
    }
}

TEST_F(SemanticTest, PreselectionsWrittenToCorefile14) {
    transformations("see(animal, animal) : verb:V[#1], subj:N[#2], obj:N[#3] %\n"
                    "$give : verb:V[#1], &see(#2, #4) %\n"
                    "p(a(b), c) : x.@2, y:N[#4] %\n");
    struct Case {
        const char* expr;
        Lines lines;
    };
    const Case cases[] = {
        {"see(cat[pl], dog)",
         {"PRESELECT = ", "verb:V[see];", "subj:N[cat,pl];", "obj:N[dog]", "%"}},
        // An empty place matches anything and makes no entry.
        {"see(0, dog)", {"PRESELECT = ", "verb:V[see];", "obj:N[dog]", "%"}},
        // The predicate alone; the last prototype analyses a new expression.
        {"give(cat, sg, dog[pl])",
         {"PRESELECT = ", "verb:V[give];", "verb:V[see];", "subj:N[cat];", "obj:N[dog,pl]", "%"}},
        // One entry per item of the attached element's list.
        {"p(a[sg, pl](b), c)", {"PRESELECT = ", "x.sg;", "x.pl;", "y:N[c]", "%"}},
        {"sleep", {"No match found for semantic expression"}},
        {"see(cat)", {"There was a problem processing the semantic expression"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expr);
        EXPECT_EQ(analyse(c.expr), c.lines);
    }
}

TEST_F(SemanticTest, MatchingNewestFirstAndWithoutTransformations) {
    EXPECT_EQ(analyse("see(cat, dog)"), Lines{"No match found for semantic expression"});
    transformations("see(animal, animal) : first:V[#1] %\n"
                    "see(cat, animal) : second:V[#1] %\n");
    EXPECT_EQ(analyse("see(cat, dog)"), (Lines{"PRESELECT = ", "second:V[see]", "%"}));
    EXPECT_EQ(analyse("see(dog, dog)"), (Lines{"PRESELECT = ", "first:V[see]", "%"}));
    // A pattern element 0 matches whatever the expression has there.
    transformations("see(0, dog) : third:V[#1] %\n");
    EXPECT_EQ(analyse("see(cat, dog)"), (Lines{"PRESELECT = ", "third:V[see]", "%"}));
    EXPECT_EQ(analyse("see(cat, cat)"), Lines{"No match found for semantic expression"});
}

TEST_F(SemanticTest, RefusalsNeverLoopOrOverflow) {
    // A transformation that re-analyses itself.
    transformations("$see : &see(#2, #3) %\n");
    EXPECT_EQ(analyse("see(cat, dog)"),
              (Lines{"PRESELECT = ", "Semantic expressions nested too deeply"}));
    std::string longexpr = "see(cat, dog" + std::string(SEMBUFSIZE, ' ') + ")";
    EXPECT_EQ(analyse(longexpr),
              Lines{"Semantic expression too long (more than 2000 characters)"});
}

TEST_F(SemanticTest, ReaderMessages) {
    struct Case {
        std::string text;
        const char* message;
        int kept; // transformations read
    };
    std::string longpattern = "see(";
    while (longpattern.size() < SEMBUFSIZE + 10)
        longpattern += "cat,";
    const Case cases[] = {
        {"( : x % see(cat, dog) : v:V[#1] %",
         "Encountered  char '('  instead of semantic transformation.", 1},
        {"see(cat, dog) : ( x % $see : v:V[#1] %",
         "Encountered  char '('  instead of preselection prototype.", 1},
        {"see(cat, dog) : v:V[#1], ) %", "Encountered  char ')'  instead of preselection prototype.",
         1},
        {"see(cat, dog) % $see : v:V[#1] %", "Encountered  token: %  instead of colon.", 1},
        {"$see : v:V[#1] % see(cat, dog) v", "Encountered  EOF  instead of colon.", 1},
        {longpattern + "dog) : v:V[#1] % $see : v:V[#1] %", " is too long", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        oxa::resetstore();
        transformations(c.text);
        EXPECT_EQ(count_messages(c.message), 1) << ::testing::PrintToString(messages());
        int n = 0;
        for (sem_trans* t = sem_trans_list; t; t = t->next)
            ++n;
        EXPECT_EQ(n, c.kept);
    }
    // Form and prototypes as read.
    transformations("$see : &see(#2, #3), v:V[#1,x] % give(animal, 0, animal) : w %");
    ASSERT_NE(sem_trans_list, nullptr);
    EXPECT_EQ(sem_trans_list->form, 1);
    EXPECT_EQ(sem_trans_list->name, "give(animal,0,animal)");
    ASSERT_NE(sem_trans_list->next, nullptr);
    const sem_trans* s = sem_trans_list->next;
    EXPECT_EQ(s->form, 2);
    EXPECT_EQ(s->name, "see");
    ASSERT_NE(s->first, nullptr);
    EXPECT_EQ(s->first->reanalyse, 1);
    EXPECT_EQ(s->first->prototype, "see(#2,#3)");
    ASSERT_NE(s->first->next, nullptr);
    EXPECT_EQ(s->first->next->prototype, "v:V[#1,x]");
    EXPECT_EQ(s->last, s->first->next);
}

} // namespace semantic_test
