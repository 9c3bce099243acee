// Every program answers --help (its usage) and --version (the version set in
// CMakeLists.txt, and the commit of a build from a git checkout) on standard
// output with status 0, whatever else is around.
#include "harness.hpp"

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/wait.h>

extern const char* const oxa_check_path;

namespace programs_test {

struct Output {
    int status = -1;
    std::string out;
};

// Runs a shell command; its standard output (with the standard error when
// `witherr`) and exit status.
Output run(const std::string& cmd, bool witherr = false) {
    Output o;
    std::FILE* p = popen((cmd + (witherr ? " </dev/null 2>&1" : " </dev/null 2>/dev/null")).c_str(), "r");
    if (!p) return o;
    char buf[512];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        o.out.append(buf, n);
    const int st = pclose(p);
    o.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return o;
}

std::string program(const char* name) {
    if (std::string(name) == "oxa-check") return oxa_check_path;
    return (std::filesystem::path(OXA_BINARY).parent_path() / name).string();
}

TEST(Programs, EveryProgramAnswersHelpAndVersion) {
    for (const char* name : {"oxa", "oxa-term", "oxa-check", "oxa-serve"}) {
        SCOPED_TRACE(name);
        const Output version = run("'" + program(name) + "' --version");
        EXPECT_EQ(version.status, 0);
        const std::regex line(std::string(name) + " " +
                              std::regex_replace(oxa_project_version, std::regex("\\."), "\\.") +
                              "( \\(commit [0-9a-f]{7,}(-dirty)?\\))?\n");
        EXPECT_TRUE(std::regex_match(version.out, line)) << version.out;
        const Output help = run("'" + program(name) + "' --help");
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(std::string("usage: ") + name, 0), 0u) << help.out;
        EXPECT_NE(help.out.find("--version"), std::string::npos) << help.out;
    }
}

TEST(Programs, AllThreeShowTheSameVersion) {
    const std::string oxa = run("'" + program("oxa") + "' --version").out;
    ASSERT_GT(oxa.size(), 4u);
    for (const char* name : {"oxa-term", "oxa-check", "oxa-serve"})
        EXPECT_EQ(run("'" + program(name) + "' --version").out, name + oxa.substr(3)) << name;
}

TEST(Programs, PacksAreFoundByNameInOxaPacks) {
    const std::string packs = "OXA_PACKS='/nowhere:" + std::string(OXA_SOURCE_DIR) + "/examples' ";
    struct Case {
        std::string cmd;
        int status;
        std::string output; // a part of what it prints
    };
    const Case cases[] = {
        {packs + "'" + program("oxa-check") + "' --generate 20 french", 0, "0 errors"},
        {packs + "'" + program("oxa-check") + "' spanish", 2,
         "oxa-check: no pack spanish (packs: english french)"},
        {"'" + program("oxa-check") + "' ./spanish", 2, "oxa-check: no directory ./spanish"},
        {packs + "'" + program("oxa-term") + "' --pack spanish", 2,
         "oxa-term: no pack spanish (packs: english french)"},
        {"'" + program("oxa-term") + "' --pack", 2, "oxa-term: --pack needs a pack"},
        {packs + "'" + program("oxa-serve") + "' --pack spanish", 2,
         "oxa-serve: no pack spanish (packs: english french)"},
        // Run from the build folder, a program finds the checkout's examples.
        {"env -u OXA_PACKS '" + program("oxa-check") + "' --generate 20 french", 0, "0 errors"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cmd);
        const Output o = run(c.cmd, true);
        EXPECT_EQ(o.status, c.status);
        EXPECT_NE(o.out.find(c.output), std::string::npos) << o.out;
    }
}

} // namespace programs_test
