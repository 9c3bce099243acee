// Start-up, the edit loop's mode key, leaving with GOODBYE and the end of the
// input, seen from the front end.
#include "harness.hpp"

namespace startup_test {

using oxatest::each;
using oxatest::findlines;
using oxatest::join;
using oxatest::runoxa;
using Lines = std::vector<std::string>;

// The start-up redraw (an empty file name, the mode word), then the command
// key queued on top of the start-up input.
const Lines opening = {"", "Typing  ", "Command "};

struct StartCase {
    const char* what;
    std::vector<std::string> args;
    Lines lines; // the whole transcript when the keys are one return
};

TEST(Startup, ArgumentsQueueTheirStartupCommand) {
    const StartCase cases[] = {
        {"no argument", {}, join({opening, {"Typing  "}})},
        {"missing file is named",
         {"notes.txt"},
         join({opening,
               each("NAME "),
               {"Filename"},
               each("notes.txt"),
               {"notes.txt"},
               {"Command ", "Typing  "}})},
        {"two arguments without an option", {"a.txt", "b.txt"}, join({opening, {"Typing  "}})},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.args = c.args, .keys = "{CR}"});
        EXPECT_EQ(r.lines, c.lines);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        // Naming a file creates nothing.
        EXPECT_FALSE(r.exists("notes.txt"));
    }
}

// A name longer than the corefile's name holds is refused with a word, as
// the other argument errors are, instead of being passed over.
TEST(Startup, ANameTooLongIsRefused) {
    auto r = runoxa({.args = {std::string(49, 'x')}, .keys = "{CR}", .framed = false});
    EXPECT_EQ(r.out, "\nFile name too long (at most 48 characters). Type oxa -h for details.\n\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Startup, AnExistingFileIsFetched) {
    const std::string text = "first line\nsecond line\n";
    // After the fetch, save the corefile under another name to see its text.
    auto r = runoxa(
        {.args = {"have.txt"}, .keys = "{CR}{CMD}SAcopy.txt{CR}", .files = {{"have.txt", text}}});
    EXPECT_EQ(r.lines.size() >= 3 ? Lines(r.lines.begin(), r.lines.begin() + 3) : r.lines, opening);
    EXPECT_GE(
        findlines(r.lines,
                  join({each("FETCH "), {"Filename"}, each("have.txt"), {"have.txt", "Command "}})),
        0);
    EXPECT_EQ(r.file("copy.txt"), text);
    EXPECT_EQ(r.file("have.txt"), text);
    EXPECT_EQ(r.status, 0);
}

TEST(Startup, ProcedureFileRunsInCommandMode) {
    auto r = runoxa({.args = {"-p", "proc"}, .keys = "{CR}", .files = {{"proc", "SAout.txt\n"}}});
    EXPECT_EQ(r.lines, join({opening,
                             each("PROCEDURE "),
                             {"Filename"},
                             each("proc"),
                             {"Command "},
                             each("SAVE "),
                             {"Filename"},
                             each("out.txt"),
                             {"Command ", "Typing  "}}));
    EXPECT_TRUE(r.exists("out.txt"));
    EXPECT_EQ(r.status, 0);
}

// The options queue a RUN of the driver from the working directory, or a
// PROCEDURE command; a missing file is refused by the command's checker with
// an error that waits for a key.
TEST(Startup, OptionsQueueRunOrProcedure) {
    const struct {
        std::vector<std::string> args;
        Lines lines;
    } cases[] = {
        {{"-d", "drv"},
         join({opening, each("RUN "), {"Filename"}, each("./drv"),
               {"Requested file cannot be located (or is not executable)!", "", "Command "}})},
        // A driver named by its absolute path is run as named.
        {{"-d", "/nonexistent/drv"},
         join({opening, each("RUN "), {"Filename"}, each("/nonexistent/drv"),
               {"Requested file cannot be located (or is not executable)!", "", "Command "}})},
        {{"-p", "nosuch"},
         join({opening, each("PROCEDURE "), {"Filename"}, each("nosuch"),
               {"File not found (or no read permission)", "", "Command "}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        auto r = runoxa({.args = c.args, .keys = "{CR}"});
        EXPECT_EQ(r.lines, c.lines);
        EXPECT_EQ(r.status, 0);
    }
}

// ESC [ 2 ~ and Ctrl-W toggle insert mode; each toggle shows the new mode word.
TEST(Startup, InsertKeyTogglesTheModeWord) {
    const struct {
        const char* keys;
        Lines tail;
    } cases[] = {
        {"{CR}{ESC}[2~", {"Typing  ", "Insert  "}},
        {"{CR}{ESC}[2~{ESC}[2~", {"Typing  ", "Insert  ", "Typing  "}},
        {"{CR}{^W}{^W}{^W}", {"Typing  ", "Insert  ", "Typing  ", "Insert  "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        auto r = runoxa({.keys = c.keys});
        EXPECT_EQ(r.lines, join({{"", "Typing  ", "Command "}, c.tail}));
        EXPECT_EQ(r.status, 0);
    }
}

// The end of the input ends the program with status 0, naming on standard
// error each corefile that was changed and not saved.
TEST(Startup, EndOfInputExitsNamingUnsavedCorefiles) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        const char* keys;
        const char* err;
    } cases[] = {
        {"nothing typed", {}, "{CR}", ""},
        {"nothing at all", {}, "", ""},
        {"typed text", {}, "{CR}hi", "oxa: corefile 1 not saved\n"},
        {"typed into a named file",
         {"notes.txt"},
         "{CR}hi",
         "oxa: corefile 1 (notes.txt) not saved\n"},
        {"in the middle of a command", {}, "{CR}hi{CMD}SA", "oxa: corefile 1 not saved\n"},
        {"saved text", {"notes.txt"}, "{CR}hi{CMD}SA*{CR}", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.args = c.args, .keys = c.keys});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(Startup, GoodbyeLeavesAfterTheWarnings) {
    const std::string warning = "WARNING: corefile 1 not saved. <del> aborts";
    const struct {
        const char* what;
        const char* keys;
        bool left; // the loop ended before the insert key
    } cases[] = {
        {"nothing to save", "{CMD}GO{CR}{ESC}[2~", true},
        {"confirmed", "{CR}hi{CMD}GO{CR}{CR}{ESC}[2~", true},
        {"BYE confirmed", "{CR}hi{CMD}BY{CR}{CR}{ESC}[2~", true},
        {"cancelled with rubout", "{CR}hi{CMD}GO{CR}{DEL}{CR}{ESC}[2~", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.keys = c.keys});
        EXPECT_EQ(r.status, 0);
        const bool edited = std::string(c.keys).find("hi") != std::string::npos;
        EXPECT_EQ(findlines(r.lines, {warning, ""}) >= 0, edited);
        EXPECT_EQ(findlines(r.lines, {"Insert  "}) >= 0, !c.left);
        // Leaving through GOODBYE is not the end of the input: nothing is named.
        EXPECT_EQ(r.err, c.left ? "" : "oxa: corefile 1 not saved\n");
    }
}

} // namespace startup_test
