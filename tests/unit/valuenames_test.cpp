// Display names of attribute values: the names file's lines, its mistakes,
// UTF-8 decoding, and the look-up with the code as the fallback.
#include <gtest/gtest.h>

#include "bormo/valuenames.hpp"

namespace valuenames_test {

using namespace bormo;

TEST(ValueNames, LinesCommentsAndMistakes) {
    std::vector<std::pair<int, std::string>> bad;
    const auto names = parse_value_names("{ a comment\n  on two lines }\n"
                                         "impf \"imperfect\"\n"
                                         "\n"
                                         "  p3 \"third person\"  { after }\n"
                                         "sg\n"
                                         "pl \"plural\n"
                                         "impf \"again\"\n"
                                         "masc \"\"\n"
                                         "fem \"feminine\" x\n",
                                         bad);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].code, "impf");
    EXPECT_EQ(names[0].name, "imperfect");
    EXPECT_EQ(names[1].code, "p3");
    EXPECT_EQ(names[1].name, "third person");
    const std::vector<std::pair<int, std::string>> want = {
        {6, "code sg has no name"},    {7, "closing quote missing"}, {8, "code impf named twice"},
        {9, "empty name for masc"},    {10, "unexpected 'x'"},
    };
    EXPECT_EQ(bad, want);
}

TEST(ValueNames, Utf8IsDecodedAndOtherTextKept) {
    EXPECT_EQ(single_byte("pr\xc3\xa9sent"), "pr\xe9sent");
    EXPECT_EQ(single_byte("pr\xe9sent"), "pr\xe9sent");              // Latin-1 already
    EXPECT_EQ(single_byte("\xc5\x93uf \xc3\xa9"), "?uf \xe9");        // beyond one byte
    EXPECT_EQ(single_byte("plain"), "plain");
}

TEST(ValueNames, CodeShownWithoutAName) {
    resetvaluenames();
    value_names = {{"impf", "imperfect"}};
    EXPECT_EQ(display_name("impf"), "imperfect");
    EXPECT_EQ(display_name("pres"), "pres");
    EXPECT_EQ(find_value_name("pres"), nullptr);
    resetvaluenames();
    EXPECT_EQ(display_name("impf"), "impf");
}

} // namespace valuenames_test
