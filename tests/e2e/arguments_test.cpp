// Argument checks: each message is framed by a blank line before and two
// newlines after, and the program exits with status 0 without reading input.
#include "harness.hpp"

namespace arguments_test {

using oxatest::Run;
using oxatest::runoxa;

struct ArgCase {
    std::vector<std::string> args;
    std::string message;
};

TEST(Arguments, ErrorsPrintTheirMessageAndExitZero) {
    const ArgCase cases[] = {
        {{"-d"}, "You need to give the name of the driver file. Type oxa -h for details."},
        {{"-p"}, "You need to give the name of the procedure file. Type oxa -h for details."},
        {{"a", "b", "c"}, "Too many arguments. Type oxa -h for details."},
        {{"-d", "drv", "extra", "more"}, "Too many arguments. Type oxa -h for details."},
    };
    for (const ArgCase& c : cases) {
        SCOPED_TRACE(c.message);
        // Keys on the input must not be read: the program ends before start-up.
        auto r = runoxa({.args = c.args, .keys = "{CMD}GO{CR}", .framed = false});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "\n" + c.message + "\n\n");
        EXPECT_EQ(r.err, "");
    }
}

TEST(Arguments, HelpListsTheWaysToStartAndTheDocumentation) {
    auto r = runoxa({.args = {"-h"}, .framed = false});
    EXPECT_EQ(r.status, 0);
    const std::string help = "To start oxa, use one of the following:\n"
                             "\toxa <filename>\n"
                             "\toxa -p <procedurefilename>\n"
                             "\toxa -d <driverfilename>\n"
                             "\n"
                             "Notes:\n"
                             "(1) You MUST provide the exact path to <driverfilename> if\n"
                             "it is not in the current directory.\n"
                             "(2) To use xoxa, replace oxa by xoxa.\n"
                             "(3) For more help, see https://oxa-editor.org/docs\n";
    EXPECT_EQ(r.out, "\n" + help + "\n\n");
    EXPECT_LE(help.size(), 999u);
}

TEST(Arguments, HelpAndVersionCountOnlyAsTheSoleArgument) {
    const oxatest::Fixture named{"--help", "a file named --help\n"};
    // Alone, --help prints the usage even beside a file of that name, and
    // reads no keys.
    auto help = runoxa({.args = {"--help"}, .keys = "{CMD}GO{CR}", .files = {named}, .framed = false});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: oxa FILE", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.file("--help"), named.content);
    // As ./--help it is a file like any other: fetched, and saved again.
    auto file = runoxa({.args = {"./--help"}, .keys = "{CR}{CMD}SAcopy.txt{CR}", .files = {named}});
    EXPECT_EQ(file.file("copy.txt"), named.content);
    EXPECT_EQ(file.out.find("usage:"), std::string::npos);
    // Beside another argument neither is an option: the editor starts.
    for (const char* arg : {"--help", "--version"}) {
        auto two = runoxa({.args = {arg, "x"}, .keys = "{CMD}BY{CR}"});
        EXPECT_EQ(two.status, 0);
        EXPECT_EQ(two.out.find("usage:"), std::string::npos) << arg;
        EXPECT_EQ(two.out.find(std::string("oxa ") + oxa_project_version), std::string::npos) << arg;
        EXPECT_FALSE(two.lines.empty()) << arg;
    }
}

} // namespace arguments_test
