// Argument checks: each message is framed by a blank line before and two
// newlines after, and the program exits with status 0 without reading input.
#include "harness.hpp"

namespace {

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

} // namespace
