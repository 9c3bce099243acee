// Learner feedback: beside the error-analysis report, a block in corefile 17
// that names each word of the expected sentence (and each extra typed word)
// with what the learner did with it, found by a minimum-cost alignment of
// the expected and the typed words.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "bormo/compare.hpp"
#include "bormo/engine.hpp"

namespace bormo {

constexpr int FEEDBACKCORE = 17; // corefile that receives the feedback

extern int grade_on; // GRADE: 1 while feedback is written

// What the learner did with one word: one row of `finding_table` each.
enum class Finding {
    OK,
    ACCENT,      // the same letters apart from the accents
    SOUND,       // another spelling of the same sound
    FORM,        // another form of the same word (gender, number, person, tense ... named)
    WORD,        // another word of the same class
    RELATED,     // a word related through the lexicon's tags
    SPELLING,    // a slip: one or two letters
    ORDER,       // two words swapped
    MISSING,     // left out
    EXTRA,       // typed but not expected
    CASE,        // a capital letter (not counted)
    PUNCTUATION, // final punctuation (not counted)
    UNRELATED,   // only inside the alignment: never written
};

// One row per finding.  Columns: name written in the block, what it means
// in a learner's words, whether it is counted.
struct finding_row {
    const char* name;
    const char* words;
    const char* words_french;
    bool counted;
};
extern const std::array<finding_row, 13> finding_table;
const char* finding_name(Finding f);
// What a class means, in the interface language.
const char* finding_words(Finding f);

// The feedback's own words around the pack's names, in the interface
// language: one row per phrase, "%1" and "%2" standing for what is put in.
enum Phrase {
    SAY_CAPITAL,
    SAY_CAPITAL_STOP,
    SAY_STOP,
    SAY_ACCENT,
    SAY_ACCENT_FOR,
    SAY_SWAPPED,
    SAY_LEFT_OUT,
    SAY_ADDED,
    SAY_TYPED_FOR,
    SAY_MISSPELT,
    SAY_SOUNDS,
    SAY_SOUNDS_AS,
    SAY_WRITTEN_FOR,
    SAY_RELATED,
    SAY_VALUE_EXPECTED,
    SAY_VALUE_TYPED,
    SAY_FORM_HERE,
    SAY_FORM_BEFORE,
    SAY_THE_FORM,
    SAY_IRREGULAR,
    SAY_ANOTHER,
    SAY_ORDER,
    SAY_MISSING,
    SAY_EXTRA,
    SAY_VALUES,
};
struct phrase_row {
    const char* english;
    const char* french;
};
extern const std::array<phrase_row, 25> phrase_table;
// The interface language: French while the names file in use is a
// names-french file, English otherwise.
bool feedback_in_french();
// A phrase in the interface language with %1 and %2 put in.
std::string say(Phrase p, const std::string& a = "", const std::string& b = "");

// One typed word as the alignment sees it.
struct typed_word {
    std::string raw;  // as typed (an elided article split off stays as typed)
    std::string text; // without the first word's capital and the final punctuation
    bool capital = false;
    bool punctuation = false;
    size_t column = 0; // the text's column in the comparison's work area
};

// The response split at blanks, elided words ("l'oncle") split after the
// apostrophe, the first word's capital and the last word's final
// punctuation taken off.
std::vector<typed_word> feedback_words(const char* response);
std::vector<typed_word> feedback_words(const err_lex* words);

// Edit distance in which swapping two adjacent letters is one edit.
int feedback_distance(const std::string& x, const std::string& y);
// A misspelling for the feedback: one edit in a word of three to five
// letters, fewer than half the letters of both words in a longer one.
bool feedback_misspelt(const std::string& expected, const std::string& typed);

// The costs the alignment uses, from the error costs: each at least 1, and
// an unrelated word at least a missing plus an extra word and no less than
// any other class.
struct feedback_costs {
    int missing, order, lex, morph, phon, spell, unrelated;
};
// The costs; a substitution (any class but MISSING and EXTRA) costs at most
// a missing word.
feedback_costs current_feedback_costs();
int finding_cost(Finding f, const feedback_costs& c);

// The comparison of expected word i with typed word j.
struct feedback_cell {
    Finding finding = Finding::UNRELATED;
    std::string detail;
};

// One line of the feedback.
struct feedback_line {
    Finding finding;
    std::string expected; // empty for EXTRA
    std::string typed;    // empty for MISSING
    std::string detail;
};

struct feedback_result {
    feedback_costs costs{};
    int score = 0;
    int all_wrong = 0; // the cost of leaving out every expected word
    std::vector<feedback_line> lines;
};

// The least-cost alignment of expected and typed words given the cells
// (cells[i][j]: expected word i, typed word j).
feedback_result feedback_align(const std::vector<std::string>& expected,
                               const std::vector<typed_word>& typed,
                               const std::vector<std::vector<feedback_cell>>& cells,
                               const feedback_costs& costs);

// The score on a fixed scale: 100 for a perfect answer, 0 for an answer
// that costs as much as leaving out every expected word (or more).  A score
// above 0 never reaches 100, and a score below the all-wrong cost never
// reaches 0.  `all_wrong` is the cost of the empty answer to the sentence:
// its number of expected words times the missing-word cost
// (feedback_all_wrong).
int feedback_percent(int score, int all_wrong);
// The cost of leaving out all `expected_words` words of a sentence.
int feedback_all_wrong(size_t expected_words, const feedback_costs& c);

// The block as it is written to corefile 17, one string a line: the score,
// the percent, then for each class its lines use (in the order of
// `finding_table`) "FEEDBACK CLASS name cost : words", the class's cost with
// these error costs and what it means in the learner's words; then one line
// a word and "***".
std::vector<std::string> feedback_text(const feedback_result& r);

// The feedback of one error analysis, from the same comparison cells as
// the report: feedback_start adds the typed texts it compares to the
// analysis's columns (the response's words), feedback_tree classifies the
// pairs of the tree in the work area and keeps the best alignment so far,
// and feedback_write appends the best tree's block to corefile 17.
void feedback_start(const err_lex* words, std::vector<std::string_view>& columns);
void feedback_tree();
void feedback_write();

void grade();         // GRADE
void resetfeedback(); // start-up and tests

} // namespace bormo
