// The example languages: each is loaded by its commands from the files in
// examples/, and the message corefile 7 (EMIT 7, bare line-feed lines) must
// show every file read and no error line.
#include "harness.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace examples_test {

using oxatest::runoxa;

std::filesystem::path example_dir(const std::string& lang) {
    return std::filesystem::path(OXA_SOURCE_DIR) / "examples" / lang;
}

std::vector<oxatest::Fixture> example_files(const std::string& lang) {
    std::vector<oxatest::Fixture> files;
    for (const char* name : {"attributes", "terminals", "lexicon", "morphology", "tables", "syntax",
                             "tags", "merrors", "phonology"}) {
        std::ifstream in(example_dir(lang) / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        EXPECT_TRUE(in.good() || in.eof()) << lang << "/" << name;
        files.push_back({name, text.str()});
    }
    return files;
}

std::vector<oxatest::Fixture> with_demo(const std::string& lang) {
    auto files = example_files(lang);
    std::ifstream in(example_dir(lang) / "demo.proc", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    files.push_back({"demo.proc", text.str()});
    return files;
}

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

const std::string load_all = cmd("ATattributes") + cmd("TMterminals") + cmd("LElexicon") +
                             cmd("MOmorphology") + cmd("TBtables") + cmd("SYsyntax");

// The Latin-1 form of a line of the lexicon, which is stored in UTF-8: the
// editor's single-byte text, as generated sentences show it.
std::string latin1(const std::string& line) {
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if ((c == 0xC2 || c == 0xC3) && i + 1 < line.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (line[++i] & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The lexicon's entries of one class: the word (without quotes) and its
// attribute field.
std::vector<std::pair<std::string, std::string>> entries(const std::string& lang,
                                                         const std::string& cls) {
    std::ifstream in(example_dir(lang) / "lexicon", std::ios::binary);
    std::vector<std::pair<std::string, std::string>> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] != '"') continue;
        std::vector<std::string> f;
        std::stringstream ss(latin1(line));
        std::string field;
        while (std::getline(ss, field, '|'))
            f.push_back(field);
        if (f.size() >= 3 && f[1] == cls) out.push_back({f[0].substr(1, f[0].size() - 2), f[2]});
    }
    return out;
}

std::vector<std::string> words(const std::string& sentence) {
    // "l'homme" and "qu'une" are two words each.
    std::vector<std::string> out;
    std::stringstream ss(sentence);
    std::string w;
    while (ss >> w) {
        size_t q = w.find('\'');
        if (q != std::string::npos && q + 1 < w.size()) {
            out.push_back(w.substr(0, q + 1));
            out.push_back(w.substr(q + 1));
        } else
            out.push_back(w);
    }
    return out;
}

// Generates once after each of 200 seeds and returns the sentences (the
// text after "Question  : " or "Answer    : ").  Each generation must give
// both trees.
struct Sentence {
    std::string tree; // "Question" or "Answer"
    std::string text;
};

std::vector<Sentence> generate_many(const std::string& lang) {
    std::string keys = load_all;
    for (int k = 0; k < 200; ++k)
        keys += cmd("RA" + std::to_string(2 * k + 1)) + "{CR}{ESC}g";
    keys += cmd("EM7");
    auto r = runoxa({.keys = keys, .files = example_files(lang), .framed = false});
    std::vector<Sentence> sentences;
    int runs = 0;
    for (const auto& l : r.badlines) {
        if (l == "Generation results:") ++runs;
        for (const char* label : {"Question  : ", "Answer    : "})
            if (l.rfind(label, 0) == 0)
                sentences.push_back(
                    {l.substr(0, l.find(' ')), l.substr(std::string(label).size())});
        EXPECT_EQ(l.find("ERROR"), std::string::npos) << l;
    }
    EXPECT_EQ(runs, 200);
    EXPECT_EQ(sentences.size(), 400u);
    for (const auto& s : sentences)
        EXPECT_FALSE(words(s.text).empty()) << s.tree;
    return sentences;
}

TEST(Examples, EachLanguageLoadsWithoutErrors) {
    const struct {
        const char* lang;
        const char* words; // the lexicon's closing line
    } cases[] = {
        {"english", "Total Words: 192. Number of Errors: 0"},
        {"french", "Total Words: 153. Number of Errors: 0"},
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
              "Finished reading Syntax Input from file 'syntax'",
              "Finished reading tag info input from file 'tags'",
              "Finished reading phon table input from file 'phonology'",
              "Finished reading morph error input from file 'merrors'", c.words}) {
            EXPECT_TRUE(std::any_of(emitted.begin(), emitted.end(), [&](const std::string& l) {
                return l.find(want) == 0;
            })) << want;
        }
    }
}

