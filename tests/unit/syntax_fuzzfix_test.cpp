// Syntax reader faced with a rule of the barrier's name (input found by
// fuzzing): it is refused, so unloading the file removes all it added.
#include "bormo_fixture.hpp"

#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/syntax.hpp"

namespace syntax_fuzzfix_test {

using namespace bormo;

TEST_F(BormoTest, SyntaxRuleOfTheBarriersNameIsRefused) {
    resetsyntax();
    resetgencommands();
    readattr(file("attr", "number ( sg , pl ) %").c_str());
    read_syntax(file("syn1", "A = B %\n").c_str());
    read_syntax(file("syn2", "%%%%% = X %\nG = Y %\n").c_str());
    EXPECT_EQ(count_messages("Improper rule name:"), 1);
    EXPECT_NE(getrule("G"), nullptr);
    dump_syntax();
    EXPECT_EQ(getrule("G"), nullptr);
    EXPECT_NE(getrule("A"), nullptr);
    dump_syntax();
    EXPECT_EQ(syntax_stack, nullptr);
    resetsyntax();
}

} // namespace syntax_fuzzfix_test
