// The language-file reader seen from outside: files loaded by the real
// program with includes, macros, comments and quotes, and the message lines
// the reader leaves in corefile 7 (shown by EMIT as bare-LF lines).
#include "harness.hpp"

#include <algorithm>

namespace bormo_reader_test {

using oxatest::runoxa;
using Lines = std::vector<std::string>;

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

// Whether `want` appears in `have` in this order, other lines between.
bool in_order(const Lines& have, const Lines& want) {
    size_t i = 0;
    for (const auto& l : have)
        if (i < want.size() && l == want[i]) ++i;
    return i == want.size();
}

const std::vector<oxatest::Fixture> files = {
    {"attr",
     "{main file}\n%define VALS ( sg , pl )\nnumber %VALS\n%INCLUDE \"more\"\n%\nignored (\n"},
    {"more", "gender ( masc , fem ) case ( sg )\n"},
    {"bad", "%INCLUDE \"missing\"\nnumber ( sg ) degree ( pos < comp\n"},
    {"tok", "RULE Rule \"a b\" {c { d}\n%define M m1 m2\n%M(x}\n"},
};

TEST(BormoReader, MessageLinesOfLoads) {
    struct Case {
        const char* what;
        std::string keys;
        Lines core7;  // in this order
        Lines absent; // nowhere in corefile 7
    } cases[] = {
        {"attributes through a macro and an included file",
         cmd("ATattr") + cmd("VD0"),
         {"Finished reading attribute input from file 'more' [1 lines.]",
          "Finished reading attribute input from file 'attr' [6 lines.]",
          "ERROR attribute input  Warning: attribute value  sg  duplicated", "AT"},
         {"ERROR attribute input  Inappropriate EOF"}},
        {"a missing include and a missing end",
         cmd("ATbad"),
         {"ERROR attribute input  unable to open file:  missing",
          "Finished reading attribute input from file 'bad' [2 lines.]",
          "ERROR attribute input  Inappropriate EOF"},
         {}},
        {"test input: keywords, quotes, comments and a macro",
         cmd("TStok"),
         {"token: RULE", "identifier: Rule", "quote", "char 'a'", "char ' '", "char 'b'", "quote",
          "test input warning: { within comments", "linefeed", "identifier: m1", "identifier: m2",
          // The brace is read, and warned about, as it ends the word x.
          "char '('", "test input warning: } outside quotes/comments", "identifier: x", "char '}'",
          "linefeed", "Finished reading test input from file 'tok' [3 lines.]", "end of input"},
         {"identifier: c", "identifier: d", "identifier: M", "identifier: %M"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.keys = c.keys + cmd("EM7"), .files = files, .framed = false});
        const Lines& core7 = r.badlines;
        EXPECT_TRUE(in_order(core7, c.core7)) << ::testing::PrintToString(core7);
        for (const auto& a : c.absent)
            EXPECT_EQ(std::count(core7.begin(), core7.end(), a), 0) << a;
        EXPECT_EQ(r.status, 0);
    }
}

TEST(BormoReader, RandomSeedIsMadeOdd) {
    auto a = runoxa({.keys = cmd("RA12344") + cmd("PS0") + cmd("EM7"), .framed = false});
    EXPECT_TRUE(in_order(a.badlines, {"Setting random seed: 12345", "Current random seed: 12345"}))
        << ::testing::PrintToString(a.badlines);
}

} // namespace bormo_reader_test
