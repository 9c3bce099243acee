// The engine's learner feedback block read back as data: one finding per
// word and the score.
#pragma once

#include <string>
#include <vector>

namespace serve {

struct finding {
    std::string cls;         // the class word the engine wrote: OK, FORM, MISSING, ...
    std::string expected;    // empty for a word typed in excess
    std::string typed;       // empty for a missing word
    std::string explanation; // the engine's detail, else the class's plain words
};

struct feedback {
    int score = -1; // -1 when the block held no score line
    std::vector<finding> findings;
};

// Reads the block ("FEEDBACK SCORE : n", one line a word, "***").  Any upper
// case word starting a line is taken as a class, so that new classes pass
// through unchanged.
feedback parse_feedback(const std::vector<std::string>& lines);

// Classes that cost nothing: the word counts as right.
bool right_class(const std::string& cls);

// The number of expected words the block covers (every line but EXTRA;
// an ORDER line covers the two words it names).
size_t expected_words(const feedback& f);

// Plain words for a class, for a finding the engine left without detail.
std::string class_explanation(const std::string& cls);

} // namespace serve
