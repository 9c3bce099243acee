// The enumeration of morphological variants (ESC L) after a generation
// whose grammar has only ROOT: every leaf of the ROOT tree carries a word,
// and each word is listed with the spelling of each variant the error file
// allows (here number, for determiners and nouns).
#include "harness.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace enumeration_test {

using oxatest::runoxa;
using Lines = std::vector<std::string>;

std::vector<oxatest::Fixture> english_with_root_only() {
    std::vector<oxatest::Fixture> files;
    for (const char* name :
         {"attributes", "terminals", "lexicon", "morphology", "tables", "merrors"}) {
        std::ifstream in(std::filesystem::path(OXA_SOURCE_DIR) / "examples" / "english" / name,
                         std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        files.push_back({name, text.str()});
    }
    files.push_back({"syntax", "ROOT = CHOOSE n : number ; NP [ n ] %\n"
                               "NP = INHERIT n : number ; DET [ n ] N [ n ] %\n"});
    return files;
}

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

TEST(Enumeration, EachRootLeafWithTheSpellingOfEachVariant) {
    struct Case {
        const char* seed;
        Lines expected; // corefile 7 from the sentence on
    } cases[] = {
        {"123456789",
         {"Transformed Sentence : my feet", "  ******", "", "ORIGINAL WORD: my", "",
          "Morphological variations:     Attribute list:", "pl;my", "sg;my", "", "",
          "ORIGINAL WORD: feet", "", "Morphological variations:     Attribute list:", "pl;feet",
          "sg;foot", ""}},
        {"55555555",
         {"Transformed Sentence : the city", "  ******", "", "ORIGINAL WORD: the", "",
          "Morphological variations:     Attribute list:", "pl;the", "sg;the", "", "",
          "ORIGINAL WORD: city", "", "Morphological variations:     Attribute list:", "pl;cities",
          "sg;city", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        auto r = runoxa({.keys = cmd("ATattributes") + cmd("TMterminals") + cmd("LElexicon") +
                                 cmd("MOmorphology") + cmd("TBtables") + cmd("SYsyntax") +
                                 cmd("MRmerrors") + cmd(std::string("RA") + c.seed) +
                                 "{CR}{ESC}g{ESC}L" + cmd("EM7"),
                         .files = english_with_root_only(),
                         .framed = false});
        const Lines& core7 = r.badlines;
        auto at = std::find(core7.begin(), core7.end(), c.expected[0]);
        ASSERT_NE(at, core7.end()) << ::testing::PrintToString(core7);
        Lines got(at, std::min(core7.end(), at + static_cast<long>(c.expected.size())));
        EXPECT_EQ(got, c.expected);
    }
}

TEST(Enumeration, WithoutAGenerationTheKeyIsRefused) {
    auto r = runoxa({.keys = "{CR}{ESC}L{CR}" + cmd("EM7"), .files = {}, .framed = false});
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "Error: ROOT tree does not exist"), 1)
        << ::testing::PrintToString(r.lines);
}

} // namespace enumeration_test
