// oxa-check on a pack's display names: the example packs name every value a
// FORM explanation can show; a value without a name and a malformed line
// are errors at their file.
#include "harness.hpp"

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

extern const char* const oxa_check_path;

namespace names_check_test {

namespace fs = std::filesystem;

// oxa-check's standard output on a directory, and its exit status.
std::pair<int, std::string> check(const fs::path& dir, const fs::path& tmp) {
    const std::string cmd = std::string("'") + oxa_check_path + "' -q '" + dir.string() + "' >'" +
                            (tmp / "out").string() + "' 2>&1";
    const int st = std::system(cmd.c_str());
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, oxatest::readfile(tmp / "out")};
}

TEST(NamesCheck, EveryFormValueNamedAndEachLineWellFormed) {
    char tmpl[] = "/tmp/oxanamesXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path tmp = tmpl;
    for (const char* lang : {"english", "french"}) {
        SCOPED_TRACE(lang);
        auto [status, out] = check(fs::path(OXA_SOURCE_DIR) / "examples" / lang, tmp);
        EXPECT_EQ(out.find("names-"), std::string::npos) << out;
    }
    const fs::path pack = tmp / "pack";
    fs::create_directory(pack);
    for (const auto& e : fs::directory_iterator(fs::path(OXA_SOURCE_DIR) / "examples" / "french"))
        fs::copy(e.path(), pack / e.path().filename());
    std::string names = oxatest::readfile(pack / "names-english");
    names.replace(names.find("impf \"imperfect\""), 16, "impf imperfect");
    std::ofstream(pack / "names-english", std::ios::binary) << names;
    auto [status, out] = check(pack, tmp);
    EXPECT_EQ(status, 1);
    const std::string file = (pack / "names-english").string();
    EXPECT_NE(out.find(file + ":14:0: error: unexpected 'i'"), std::string::npos) << out;
    EXPECT_NE(out.find(file + ":0:0: error: impf has no display name (a learner may read it in a "
                              "FORM explanation)"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("names-french"), std::string::npos) << out;
    fs::remove_all(tmp);
}

} // namespace names_check_test
