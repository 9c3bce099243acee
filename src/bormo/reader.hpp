// The language-file reader: one tokenizer shared by every language file, with
// nested %INCLUDE files, %define macros, brace comments and quoted strings.
// Also the engine's error line, its random generator, the wildcard and pattern
// matchers, table indexing and preselection resolution.
#pragma once

#include <array>
#include <cstdio>
#include <string>

#include "bormo/engine.hpp"

namespace bormo {

// Token codes.
enum : int {
    T_INCLUDE = 1, // %INCLUDE, handled by the tokenizer
    T_IDENT = 3,   // identifier, text in identbuf
    T_EOF = 4,     // end of input
    T_INHERIT = 5,
    T_CHOOSE = 6,
    T_RULE = 7,
    T_TRANSFORM = 8,
    T_PRIORITY = 9, // also _and_, _lsp_
    T_NEWLINE = 10, // only when lfret is 1
    T_MAKES = 11,   // _makes_, _rhs_
    T_ILT = 12,
    T_PRE = 14, // _pre_, _in_
    T_SELECT = 16,
    T_IS = 17,
    T_DEFINE = 18, // %define, handled by the tokenizer
    T_QUOTE = 34,
    T_PERCENT = 37, // a word of % alone
    T_END = 255,    // ends tokentable
};

constexpr int MAXFILES = 6;   // the named file and 5 levels of inclusion
constexpr int QUEUESIZE = 45; // token queue
constexpr int IDENTSIZE = 40; // identifier: 39 characters and the NUL
constexpr int MAXIDENT = IDENTSIZE - 1;
constexpr int MACRODEPTH = 20; // macro texts being expanded at once
// Bounds of one load: characters delivered from macro texts, and error lines
// (after which the rest of the file is skipped).
constexpr long MAXMACROTEXT = 1000000;
// Bounds of one load's inclusions: files opened by %INCLUDE, and characters
// read from included files (includes that fan out grow without end).
constexpr int MAXINCLUDES = 256;
constexpr long MAXINCLUDEDTEXT = 8000000;
constexpr int MAXERRORS = 100;
constexpr int MACRONAME = 49;  // characters kept of a macro name
constexpr int MACRODEF = 999;  // characters kept of a macro definition
constexpr int INCLPATH = 79;   // characters kept of an %INCLUDE path
constexpr int EOFCHAR = -1;    // what getone delivers at the end of a file

struct fileinf {
    FILE* fptr;   // open stream
    char* f_name; // owned copy of the path
    int f_line;   // line counter, from 1
    bool utf8;    // valid UTF-8 with a multi-byte sequence: decoded to single bytes
};
extern std::array<fileinf, MAXFILES> filestack;
extern int fsptr; // file being read, -1 when all are finished

struct queuetype {
    std::array<unsigned char, QUEUESIZE> queue;
    int head;
    int tail;
    int length;
};
extern queuetype tokenq;

extern std::array<char, IDENTSIZE> identbuf; // text of the identifier at the head
extern int iptr;                             // characters gathered so far
extern int istate;                           // 0 outside, 1 within quotes, 2 within comments
extern int ccount;                           // characters since the opening quote or brace
extern int lfret;                            // 1 when a newline is a token

struct tokenelement {
    const char* tokenword;
    int token;
};

// Keywords, compared in order; ended by an empty word with token 255.
// Columns: word, token code.
constexpr tokenelement tokentable[] = {
    {"%INCLUDE", T_INCLUDE},
    {"%include", T_INCLUDE},
    {"INHERIT", T_INHERIT},
    {"inherit", T_INHERIT},
    {"CHOOSE", T_CHOOSE},
    {"choose", T_CHOOSE},
    {"RULE", T_RULE},
    {"rule", T_RULE},
    {"TRANSFORMATION", T_TRANSFORM},
    {"transformation", T_TRANSFORM},
    {"PRIORITY", T_PRIORITY},
    {"priority", T_PRIORITY},
    {"_and_", T_PRIORITY},
    {"_lsp_", T_PRIORITY},
    {"_makes_", T_MAKES},
    {"_rhs_", T_MAKES},
    {"_ilt_", T_ILT},
    {"_pre_", T_PRE},
    {"_in_", T_PRE},
    {"SELECT", T_SELECT},
    {"select", T_SELECT},
    {"_is_", T_IS},
    {"%define", T_DEFINE},
    {"%", T_PERCENT},
    {"", T_END},
};
static_assert(sizeof(tokentable) / sizeof(tokentable[0]) == 25);

struct macrodef {
    char* name; // owned
    char* def;  // owned
    macrodef* another;
};
extern macrodef* macrodict;                                // newest first
extern std::array<const char*, MACRODEPTH + 1> macrostack; // read positions, 1..macroptr
extern int macroptr;                                       // 0 when reading from the file

extern std::string file_operation; // name of the current reading operation
extern std::string file_position;  // item being read, for error lines
extern int v_stat;                 // status of the current load
extern int v_errors;               // error lines of the current load
extern bool v_skiprest;            // the rest of the current load is skipped
extern unsigned long seed;         // random generator state

// Tokenizer.
void openfile(const char* name, int lfr);
int v_peep();
void v_next();
void replenish();
void tokenize();
int getone();
void closefile();
int str2tok(const char* word);
std::string tok2str(int code);
void testinput();
// The work of testinput on a named file.
void testinput_file(const char* name);

// Messages.
void v_err(const char* a, const char* b, const char* c);
char* strdup_(const char* s);

// Random numbers.
void reseed(long sd);
// The start-up seed made of the clock: 32 bits, odd.
unsigned long clock_seed(unsigned long sec, unsigned long usec);
int getrandom(int range);
void printseed(int cr);

// Matching.
int match_wild(const char* pattern, const char* string, char pterm, char sterm);
int match_list(const char* pattern, const char* list, char pterm);
int match_pattlist(const char* patterns, const char* list);
int match_lsp(const char* lsp, const char* entry);
int testformatch(attr_list list, const char* text);
int match_index(t_treenode* node, const char* text, int* size);

// Preselection resolution.
extern pre_rule* pre_match; // the matching preselection
extern int pre_status;      // 1..6, see pre_status_text
extern int attr_form;       // 1 compound and key, 2 key only, 3 compound only
extern std::string bad_pst; // printed form of the last preselection key

// Texts for pre_status, row i is status i (row 0 unused).
constexpr const char* pre_status_text[] = {
    "",
    "No preselection rule",
    "Attribute error in PST",
    "No matching PST: ",
    "Matching PST has no right-hand side: ",
    "PST has no lexical entry: ",
    "All is well!",
};
static_assert(sizeof(pre_status_text) / sizeof(pre_status_text[0]) == 7);

const char* find_pst(const char* r, int decon_allowed);
const char* analyze_pre(const char* r);
comp_attr attr_from_pre();
int bool_from_pre();

// Closes every open file, forgets every macro and restores the initial state.
void resetreader();

// Where the tokenizer read something, for tools that point at the source:
// the file (a name kept for the life of the program, empty when none), the
// line and the column (characters from 1; a macro's text counts at the place
// the macro was named).  Noting positions changes nothing that is read or written.
struct readpos {
    const char* file;
    int line;
    int col;
};
readpos v_headpos();  // where the token at the head of the queue began
readpos v_charpos();  // the character read last
readpos v_openpos();  // the opening quote or brace of the last string or comment
// True while the tokenizer refills its queue: a message written then concerns
// the character read last rather than the head token.
bool v_intokenizer();
// When set, called with each identifier as it is consumed and where it began.
extern void (*v_identhook)(const char* ident, const readpos& where);
// Sets file_position as a reader starts an item (a rule, a table, an entry);
// when v_itemhook is set it is told the item and where the head token began.
void v_setposition(const std::string& text);
extern void (*v_itemhook)(const std::string& item, const readpos& where);

} // namespace bormo
