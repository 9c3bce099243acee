// Command mode end to end: names and their completion, parameter fields and
// defaults, abandoning with rubout, and what the setter commands change.
#include "harness.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

using oxatest::Fixture;
using oxatest::Result;
using oxatest::Run;
using oxatest::runoxa;

// True when `seq` stands in `lines` as consecutive lines.
bool hasrun(const std::vector<std::string>& lines, const std::vector<std::string>& seq) {
    return std::search(lines.begin(), lines.end(), seq.begin(), seq.end()) != lines.end();
}

bool hasline(const std::vector<std::string>& lines, const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
}

std::string readall(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

const Fixture threelines{"f.txt", "one\ntwo\nthree\n"};

TEST(CommandNames, AreCompletedAndCheckedOnTheCommandLine) {
    const struct {
        const char* keys;
        std::vector<std::string> lines;
    } cases[] = {
        // Two letters select the command; the rest of its name and a blank follow.
        {"CO3{CR}{CR}", {"Command ", "C", "O", "R", "E", " ", "Integer ", "3"}},
        // Lower case is read as upper case.
        {"fe{DEL}{CR}", {"Command ", "F", "E", "T", "C", "H", " ", "Filename"}},
        // Rubout after the first letter takes it back.
        {"F{DEL}JU1{CR}{CR}", {"F", "", "J", "U", "S", "T", "I", "F", "Y", " "}},
        // No such command: an error that waits, then a fresh command prompt.
        {"ZZ{CR}{CR}", {"Z", "Z", "Invalid Command Request", "", "Command "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        Result r = runoxa(Run{{}, c.keys});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.badlines.empty());
        EXPECT_TRUE(hasrun(r.lines, c.lines)) << ::testing::PrintToString(r.lines);
    }
}

TEST(CommandNames, CommandModeGoesOnAfterACommand) {
    Result r = runoxa(Run{{}, "FEf.txt{CR}CO2{CR}{CR}", {threelines}});
    EXPECT_EQ(r.status, 0);
    // A prompt before FETCH, one before CORE, one before the final return.
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "Command "), 3);
    EXPECT_TRUE(hasrun(r.lines, {"Command ", "C", "O", "R", "E", " "}));
}

// Fields left out take the row's defaults; typed fields, even empty ones,
// keep what was typed.  EMIT with destination 0 shows the corefile's lines.
TEST(CommandParameters, DefaultsAndFields) {
    const struct {
        const char* keys;
        const char* emitted;
    } cases[] = {
        {"FEf.txt{CR}EM1{CR}{CR}", "one\ntwo\nthree\n$$$\r\n"},
        {"FEf.txt|2|3{CR}EM1{CR}{CR}", "two\nthree\n$$$\r\n"},
        {"FEf.txt|2{CR}EM1{CR}{CR}", "two\nthree\n$$$\r\n"},
        {"FEf.txt{CR}EM1|2|2{CR}{CR}", "two\n$$$\r\n"},
        {"FEf.txt{CR}EM1|*|*{CR}{CR}", "one\ntwo\nthree\n$$$\r\n"},  // no stars: 1 to 200000
        // A `|` typed in the last field is ignored.
        {"FEf.txt{CR}EM1|3|3|0|{CR}{CR}", "three\n$$$\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        Run run{{}, c.keys, {threelines}};
        run.framed = false;
        Result r = runoxa(run);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find(c.emitted), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("$$$"), r.out.rfind("$$$"));  // emitted once
    }
}