// Every related word that a lexicon entry points at (field 7, clauses
// tag:"word","word") is itself an entry of the lexicon.
TEST(Examples, PointersNameWordsOfTheLexicon) {
    for (const std::string lang : {"english", "french"}) {
        std::ifstream in(example_dir(lang) / "lexicon", std::ios::binary);
        std::set<std::string> known;
        std::vector<std::pair<std::string, std::string>> pointers; // entry, target
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] != '"') continue;
            std::vector<std::string> f;
            std::stringstream ss(line);
            std::string field;
            while (std::getline(ss, field, '|'))
                f.push_back(field);
            known.insert(f[0].substr(1, f[0].size() - 2));
            if (f.size() < 7) continue;
            for (size_t q = f[6].find('"'); q != std::string::npos; q = f[6].find('"', q + 1)) {
                size_t e = f[6].find('"', q + 1);
                ASSERT_NE(e, std::string::npos) << line;
                pointers.push_back({f[0], f[6].substr(q + 1, e - q - 1)});
                q = e;
            }
        }
        EXPECT_FALSE(pointers.empty()) << lang;
        for (const auto& [from, to] : pointers)
            EXPECT_TRUE(known.count(to)) << lang << ": " << from << " points at " << to;
    }
}

// Every French determiner agrees in gender and number with the noun that
// follows it (after at most one adjective), the noun's gender being the one
// the lexicon gives it and its number read from its form; the adjectives
// next to the noun agree with both.
TEST(Examples, FrenchDeterminersAgreeWithTheirNouns) {
    struct Noun {
        bool fem;
        bool invariant; // ends in s, x or z: the plural looks the same
    };
    std::map<std::string, std::pair<Noun, bool>> nounforms; // form -> noun, plural
    for (const auto& [w, attrs] : entries("french", "N")) {
        Noun n{attrs.find("fem") != std::string::npos,
               std::string("sxz").find(w.back()) != std::string::npos};
        nounforms[w] = {n, false};
        if (n.invariant) continue;
        std::string pl = w.size() > 3 && w.substr(w.size() - 3) == "eau" ? w + "x"
                         : w.size() > 2 && w.substr(w.size() - 2) == "al"
                             ? w.substr(0, w.size() - 2) + "aux"
                             : w + "s";
        nounforms[pl] = {n, true};
    }
    ASSERT_GT(nounforms.size(), 80u);
    // Adjectives whose four forms all differ (no final e, s or x):
    // form -> feminine, plural.
    std::map<std::string, std::pair<bool, bool>> adjforms;
    for (const char* cls : {"ADJ", "ADJA"})
        for (const auto& [w, attrs] : entries("french", cls)) {
            if (std::string("esx").find(w.back()) != std::string::npos) continue;
            adjforms[w] = {false, false};
            adjforms[w + "s"] = {false, true};
            adjforms[w + "e"] = {true, false};
            adjforms[w + "es"] = {true, true};
        }
    ASSERT_GT(adjforms.size(), 40u);
    // determiner -> gender (0 either, 1 masc, 2 fem), plural
    const std::map<std::string, std::pair<int, bool>> dets = {
        {"le", {1, false}},    {"la", {2, false}},  {"l'", {0, false}},  {"les", {0, true}},
        {"un", {1, false}},    {"une", {2, false}}, {"des", {0, true}},  {"ce", {1, false}},
        {"cette", {2, false}}, {"ces", {0, true}},  {"mon", {1, false}}, {"ma", {2, false}},
        {"mes", {0, true}}};
    int checked = 0, adjectives = 0;
    for (const auto& [tree, s] : generate_many("french")) {
        auto w = words(s);
        for (size_t i = 0; i < w.size(); ++i) {
            auto d = dets.find(w[i]);
            if (d == dets.end()) continue;
            size_t j = i + 1;
            while (j < w.size() && j <= i + 2 && !nounforms.count(w[j]))
                ++j;
            ASSERT_TRUE(j < w.size() && nounforms.count(w[j]))
                << "no noun after " << w[i] << " in: " << s;
            const auto& [noun, plural] = nounforms.at(w[j]);
            if (d->second.first != 0) {
                EXPECT_EQ(noun.fem, d->second.first == 2) << s;
            }
            if (!noun.invariant) {
                EXPECT_EQ(plural, d->second.second) << s;
            }
            ++checked;
            // An adjective before or after the noun takes its gender and the
            // determiner's number.
            for (size_t k : {j - 1, j + 1}) {
                if (k <= i || k >= w.size()) continue;
                auto a = adjforms.find(w[k]);
                if (a == adjforms.end()) continue;
                EXPECT_EQ(a->second.first, noun.fem) << w[k] << " in: " << s;
                EXPECT_EQ(a->second.second, d->second.second) << w[k] << " in: " << s;
                ++adjectives;
            }
        }
    }
    EXPECT_GT(checked, 200);
    EXPECT_GT(adjectives, 20);
}

