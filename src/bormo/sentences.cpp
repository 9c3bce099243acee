// Sentence assembly.
#include "bormo/sentences.hpp"

namespace bormo {

std::array<char, SENTSIZE> sentbuf{};
std::array<char, SENTSIZE> sentbuf2{};
std::array<std::array<int, NPASSCOLS>, NPASSROWS> morph_passes{};

void fill_all_words(t_treenode*, int) {}
void fill_word(t_treenode*) {}
void finish(t_treenode*, int, const char*) {}
void new_extract_sentence(t_treenode*) {}
void postmorph() {}
void sentence_to_core(int, int) {}
int bor_comp() { return 0; }
void resetsentences() {}

} // namespace bormo
