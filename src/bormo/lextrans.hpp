// Lexical transformations: rules that derive new word forms from lexicon
// entries.  A rule names lexical search patterns (LSPs), each selecting
// entries by word, terminal, attributes and fields; the LSPs share variables
// of a common attribute clause; a right-hand side builds a text from the
// matched entries.  Run over the whole lexicon, a rule writes one record line
// per combination of matching entries into the current corefile.
//
// Inverse transformations use the same machinery during generation: a
// lexicon entry whose word field begins with the _ilt_ code holds LSPs and a
// right-hand side, and its result replaces the entry as the chosen word.
//
// Stored right-hand side: identifiers as their text (a blank between two in
// a row), quoted parts with their quotes, every other token as its
// character; a variable of the clause is the byte LT_VARREF followed by its
// number in the clause (1..MAXLTVARS).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "bormo/engine.hpp"

namespace bormo {

struct recnode;

constexpr int MAXLTRULES = 500;     // rule slots; rules are numbered 1..499
constexpr int LTRESULTSIZE = 1024;  // result buffer: at most 1023 characters
constexpr int LTRHSMAX = 4094;      // characters of a stored right-hand side
constexpr int LTFIELDMAX = 1000;    // characters of one LSP part
constexpr int LTMORPHMAX = 99;      // characters of a morphology expression
constexpr int MAXLTVARS = 254;      // variables of one rule's clause
constexpr unsigned char LT_VARREF = 15;

// One variable of a rule's common attribute clause.
struct s_lt_var_list {
    std::string name;
    int index; // its entry in lt_delayed
    s_lt_var_list* next;
};
using lt_var_list = s_lt_var_list*;

// One loaded rule.  The LSPs are tree nodes linked through `right`; each
// carries its own look-up record (owned by the rule) whose `dictionary` is
// the entry matched while the rule runs.
struct ltrule {
    t_treenode* lsp1 = nullptr;      // the first LSP
    lt_var_list rule_vars = nullptr; // the clause's variables, in order
    std::string rhs;                 // the stored right-hand side

    ltrule() = default;
    ltrule(const ltrule&) = delete;
    ltrule& operator=(const ltrule&) = delete;
    ~ltrule(); // frees the LSPs, their look-up records and the variables
};
using LTRULE = ltrule;

extern std::array<std::unique_ptr<LTRULE>, MAXLTRULES> ltruleheader; // slot 0 never used

// One level of the depth-first enumeration: the stack is a vector, the
// level below a level is the one before it.
struct t_stacknode {
    t_treenode* lsp;            // the LSP of this level
    recnode* DictionaryPtr;     // the next lexicon entry to try
    std::vector<int> fixedvars; // lt_delayed entries fixed at this level
    int term_ind;               // terminal being scanned for a "?" class, else -1
};

// Run state.
extern int lt_rule_num; // the selected rule, -1 for none
extern std::vector<t_stacknode> lt_stack;
extern int InProgress; // 1 after an interrupted run
extern int numwords;   // results of the current run
extern std::array<char, LTRESULTSIZE> lt_result;
extern int resptr;      // characters in lt_result
extern int resoverflow; // 1 when a result did not fit

// A new lt_delayed entry { class, choice, fixed = choice >= 0 }; -1 (after
// "   Ran out of table space for attributes") when the table is full.
int add_lt_delayed(int class_, int choice);

// Reading.
void readlextrans(const char* name);
void initialize_lt_rules();
void purge_lt_rules();

// Running.
void inittrans(int n);
void exectrans();
int lt_apply_rule(const char* rhs, t_treenode* lsp, int morph_state);
t_treenode* lt_getlspptr(int n);
// Discards a run in progress (the lexicon it walks is going away).
void lt_cancel_run();

// Inverse transformations.
t_treenode* ilt_create_lsps(const char* entry);
// Evaluates the inverse transformations of the lookups from the newest down
// to `mark`, replacing each such lookup's chosen entry by the result.
void scan_ilts(int mark);

// Commands and keys.
void vreadlextrans(); // LXTRANSF
void vinittrans();    // RXTRANSF
void resumelx();      // edit key ESC l

// Frees the rules and the run state; start-up and tests use it.
void resetlextrans();

} // namespace bormo
