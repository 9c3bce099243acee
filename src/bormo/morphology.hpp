// Morphology: the rule file (named rules of guarded morph expressions), the
// tables file (named lists of morph expressions indexed by attribute values),
// the evaluation of morph expressions and the passes that inflect the leaves
// of a generated tree.
#pragma once

#include <array>
#include <string>

#include "bormo/engine.hpp"
#include "bormo/guards.hpp"

namespace bormo {

constexpr int MAXRULES = 500;   // slots of ruleheader
constexpr int MRULEBUF = 999;   // characters kept of one guard or expression
constexpr int EXPSTACK = 100;   // texts being evaluated at once
constexpr int MOUTSIZE = 120;   // output buffer: 119 characters and the NUL
constexpr int TBLBUFSIZE = 100; // table-reference buffer: 99 characters and the NUL
constexpr int DESIGSTACK = 20;  // designator stack of the guard evaluator

// One alternative of a morph rule.
struct subrule {
    char* rulename; // owned
    char* guard;    // owned: the guard text ending with ':'
    char* mexp;     // owned: the morph expression ending with '|'
    subrule* nextsub;
    int guardid = -1; // the guard's tree in the pack index
};
using MSUBRULE = subrule;

// One table of the tables file.
struct table {
    char* tablename; // owned
    char* elements;  // owned: the elements in order, each followed by '|'
    int count;       // number of elements
    table* next;
};
using TABLE = table;

extern std::array<subrule*, MAXRULES> ruleheader; // first subrule of rule k
extern int numrules;                              // highest rule number in use, -1 for none
extern table* tablelist;                          // the tables in file order

// Evaluation state of m_exp.
extern std::array<const char*, EXPSTACK> exp_stack;
extern std::array<t_treenode*, EXPSTACK> node_stack;
extern int exp_sp; // texts on the stack
extern std::array<char, MOUTSIZE> m_out;
extern int m_outlen;
extern std::array<char, TBLBUFSIZE> tblbuf;
extern int tbllen;

// Readers.
void new_readmorph(const char* filename);
void new_readtables(const char* filename);
void clear_mrules();
void init_mrules();
void clear_tables();

// The rule of that name, or null.
subrule* find_mrule(const char* name);
// The table of that name, or null.
table* find_table(const char* name);

// Evaluates a morph expression for current_node; the result is left in m_out.
void m_exp(const char* text);

// Passes.
void morph_word(t_treenode* leaf, int field);
void morph_tree(t_treenode* root, int field);

// Listings into corefile 7.
void print_tables();
void print_mrules();

// The rule and table indexes checked against the rules and tables (see
// checkpack): one line per disagreement.
std::string checkmorphkept();

// Frees rules and tables and empties the evaluation state.
void resetmorphology();

} // namespace bormo
