// Keys and commands that the edit loop owns, and its repeat limit, seen from
// the front end and the files written.
#include "harness.hpp"

namespace editloop_test {

using oxatest::findlines;
using oxatest::runoxa;

TEST(EditLoopKeys, IdentifyShowsTheBuildAndWaitsForAKey) {
    auto r = runoxa({.keys = "{CMD}ID{CR}{CR}{CR}{ESC}[2~"});
    EXPECT_GE(findlines(r.lines, {"XOXA date: Jul 27 2020; time: 17:18:26", "", "Command ",
                                  "Typing  ", "Insert  "}),
              0);
    EXPECT_EQ(r.status, 0);
}

TEST(EditLoopKeys, CaseKeyTurnsTypedLettersToUpperCase) {
    // ESC [ F toggles; the letters are stored as they are echoed.
    auto r = runoxa({.keys = "{CR}a{ESC}[Fbc{ESC}[Fd{CMD}SAout.txt{CR}"});
    EXPECT_GE(findlines(r.lines, {"a", "B", "C", "d"}), 0);
    EXPECT_EQ(r.file("out.txt"), "aBCd\n");
}

TEST(EditLoopKeys, DumpKeyWritesTheStoreToTestFile) {
    auto r = runoxa({.keys = "{CR}ab{^\\}"});
    ASSERT_TRUE(r.exists("test.file"));
    const std::string dump = r.file("test.file");
    EXPECT_NE(dump.find("avail"), std::string::npos);
    EXPECT_NE(dump.find("core 1:"), std::string::npos);
    EXPECT_NE(dump.find("core 19:"), std::string::npos);
}

// With the repeat limit on (EDITOR OPTION 4) a letter key held down types 200
// letters (the limit of its row) and then nothing until a key of another edit
// code comes; every letter is the same code, a digit is another.
TEST(EditLoopKeys, RepeatLimitStopsAHeldKey) {
    const struct {
        const char* option;
        size_t typed;
    } cases[] = {{"4", 200}, {"3", 205}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        const std::string keys = std::string("{CMD}ED") + c.option + "{CR}{CR}" +
                                 std::string(205, 'a') + "b1c{CMD}SAout.txt{CR}";
        auto r = runoxa({.keys = keys});
        const std::string rest = c.typed == 200 ? "1c\n" : "b1c\n";
        EXPECT_EQ(r.file("out.txt"), std::string(c.typed, 'a') + rest);
    }
}

} // namespace editloop_test
