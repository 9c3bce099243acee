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

TEST(EditLoopKeys, DumpKeyWritesTheStoreToANamedFile) {
    auto r = runoxa({.keys = "{CR}ab{^\\}dump{CR}"});
    ASSERT_TRUE(r.exists("dump"));
    const std::string dump = r.file("dump");
    EXPECT_NE(dump.find("avail"), std::string::npos);
    EXPECT_NE(dump.find("core 1:"), std::string::npos);
    EXPECT_NE(dump.find("core 19:"), std::string::npos);
}

// The dump of a large store shows the head of the physical chain only, so
// that each press costs the same however large the store.
TEST(EditLoopKeys, DumpOfALargeStoreShowsTheHeadOfTheChain) {
    std::string big;
    for (int i = 0; i < 3000; ++i)
        big += "line " + std::to_string(i) + "\n";
    auto r = runoxa({.keys = "{CMD}FEbig.txt{CR}{CR}{^\\}dump{CR}", .files = {{"big.txt", big}}});
    ASSERT_TRUE(r.exists("dump"));
    const std::string dump = r.file("dump");
    size_t entries = 0;
    for (size_t p = 0; (p = dump.find(" object ", p)) != std::string::npos; ++p)
        ++entries;
    EXPECT_EQ(entries, 1000u);
    EXPECT_NE(dump.find("  ... (the rest of the chain is not shown)\navail "), std::string::npos);
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

// The command key, BYE and its answers leave the editor from every object
// type: a page view made by OBJECT 7 (whose return, on a record line, also
// leads back to command entry), the settings page (taken back first), and
// line drawing.  The insert key after them shows whether the editor went on.
TEST(EditLoopKeys, CommandKeyAndByeLeaveEveryObjectType) {
    const std::string warning = "WARNING: corefile 1 not saved. <del> aborts";
    const struct {
        const char* what;
        const char* keys;
        bool warned; // BYE asked about corefile 1
    } cases[] = {
        {"page view, empty corefile", "{CMD}OB7{CR}{CR}{CMD}BY{CR}", false},
        {"page view, unsaved text", "{CR}hi{CMD}OB7{CR}{CR}{CMD}BY{CR}{CR}", true},
        {"page view, return on a record", "{CMD}FEr.txt{CR}OB7{CR}{CR}{CR}BY{CR}", false},
        {"settings page", "{CMD}VI0{CR}{CMD}BY{CR}", false},
        {"line drawing", "{CMD}OB3{CR}{CR}{CMD}BY{CR}", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.keys = std::string(c.keys) + "{ESC}[2~",
                         .files = {{"r.txt", "\\ra|bb\n"}}});
        EXPECT_EQ(r.status, 0);
        EXPECT_GE(findlines(r.lines, {"B", "Y", "E", " ", "<return>"}), 0);
        EXPECT_EQ(findlines(r.lines, {warning, ""}) >= 0, c.warned);
        EXPECT_LT(findlines(r.lines, {"Insert  "}), 0);
        // Left through BYE, not at the end of the input.
        EXPECT_EQ(r.err, "");
    }
}

} // namespace editloop_test
