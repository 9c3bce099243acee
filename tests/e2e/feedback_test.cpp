// Learner feedback seen from outside: the example languages with a fixed
// answer sentence, GRADE on, an answer typed and analysed, and corefile 17
// EMITted; the report in corefile 15 is the same with GRADE on and off.
#include "harness.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace feedback_test {

using oxatest::runoxa;
using Lines = std::vector<std::string>;

std::vector<oxatest::Fixture> pack(const std::string& lang, const std::string& syntax) {
    std::vector<oxatest::Fixture> files;
    for (const char* name : {"attributes", "terminals", "lexicon", "morphology", "tables", "tags",
                             "merrors", "phonology"}) {
        std::ifstream in(std::filesystem::path(OXA_SOURCE_DIR) / "examples" / lang / name,
                         std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        files.push_back({name, text.str()});
    }
    files.push_back({"syntax", syntax});
    return files;
}

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

// Loads the pack, sets the costs and passes, GRADE, generates, types the
// answer, analyses it and EMITs the given corefile.
std::string session(const std::string& grade, const std::string& answer, int core) {
    return cmd("ATattributes") + cmd("TMterminals") + cmd("LElexicon") + cmd("MOmorphology") +
           cmd("TBtables") + cmd("SYsyntax") + cmd("TGtags") + cmd("MRmerrors") +
           cmd("IPphonology") + cmd("ES10|2|5|3|2|4") + cmd("MP21|8|0|0|0") + "{CR}" +
           cmd("GR" + grade) + cmd("RA123456789") + "{CR}{ESC}g" + answer + "{ESC}D{ESC}K" +
           cmd("EM" + std::to_string(core));
}

// The feedback block of a run's corefile 17.
Lines block(const Lines& core) {
    auto from = std::find_if(core.begin(), core.end(),
                             [](const std::string& l) { return l.rfind("FEEDBACK SCORE", 0) == 0; });
    auto to = std::find(from, core.end(), "***");
    return Lines(from, to == core.end() ? to : to + 1);
}

const char* const ENGLISH =
    "ROOT = DET [ pl ] /\"the\" N [ pl ] /\"puppy\" V [ pl , p3 , pres , intransitive ] "
    "/\"sleep\" %\nANSWER = ROOT %\n";

TEST(Feedback, EachClassOfMistakeNamedWithItsWord) {
    struct Case {
        const char* answer;
        Lines lines;
    } cases[] = {
        {"the puppies sleep",
         {"FEEDBACK SCORE : 0", "FEEDBACK PERCENT : 100", "FEEDBACK CLASS OK 0 : right", "OK the/the", "OK puppies/puppies", "OK sleep/sleep", "***"}},
        {"The puppies sleep.",
         {"FEEDBACK SCORE : 0", "FEEDBACK PERCENT : 100", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS CASE 0 : capital letter (not counted)", "FEEDBACK CLASS PUNCTUATION 0 : punctuation (not counted)", "CASE the/The  capital letter", "OK puppies/puppies",
          "PUNCTUATION sleep/sleep.  final punctuation", "***"}},
        {"the puppy sleep",
         {"FEEDBACK SCORE : 3", "FEEDBACK PERCENT : 90", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS FORM 3 : right word, wrong form", "OK the/the", "FORM puppies/puppy  number: pl expected, sg typed",
          "OK sleep/sleep", "***"}},
        // "dog" points at "puppy"; "puppy" points at nothing: found backwards.
        {"the dogs sleep",
         {"FEEDBACK SCORE : 5", "FEEDBACK PERCENT : 83", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS RELATED 5 : a related word", "OK the/the", "RELATED puppies/dogs  related word (syn)",
          "OK sleep/sleep", "***"}},
        {"the puppies slepe",
         {"FEEDBACK SCORE : 4", "FEEDBACK PERCENT : 86", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS SPELLING 4 : misspelt", "OK the/the", "OK puppies/puppies", "SPELLING sleep/slepe  misspelt: \"pe\" for \"ep\" (letters swapped)",
          "***"}},
        {"the puppies sleap",
         {"FEEDBACK SCORE : 2", "FEEDBACK PERCENT : 93", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS SOUND 2 : sounds right, spelt wrong", "OK the/the", "OK puppies/puppies",
          "SOUND sleep/sleap  spelt as it sounds: \"ea\" written for \"ee\"", "***"}},
        {"puppies the sleep",
         {"FEEDBACK SCORE : 2", "FEEDBACK PERCENT : 93", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS ORDER 2 : words in the wrong order", "ORDER the puppies/puppies the  words in the wrong order",
          "OK sleep/sleep", "***"}},
        {"the sleep",
         {"FEEDBACK SCORE : 10", "FEEDBACK PERCENT : 66", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS MISSING 10 : missing word", "OK the/the", "MISSING puppies  missing word", "OK sleep/sleep",
          "***"}},
        {"the big puppies sleep",
         {"FEEDBACK SCORE : 10", "FEEDBACK PERCENT : 66", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS EXTRA 10 : extra word", "OK the/the", "EXTRA big  extra word", "OK puppies/puppies",
          "OK sleep/sleep", "***"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        auto r = runoxa({.keys = session("1", c.answer, 17),
                         .files = pack("english", ENGLISH),
                         .framed = false});
        EXPECT_EQ(block(r.badlines), c.lines) << ::testing::PrintToString(r.badlines);
    }
}

// The feedback's own words follow the interface language, the language of
// the names file loaded: the same answers with names-english and names-french.
TEST(Feedback, ExplanationsInTheInterfaceLanguage) {
    struct Case {
        const char* names;
        const char* answer;
        Lines lines; // the block without its score and percent
    } cases[] = {
        {"names-english", "The puppy sleap",
         {"FEEDBACK CLASS SOUND 2 : sounds right, spelt wrong", "FEEDBACK CLASS FORM 3 : right word, wrong form",
          "FEEDBACK CLASS CASE 0 : capital letter (not counted)", "CASE the/The  capital letter",
          "FORM puppies/puppy  number: plural expected, singular typed",
          "SOUND sleep/sleap  spelt as it sounds: \"ea\" written for \"ee\"", "***"}},
        {"names-french", "The puppy sleap",
         {"FEEDBACK CLASS SOUND 2 : bon son, mauvaise orthographe",
          "FEEDBACK CLASS FORM 3 : bon mot, mauvaise forme",
          "FEEDBACK CLASS CASE 0 : majuscule (non compt\xe9" "e)", "CASE the/The  majuscule",
          "FORM puppies/puppy  nombre : pluriel attendu, singulier tap\xe9",
          "SOUND sleep/sleap  \xe9" "crit comme il se prononce : \"ea\" \xe9" "crit pour \"ee\"", "***"}},
        {"names-english", "puppies the slepe",
         {"FEEDBACK CLASS SPELLING 4 : misspelt", "FEEDBACK CLASS ORDER 2 : words in the wrong order",
          "ORDER the puppies/puppies the  words in the wrong order",
          "SPELLING sleep/slepe  misspelt: \"pe\" for \"ep\" (letters swapped)", "***"}},
        {"names-french", "puppies the slepe",
         {"FEEDBACK CLASS SPELLING 4 : mal orthographi\xe9",
          "FEEDBACK CLASS ORDER 2 : mots dans le mauvais ordre",
          "ORDER the puppies/puppies the  mots dans le mauvais ordre",
          "SPELLING sleep/slepe  faute de frappe : \"pe\" pour \"ep\" (lettres invers\xe9" "es)", "***"}},
        {"names-french", "the big sleep",
         {"FEEDBACK CLASS OK 0 : juste", "FEEDBACK CLASS MISSING 10 : mot manquant",
          "FEEDBACK CLASS EXTRA 10 : mot en trop", "OK the/the", "MISSING puppies  mot manquant",
          "EXTRA big  mot en trop", "OK sleep/sleep", "***"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.names) + ": " + c.answer);
        auto files = pack("english", ENGLISH);
        std::ifstream in(std::filesystem::path(OXA_SOURCE_DIR) / "examples/english" / c.names,
                         std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        files.push_back({c.names, text.str()});
        auto r = runoxa({.keys = cmd(std::string("VN") + c.names) + session("1", c.answer, 17),
                         .files = files,
                         .framed = false});
        Lines got = block(r.badlines);
        if (got.size() > 2) got.erase(got.begin(), got.begin() + 2);
        EXPECT_EQ(got, c.lines) << ::testing::PrintToString(r.badlines);
    }
}

TEST(Feedback, ElidedWordsTypedAsOneWordMatch) {
    auto r = runoxa({.keys = session("1", "L'oncle.", 17),
                     .files = pack("french",
                                   "ROOT = DET [ masc , sg ] /\"le\" N [ sg ] /\"oncle\" %\n"
                                   "ANSWER = ROOT %\n"),
                     .framed = false});
    EXPECT_EQ(block(r.badlines),
              (Lines{"FEEDBACK SCORE : 0", "FEEDBACK PERCENT : 100", "FEEDBACK CLASS CASE 0 : capital letter (not counted)", "FEEDBACK CLASS PUNCTUATION 0 : punctuation (not counted)", "CASE l'/L'  capital letter",
                     "PUNCTUATION oncle/oncle.  final punctuation", "***"}))
        << ::testing::PrintToString(r.badlines);
}

TEST(Feedback, TheReportIsTheSameWithGradeOnAndOffAndOffWritesNoFeedback) {
    for (const char* answer : {"the puppy sleep", "puppies the sleep", "x y z"}) {
        SCOPED_TRACE(answer);
        auto on = runoxa(
            {.keys = session("1", answer, 15), .files = pack("english", ENGLISH), .framed = false});
        auto off = runoxa(
            {.keys = session("0", answer, 15), .files = pack("english", ENGLISH), .framed = false});
        ASSERT_NE(std::find(on.badlines.begin(), on.badlines.end(), "BEST ROOT : R2"),
                  on.badlines.end());
        EXPECT_EQ(on.badlines, off.badlines);
        auto off17 = runoxa(
            {.keys = session("0", answer, 17), .files = pack("english", ENGLISH), .framed = false});
        EXPECT_TRUE(block(off17.badlines).empty()) << ::testing::PrintToString(off17.badlines);
    }
}

} // namespace feedback_test
