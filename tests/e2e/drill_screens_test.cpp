// The drill's screen for each kind of mistake: a pack whose answer
// sentence is fixed, the drill run on a file of answers (DRILL_ANSWERS), and
// what it shows checked line by line: one line per mistake with its class
// in words, the expected and the typed word and why, the percent beside the
// score, every letter passed through.
#include "harness.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace drill_screens_test {

using oxatest::runoxa;
using Lines = std::vector<std::string>;

// The drill's screen for each answer: the lines after "Expected: ..." up to
// the next question.
std::vector<Lines> screens(const std::string& lang, const std::string& syntax,
                           const std::vector<std::string>& answers) {
    const auto src = std::filesystem::path(OXA_SOURCE_DIR) / "examples";
    std::vector<oxatest::Fixture> files;
    for (const char* name : {"attributes", "terminals", "lexicon", "morphology", "tables", "tags",
                             "merrors", "phonology", "names-english"})
        files.push_back({name, oxatest::readfile(src / lang / name)});
    files.push_back({"syntax", syntax});
    std::string text;
    for (const std::string& a : answers)
        text += a + "\n";
    files.push_back({"answers.txt", text + "q\n"});
    files.push_back({"drv.sh",
                     "#!/bin/sh\nDRILL_PACK=. DRILL_SEED=43 DRILL_ANSWERS=answers.txt exec python3 '" +
                         (src / "drill" / "drill.py").string() + "'\n",
                     true});
    auto r = runoxa({.args = {"-d", "drv.sh"}, .keys = "", .files = files, .timeout = 30,
                     .framed = false});
    EXPECT_FALSE(r.timedout);
    std::vector<Lines> out;
    Lines* cur = nullptr;
    std::stringstream err(r.err);
    for (std::string line; std::getline(err, line);) {
        if (line.rfind("Expected: ", 0) == 0) {
            out.emplace_back();
            cur = &out.back();
        } else if (line.empty() || line.rfind("Question", 0) == 0) {
            cur = nullptr;
        } else if (cur) {
            cur->push_back(line);
        }
    }
    return out;
}

struct Screen {
    const char* answer;
    Lines lines;
};

void check(const std::string& lang, const std::string& syntax, const std::vector<Screen>& cases) {
    std::vector<std::string> answers;
    for (const Screen& s : cases)
        answers.push_back(s.answer);
    const auto got = screens(lang, syntax, answers);
    ASSERT_EQ(got.size(), cases.size());
    for (size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE(cases[k].answer);
        EXPECT_EQ(got[k], cases[k].lines);
    }
}

TEST(DrillScreens, EnglishOneLinePerMistakeWithThePercent) {
    check("english",
          "ROOT = DET [ pl ] /\"the\" N [ pl ] /\"puppy\" V [ pl , p3 , past , intransitive ] "
          "/\"sleep\" %\nANSWER = ROOT %\n",
          {
              {"the puppy slept",
               {"  right word, wrong form:    puppies (you wrote puppy): number: plural expected, "
                "singular typed",
                "  90 %  (score 3; 100 % is perfect, 0 % is nothing right)"}},
              {"the puppies sleeped",
               {"  right word, wrong form:    slept (you wrote sleeped): irregular word: the form "
                "here is \"slept\" (plural, third person, past), not a regular ending",
                "  90 %  (score 3; 100 % is perfect, 0 % is nothing right)"}},
              {"the puppies slpet",
               {"  misspelt:                  slept (you wrote slpet): \"pe\" for \"ep\" (letters "
                "swapped)",
                "  86 %  (score 4; 100 % is perfect, 0 % is nothing right)"}},
              {"the kittens slept",
               {"  another word:              puppies (you wrote kittens): \"kitten\" for "
                "\"puppy\"",
                "  83 %  (score 5; 100 % is perfect, 0 % is nothing right)"}},
              {"the dogs slept",
               {"  a related word:            puppies (you wrote dogs): related word (synonym)",
                "  83 %  (score 5; 100 % is perfect, 0 % is nothing right)"}},
              {"puppies the slept",
               {"  words in the wrong order:  the puppies (you wrote puppies the)",
                "  93 %  (score 2; 100 % is perfect, 0 % is nothing right)"}},
              // A wrong word is one line, not a missing and an extra one.
              {"the puppies went",
               {"  another word:              slept (you wrote went): \"go\" for \"sleep\"",
                "  83 %  (score 5; 100 % is perfect, 0 % is nothing right)"}},
              {"The puppies slept.",
               {"  All correct!", "  note: The (capital letter; not counted)",
                "  note: slept. (final punctuation; not counted)",
                "  100 %  (score 0; 100 % is perfect, 0 % is nothing right)"}},
          });
}

TEST(DrillScreens, FrenchAccentsElisionAndEveryLetter) {
    check("french",
          "ROOT = DET [ masc , sg ] /\"le\" N [ sg ] /\"élève\" V [ sg , p3 , impf , intransitive ] "
          "/\"nager\" %\nANSWER = ROOT %\n",
          {
              {"l'eleve nageait",
               {"  wrong accent:              élève (you wrote eleve): accent: \"e\" written for \"é\"",
                "  93 %  (score 2; 100 % is perfect, 0 % is nothing right)"}},
              {"le élève nageait",
               {"  right word, wrong form:    l' (you wrote le): \"l'\" is the form before \"élève\"",
                "  90 %  (score 3; 100 % is perfect, 0 % is nothing right)"}},
              {"l'élève nage",
               {"  right word, wrong form:    nageait (you wrote nage): tense: imperfect "
                "expected, present typed",
                "  90 %  (score 3; 100 % is perfect, 0 % is nothing right)"}},
              {"l'élève nageais",
               {"  right word, wrong form:    nageait (you wrote nageais): person: third person "
                "expected, first person typed",
                "  90 %  (score 3; 100 % is perfect, 0 % is nothing right)"}},
              // The typographic apostrophe is the plain one.
              {"L’élève nageait.",
               {"  All correct!", "  note: L' (capital letter; not counted)",
                "  note: nageait. (final punctuation; not counted)",
                "  100 %  (score 0; 100 % is perfect, 0 % is nothing right)"}},
          });
}

} // namespace drill_screens_test
