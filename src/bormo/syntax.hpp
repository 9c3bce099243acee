// The syntax rule reader: syntax and user files are read into stacks of
// rules and transformations, each rule kept as a compact byte text that the
// expansion, the guards and the transformations walk directly.
//
// Stored bytes (numbers are single bytes):
//   7                  start of a right-hand side
//   '<' guard ':'      guarded segment; '>' default segment
//   32 name            a node, followed by 8 name per attached transformation
//                      and its attachments
//   5 v compound       INHERIT;  6 v compound  CHOOSE
//   16 v [compound] 14 key     SELECT
//   '(' count '|' alt '|' alt ... ')'     choice group
//   '[' item ',' item ']'      attribute list; items: compound, 14 key,
//                              compound 14 key, '!' n compound, '-' compound,
//                              '!' compound
//   '/' n '=' values   field restriction      14 key  preselection
//   '"' word '"'       literal word           19 digits / 19 '-' digits  frequency
//   '@' n [':' tag] ['[' ... ']']             indirection
//   compound: names, '.' and '/' as written, 0xFF v for variable v
// The PRESELECT rule is stored as clauses separated by ';', each a key
// compound, optionally followed by ':' and a node (32 name attachments).
// A transformation keeps per sub-transformation a guard (32 name and its
// attribute list per node, '*' for '*') and a rule (nodes, no leading 7).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace bormo {

struct treenode;

// Stored-text codes.
constexpr unsigned char SYN_RHS = 7;
constexpr unsigned char SYN_INHERIT = 5;
constexpr unsigned char SYN_CHOOSE = 6;
constexpr unsigned char SYN_TRANS = 8;
constexpr unsigned char SYN_PRE = 14;
constexpr unsigned char SYN_SELECT = 16;
constexpr unsigned char SYN_IS = 17;
constexpr unsigned char SYN_FREQ = 19;
constexpr unsigned char SYN_VAR = 0xFF;

constexpr int RULEBUFSIZE = 10000; // one segment
constexpr int CFBUFSIZE = 8192;    // one rule's stored text, with its NUL
constexpr int MAXVARS = 26;        // variables 1 to 25
constexpr int VARNAMESIZE = 32;
constexpr int MAXCHOICEDEPTH = 19;
constexpr int MAXGUARDLEN = 38; // elements of a transformation guard
constexpr int MAXPRIORITY = 999;

extern const char* const BARRIER_NAME; // "%%%%%"

struct syn_rule {
    std::string name;
    std::string rules; // the stored text
    syn_rule* next;
};
using Syntax_Rule = syn_rule;

struct sub_trans {
    std::string guard;
    std::string rule;
    sub_trans* next;
};
using Sub_Trans = sub_trans;

struct transformation {
    std::string name;
    int32_t priority;               // lower runs first
    sub_trans* first;               // in file order
    void (*functionPtr)(treenode*); // built-ins only
    transformation* next;
};
using Transformation = transformation;

extern syn_rule* syntax_stack;      // newest first
extern transformation* trans_stack; // newest first

// Reader state.
extern int32_t activity;  // 1 guard, 2 rhs, 3 transformation guard, 4 transformation rhs,
                          // 5 indirection, 6 variable declaration,
                          // 7 preselection rhs, 8 preselection key
extern int32_t errorflag; // an error in the current segment
extern int32_t curvar;    // next variable number
extern std::array<std::array<char, VARNAMESIZE>, MAXVARS> varnames;

// Reads one syntax or user file; `v_stat` is 2 afterwards when ROOT was stored.
void read_syntax(const char* filename);
// The stored text of the newest rule of that name, or null.
const char* getrule(const char* name);
// The newest transformation of that name, or null.
transformation* gettrans(const char* name);

// Scanners over the stored text.  Each takes the position of an element and
// returns the position after it.
// Scanners of stored rule texts, shared with tree expansion and
// transformations: name characters, a name, a quoted string, one byte.
bool is_wordchar(unsigned char c);
const char* read_name(const char* p, std::string& name);
const char* skip_quoted(const char* p);
const char* skip_byte(const char* p);
const char* skip_compattr(const char* p);
// From inside a right-hand side to the next segment start ('<', '>') or the end.
const char* skip_rule(const char* p);
// From just after a choice group's count byte: passes `n` separators '|' of
// this group and returns the position after the n-th; with n <= 0, or when
// the group has fewer, returns the position after the group's ')'.
const char* skip_alternatives(const char* p, int n);

// Removes what the last syntax or user file added: rules and transformations
// down to and including the newest barrier of each stack.
void dump_syntax();
// The names looked up checked against the rule stack (see checkpack): one
// line per disagreement.
std::string checksyntaxkept();

// Frees both stacks and the reader state.
void resetsyntax();

} // namespace bormo
