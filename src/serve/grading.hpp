// The engine's learner feedback block read back as data: one finding per
// word, the score, and the percent shown to learners and teachers.
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

// The percent of a feedback: the words counted right over all the lines of
// the block (expected words and extra typed words), rounded down; 0 for an
// empty block.  This is the one place it is defined.
int feedback_percent(const feedback& f);

// Plain words for a class, for a finding the engine left without detail.
std::string class_explanation(const std::string& cls);

} // namespace serve
