// Learner feedback on its own: typed words normalised, the distance with
// transpositions, the costs, and the least-cost alignment over given cells.
#include <gtest/gtest.h>

#include <random>

#include "bormo/feedback.hpp"

namespace feedback_test {

using namespace bormo;

struct WordsCase {
    const char* response;
    std::vector<std::string> text;
    std::vector<std::string> raw;
    bool capital;
    bool punctuation;
};

TEST(FeedbackWords, CapitalPunctuationAndElisions) {
    const WordsCase cases[] = {
        {"you read the book", {"you", "read", "the", "book"}, {"you", "read", "the", "book"}, false,
         false},
        {"You read the book.", {"you", "read", "the", "book"}, {"You", "read", "the", "book."}, true,
         true},
        {"j'\xe9tais l\xe0 !?", {"j'", "\xe9tais", "l\xe0", "!?"}, {"j'", "\xe9tais", "l\xe0", "!?"},
         false, false},
        {"L'oncle dort.", {"l'", "oncle", "dort"}, {"L'", "oncle", "dort."}, true, true},
        {"\xc9t\xe9", {"\xe9t\xe9"}, {"\xc9t\xe9"}, true, false},
        {"qu'elle d'abord c'est s'il n'a", {"qu'", "elle", "d'", "abord", "c'", "est", "s'", "il", "n'", "a"},
         {"qu'", "elle", "d'", "abord", "c'", "est", "s'", "il", "n'", "a"}, false, false},
        {"aujourd'hui l'", {"aujourd'hui", "l'"}, {"aujourd'hui", "l'"}, false, false},
        {"  ", {}, {}, false, false},
    };
    for (const WordsCase& c : cases) {
        SCOPED_TRACE(c.response);
        std::vector<typed_word> w = feedback_words(c.response);
        std::vector<std::string> text, raw;
        for (const typed_word& t : w) {
            text.push_back(t.text);
            raw.push_back(t.raw);
        }
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(raw, c.raw);
        if (!w.empty()) {
            EXPECT_EQ(w.front().capital, c.capital);
            EXPECT_EQ(w.back().punctuation, c.punctuation);
        }
    }
}

TEST(FeedbackSpelling, TranspositionIsOneEditAndShortWordsAllowOne) {
    const struct {
        const char* expected;
        const char* typed;
        int distance;
        bool misspelt;
    } cases[] = {
        {"door", "doro", 1, true},     // adjacent letters swapped
        {"door", "dor", 1, true},      // a letter dropped from a four-letter word
        {"house", "hoose", 1, true},   // five letters, one edit
        {"house", "hosue", 1, true},   // five letters, one swap
        {"house", "huose", 1, true},
        {"cat", "cut", 1, true},
        {"cat", "cow", 2, false},
        {"door", "dxxr", 2, false},    // two edits in a short word
        {"a", "o", 1, false},          // a single letter is never misspelt
        {"to", "ot", 1, false},
        {"elephant", "elefant", 2, true},
        {"elephant", "olifunt", 5, false},
        {"same", "same", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.expected) + "/" + c.typed);
        EXPECT_EQ(feedback_distance(c.expected, c.typed), c.distance);
        EXPECT_EQ(feedback_misspelt(c.expected, c.typed), c.misspelt);
    }
}

class FeedbackCosts : public ::testing::Test {
  protected:
    void SetUp() override { resetcompare(); }
    void TearDown() override { resetcompare(); }
    static void set_costs(int m, int o, int l, int mo, int p, int s) {
        vnomatchscore = m;
        vorderscore = o;
        vsynscore = l;
        vmorphscore = mo;
        vphonoscore = p;
        vapproxscore = s;
    }
};

