// Error analysis through the real program: a small language is loaded and
// generated from a fixed seed, a response is typed into corefile 1, the
// compare keys run, and corefiles 15 (report) and 7 (messages) are emitted.
// A command is left with one more return before typing.
#include "harness.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace compare_test {

using oxatest::runoxa;

std::vector<oxatest::Fixture> english() {
    std::vector<oxatest::Fixture> files;
    auto dir = std::filesystem::path(OXA_SOURCE_DIR) / "examples" / "english";
    for (const char* name :
         {"attributes", "terminals", "lexicon", "morphology", "tables", "syntax"}) {
        std::ifstream in(dir / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        files.push_back({name, text.str()});
    }
    return files;
}

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

const std::string load_and_generate = cmd("ATattributes") + cmd("TMterminals") + cmd("LElexicon") +
                                      cmd("MOmorphology") + cmd("TBtables") + cmd("SYsyntax") +
                                      cmd("RA1") + "{CR}{ESC}g";

// The text after `label` on the first emitted line that starts with it.
std::string after(const std::vector<std::string>& lines, const std::string& label) {
    for (const auto& l : lines)
        if (l.rfind(label, 0) == 0) return l.substr(label.size());
    return "";
}

std::vector<std::string> split(const std::string& s) {
    std::vector<std::string> out;
    std::stringstream ss(s);
    for (std::string w; ss >> w;)
        out.push_back(w);
    return out;
}

// The emitted lines from `first` up to and including "***".
std::vector<std::string> report(const std::vector<std::string>& lines, const std::string& first) {
    auto b = std::find(lines.begin(), lines.end(), first);
    auto e = std::find(b, lines.end(), "***");
    if (b == lines.end() || e == lines.end()) return {};
    return {b, e + 1};
}

TEST(Compare, ResponsesToGeneratedSentences) {
    // The sentences of seed 1, whatever the example lexicon makes of them.
    auto first =
        runoxa({.keys = load_and_generate + cmd("EM7"), .files = english(), .framed = false});
    const std::string question = after(first.badlines, "Question  : ");
    const std::string answer = after(first.badlines, "Answer    : ");
    ASSERT_FALSE(question.empty());
    ASSERT_FALSE(answer.empty());
    const auto words = split(answer);

    struct Case {
        std::string keys;                // after the generation
        std::vector<std::string> report; // corefile 15
    };
    std::vector<std::string> extra = {"BEST ROOT : R2", "SCORE     : 3", "EXPECTED : " + answer,
                                      "RESPONSE : " + answer + " again",
                                      "-- S" + std::to_string(words.size() + 1) +
                                          "  EXTRA    again"};
    for (size_t i = 0; i < words.size(); ++i)
        extra.push_back("C" + std::to_string(i + 1) + " S" + std::to_string(i + 1) + "   EXACT   " +
                        words[i] + "/" + words[i]);
    extra.push_back("***");
    Case cases[] = {
        // ESC K over the default root set (trees 2..20): the answer, with one extra word.
        {cmd("ES3|0|0|0|0|0") + "{CR}" + answer + "   again  " + cmd("BE") + "{CR}{ESC}K", extra},
        // ESC Ctrl-K 1 compares with the question alone.
        {question + cmd("BE") + "{CR}{ESC}\x0b" + "1{CR}",
         {"BEST ROOT : R1", "SCORE     : 0", "EXPECTED : " + question, "RESPONSE : " + question,
          "CORRECT", "***"}},
        // With the root set reduced to tree 1, ESC K compares with the question too.
        {cmd("VR1") + "{CR}" + question + cmd("BE") + "{CR}{ESC}K",
         {"BEST ROOT : R1", "SCORE     : 0", "EXPECTED : " + question, "RESPONSE : " + question,
          "CORRECT", "***"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        auto r = runoxa({.keys = load_and_generate + c.keys + cmd("EM15") + cmd("EM7"),
                         .files = english(),
                         .framed = false});
        EXPECT_EQ(report(r.badlines, c.report.front()), c.report);
        EXPECT_EQ(std::count(r.badlines.begin(), r.badlines.end(), "Cleaning up data structures"),
                  1);
    }
}

TEST(Compare, MessagesOfTheCommands) {
    struct Case {
        std::string keys;
        std::string want; // a line of corefile 7
    } cases[] = {
        {cmd("ES1|2|3|4|5|6") + "{CR}" + cmd("PE") + "{CR}",
         "Error scores: missing/extra 1; order 2; lex 3; morph 4; phon 5; spell 6"},
        {cmd("VRroots 3, 1 and 42"),
         "ROOTSET changed to set: 1 3"}, // EMIT drops the trailing blank,
        {cmd("VR"), "ROOTSET restored to default set: 2 3 4 ... 21"},
        // Nothing generated: no tree of the root set exists.
        {"{CR}some words" + cmd("BE") + "{CR}{ESC}K",
         "No roots found in ROOTSET to perform error testing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        auto r = runoxa({.keys = c.keys + cmd("EM7"), .framed = false});
        EXPECT_NE(std::find(r.badlines.begin(), r.badlines.end(), c.want), r.badlines.end());
    }
}

TEST(Compare, HugeCostsHoldTheScoreAtItsLargest) {
    auto first =
        runoxa({.keys = load_and_generate + cmd("EM7"), .files = english(), .framed = false});
    const std::string answer = after(first.badlines, "Answer    : ");
    ASSERT_FALSE(answer.empty());
    // Two extra words at the largest cost: the sum does not wrap round.
    auto r = runoxa({.keys = load_and_generate + cmd("ES2147483647|0|0|0|0|0") + "{CR}" + answer +
                             " again again" + cmd("BE") + "{CR}{ESC}K" + cmd("EM15"),
                     .files = english(),
                     .framed = false});
    const auto rep = report(r.badlines, "BEST ROOT : R2");
    ASSERT_GE(rep.size(), 2u);
    EXPECT_EQ(rep[1], "SCORE     : 2147483647");
}

} // namespace compare_test
