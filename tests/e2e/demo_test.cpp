// The demo script run on a language pack of one's own: a directory laid out
// like examples/english, with or without its own demo.proc.
#include "harness.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace demo_test {

namespace fs = std::filesystem;

struct ScriptRun {
    std::string out; // standard output and standard error together
    int status;
};

ScriptRun demo(const fs::path& pack) {
    std::string cmd = "sh '" + std::string(OXA_SOURCE_DIR) + "/examples/demo.sh' '" +
                      std::string(OXA_BINARY) + "' '" + pack.string() + "' 2>&1";
    ScriptRun r{"", -1};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    r.status = pclose(p);
    return r;
}

// A copy of the English pack in a fresh directory, less the files named.
fs::path englishpack(const std::string& name, std::initializer_list<const char*> drop) {
    fs::path dir = fs::temp_directory_path() / ("oxa-demo-test-" + std::to_string(getpid())) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& e : fs::directory_iterator(fs::path(OXA_SOURCE_DIR) / "examples" / "english"))
        fs::copy_file(e.path(), dir / e.path().filename());
    for (const char* f : drop)
        fs::remove(dir / f);
    return dir;
}

TEST(DemoScript, OwnPackWithItsProcedure) {
    auto dir = englishpack("mypack", {});
    ScriptRun r = demo(dir);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("== mypack\n", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("== english"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("learner's answer: the doctor read yor gardns"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("BEST ROOT"), std::string::npos) << r.out;
    fs::remove_all(dir.parent_path());
}

TEST(DemoScript, OwnPackWithoutProcedureGenerates) {
    auto dir = englishpack("noproc", {"demo.proc", "tags", "merrors"});
    ScriptRun r = demo(dir);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("== noproc\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("    Answer    : "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("error analysis report: (empty)"), std::string::npos) << r.out;
    fs::remove_all(dir.parent_path());
}

TEST(DemoScript, RefusesAnIncompletePack) {
    struct Case {
        const char* name;
        bool exists;
        const char* message;
    };
    const Case cases[] = {
        {"nosyntax", true, "has no file named syntax"},
        {"nowhere", false, "no language pack directory"},
    };
    for (const Case& c : cases) {
        fs::path dir = c.exists ? englishpack(c.name, {"syntax"})
                                : fs::temp_directory_path() / "oxa-demo-test-absent" / c.name;
        ScriptRun r = demo(dir);
        EXPECT_NE(r.status, 0) << c.name;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << c.name << ": " << r.out;
        EXPECT_EQ(r.out.find("=="), std::string::npos) << c.name << ": " << r.out;
        if (c.exists)
            fs::remove_all(dir.parent_path());
    }
}

} // namespace demo_test
