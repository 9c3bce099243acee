// Indirection: following the pointer lists of a lexical record.
#include "bormo/indirection.hpp"

namespace bormo {

std::array<char*, MAXINDITEMS> ind_items{};
int ind_count = 0;
std::array<char, POINTERSIZE> ind_pointer{};
std::array<char, CATSIZE> ind_category{};

void resetindirection() {
    for (int i = 0; i < ind_count; ++i) {
        delete[] ind_items[i];
        ind_items[i] = nullptr;
    }
    ind_count = 0;
    ind_pointer[0] = 0;
    ind_category[0] = 0;
}

} // namespace bormo