TEST_F(FeedbackCosts, UnrelatedCostsAtLeastMissingPlusExtraAndEveryOtherClass) {
    set_costs(10, 2, 5, 3, 2, 4);
    feedback_costs c = current_feedback_costs();
    EXPECT_EQ(c.unrelated, 20);
    // A substitution never costs more than a missing word.
    set_costs(1, 2, 50, 3, 2, 4);
    EXPECT_EQ(current_feedback_costs().lex, 1);
    EXPECT_EQ(current_feedback_costs().unrelated, 2);
    set_costs(3, 9, 50, 3, 2, 1);
    c = current_feedback_costs();
    EXPECT_EQ(std::max({c.order, c.lex, c.morph, c.phon, c.spell}), 3);
    EXPECT_EQ(c.spell, 1);
    set_costs(0, 0, 0, 0, 0, 0); // the defaults: every mistake still costs something
    c = current_feedback_costs();
    EXPECT_EQ(c.missing, 1);
    EXPECT_EQ(c.morph, 1);
    EXPECT_EQ(c.unrelated, 2);
    set_costs(2147483647, 2147483647, 0, 0, 0, 0); // no overflow
    EXPECT_GT(current_feedback_costs().unrelated, 0);
    EXPECT_EQ(finding_cost(Finding::CASE, c), 0);
    EXPECT_EQ(finding_cost(Finding::PUNCTUATION, c), 0);
}

