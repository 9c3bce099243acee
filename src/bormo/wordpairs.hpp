// The comparison of a response with one tree, pair by pair.  Every pair of an
// expected leaf and a typed text is looked at through the same cell: each of
// the deeper comparisons (variants, tags, pronunciation) runs at most once for
// it, on first need, and what it found stays in the cell.  The report and the
// learner feedback both read the cells.  The work area keeps its memory from
// tree to tree and from one analysis to the next: once it has grown, a
// comparison allocates nothing per pair.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bormo/compare.hpp"
#include "bormo/engine.hpp"

namespace bormo {

// A text kept in the work area's arena.
struct text_ref {
    uint32_t at = 0;
    uint32_t len = 0;
};

// What the comparisons found for one pair; a part is valid once its bit is
// set in `known`.
enum : uint8_t {
    KNOWN_DISTANCE = 1,
    KNOWN_VARIANT = 2,
    KNOWN_TAG = 4,
    KNOWN_PHONO = 8,
};
struct pair_cell {
    uint8_t known = 0;
    bool variant = false;     // the typed text is a variant of the leaf
    bool phono = false;       // the typed text renders the leaf's pronunciation
    bool phono_error = false; // ... though the expected word does not
    int distance = 0;         // strdiff(expected, typed)
    int tag = 0;              // the number of the tag that relates them, or 0
    uint32_t variant_at = 0;  // the variant's descriptions: refs[variant_at ..]
    uint32_t variant_n = 0;
    uint32_t phono_at = 0; // the differing spellings ("expected/typed")
    uint32_t phono_n = 0;
};

// What is kept of one leaf for all its pairs.
struct leaf_facts {
    t_treenode* leaf = nullptr;
    text_ref expected;         // the word without '^'
    bool phono_known = false;  // alts holds the spellings of the IPA form
    bool back_known = false;   // back_at/back_n hold the words pointing back
    uint32_t back_at = 0, back_n = 0;   // (tag, word) in `tagged`
    // The corefile-7 lines the pronunciation look-up wrote (in `notes`),
    // written again at each use as a look-up of its own would.
    uint32_t phono_notes_at = 0, phono_notes_n = 0;
    std::vector<std::vector<std::string>> alts; // reused from tree to tree
    std::vector<uint32_t> syn_rows; // the rows of `syn_tags` of the tags looked
                                    // up so far, in the tag table's order
};

// The words a leaf's entry gives through one tag, and the corefile-7 lines
// the look-up wrote.
struct tag_words {
    int tag = 0;
    uint32_t words_at = 0, words_n = 0; // in `refs`
    uint32_t notes_at = 0, notes_n = 0; // in `notes`
};

// The work area of one comparison: the tree's leaves, the typed texts (the
// columns), one cell per leaf and column, and the arena holding every text.
struct pair_grid {
    std::vector<leaf_facts> leaves;
    size_t nleaves = 0;
    std::vector<text_ref> columns;
    std::vector<pair_cell> cells; // leaf i, column j at i * columns.size() + j
    std::vector<text_ref> refs;   // descriptions and words found, in `arena`
    std::string fixed;            // the typed texts and the expected words,
                                  // each ended by a NUL; stable for a tree
    std::vector<tag_words> syn_tags;
    std::vector<std::pair<int, text_ref>> tagged; // words pointing back
    std::vector<std::pair<int, text_ref>> notes; // (corefile, line)
    std::string arena; // what the comparisons found
    std::array<std::string, NBREAKUP> breakup;     // compare_var's descriptions
    std::vector<std::string> chosen_e, chosen_t;  // spellings taken per symbol
};
extern pair_grid wordpairs;

// Sets the columns of the next trees: the typed texts, in order.  Their
// texts stay until the next call.
void pairs_columns(const std::vector<std::string_view>& texts);
// Starts a tree: its leaves in thread order, every cell unknown.
void pairs_tree(t_treenode* tree);
// Starts a comparison with one leaf alone.
void pairs_single(t_treenode* leaf);

size_t pairs_leaves();
size_t pairs_columns_count();
t_treenode* pairs_leaf(size_t i);
std::string_view pairs_text(text_ref r);
std::string_view pairs_expected(size_t i);
std::string_view pairs_typed(size_t j);

// The parts of a cell, each computed on first need.
int pair_distance(size_t i, size_t j);
bool pair_variant(size_t i, size_t j);
int pair_tag(size_t i, size_t j);
bool pair_phono(size_t i, size_t j);
const pair_cell& pair_at(size_t i, size_t j);
// The number of a tag through which another entry points back at the leaf's
// entry and gives the typed text; -1 when none does.
int pair_tag_back(size_t i, size_t j);

// The report's class of a pair: the first row of `report_order` whose test
// holds (tags give their own number).  The row's message is shown on the
// status line before its test is run.
struct report_row {
    int matchclass;
    const char* progress; // shown before the test, or nullptr
    bool (*holds)(size_t i, size_t j);
};
extern const std::array<report_row, 6> report_order;
int pair_matchclass(size_t i, size_t j);

// Empties the work area; start-up and tests use it.
void resetwordpairs();

} // namespace bormo
