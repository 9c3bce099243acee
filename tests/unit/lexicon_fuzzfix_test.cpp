// Lexicon reader faced with attribute fields whose '.' and signs are out of
// place (inputs found by fuzzing): each stray token is reported and left out,
// components side by side join one compound, and the stored field keeps its
// encoded form.
#include "bormo_fixture.hpp"

#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/syntax.hpp"

namespace lexicon_fuzzfix_test {

using namespace bormo;

std::string code(int type, int value) {
    return std::string{static_cast<char>(ATTRCODE), static_cast<char>(type),
                       static_cast<char>(value)};
}

class LexiconFuzzfixTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        resetlexicon();
        resetsyntax();
        resetgencommands();
        readattr(file("attr", "number ( sg , pl ) gender ( masc , fem ) "
                              "degree ( pos < comp < sup ) %")
                     .c_str());
        read_terminals(file("term", "N V").c_str());
        initdict();
    }
    void TearDown() override {
        resetlexicon();
        BormoTest::TearDown();
    }
};

struct FieldCase {
    const char* line;
    std::string field3; // the stored attribute field, without its '|'
    const char* stray;  // the token reported, or null when none is
    int errors;
};

TEST_F(LexiconFuzzfixTest, MisplacedTokensInTheAttributeFieldAreReportedAndLeftOut) {
    const std::string sg = code(1, 1), pl = code(1, 2), masc = code(2, 1), comp = code(3, 2);
    const FieldCase cases[] = {
        {"\"a\"|N|masc..pl|3|", masc + "." + pl + " ", "char '.'", 1},
        {"\"a\"|N|.sg|", sg + " ", "char '.'", 1},
        {"\"a\"|N|sg.|", sg + " ", "char '.'", 1},
        {"\"a\"|N|sg.", sg + " ", "char '.'", 1},
        {"\"a\"|N|masc.,sg|", sg + " " + masc + " ", "char '.'", 1},
        {"\"a\"|N|<,sg|", sg + " ", "char '<'", 1},
        {"\"a\"|N|<<comp|", "<" + comp + " ", "char '<'", 1},
        {"\"a\"|N|sg>|", sg + " ", "char '>'", 1},
        {"\"a\"|N|sg<pl|", sg + "." + pl + " ", "char '<'", 1},
        {"\"a\"|N|sg;pl|", sg + "." + pl + " ", "char ';'", 1},
        {"\"a\"|N|.|", "", "char '.'", 1},
        // Components side by side form one compound.
        {"\"a\"|N|masc sg|", masc + "." + sg + " ", nullptr, 0},
        // Well-formed fields are untouched.
        {"\"a\"|N|masc.<comp|", masc + ".<" + comp + " ", nullptr, 0},
        {"\"a\"|N|>comp,sg|", sg + " >" + comp + " ", nullptr, 0},
    };
    for (const auto& c : cases) {
        oxa::resetstore();
        oxa::initcore();
        initdict();
        readdict(file("lex", c.line).c_str());
        ASSERT_NE(dictionary[0], nullptr) << c.line;
        EXPECT_EQ(dictionary[0]->previous, nullptr) << c.line;
        const char* f3 = getfieldptr(dictionary[0]->recordptr, 3);
        const char* f4 = getfieldptr(dictionary[0]->recordptr, 4);
        EXPECT_EQ(std::string(f3, f4 - 1), c.field3) << c.line;
        EXPECT_EQ(lexerrors, c.errors) << c.line;
        if (c.stray)
            EXPECT_EQ(
                count_messages(std::string("Unexpected character in attribute field ") + c.stray),
                1)
                << c.line;
        else
            EXPECT_EQ(count_messages("ERROR"), 0) << c.line;
    }
}

TEST_F(LexiconFuzzfixTest, TheTerminalFieldIsReadWhole) {
    // A stray quote after the terminal's name: the field no longer names a
    // terminal, so the entry is not filed under V.
    readdict(file("lex", "\"a b\"|V\"|\n\"b\"|V|\n").c_str());
    EXPECT_EQ(count_messages("Terminal not found: V\""), 1);
    ASSERT_NE(dictionary[1], nullptr);
    EXPECT_STREQ(dictionary[1]->recordptr, "\"b\"|V||0001|||");
    EXPECT_EQ(dictionary[1]->previous, nullptr);
    EXPECT_EQ(lexerrors, 1);
}

} // namespace lexicon_fuzzfix_test
