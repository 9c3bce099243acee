// Tree expansion: a generation run from ROOT and the numbered trees to the
// lexical lookups, the lookup table dict_table with its barriers, tree nodes
// (make, copy, purge, leaf threading), the preselections, the random choice of
// open attribute values, restriction strings and the rule listings.
#pragma once

#include <array>

#include "bormo/engine.hpp"

namespace bormo {

constexpr int NTREES = 21;       // tree 0 (ROOT) and trees 1..20
constexpr int MAXNODES = 1024;   // nodes of one tree before expansion stops
constexpr int INSERTSIZE = 1000; // working size of insert_restriction
constexpr int MERGESIZE = 2000;  // working size of merge_restr

// Attachment kinds read by add_attachments.
constexpr int ATT_CF = 2;     // a context-free right-hand side
constexpr int ATT_TRANS = 4;  // a transformation right-hand side
constexpr int ATT_PRESEL = 7; // a preselection node

// One row of tree_roots: the rule that starts a tree and its 9-character label.
struct tree_root_entry {
    const char* rulename;
    const char* label;
};

// Columns: rule name, label.  Row i is tree i; row 0 is never expanded.
// clang-format off
constexpr tree_root_entry tree_roots[] = {
    {"!%!%!", "DUMMY    "},
    {"QUESTION", "Question "},
    {"ANSWER", "Answer   "},
    {"R_3", "R_3      "},
    {"R_4", "R_4      "},
    {"R_5", "R_5      "},
    {"R_6", "R_6      "},
    {"R_7", "R_7      "},
    {"R_8", "R_8      "},
    {"R_9", "R_9      "},
    {"R_10", "R_10     "},
    {"R_11", "R_11     "},
    {"R_12", "R_12     "},
    {"R_13", "R_13     "},
    {"R_14", "R_14     "},
    {"R_15", "R_15     "},
    {"R_16", "R_16     "},
    {"R_17", "R_17     "},
    {"R_18", "R_18     "},
    {"R_19", "R_19     "},
    {"R_20", "R_20     "},
};
// clang-format on
static_assert(sizeof(tree_roots) / sizeof(tree_roots[0]) == NTREES);

// Lookups.
extern std::array<t_dict_lookup, DICTSIZE> dict_table;
extern int d_table_count;

// Trees of the last run.
extern t_treenode* root;                         // the ROOT tree
extern t_treenode* oldroot;                      // untransformed copy of ROOT, for display
extern std::array<t_treenode*, NTREES> rootPtrs; // trees 1..20 (slot 0 unused)
extern std::array<char*, NTREES> genSentences;   // finished sentences (owned), null when none
extern int nodecount;                            // nodes made since the current tree began
extern int treestate;                            // 0 while ROOT is expanded, 1 for trees 1..20

// Preselection state.
extern pre_rule* globalpre_list; // the part of preselect_list that is global
extern int preselect_barrier;    // dict_table entries below belong to preselections
extern int global_barrier;       // dict_table entries below belong to the global preselection
extern int global_delayptr;      // delay entries below belong to the global preselection

// A generation run.
void interpret();
void global_preselect();
void clear_GP();
// Clears the previous run; with all = 1 also the global preselection.
void clear_SE_PRE(int all);
// Releases dict_table entries from `from` to the top.
void purgelookups(int from);

// Expansion.
void expand_tree(t_treenode* node);
void expand_node(t_treenode* node);
void terminal_node(t_treenode* node);
// Reads the attachments of a node from `text`; returns the position after them.
const char* add_attachments(t_treenode* node, const char* text, int kind);
void thread(t_treenode* tree);

// Random choices of open delay entries.
void make_choice(int i);
void make_all_choices();

// Preselection.
void construct_preselect(const char* text, int global);

// Nodes and trees.
t_treenode* makenode(const char* name);
t_treenode* copy_node(t_treenode* n);
t_treenode* copytree(t_treenode* t);
void purge_node(t_treenode* n);
void purge_tree(t_treenode* t);
void purge_all_trees();

// Restriction strings (new strings, owned by the caller).
char* insert_restriction(const char* old, const char* values, int n);
char* merge_restr(const char* old, const char* new_);

// Listings into corefile 7.
void print_preselect_list();
void print_cf();
void print_transf();

// Frees trees, sentences, lookups and preselections; start-up and tests use it.
void resetexpansion();

} // namespace bormo
