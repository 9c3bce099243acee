// Sentence assembly: the leaves' constraints are carried into their lookups,
// then each tree's indirections and morphology passes run and its words are
// joined and post-processed into one sentence.  Also the helpers of the
// sentence commands.
#pragma once

#include <array>

#include "bormo/engine.hpp"

namespace bormo {

constexpr int SENTSIZE = 1024; // sentbuf and sentbuf2, with their NUL
constexpr int NPASSROWS = 22;  // trees 0..20 and row 21 for phonology
constexpr int NPASSCOLS = 6;   // slot 0 unused, passes in 1..4, ended by 0

extern std::array<char, SENTSIZE> sentbuf;  // the joined sentence
extern std::array<char, SENTSIZE> sentbuf2; // after post-morphology
extern std::array<std::array<int, NPASSCOLS>, NPASSROWS> morph_passes;

// Lookup filling.
void fill_all_words(t_treenode* tree, int from);
void fill_word(t_treenode* leaf);

// Indirections, morphology passes, join and post-morphology of one tree; the
// sentence is left in sentbuf2 and "label : sentence" is written in corefile 7.
void finish(t_treenode* tree, int treenumber, const char* label);
// The join alone (into sentbuf); the post-morphology alone (sentbuf to sentbuf2).
void new_extract_sentence(t_treenode* tree);
void postmorph();

// Sentence commands.
void sentence_to_core(int n, int corefile);
int bor_comp();

// Default passes, empty buffers; start-up and tests use it.
void resetsentences();

} // namespace bormo
