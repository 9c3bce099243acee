// The deeper comparisons of error analysis: morphological variants of a leaf
// (the same entry with other attribute values), words related to a leaf
// through a tag of the lexicon, and spellings that render a leaf's
// pronunciation; with the readers of their data files.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "bormo/compare.hpp"
#include "bormo/engine.hpp"

namespace bormo {

constexpr int MRTERMS = 128;  // rows of mrdata: one per terminal index
constexpr int MRPAIRS = 39;   // (type, value) pairs of one row, before its ending 0
constexpr int MRTYPES = 10;   // type slots of one terminal in mrmod
constexpr int MRVALUES = 20;  // alternative values of one slot
constexpr int NATTRCOMB = 11; // attrcomb: the count, then up to 10 delay indices
constexpr int NDIFF = 20;     // values of one side of a difference
constexpr int NIPA = 20;      // symbols of an IPA form in the phonological work arrays

// One (attribute type, value) pair of the morphological error table; value -1
// stands for every value of the type, type 0 ends a row.
struct mrpair {
    int type;
    int value;
};
extern std::array<std::array<mrpair, MRPAIRS + 1>, MRTERMS> mrdata;

// The alternative values of each terminal, as fixed delay-table indices.
struct mrmod_row {
    int ntypes;                                            // slots used
    std::array<int, MRTYPES> nvalues;                      // values of each slot
    std::array<std::array<int, MRVALUES>, MRTYPES> values; // delay-table indices
};
extern std::array<mrmod_row, MRTERMS> mrmod;

// One morphological variant of a leaf.
struct morphvar {
    std::array<int, NATTRCOMB> attrcomb; // changed types, then their delay indices
    char* variant;                       // the word (owned)
    morphvar* next;
};

// The values in which a variant differs from its leaf.
struct difference {
    std::array<int, NDIFF> left;  // the variant's values (delay indices)
    std::array<int, NDIFF> right; // the leaf's values of those types
    int ltind;
    int rtind;
    difference* nextdiff;
};

// One tag of the tag information file.
struct tag_table {
    char* tag;   // owned
    int tag_int; // the match class of the tag: 5, 6, ... in file order
    int field;   // lexical record field holding the tag's pointer lists
    tag_table* next;
};
using TAG_TABLE = tag_table;
extern tag_table* taglist;

// One phonology table: the spellings of one IPA symbol.
struct phontable {
    char* tablename; // the symbol (only its first character is compared)
    char* elements;  // the spellings, each followed by '|'
    int count;
    phontable* next;
};
extern phontable* phontablelist;

// Readers of the three data files and their uninstallers.
void merror_readtables(const char* file);
void tag_readtables(const char* file);
void phon_readtables(const char* file);
void clear_mrdata();
void clear_tag_tables();
void clear_phon_tables();
void print_merror_tables();

// Morphological variants.
void mrmodify();
void make_variants(t_treenode* leaf);
void all_variants(t_treenode* tree);
void free_variants(t_treenode* leaf);
int compare_var(const char* word, t_treenode* leaf, std::array<std::string, NBREAKUP>& out);

// Related words through tags.
void err_match_syn(const char* word, t_treenode* leaf, lexdiff* cell);
t_treenode* err_gen_syn(t_treenode* leaf, const char* tag, int field);
void err_kill_syn(t_treenode* list);
const tag_table* find_tag(int tag_int);
// The (word, category) pairs of the clause of `tag` in field `field` of a
// lexical record; empty when there is none.  Reports nothing.
std::vector<std::pair<std::string, std::string>> tag_clause_words(const char* record,
                                                                  const char* tag, int field);
// The number of a tag through which another entry points back at the leaf's
// entry and, inflected like the leaf, gives `word`; -1 when none does.
int err_match_syn_back(const char* word, t_treenode* leaf);
// The words the leaf's entry gives through tag `t`, inflected like the leaf
// (what err_match_syn compares with), in the order of the tag's clause.
std::vector<std::string> syn_words(t_treenode* leaf, const tag_table* t);
// The (tag number, word) of every entry that points back at the leaf's entry
// through a tag, inflected like the leaf, in the order err_match_syn_back
// tries them.
std::vector<std::pair<int, std::string>> syn_back_words(t_treenode* leaf);

// Phonological spellings.
// The error text of a response that renders the leaf's pronunciation when
// the expected word itself does not.
constexpr const char* PHONO_MISMATCH =
    "ERROR: correct word does not match ipa string, though student response does";
// The spellings of each symbol of the leaf's IPA form; false (and a line in
// corefile 7 for a symbol without a table) when there is nothing to match.
bool phono_alternatives(t_treenode* leaf, std::vector<std::vector<std::string>>& alts);
void err_match_phono(const char* word, t_treenode* leaf, lexdiff* cell);
// Matches `word` against the spelling alternatives of each symbol from `sym`
// on; the spelling taken for each symbol is left in `chosen`.  1 on success.
int match_ipastr(const char* word, const std::vector<std::vector<std::string>>& alts, size_t sym,
                 std::vector<std::string>& chosen);
// The IPA form of a leaf by the phonology passes (empty without a lexical entry).
std::string ipa_form(t_treenode* leaf);

// The enumeration of the variants of every word of ROOT.
void generate_enumerations();

// Command operations and edit keys.
void vreadipa();    // IPA
void vreadmerror(); // MRPHERROR
void vreadtags();   // TGINFO
void venummorph();  // edit key ESC L

// Empties every table; start-up and tests use it.
void resetvariants();

} // namespace bormo
