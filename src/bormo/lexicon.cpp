// Terminals and lexicon.
#include "bormo/lexicon.hpp"

namespace bormo {

std::array<std::string, MAXTERMINALS> terminal_table;
int terminal_count = 0;
recnode** dictionary = nullptr;
int dictterm = -1;
std::array<recnode*, MAXRESTORED> restoredlexarray{};
int lastrestored = 0;
std::array<lex_comp, MAXLEXCOMP> lexatt{};
int lexatt_index = 0;
std::array<recnode*, MAXCANDIDATES> nodearray{};
std::array<long, MAXCANDIDATES> prob_array{};
int numnodes = 0;
long prob_tot = 0;
long lexerrors = 0;
long lexentries = 0;

void read_terminals(const char* name) {}
int lookup_terminal(const char* symbol) { return -1; }
void clear_terminals() {}
void initdict() {}
void readdict(const char* name) {}
void clearlexicon() {}
void clearrecoveredlexicon() {}
int readentry(int linktolexicon) { return 0; }
const char* getfieldptr(const char* record, int n) { return ""; }
char* getfieldptr(char* record, int n) { return record; }
int getfrequency(const char* record) { return 0; }
recnode* exactword(const char* word, recnode* list) { return nullptr; }
void locate_comp(const char* record) {}
int match_comp(int i) { return 0; }
int match_attr(const char* record, attr_list list) { return 0; }
int match_single_attr(const char* record) { return 0; }
void locate_matches(t_dict_lookup* lookup, int term) {}
void getdictent(t_dict_lookup* lookup) {}
void getwords(int start) {}
void apply_vf_single(char* entry, int n) {}
void vary_frequency(const char* text) {}
void printlex() {}
std::string convert_nodetext(const char* text) { return {}; }
void resetlexicon() {}

}  // namespace bormo
