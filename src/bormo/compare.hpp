// Error analysis: a learner's response is compared word by word with the
// generated trees of the root set; every pairing of an expected word and a
// response word is classified, each tree is scored with the error costs, and
// the report of the best tree is written to corefile 15.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "bormo/engine.hpp"

namespace bormo {

constexpr int NROOTSET = 21;   // tree numbers 0..20
constexpr int NERRTEXTS = 10;  // error texts of one comparison cell
constexpr int NBREAKUP = 20;   // difference descriptions of one comparison cell
constexpr int REPORTCORE = 15; // corefile that receives the report
constexpr int NOMATCH = 1000;  // strdiff: the words are not related by spelling

// Match classes of a comparison cell; tags are numbered from CLASS_TAG on.
enum MatchClass : int {
    CLASS_NONE = -1,
    CLASS_EXACT = 0,
    CLASS_MORPH = 1,
    CLASS_APPROX = 2,
    CLASS_UNRELATED = 3,
    CLASS_PHONO = 4,
    CLASS_TAG = 5,
};

// One response word.
struct err_lex_struct {
    std::string original_text;
    err_lex_struct* next = nullptr; // owned: freed by err_free_words
};
using err_lex = err_lex_struct;

// The comparison of one expected word with one response word.
struct lexdiff {
    int matchclass;
    std::array<std::string, NERRTEXTS> error;  // phonological messages; first "none" when none
    std::array<std::string, NBREAKUP> breakup; // descriptions of the differences found
};

// The score of one tree and its report.
struct scorelist_t {
    std::string output_text;
    int score;
};
using scorelist = scorelist_t;

// Error costs (ESCORE), in the order of its parameters.
extern int vnomatchscore; // missing/extra
extern int vorderscore;   // order (no relation found)
extern int vsynscore;     // lex (related through a tag)
extern int vmorphscore;   // morph (morphological variant)
extern int vphonoscore;   // phon (phonological spelling)
extern int vapproxscore;  // spell (misspelling)
constexpr int vexactscore = 0;

// The trees taken into account.
extern std::array<int, NROOTSET> rootset; // 1 for a selected tree number
extern int rootsetinit;                   // 0 until the set is first used

// Compares the response with every generated tree of the root set; the report
// of the best tree goes to corefile 15.
void err_analysis(const char* response);
// The same against tree n alone; the root set is restored afterwards.
void err_analysis_single(const char* response, int n);
// Sets the root set from the numbers in `text`; an empty text restores trees 2..20.
void err_set_rootset(const char* text);
// Appends the six error costs to corefile 7.
void perrorscore();

// The response split at blanks (owned list; free with err_free_words).
err_lex* err_make_words(const char* text);
void err_free_words(err_lex* words);
// Scores one tree against the response words (new record, owned by the caller).
scorelist_t* err_lexlist_diff(err_lex* words, t_treenode* tree);
// Classifies one response word against one expected leaf.
void err_word_diff(const char* word, t_treenode* leaf, lexdiff* cell);
// Spelling distance of the response y from the expected x, or NOMATCH.
int strdiff(const char* x, const char* y);
// The report built from the comparison cells: cells[i-1][j-1] pairs expected
// word i with response word j.
std::string err_get_report(const std::vector<std::string>& expected,
                           const std::vector<std::string>& words,
                           const std::vector<std::vector<lexdiff>>& cells);
// A line in corefile 7 that is also shown as progress.
void err_Progress(const char* text);

// The expected text of a leaf: its word without any '^'.
std::string err_expected(const t_treenode* leaf);
// The cost of a match class.
int err_class_cost(int matchclass);

// Command operations and edit keys.
void escore();       // ESCORE
void vrootset();     // VROOTSET
void perrorscores(); // PERRORSCORES
void vnewcompare();  // edit key ESC K

// Default costs and root set; start-up and tests use it.
void resetcompare();

} // namespace bormo
