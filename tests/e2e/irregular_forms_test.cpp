// Irregular forms of the example languages: a verb generated with fixed
// attributes gives the form a learner must type.
#include "harness.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace irregular_forms_test {

using oxatest::runoxa;

std::vector<oxatest::Fixture> pack(const std::string& lang, const std::string& syntax) {
    std::vector<oxatest::Fixture> files;
    for (const char* name : {"attributes", "terminals", "lexicon", "morphology", "tables"}) {
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

TEST(IrregularForms, VerbsOfTheExampleLanguages) {
    const struct {
        const char* lang;
        const char* attributes;
        const char* verb;
        const char* form;
    } cases[] = {
        {"english", "sg , p3 , past , intransitive", "sleep", "slept"},
        {"english", "pl , p1 , pres , intransitive", "sleep", "sleep"},
        {"english", "sg , p3 , pres , intransitive", "sleep", "sleeps"},
        {"english", "sg , p3 , past , intransitive", "walk", "walked"},
        {"french", "pl , p3 , pres , transitive", "appeler", "appellent"},
        {"french", "sg , p1 , pres , transitive", "appeler", "appelle"},
        {"french", "pl , p1 , pres , transitive", "appeler", "appelons"},
        {"french", "pl , p2 , pres , transitive", "appeler", "appelez"},
        {"french", "pl , p3 , impf , transitive", "appeler", "appelaient"},
        {"french", "pl , p3 , pres , transitive", "aimer", "aiment"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lang) + " " + c.verb + " " + c.attributes);
        const std::string syntax =
            std::string("ROOT = V [ ") + c.attributes + " ] /\"" + c.verb + "\" %\n";
        auto r = runoxa({.keys = cmd("ATattributes") + cmd("TMterminals") + cmd("LElexicon") +
                                 cmd("MOmorphology") + cmd("TBtables") + cmd("SYsyntax") +
                                 cmd("RA123456789") + "{CR}{ESC}g" + cmd("EM7"),
                         .files = pack(c.lang, syntax),
                         .framed = false});
        const std::string want = std::string("Transformed Sentence : ") + c.form;
        EXPECT_EQ(std::count(r.badlines.begin(), r.badlines.end(), want), 1)
            << ::testing::PrintToString(r.badlines);
    }
}

} // namespace irregular_forms_test