// English: a, an, every and this go with a singular noun, these and some with
// a plural one; "an" exactly before a vowel; a pronoun subject agrees with
// its verb.
TEST(Examples, EnglishDeterminersAgreeWithTheirNouns) {
    std::map<std::string, bool> nounforms; // form -> plural
    for (const auto& [w, attrs] : entries("english", "N"))
        nounforms.emplace(w, false);
    auto adjectives = entries("english", "ADJ");
    ASSERT_GT(nounforms.size(), 40u);
    const std::map<std::string, int> dets = {{"a", 1},    {"an", 1},    {"every", 1},
                                             {"this", 1}, {"these", 2}, {"some", 2}};
    auto is_adjective = [&](const std::string& w) {
        return std::any_of(adjectives.begin(), adjectives.end(),
                           [&](const auto& a) { return a.first == w; });
    };
    std::set<std::string> verbs;
    for (const auto& [w, attrs] : entries("english", "V"))
        verbs.insert(w);
    int checked = 0, subjects = 0;
    for (const auto& [tree, s] : generate_many("english")) {
        auto w = words(s);
        // A statement that begins with a pronoun: a third person singular
        // present verb is never the bare form, another person's never
        // takes -s.  (Base forms equal to their past, like "read", pass.)
        if (tree == "Answer" && w.size() > 1) {
            const std::string& v = w[1];
            if (w[0] == "he" || w[0] == "she" || w[0] == "it") {
                EXPECT_TRUE(!verbs.count(v) || v == "read") << s;
                ++subjects;
            } else if (w[0] == "I" || w[0] == "you" || w[0] == "we" || w[0] == "they") {
                for (const std::string& base : verbs)
                    EXPECT_TRUE(v != base + "s" && v != base + "es") << s;
                EXPECT_NE(v, "has") << s;
                ++subjects;
            }
        }
        for (size_t i = 0; i + 1 < w.size(); ++i) {
            auto d = dets.find(w[i]);
            if (d == dets.end()) continue;
            if (w[i] == "a" || w[i] == "an") {
                EXPECT_EQ(w[i] == "an", std::string("aeiou").find(w[i + 1][0]) != std::string::npos)
                    << s;
            }
            size_t j = i + 1;
            if (is_adjective(w[j]) && j + 1 < w.size()) ++j;
            // A singular noun is a base form of the lexicon; a plural is not
            // one (sheep excepted, whose plural is the same word).
            bool base = nounforms.count(w[j]) > 0;
            if (d->second == 1) {
                EXPECT_TRUE(base) << "singular noun expected after " << w[i] << " in: " << s;
            } else if (w[j] != "sheep") {
                EXPECT_FALSE(base) << "plural noun expected after " << w[i] << " in: " << s;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);
    EXPECT_GT(subjects, 50);
}

// The demonstration procedures run by the demo script: each generates three
// times from its fixed seed, emits corefile 7 and leaves by BYE, answering
// the warning about the corefile holding the learner's answer.
TEST(Examples, DemoProceduresGenerateAndLeave) {
    for (const std::string lang : {"english", "french"}) {
        SCOPED_TRACE(lang);
        auto r = runoxa({.args = {"-p", "demo.proc"}, .files = with_demo(lang), .framed = false});
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(r.timedout);
        int runs = 0;
        std::vector<std::string> questions;
        for (const auto& l : r.badlines) {
            if (l == "Generation results:") ++runs;
            if (l.rfind("Question  : ", 0) == 0) questions.push_back(l);
            EXPECT_NE(l.rfind("ERROR ", 0), 0u) << l; // an error line of a load or a run
        }
        EXPECT_EQ(runs, 3);
        ASSERT_EQ(questions.size(), 3u);
        // Three runs from one seed give different sentences.
        EXPECT_NE(questions[0], questions[1]);
        EXPECT_NE(questions[1], questions[2]);
        EXPECT_NE(std::find(r.lines.begin(), r.lines.end(),
                            "WARNING: corefile 1 not saved. <del> aborts"),
                  r.lines.end());
        // BYE ended the program: no unsaved corefile is named at end of input.
        EXPECT_EQ(r.err.find("not saved"), std::string::npos) << r.err;
    }
}

// The demonstration's error analysis: the learner's answer is compared with
// the answer tree of the last run, and the report in corefile 15 shows the
// kinds of mistake the answer was written to contain.
TEST(Examples, DemoReportShowsTheLearnersMistakes) {
    const struct {
        const char* lang;
        std::vector<std::string> report; // lines expected in the report
    } cases[] = {
        {"english",
         {"RESPONSE : the doctor read yor gardns",
          "C2 --  MISSING  small",           // a missing word
          "C6 S5   APPROX   gardens/gardns", // a misspelling
          "C4 S3   MORPH    reads/read p3/p1  OR  p3/p2  OR  pres/past  OR  sg/pl", // a wrong form
          "C5 S4   PHONO your/yor   our/or"}}, // a spelling that sounds right
        {"french",
         {"RESPONSE : les porte grises quitent mai", "C6 --  MISSING  chattes",
          "C4 S4   PHONO quittent/quitent   tt/t", "C5 S5   PHONO mes/mai   es/ai",
          "C2 S2   MORPH    portes/porte pl/sg"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang);
        auto r = runoxa({.args = {"-p", "demo.proc"}, .files = with_demo(c.lang), .framed = false});
        std::string answer;
        for (const auto& l : r.badlines)
            if (l.rfind("Answer    : ", 0) == 0) answer = l.substr(12);
        ASSERT_FALSE(answer.empty());
        auto best = std::find(r.badlines.begin(), r.badlines.end(), "BEST ROOT : R2");
        ASSERT_NE(best, r.badlines.end());
        // The report is about the last answer generated.
        EXPECT_NE(std::find(best, r.badlines.end(), "EXPECTED : " + answer), r.badlines.end());
        for (const auto& want : c.report)
            EXPECT_NE(std::find(best, r.badlines.end(), want), r.badlines.end()) << want;
    }
}

} // namespace examples_test
