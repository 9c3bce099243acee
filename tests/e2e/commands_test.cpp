// Command mode end to end: names and their completion, parameter fields and
// defaults, abandoning with rubout, and what the setter commands change.
#include "harness.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace commands_test {

using oxatest::Fixture;
using oxatest::Result;
using Script = oxatest::Run;
using oxatest::runoxa;

// True when `seq` stands in `lines` as consecutive lines.
bool hasrun(const std::vector<std::string>& lines, const std::vector<std::string>& seq) {
    return std::search(lines.begin(), lines.end(), seq.begin(), seq.end()) != lines.end();
}

bool hasline(const std::vector<std::string>& lines, const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
}

// Standard output with every CR LF turned into a line feed, so that EMIT
// output reads the same whichever line end it carries.
std::string lf(const std::string& out) {
    std::string s;
    for (size_t i = 0; i < out.size(); ++i)
        if (!(out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n')) s += out[i];
    return s;
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
        Result r = runoxa(Script{{}, c.keys});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.badlines.empty());
        EXPECT_TRUE(hasrun(r.lines, c.lines)) << ::testing::PrintToString(r.lines);
    }
}

TEST(CommandNames, CommandModeGoesOnAfterACommand) {
    Result r = runoxa(Script{{}, "FEf.txt{CR}CO2{CR}{CR}", {threelines}});
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
        {"FEf.txt{CR}EM1{CR}{CR}", "\n1\none\ntwo\nthree\n$$$\n"},
        {"FEf.txt|2|3{CR}EM1{CR}{CR}", "\n1\ntwo\nthree\n$$$\n"},
        {"FEf.txt|2{CR}EM1{CR}{CR}", "\n1\ntwo\nthree\n$$$\n"},
        {"FEf.txt{CR}EM1|2|2{CR}{CR}", "\n2\ntwo\n$$$\n"},
        // Without stars a `*` stands for lines 1 to 200000.
        {"FEf.txt{CR}EM1|*|*{CR}{CR}", "\n*\none\ntwo\nthree\n$$$\n"},
        // A `|` typed in the last field is ignored.
        {"FEf.txt{CR}EM1|3|3|0|{CR}{CR}", "\n0\nthree\n$$$\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        Script run{{}, c.keys, {threelines}};
        run.framed = false;
        Result r = runoxa(run);
        EXPECT_EQ(r.status, 0);
        const std::string out = lf(r.out);
        EXPECT_NE(out.find(c.emitted), std::string::npos) << out;
        EXPECT_EQ(out.find("$$$"), out.rfind("$$$")); // emitted once
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
        Result r = runoxa(Script{{"-p", "p.oxa"}, "{CR}", {{"p.oxa", c.proc}}});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(hasline(r.lines, c.shown)) << ::testing::PrintToString(r.lines);
        EXPECT_FALSE(hasline(r.lines, c.notshown));
    }
}

TEST(CommandParameters, FunctionKeyStringsTakeTheBraceNotation) {
    // Function key 2 holds the command key, NAME fkey, return and return
    // again; NAME resends the file name.
    Result r = runoxa(Script{{}, "FU2|{{C}NAfkey{{M}{{M}{CR}{CR}{ESC}2"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasrun(r.lines, {"N", "A", "M", "E", " ", "Filename", "f", "k", "e", "y", "fkey"}))
        << ::testing::PrintToString(r.lines);
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
        {"object", "OB1{CR}EM1{CR}{CR}", "\n1\n\\r||||||||||\n$$$"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Script run{{}, c.keys};
        run.framed = false;
        Result r = runoxa(run);
        EXPECT_EQ(r.status, 0);
        std::string out = "\n" + lf(r.out);
        EXPECT_NE(out.find(c.emitted), std::string::npos) << r.out;
    }
}

TEST(SetterCommands, FontChangesTheEchoedByte) {
    Result r = runoxa(Script{{}, "FO120|65{CR}{CR}xy"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasrun(r.lines, {"A", "y"})) << ::testing::PrintToString(r.lines);
    EXPECT_FALSE(hasline(r.lines, "x"));
}

TEST(SetterCommands, EditorOptionSavesWithCarriageReturns) {
    Result r = runoxa(Script{{}, "{CR}hi{CMD}ED10{CR}SAout.txt{CR}{CR}"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(oxatest::readfile(r.path("out.txt")), "hi\r\n");
}

TEST(SetterCommands, AskAnswersThroughTheResult) {
    // Three lines, the cursor on the first: ASK 16 gives 3, ASK 3 gives 1.
    const char* proc = "~FEf.txt{M}AS16{M}{=}3 NAthree{M}{.}AS3{M}{=}2 NAtwo{M}{.}";
    Result r = runoxa(Script{{"-p", "p.oxa"}, "{CR}", {threelines, {"p.oxa", proc}}});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasline(r.lines, "three")) << ::testing::PrintToString(r.lines);
    EXPECT_FALSE(hasline(r.lines, "two"));
}

TEST(SetterCommands, WindowRefusesAnUnusableSize) {
    // Without numbers: no rows and 200000 columns.
    Result r = runoxa(Script{{}, "WI{CR}{CR}{CR}"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasrun(r.lines, {"Invalid Window Size", ""}));
}

TEST(SetterCommands, UnsavedCorefileIsWarnedAbout) {
    Result r = runoxa(Script{{}, "{CR}x{CMD}CL{CR}{CR}"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasline(r.lines, "Warning: corefile not saved"));
}

TEST(SetterCommands, SilentStopsAndRestartsOutput) {
    Result r = runoxa(Script{{}, "{CR}{ESC}zab{ESC}zc"});
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(hasline(r.lines, "a"));
    EXPECT_FALSE(hasline(r.lines, "b"));
    EXPECT_TRUE(hasrun(r.lines, {"Typing  "}));
    EXPECT_EQ(r.lines.back(), "c");
}

} // namespace commands_test