// Rubout as the first parameter key abandons the command: the result
// register is 0, which a procedure conditional can test.
TEST(CommandParameters, RuboutAbandonsAndTheResultSays0) {
    const struct {
        const char* proc;
        const char* shown;
        const char* notshown;
    } cases[] = {
        {"~JU{/}{?}NAyes{M}{:}NAno{M}{.}", "no", "yes"},
        {"~JU1{M}{?}NAyes{M}{:}NAno{M}{.}", "yes", "no"},
        // Rubout while a name is typed only takes back its letter.
        {"~C{/}{/}JU{/}{?}NAyes{M}{:}NAno{M}{.}", "no", "yes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proc);
        Result r = runoxa(Run{{"-p", "p.oxa"}, "{CR}", {{"p.oxa", c.proc}}});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(hasline(r.lines, c.shown)) << ::testing::PrintToString(r.lines);
        EXPECT_FALSE(hasline(r.lines, c.notshown));
    }
}

TEST(CommandParameters, FunctionKeyStringsTakeTheBraceNotation) {
    // Function key 2 holds the command key, CORE 3, return and return again;
    // the x typed after it lands in corefile 3.
    Run run{{}, "FU2|{{C}CO3{{M}{{M}{CR}{CR}{ESC}2x{CMD}EM3{CR}{CR}"};
    run.framed = false;
    Result r = runoxa(run);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\nx\n$$$\r\n"), std::string::npos) << r.out;
}

TEST(SetterCommands, ChangeWhatFollows) {
    const struct {
        const char* name;
        const char* keys;
        const char* emitted;
    } cases[] = {
        // RETURN puts the cursor at the left margin on the new line.
        {"margins", "MA10{CR}{CR}{CR}x{CMD}EM1{CR}{CR}", "\n         x\n$$$"},
        // Tab stops every 5 columns from column 1, after clearing them all.
        {"tabs", "TA0{CR}TA5{CR}{CR}{TAB}x{CMD}EM1{CR}{CR}", "\n     x\n$$$"},
        // A key mapped to edit code 0 does nothing.
        {"key", "KE120|0{CR}{CR}axb{CMD}EM1{CR}{CR}", "\nab\n$$$"},
        // The only, empty line takes the shape of a record.
        {"object", "OB1{CR}EM1{CR}{CR}", "\n\\r||||||||||\n$$$"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Run run{{}, c.keys};
        run.framed = false;
        Result r = runoxa(run);
        EXPECT_EQ(r.status, 0);
        std::string out = "\n" + r.out;
        EXPECT_NE(out.find(c.emitted), std::string::npos) << r.out;
    }
}

TEST(SetterCommands, FontChangesTheEchoedByte) {
    Result r = runoxa(Run{{}, "FO120|65{CR}{CR}xy"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasrun(r.lines, {"A", "y"})) << ::testing::PrintToString(r.lines);
    EXPECT_FALSE(hasline(r.lines, "x"));
}

TEST(SetterCommands, EditorOptionSavesWithCarriageReturns) {
    Result r = runoxa(Run{{}, "{CR}hi{CMD}ED10{CR}SAout.txt{CR}{CR}"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readall(r.path("out.txt")), "hi\r\n");
}

TEST(SetterCommands, AskAnswersThroughTheResult) {
    // Three lines, the cursor on the first: ASK 16 gives 3, ASK 3 gives 1.
    const char* proc = "~FEf.txt{M}AS16{M}{=}3 NAthree{M}{.}AS3{M}{=}2 NAtwo{M}{.}";
    Result r = runoxa(Run{{"-p", "p.oxa"}, "{CR}", {threelines, {"p.oxa", proc}}});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasline(r.lines, "three")) << ::testing::PrintToString(r.lines);
    EXPECT_FALSE(hasline(r.lines, "two"));
}

TEST(SetterCommands, WindowRefusesAnUnusableSize) {
    // Without numbers: no rows and 200000 columns.
    Result r = runoxa(Run{{}, "WI{CR}{CR}{CR}"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasrun(r.lines, {"Invalid Window Size", ""}));
}

TEST(SetterCommands, UnsavedCorefileIsWarnedAbout) {
    Result r = runoxa(Run{{}, "{CR}x{CMD}CL{CR}{CR}"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasline(r.lines, "Warning: corefile not saved"));
}

TEST(SetterCommands, SilentStopsAndRestartsOutput) {
    Result r = runoxa(Run{{}, "{CR}{ESC}zab{ESC}zc"});
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(hasline(r.lines, "a"));
    EXPECT_FALSE(hasline(r.lines, "b"));
    EXPECT_TRUE(hasrun(r.lines, {"Typing  "}));
    EXPECT_EQ(r.lines.back(), "c");
}

}  // namespace
