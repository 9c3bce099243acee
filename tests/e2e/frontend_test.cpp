// The front-end protocol as the front end sees it: which lines reach standard
// output, one per message, each ended by CR LF.
#include "harness.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace frontend_test {

using namespace oxatest;
using Lines = std::vector<std::string>;

long count(const Lines& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

TEST(Frontend, StartUpShowsTheFileNameAndModeWords) {
    // The start-up redraw (an empty file name, the mode word), command mode
    // entered by the queued command key, left again by return.
    Result r = runoxa({.keys = "{CR}"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines, (Lines{"", "Typing  ", "Command ", "Typing  "}));
}

TEST(Frontend, ErrorIsTheMessageThenAnEmptyLineAfterTheReply) {
    for (const char* reply : {"{CR}", "{DEL}"}) {
        Result r = runoxa({.keys = std::string("QQ") + reply + "{CR}"});
        EXPECT_EQ(r.status, 0);
        EXPECT_GE(findlines(r.lines, {"Q", "Q", "Invalid Command Request", "", "Command "}), 0)
            << reply;
        EXPECT_EQ(count(r.lines, "Invalid Command Request"), 1) << reply;
    }
}

TEST(Frontend, CommandNameTravelsOneLetterPerLine) {
    const struct {
        const char* keys;
        Lines seq;
    } cases[] = {
        // Completion of the name: the remaining letters and a blank.
        {"co3{CR}{CR}", {"C", "O", "R", "E", " ", "Integer ", "3"}},
        // A rubout takes back the first letter.
        {"x{DEL}be{CR}{CR}", {"X", "", "B", "E", "G", "I", "N", " ", "<return>"}},
    };
    for (const auto& c : cases) {
        Result r = runoxa({.keys = c.keys});
        EXPECT_GE(findlines(r.lines, c.seq), 0) << c.keys;
    }
}

TEST(Frontend, TypedCharactersEchoUnlessTheRowIsRepainted) {
    const struct {
        const char* keys;
        Lines tail; // the last lines on the wire
    } cases[] = {
        {"{CR}ab", {"a", "b"}},
        // Insert mode at the line's end only echoes too.
        {"{CR}{ESC}[2~ab", {"Insert  ", "a", "b"}},
        // Inside the line the whole row is repainted, which does not reach
        // the front end; overwriting inside the line echoes again.
        {"{CR}ab{ESC}D{ESC}[2~x", {"a", "b", "Insert  "}},
        {"{CR}ab{ESC}Dx", {"a", "b", "x"}},
    };
    for (const auto& c : cases) {
        Result r = runoxa({.keys = c.keys});
        ASSERT_GE(r.lines.size(), c.tail.size()) << c.keys;
        EXPECT_EQ(Lines(r.lines.end() - c.tail.size(), r.lines.end()), c.tail) << c.keys;
    }
}

TEST(Frontend, FontChangesTheEchoedByte) {
    Result r = runoxa({.keys = "fo97|66{CR}{CR}ab"});
    ASSERT_GE(r.lines.size(), 2u);
    EXPECT_EQ(Lines(r.lines.end() - 2, r.lines.end()), (Lines{"B", "b"}));
}

TEST(Frontend, SilentSendsNothingButEmitStillWrites) {
    Result quiet = runoxa({.keys = "{CR}a{ESC}zbc"});
    EXPECT_EQ(count(quiet.lines, "a"), 1);
    EXPECT_EQ(count(quiet.lines, "b"), 0);
    EXPECT_EQ(count(quiet.lines, "c"), 0);
    Result back = runoxa({.keys = "{CR}{ESC}zb{ESC}zc"});
    EXPECT_EQ(count(back.lines, "b"), 0);
    ASSERT_FALSE(back.lines.empty());
    EXPECT_EQ(back.lines.back(), "c");
    // EMIT writes the corefile's text whatever the transmitter does.
    Result emit = runoxa({.keys = "{CR}hello{ESC}z{^C}em|||{CR}{CR}", .framed = false});
    const std::string tail = "o\r\nhello\n$$$\r\n";
    ASSERT_GE(emit.out.size(), tail.size());
    EXPECT_EQ(emit.out.substr(emit.out.size() - tail.size()), tail);
}

TEST(Frontend, PromptStaysInTheHelpLineUntilTheCommandEnds) {
    Result r = runoxa({.keys = "ju1{CR}{CR}"});
    EXPECT_GE(findlines(r.lines, {"Y", " ", "0:no justification   1:right justify", "Digit   ", "1",
                                  "", "Command "}),
              0);
}

TEST(Frontend, FullRedrawInCommandModeResendsTheCommandLine) {
    Result r = runoxa({.keys = "ge{CR}{CR}"});
    EXPECT_GE(findlines(r.lines, {"", "Command ", "GENERATE DISPLAY "}), 0);
}

} // namespace frontend_test
