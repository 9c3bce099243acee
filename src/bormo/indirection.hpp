// Indirection: a leaf's word replaced by a word reached through the tagged
// pointer lists of one field of its lexical record.
#pragma once

#include <array>
#include <string>

#include "bormo/engine.hpp"

namespace bormo {

constexpr int MAXINDITEMS = 50;  // items of one clause
constexpr int POINTERSIZE = 100; // chosen pointer: 99 characters and the NUL
constexpr int CATSIZE = 40;      // chosen category: 39 characters and the NUL

// Items of the last clause split by locate_strings: the tag, then pointer and
// category alternately (an absent category is an empty item).
extern std::array<std::string, MAXINDITEMS> ind_items;
extern int ind_count;
extern std::array<char, POINTERSIZE> ind_pointer; // chosen pointer, without quotes
extern std::array<char, CATSIZE> ind_category;    // chosen category

void process_indirections(t_treenode* tree);
void process_indirect_ops(t_treenode* leaf);
void findtag(const char* record, int field, const char* tag);
const char* locate_strings(const char* text);
attr_list construct_attr_indir(t_treenode* node, const char* text);
// The start of the next clause; at the end of the record text the message is
// written and the position of the end (its '|' or NUL) is returned.
const char* forward_next_tag(const char* text);

// The record with the attribute codes of its field 3 written as names, for messages.
std::string record_text(const char* record);

// Empties the clause items and the buffers.
void resetindirection();

} // namespace bormo
