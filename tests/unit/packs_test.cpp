// Language packs found by name: the search path from $OXA_PACKS and the
// program's folder, the lookup, and the message that lists the packs.
#include "packs/packs.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace packs_test {

namespace fs = std::filesystem;
using namespace oxa::packs;

class Packs : public ::testing::Test {
  protected:
    fs::path tmp;

    // Packs tmp/mine/{french,own} and tmp/prefix/share/oxa/packs/{english,french}
    // (each with a syntax file), tmp/prefix/bin the program's folder, and in
    // tmp/mine a plain file and a folder that are no packs.
    void SetUp() override {
        char tmpl[] = "/tmp/oxapacksXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        tmp = tmpl;
        for (const char* d : {"mine/french", "mine/own", "prefix/share/oxa/packs/english",
                              "prefix/share/oxa/packs/french", "prefix/bin"})
            fs::create_directories(tmp / d);
        std::ofstream(tmp / "mine" / "notes") << "not a pack\n";
        for (const char* d : {"mine/french", "mine/own", "prefix/share/oxa/packs/english",
                              "prefix/share/oxa/packs/french"})
            std::ofstream(tmp / d / "syntax") << "ROOT = X %\n";
        fs::create_directories(tmp / "mine" / "tools"); // a folder that is no pack
    }
    void TearDown() override { fs::remove_all(tmp); }

    std::string bin() const { return (tmp / "prefix" / "bin").string(); }
    std::string packsdir() const { return (tmp / "prefix" / "share" / "oxa" / "packs").string(); }
    std::string installed(const char* name) const { return packsdir() + "/" + name; }
};

TEST_F(Packs, SearchPathIsTheVariableThenTheInstalledPacks) {
    const std::string mine = (tmp / "mine").string();
    EXPECT_EQ(searchpath(nullptr, bin()), std::vector<std::string>{packsdir()});
    EXPECT_EQ(searchpath((mine + "::/nowhere:").c_str(), bin()),
              (std::vector<std::string>{mine, "/nowhere", packsdir()}));
    EXPECT_EQ(searchpath("", ""), std::vector<std::string>{});
    // Run from the build folder of a checkout: its example packs too.
    fs::create_directories(tmp / "src" / "build");
    fs::create_directories(tmp / "src" / "examples");
    const std::string build = (tmp / "src" / "build").string();
    EXPECT_EQ(searchpath(nullptr, build), std::vector<std::string>{(tmp / "src" / "share" / "oxa" / "packs").string()});
    std::ofstream(tmp / "src" / "build" / "CMakeCache.txt") << "\n";
    EXPECT_EQ(searchpath(nullptr, build), (std::vector<std::string>{(tmp / "src" / "share" / "oxa" / "packs").string(),
                                                                    (tmp / "src" / "examples").string()}));
}

TEST_F(Packs, ADirectoryIsTakenAsItIsAndANameIsLookedUpInOrder) {
    const std::string mine = (tmp / "mine").string();
    const std::vector<std::string> path = searchpath(mine.c_str(), bin());
    struct Case {
        std::string arg, found;
    };
    const Case cases[] = {
        {"french", mine + "/french"},     // the variable's folder comes first
        {"english", installed("english")}, // then the installed packs
        {"own", mine + "/own"},
        {"spanish", ""},
        {"notes", ""},                      // a file is not a pack
        {(tmp / "mine" / "own").string(), (tmp / "mine" / "own").string()},
        {"../nowhere/french", ""},          // a path is never looked up by name
        {"..", ".."},                        // a directory is taken as it is
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        EXPECT_EQ(findpack(c.arg, path), c.found);
    }
}

TEST_F(Packs, NotFoundNamesThePacksThereAre) {
    const std::string mine = (tmp / "mine").string();
    const std::vector<std::string> path = searchpath(mine.c_str(), bin());
    EXPECT_EQ(packnames(path), (std::vector<std::string>{"english", "french", "own"}));
    EXPECT_EQ(notfound("spanish", path), "no pack spanish (packs: english french own)");
    EXPECT_EQ(notfound("a/b", path), "no directory a/b");
    EXPECT_EQ(notfound("spanish", searchpath(nullptr, "/nowhere/bin")),
              "no pack spanish (no packs installed; set OXA_PACKS or give a directory)");
}

TEST_F(Packs, LoadKeysTypeTheFilesThereAreInLoadingOrder) {
    const fs::path own = tmp / "mine" / "own";
    for (const char* f : {"phonology", "lexicon", "terminals", "attributes", "notes"})
        std::ofstream(own / f) << "\n";
    std::string keys, error;
    ASSERT_TRUE(loadkeys(own.string(), keys, error)) << error;
    const std::string d = own.string() + "/";
    EXPECT_EQ(keys, "\x03" "AT" + d + "attributes\r\x03" "TM" + d + "terminals\r\x03" "LE" + d +
                        "lexicon\r\x03" "SY" + d + "syntax\r\x03" "IP" + d + "phonology\r");
    // Optional files are loaded when present, a required one is demanded.
    std::ofstream(own / "tables") << "\n";
    fs::remove(own / "terminals");
    EXPECT_FALSE(loadkeys(own.string(), keys, error));
    EXPECT_EQ(error, "the pack " + own.string() + " has no file named terminals");
    // A path the editor cannot take is refused.
    const fs::path deep = tmp / std::string(60, 'd');
    fs::create_directories(deep);
    for (const char* f : {"attributes", "terminals", "lexicon", "syntax"})
        std::ofstream(deep / f) << "\n";
    EXPECT_FALSE(loadkeys(deep.string(), keys, error));
    EXPECT_NE(error.find("longer than the editor's 48 characters"), std::string::npos) << error;
}

TEST(PacksSelf, TheRunningProgramAndItsFolder) {
    // Found from /proc/self/exe whatever argv[0] says.
    const std::string self = oxa::packs::selfpath("not-the-program");
    EXPECT_EQ(self.substr(self.rfind('/') + 1), "unit_tests");
    EXPECT_EQ(oxa::packs::programdir("not-the-program"), self.substr(0, self.rfind('/')));
}

} // namespace packs_test
