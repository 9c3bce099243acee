// The learner feedback on a realistic set of answers: sentences the example
// packs generate, each with the mistakes learners make put in (accents,
// homophones, gender, agreement, tense, overregularised forms, wrong words,
// word order, articles, elision, keyboard slips, several at once; made by
// tests/e2e/feedback_eval/make_set.py).  For each kind the class must be
// the teacher's for at least 95 % of the answers; every explanation is
// given and none is an internal message; the scores of 0, 1, 2 and 3
// mistakes and of an all-wrong answer rise.  The figures are printed.
#include "harness.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace feedback_eval_test {

using oxatest::runoxa;

// UTF-8 to the editor's single bytes (the sets hold Latin-1 letters only).
std::string latin1(const std::string& s) {
    std::string out;
    for (size_t k = 0; k < s.size(); ++k) {
        const auto c = static_cast<unsigned char>(s[k]);
        if ((c == 0xC2 || c == 0xC3) && k + 1 < s.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(s[++k]) & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    size_t from = 0;
    for (int k = 0; k < 4; ++k) {
        const size_t bar = line.find('|', from);
        out.push_back(line.substr(from, bar - from));
        from = bar + 1;
    }
    out.push_back(line.substr(from));
    return out;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::stringstream ss(s);
    for (std::string p; std::getline(ss, p, sep);)
        out.push_back(p);
    return out;
}

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

struct Case {
    std::string kind, cls, where, seed, answer;
};

// Runs every answer of a set and returns each answer's feedback block.
std::vector<std::vector<std::string>> blocks_of(const std::string& lang,
                                                const std::vector<Case>& cases) {
    std::vector<oxatest::Fixture> files;
    for (const char* name : {"attributes", "terminals", "lexicon", "morphology", "tables", "syntax",
                             "tags", "merrors", "phonology", "names-english"})
        files.push_back({name, oxatest::readfile(std::filesystem::path(OXA_SOURCE_DIR) / "examples" / lang / name)});
    std::string keys = cmd("ATattributes") + cmd("TMterminals") + cmd("LElexicon") +
                       cmd("MOmorphology") + cmd("TBtables") + cmd("SYsyntax") + cmd("TGtags") +
                       cmd("MRmerrors") + cmd("IPphonology") + cmd("VNnames-english") +
                       cmd("ES10|2|5|3|2|4") + cmd("MP21|8|0|0|0") + "{CR}" + cmd("GR1");
    // Each seed's sentence is drawn once, from a freshly read lexicon, as the
    // set was made: a generation may change the frequencies of the words it draws.
    std::string drawn;
    for (const Case& c : cases) {
        if (c.seed != drawn) keys += cmd("LElexicon") + cmd("RA" + c.seed) + "{CR}{ESC}g";
        drawn = c.seed;
        keys += cmd("CO17") + cmd("CL") + cmd("CO3") +
                cmd("CL") + "{CR}" + c.answer + "{ESC}D{ESC}K" + cmd("EM17");
    }
    auto r = runoxa({.keys = keys, .files = files, .timeout = 300, .framed = false});
    EXPECT_FALSE(r.timedout);
    std::vector<std::vector<std::string>> out;
    std::vector<std::string>* cur = nullptr;
    for (std::string line : split(r.out, '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t at = line.find("FEEDBACK SCORE");
        if (at != std::string::npos) {
            out.emplace_back();
            cur = &out.back();
            cur->push_back(line.substr(at));
        } else if (cur) {
            cur->push_back(line);
            if (line.size() >= 3 && line.compare(line.size() - 3, 3, "***") == 0) cur = nullptr;
        }
    }
    return out;
}

bool has_line(const std::vector<std::string>& block, const std::string& cls,
              const std::string& where) {
    const std::string head = cls + " " + where + "/";
    for (const std::string& l : block)
        if (l.rfind(head, 0) == 0) return true;
    return false;
}

int score_of(const std::vector<std::string>& block) {
    return block.empty() ? -1 : std::atoi(block[0].c_str() + block[0].find(':') + 1);
}

TEST(FeedbackEvaluation, TheTeachersClassForEachKindOfMistake) {
    for (const std::string lang : {"english", "french"}) {
        SCOPED_TRACE(lang);
        std::vector<Case> cases;
        for (const std::string& line : split(oxatest::readfile(std::filesystem::path(OXA_SOURCE_DIR) /
                                                   "tests/e2e/feedback_eval" / (lang + ".set")),
                                             '\n')) {
            if (line.empty() || line[0] == '#') continue;
            // The answer is typed as UTF-8, as a keyboard sends it; the
            // feedback comes back in single bytes.
            const auto f = fields(line);
            cases.push_back({f[0], f[1], latin1(f[2]), f[3], f[4]});
        }
        ASSERT_GT(cases.size(), 400u);
        const auto blocks = blocks_of(lang, cases);
        ASSERT_EQ(blocks.size(), cases.size());

        std::map<std::string, std::pair<int, int>> tally; // kind: right, all
        std::map<std::string, std::vector<int>> chains;   // seed: scores in order
        for (size_t k = 0; k < cases.size(); ++k) {
            const Case& c = cases[k];
            const auto& b = blocks[k];
            for (const std::string& l : b) {
                EXPECT_EQ(l.find("ERROR"), std::string::npos) << c.answer << ": " << l;
                const bool plain = l.rfind("OK ", 0) == 0 || l.rfind("FEEDBACK", 0) == 0 ||
                                   l == "***";
                if (!plain) {
                    EXPECT_NE(l.find("  "), std::string::npos) << c.answer << ": no explanation: " << l;
                }
            }
            if (c.kind == "chain") {
                chains[c.seed].push_back(score_of(b));
                continue;
            }
            bool right = true;
            const auto classes = split(c.cls, '+');
            const auto words = split(c.where, '+');
            for (size_t n = 0; n < classes.size() && n < words.size(); ++n)
                right = right && has_line(b, classes[n], words[n]);
            auto& t = tally[c.kind];
            t.first += right ? 1 : 0;
            t.second += 1;
            if (!right) {
                std::string got;
                for (const std::string& l : b)
                    got += "\n    " + l;
                std::printf("  %s %s: %s (%s expected)%s\n", lang.c_str(), c.kind.c_str(),
                            c.answer.c_str(), c.cls.c_str(), got.c_str());
            }
        }
        for (const auto& [kind, t] : tally) {
            const double percent = 100.0 * t.first / t.second;
            std::printf("%-8s %-16s %3d of %3d  %5.1f %%\n", lang.c_str(), kind.c_str(), t.first,
                        t.second, percent);
            EXPECT_GE(t.second, 40) << kind;
            EXPECT_GE(percent, 95.0) << kind;
        }
        int violations = 0;
        for (const auto& [seed, scores] : chains)
            for (size_t n = 1; n < scores.size(); ++n)
                if (scores[n] <= scores[n - 1]) {
                    ++violations;
                    ADD_FAILURE() << "seed " << seed << ": score " << scores[n] << " after "
                                  << scores[n - 1];
                }
        std::printf("%-8s chains of 0-3 mistakes and all wrong: %zu, order violations %d\n",
                    lang.c_str(), chains.size(), violations);
        EXPECT_GE(chains.size(), 40u);
    }
}

} // namespace feedback_eval_test