// Cells that pair equal words as OK and leave the rest unrelated, with
// chosen cells overridden.
std::vector<std::vector<feedback_cell>> cells_of(const std::vector<std::string>& expected,
                                                 const std::vector<typed_word>& typed) {
    std::vector<std::vector<feedback_cell>> cells(expected.size(),
                                                  std::vector<feedback_cell>(typed.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        for (size_t j = 0; j < typed.size(); ++j)
            if (expected[i] == typed[j].text)
                cells[i][j].finding =
                    typed[j].raw == typed[j].text ? Finding::OK
                    : typed[j].capital            ? Finding::CASE
                                                  : Finding::PUNCTUATION;
    return cells;
}

std::vector<std::string> split(const std::string& s) {
    std::vector<std::string> out;
    for (const typed_word& w : feedback_words(s.c_str()))
        out.push_back(w.text);
    return out;
}

TEST_F(FeedbackCosts, AlignmentLinesAndScores) {
    set_costs(10, 2, 5, 3, 2, 4);
    const struct {
        const char* expected;
        const char* typed;
        std::vector<std::string> lines;
    } cases[] = {
        {"the cat sleeps", "the cat sleeps",
         {"FEEDBACK SCORE : 0", "FEEDBACK PERCENT : 100", "FEEDBACK CLASS OK 0 : right", "OK the/the", "OK cat/cat", "OK sleeps/sleeps", "***"}},
        {"the cat sleeps", "The cat sleeps.",
         {"FEEDBACK SCORE : 0", "FEEDBACK PERCENT : 100", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS CASE 0 : capital letter (not counted)", "FEEDBACK CLASS PUNCTUATION 0 : punctuation (not counted)", "CASE the/The  capital letter", "OK cat/cat",
          "PUNCTUATION sleeps/sleeps.  final punctuation", "***"}},
        {"the big cat sleeps", "the cat big sleeps",
         {"FEEDBACK SCORE : 2", "FEEDBACK PERCENT : 95", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS ORDER 2 : words in the wrong order", "OK the/the", "ORDER big cat/cat big  words in the wrong order",
          "OK sleeps/sleeps", "***"}},
        {"the cat sleeps", "the sleeps",
         {"FEEDBACK SCORE : 10", "FEEDBACK PERCENT : 66", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS MISSING 10 : missing word", "OK the/the", "MISSING cat  missing word", "OK sleeps/sleeps",
          "***"}},
        {"the cat sleeps", "the fat cat sleeps",
         {"FEEDBACK SCORE : 10", "FEEDBACK PERCENT : 66", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS EXTRA 10 : extra word", "OK the/the", "EXTRA fat  extra word", "OK cat/cat",
          "OK sleeps/sleeps", "***"}},
        {"the cat sleeps", "x y z",
         {"FEEDBACK SCORE : 60", "FEEDBACK PERCENT : 0", "FEEDBACK CLASS MISSING 10 : missing word", "FEEDBACK CLASS EXTRA 10 : extra word", "MISSING the  missing word", "EXTRA x  extra word",
          "MISSING cat  missing word", "EXTRA y  extra word", "MISSING sleeps  missing word",
          "EXTRA z  extra word", "***"}},
        {"l' oncle dort", "L'oncle dort",
         {"FEEDBACK SCORE : 0", "FEEDBACK PERCENT : 100", "FEEDBACK CLASS OK 0 : right", "FEEDBACK CLASS CASE 0 : capital letter (not counted)", "CASE l'/L'  capital letter", "OK oncle/oncle", "OK dort/dort",
          "***"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.expected) + " | " + c.typed);
        std::vector<std::string> expected = split(c.expected);
        std::vector<typed_word> typed = feedback_words(c.typed);
        auto cells = cells_of(expected, typed);
        for (auto& row : cells)
            for (auto& cell : row)
                if (cell.finding == Finding::CASE) cell.detail = "capital letter";
                else if (cell.finding == Finding::PUNCTUATION) cell.detail = "final punctuation";
        EXPECT_EQ(feedback_text(feedback_align(expected, typed, cells, current_feedback_costs())),
                  c.lines);
    }
}

TEST_F(FeedbackCosts, AnyOneMistakeScoresBelowAnAllWrongAnswerWhateverTheCosts) {
    // Sentences of three to eight distinct words; one word changed into each
    // class in turn, or two adjacent words swapped; the all-wrong answer of
    // the same length relates to nothing.
    std::mt19937 rng(20261210);
    const Finding kinds[] = {Finding::FORM, Finding::SPELLING, Finding::SOUND, Finding::RELATED,
                             Finding::ORDER};
    for (int round = 0; round < 400; ++round) {
        auto cost = [&] { return static_cast<int>(rng() % 30); };
        set_costs(cost(), cost(), cost(), cost(), cost(), cost());
        const feedback_costs costs = current_feedback_costs();
        const size_t n = 3 + rng() % 6;
        std::vector<std::string> expected;
        for (size_t k = 0; k < n; ++k)
            expected.push_back("w" + std::to_string(k));
        const Finding kind = kinds[rng() % std::size(kinds)];
        const size_t at = rng() % (n - 1);

        std::vector<typed_word> one;
        for (const std::string& e : expected)
            one.push_back({e, e});
        if (kind == Finding::ORDER) std::swap(one[at], one[at + 1]);
        else one[at] = {"changed", "changed"};
        auto cells = cells_of(expected, one);
        if (kind != Finding::ORDER) cells[at][at].finding = kind;

        std::vector<typed_word> wrong;
        for (size_t k = 0; k < n; ++k)
            wrong.push_back({"x" + std::to_string(k), "x" + std::to_string(k)});
        auto none = cells_of(expected, wrong);

        const int one_score = feedback_align(expected, one, cells, costs).score;
        const int wrong_score = feedback_align(expected, wrong, none, costs).score;
        ASSERT_LT(one_score, wrong_score)
            << "round " << round << " kind " << finding_name(kind) << " n " << n;
    }
}

TEST_F(FeedbackCosts, PercentOnAFixedScale) {
    const struct {
        int score, all_wrong, percent;
    } cases[] = {
        {0, 50, 100},  {1, 50, 98},   {10, 50, 80}, {25, 50, 50}, {49, 50, 2},
        {50, 50, 0},   {80, 50, 0},   {1, 1000, 99}, // a mistake never shows as perfect
        {999, 1000, 1},                              // nor a near miss as all wrong
        {0, 0, 100},   {5, 0, 0},     {-3, 50, 100}, {2147483647, 2147483647, 0},
        {1, 2147483647, 99},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.score) + " of " + std::to_string(c.all_wrong));
        EXPECT_EQ(feedback_percent(c.score, c.all_wrong), c.percent);
    }
    set_costs(10, 2, 5, 3, 2, 4);
    const feedback_costs costs = current_feedback_costs();
    EXPECT_EQ(feedback_all_wrong(4, costs), 40);
    set_costs(2147483647, 0, 0, 0, 0, 0);
    EXPECT_EQ(feedback_all_wrong(4, current_feedback_costs()), 2147483647);
    // The alignment gives the sentence's all-wrong cost, and the empty
    // answer scores 0 %.
    set_costs(10, 2, 5, 3, 2, 4);
    const std::vector<std::string> expected = {"the", "cat", "sleeps"};
    const feedback_result r = feedback_align(expected, {}, {{}, {}, {}}, current_feedback_costs());
    EXPECT_EQ(r.all_wrong, 30);
    EXPECT_EQ(feedback_percent(r.score, r.all_wrong), 0);
}

} // namespace feedback_test
