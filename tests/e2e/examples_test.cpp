// The example languages: each is loaded by its commands from the files in
// examples/, and the message corefile 7 (EMIT 7, bare line-feed lines) must
// show every file read and no error line.
#include "harness.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using oxatest::runoxa;

std::filesystem::path example_dir(const std::string& lang) {
    return std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "examples" / lang;
}

std::vector<oxatest::Fixture> example_files(const std::string& lang) {
    std::vector<oxatest::Fixture> files;
    for (const char* name : {"attributes", "terminals", "lexicon", "morphology", "tables",
                             "syntax", "tags", "merrors", "phonology"}) {
        std::ifstream in(example_dir(lang) / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        EXPECT_TRUE(in.good() || in.eof()) << lang << "/" << name;
        files.push_back({name, text.str()});
    }
    return files;
}

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

TEST(Examples, EachLanguageLoadsWithoutErrors) {
    const struct {
        const char* lang;
        const char* words; // the lexicon's closing line
    } cases[] = {
        {"english", "Total Words: 192. Number of Errors: 0"},
        {"french", "Total Words: 152. Number of Errors: 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang);
        auto r = runoxa({.keys = cmd("ATattributes") + cmd("TMterminals") + cmd("LElexicon") +
                                 cmd("MOmorphology") + cmd("TBtables") + cmd("SYsyntax") +
                                 cmd("TGtags") + cmd("MRmerrors") + cmd("IPphonology") +
                                 cmd("VD0") + cmd("EM7"),
                         .files = example_files(c.lang),
                         .framed = false});
        const auto& emitted = r.badlines;
        for (const auto& l : emitted) {
            EXPECT_EQ(l.find("ERROR"), std::string::npos) << l;
            EXPECT_EQ(l.find("warning"), std::string::npos) << l;
        }
        for (const char* want :
             {"Finished reading attribute input from file 'attributes'",
              "Finished reading terminals input from file 'terminals'",
              "Finished reading morphology input from file 'morphology'",
              "Finished reading table input from file 'tables'",
              "Finished reading Syntax Input from file 'syntax'", c.words}) {
            EXPECT_TRUE(std::any_of(emitted.begin(), emitted.end(),
                                    [&](const std::string& l) { return l.find(want) == 0; }))
                << want;
        }
    }
}

} // namespace
