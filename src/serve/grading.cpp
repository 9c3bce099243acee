// Reading the feedback block.
#include "serve/grading.hpp"

#include <cstdlib>

namespace serve {

namespace {

// A class word: capital letters only.
bool class_word(const std::string& w) {
    if (w.empty()) return false;
    for (char c : w)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

// Columns: class, plain words.  Classes not listed get none.
constexpr const char* explanations[][2] = {
    {"OK", "right"},
    {"FORM", "right word, wrong form"},
    {"ACCENT", "accent wrong or missing"},
    {"SPELLING", "misspelt"},
    {"SOUND", "spelt as it sounds"},
    {"WORD", "another word"},
    {"RELATED", "a related word"},
    {"ORDER", "right word, wrong place"},
    {"MISSING", "missing word"},
    {"EXTRA", "word not expected"},
    {"CASE", "capital letter (not counted)"},
    {"PUNCTUATION", "punctuation (not counted)"},
};
static_assert(sizeof(explanations) / sizeof(explanations[0]) == 12);

} // namespace

bool right_class(const std::string& cls) {
    return cls == "OK" || cls == "CASE" || cls == "PUNCTUATION";
}

std::string class_explanation(const std::string& cls) {
    for (const auto& row : explanations)
        if (cls == row[0]) return row[1];
    return "";
}

feedback parse_feedback(const std::vector<std::string>& lines) {
    feedback f;
    const std::string head = "FEEDBACK SCORE : ";
    for (const std::string& line : lines) {
        if (line.compare(0, head.size(), head) == 0) {
            f = feedback{};
            f.score = std::atoi(line.c_str() + head.size());
            continue;
        }
        if (line.compare(0, 9, "FEEDBACK ") == 0) continue; // FEEDBACK PERCENT and later heads
        const size_t sp = line.find(' ');
        const std::string cls = line.substr(0, sp);
        if (!class_word(cls) || sp == std::string::npos) continue;
        std::string rest = line.substr(sp + 1);
        std::string detail;
        const size_t gap = rest.find("  ");
        if (gap != std::string::npos) {
            detail = rest.substr(gap + 2);
            rest.resize(gap);
            while (!detail.empty() && detail.front() == ' ')
                detail.erase(0, 1);
            while (!detail.empty() && detail.back() == ' ')
                detail.pop_back();
        }
        finding w;
        w.cls = cls;
        const size_t slash = rest.find('/');
        if (slash != std::string::npos && cls != "MISSING" && cls != "EXTRA") {
            w.expected = rest.substr(0, slash);
            w.typed = rest.substr(slash + 1);
        } else if (cls == "EXTRA") {
            w.typed = rest;
        } else {
            w.expected = rest;
        }
        w.explanation = detail.empty() ? class_explanation(cls) : detail;
        f.findings.push_back(w);
    }
    return f;
}

size_t expected_words(const feedback& f) {
    size_t n = 0;
    for (const finding& w : f.findings) {
        if (w.cls == "EXTRA") continue;
        bool in = false;
        for (char c : w.expected) {
            if (c != ' ' && !in) ++n;
            in = c != ' ';
        }
    }
    return n;
}

} // namespace serve
