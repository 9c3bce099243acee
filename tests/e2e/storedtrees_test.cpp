// Stored trees seen from outside: a generation or a stored set read back
// with RECOVER, written with STORE and VDISPLAY into the current corefile;
// the refusals before any generation.
#include "harness.hpp"

#include <algorithm>

namespace storedtrees_test {

using oxatest::runoxa;
using Lines = std::vector<std::string>;

const std::vector<oxatest::Fixture> language = {
    {"attr", "number ( sg , pl ) %\n"},
    {"term", "DET N V\n"},
    {"lex", "\"le\"|DET|sg|10|#1|\n\"chat\"|N|sg|10|#1|\n\"dort\"|V|sg|10|#1|\n"},
    {"syn", "ROOT = NP [sg] V [sg] %\nNP = INHERIT n : number ; DET [n] N [n] %\n"},
};

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

const Lines tree0 = {
    "$t 0",
    "N|G|ROOT||0|\"\"||",
    "S|G|NP|sg|0|\"\"||",
    "SS|G|DET|sg|0|\"le\"|LEX_0|",
    "SSR|G|N|sg|0|\"chat\"|LEX_1|",
    "SR|G|V|sg|0|\"dort\"|LEX_2|",
    "$L",
    "{LEX_0} \"le\"|DET|sg|0010|#1||",
    "{LEX_1} \"chat\"|N|sg|0010|#1||",
    "{LEX_2} \"dort\"|V|sg|0010|#1||",
    "%",
};

std::string set(const Lines& body) {
    std::string text = "$u\n";
    for (const auto& l : body)
        text += l + "\n";
    return text;
}

TEST(StoredTrees, RecoveredTreesAreStoredAgainInEachStyle) {
    // Read a stored set back, then write it as full trees, leaf list and
    // indented trees into corefile 1.
    std::vector<oxatest::Fixture> files = language;
    files.push_back({"set", set(tree0)});
    auto r = runoxa({.keys = cmd("ATattr") + cmd("TMterm") + cmd("REset") + cmd("VD2") +
                             cmd("ST0|0") + cmd("VD1") + cmd("EM1"),
                     .files = files,
                     .framed = false});
    Lines core1 = r.badlines;
    const Lines leaves = {
        "$u", "$l 0", "DET|sg|0|\"le\"|LEX_0|", "N|sg|0|\"chat\"|LEX_1|", "V|sg|0|\"dort\"|LEX_2|",
        "$L"};
    const Lines indented = {"$u",
                            "$t 0",
                            "ROOT||0|\"\"||",
                            "  NP|sg|0|\"\"||",
                            "    DET|sg|0|\"le\"|LEX_0|",
                            "    N|sg|0|\"chat\"|LEX_1|",
                            "  V|sg|0|\"dort\"|LEX_2|",
                            "$L"};
    Lines full = {"$u"};
    full.insert(full.end(), tree0.begin(), tree0.end());
    auto at = std::search(core1.begin(), core1.end(), full.begin(), full.end());
    ASSERT_NE(at, core1.end()) << ::testing::PrintToString(core1);
    at = std::search(at, core1.end(), leaves.begin(), leaves.end());
    ASSERT_NE(at, core1.end()) << ::testing::PrintToString(core1);
    EXPECT_NE(std::search(at, core1.end(), indented.begin(), indented.end()), core1.end())
        << ::testing::PrintToString(core1);
    EXPECT_EQ(r.status, 0);
}

TEST(StoredTrees, AGenerationStoredSavedAndRecoveredIsTheSame) {
    // Generate (return leaves command mode first), store full trees into
    // corefile 1, save it, read it back and store again.
    auto r =
        runoxa({.keys = cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("SYsyn") + "{CR}{ESC}g" +
                        cmd("ST1|0") + cmd("SAset") + cmd("REset") + cmd("VD2") + cmd("EM1"),
                .files = language,
                .framed = false});
    Lines core1 = r.badlines;
    auto first = std::search(core1.begin(), core1.end(), tree0.begin(), tree0.end());
    ASSERT_NE(first, core1.end()) << ::testing::PrintToString(core1);
    EXPECT_NE(std::search(first + 1, core1.end(), tree0.begin(), tree0.end()), core1.end())
        << ::testing::PrintToString(core1);
    // The untransformed copy of ROOT comes first in both sets.
    EXPECT_EQ(std::count(core1.begin(), core1.end(), "$t 999999"), 2);
    EXPECT_TRUE(r.exists("set"));
    EXPECT_EQ(r.status, 0);
}

TEST(StoredTrees, RecoveredAnswerTreesWithoutRootAreDisplayedAndStored) {
    // A stored set of numbered trees holds no ROOT: displaying and storing
    // still work on what was recovered.
    Lines answer = tree0;
    answer[0] = "$t 2";
    answer[1] = "N|G|ANSWER||0|\"\"||";
    std::vector<oxatest::Fixture> files = language;
    files.push_back({"set", set(answer)});
    auto r = runoxa({.keys = cmd("ATattr") + cmd("TMterm") + cmd("REset") + cmd("VD2") +
                             cmd("ST0|0") + cmd("EM1"),
                     .files = files,
                     .framed = false});
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "No generated sentence"), 0)
        << ::testing::PrintToString(r.lines);
    // VDISPLAY 2 writes the full tree, STORE in style 0 the leaf list.
    for (const char* line : {"$t 2", "SR|G|V|sg|0|\"dort\"|LEX_2|", "$l 2",
                             "V|sg|0|\"dort\"|LEX_2|"})
        EXPECT_EQ(std::count(r.badlines.begin(), r.badlines.end(), line), 1)
            << line << ::testing::PrintToString(r.badlines);
}

TEST(StoredTrees, RecoverReportsAMissingFile) {
    auto r = runoxa({.keys = cmd("REnofile") + cmd("EM7"), .files = language, .framed = false});
    EXPECT_EQ(std::count(r.badlines.begin(), r.badlines.end(),
                         "Unable to recover tree. Cause: filename [nofile] does not exist or "
                         "insufficient access"),
              1)
        << ::testing::PrintToString(r.badlines);
}

struct RefusalCase {
    const char* what;
    std::string keys;
    std::string front; // the error display expected, or ""
};

TEST(StoredTrees, NothingToStoreBeforeAGeneration) {
    const RefusalCase cases[] = {
        {"store", cmd("ST1|0") + "{CR}", "No generated sentence"},
        {"display full trees", cmd("VD2") + "{CR}", "No generated sentence"},
        {"display indented trees", cmd("VD1") + "{CR}", "No generated sentence"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.keys = c.keys + cmd("EM1"), .files = language, .framed = false});
        EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), c.front), 1)
            << ::testing::PrintToString(r.lines);
        EXPECT_EQ(std::count(r.badlines.begin(), r.badlines.end(), "$u"), 0);
    }
}

} // namespace storedtrees_test
