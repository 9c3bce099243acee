// Terminals and lexicon: the word classes of the grammar, the lexicon kept as
// one list of entries per terminal, and the frequency-weighted choice of the
// entry that satisfies a lexical lookup.
//
// An entry is one text: fields each ended by '|', then a NUL.  Field 1 is the
// word (with its quotes), field 2 the terminal name, field 3 the encoded
// attributes, field 4 the frequency as four digits, fields 5 and on are free.
// At least 6 fields are always present.  In field 3 each compound is written
// as its components joined by '.', each component an optional sign ('<' or
// '>') and three bytes: ATTRCODE, the type number and the value number
// (BAREVALUE for a bare type); each compound is followed by a blank, and the
// compounds stand in ascending order of their first type number.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "bormo/engine.hpp"

namespace bormo {

constexpr int MAXTERMINALS = 128;
constexpr int MAXRESTORED = 1024;
constexpr int MAXLEXCOMP = 50;       // compounds of one entry examined by match_attr
constexpr int MAXCANDIDATES = 25000; // candidate arrays (24999 candidates in use)
constexpr int MAXENTRYLEN = 1023;    // characters of one entry text
constexpr int MAXLEXERRORS = 50;     // error lines written per lexicon file
constexpr unsigned char ATTRCODE = 0x19;
constexpr unsigned char BAREVALUE = 0xFF;

// One lexicon entry in a terminal's list (or in the restored lexicon).
struct recnode {
    recnode* previous; // the entry read before this one
    char* recordptr;   // the entry text (owned)
};

// One compound of the entry under examination.
struct lex_comp {
    const char* start; // first byte of the compound in field 3
    int count;         // number of components
};

extern std::array<std::string, MAXTERMINALS> terminal_table;
extern int terminal_count;

extern recnode** dictionary; // dictterm list heads, newest entry first
extern int dictterm;         // -1 when no lexicon is loaded

extern std::array<recnode*, MAXRESTORED> restoredlexarray;
extern int lastrestored;

extern std::array<lex_comp, MAXLEXCOMP> lexatt;
extern int lexatt_index;

// Candidates of the last look-up: collected into the candidate arrays, or
// the kept set it was found in, drawn from in place.  candnodes[i] is an
// entry, candsums[i] the running sum of the frequencies up to it.
extern std::array<recnode*, MAXCANDIDATES> nodearray;
extern std::array<long, MAXCANDIDATES> prob_array;
extern recnode* const* candnodes;
extern const long* candsums;
extern int numnodes;
extern long prob_tot;

extern long lexerrors;  // errors of the last lexicon file
extern long lexentries; // entries stored from the last lexicon file

// Terminals.
void read_terminals(const char* name);
int lookup_terminal(const char* symbol);
void clear_terminals();

// Lexicon.
void initdict();
void readdict(const char* name);
void clearlexicon();
void clearrecoveredlexicon();
int readentry(int linktolexicon);

// Field access: the position of field n (from 1); "" for a null record.
const char* getfieldptr(const char* record, int n);
char* getfieldptr(char* record, int n);
// The frequency in field 4.
int getfrequency(const char* record);

// The first entry of `list` whose word matches `word` ('*' wildcard), or null.
recnode* exactword(const char* word, recnode* list);

// Attribute matching of an entry against a list, or against the one compound
// in the working array.
void locate_comp(const char* record);
int match_comp(int i);
int match_attr(const char* record, attr_list list);
int match_single_attr(const char* record);

// Choice of an entry for a lookup.
void locate_matches(t_dict_lookup* lookup, int term);
void getdictent(t_dict_lookup* lookup);
void getwords(int start);
void apply_vf_single(char* entry, int n);

void vary_frequency(const char* text);
void printlex();
std::string convert_nodetext(const char* text);

// What the lexicon keeps beside its entries, checked against them (see
// checkpack): one line per disagreement.
std::string checklexiconkept();

// Frees terminals, lexicon and restored entries; start-up and tests use it.
void resetlexicon();

} // namespace bormo
