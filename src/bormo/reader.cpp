// The language-file reader (placeholder bodies while the tokenizer is written).
#include "bormo/reader.hpp"

namespace bormo {

std::array<fileinf, MAXFILES> filestack{};
int fsptr = -1;
queuetype tokenq{};
std::array<char, IDENTSIZE> identbuf{};
int iptr = 0;
int istate = 0;
int ccount = 0;
int lfret = 0;
macrodef* macrodict = nullptr;
std::array<const char*, MACRODEPTH + 1> macrostack{};
int macroptr = 0;
std::string file_operation;
std::string file_position;
int v_stat = 0;
unsigned long seed = 1;
pre_rule* pre_match = nullptr;
int pre_status = 0;
int attr_form = 0;
std::string bad_pst;

void openfile(const char*, int) {}
int v_peep() {
    return T_EOF;
}
void v_next() {}
void replenish() {}
void tokenize() {}
int getone() {
    return EOFCHAR;
}
void closefile() {}
int str2tok(const char*) {
    return T_IDENT;
}
std::string tok2str(int) {
    return "";
}
void testinput() {}
void v_err(const char*, const char*, const char*) {}
char* strdup_(const char*) {
    return nullptr;
}
void reseed(long) {}
int getrandom(int) {
    return 0;
}
void printseed(int) {}
int match_wild(const char*, const char*, char, char) {
    return 0;
}
int match_list(const char*, const char*, char) {
    return 0;
}
int match_pattlist(const char*, const char*) {
    return 0;
}
int match_lsp(const char*, const char*) {
    return 0;
}
int testformatch(attr_list, const char*) {
    return 0;
}
int match_index(t_treenode*, const char*, int*) {
    return -1;
}
const char* find_pst(const char* r, int) {
    return r;
}
const char* analyze_pre(const char* r) {
    return r;
}
comp_attr attr_from_pre() {
    return nullptr;
}
int bool_from_pre() {
    return 0;
}
void resetreader() {}

} // namespace bormo
