// Compound attribute texts kept as codes for the pack's revision.
#include "bormo/attrcodes.hpp"

#include "bormo/attributes.hpp"

namespace bormo {

int codepassdepth = 0;
std::vector<foundanswer> codefound;
uint64_t codefoundcount = 1;

namespace {

constexpr int ANSWERVALUES = 512; // values of a type told apart among the answers

// The place of a one-row compound among the remembered answers, or -1.
int answer_place(const attr_row& row) {
    if (row.type < 1 || row.type >= total_types || row.value < -1 || row.value + 1 >= ANSWERVALUES)
        return -1;
    return row.type * ANSWERVALUES + row.value + 1;
}

} // namespace

bool code_compound(const char* text, const char* end, codedcompound& c) {
    c.revision = 0;
    if (!text || !end || attr_index < 1 || attr_index > MAXCODEDROWS) return false;
    for (const char* p = text; p < end; ++p)
        if (static_cast<unsigned char>(*p) == VARBYTE) return false;
    codedcompound made;
    made.count = attr_index;
    made.all_values = all_values != 0;
    for (int i = 0; i < attr_index; ++i)
        made.rows[static_cast<size_t>(i)] = attr[static_cast<size_t>(i)];
    made.answer = attr_index == 1 ? answer_place(attr[0]) : -1;
    made.revision = packrevision;
    c = made;
    return true;
}

comp_attr find_coded(const codedcompound& c, attr_list list) {
    for (; list; list = list->next) {
        if (list->attr_count != c.count) continue;
        bool match = true;
        int i = 0;
        for (comp_attr a = list->first; a && i < c.count; a = a->another, i++) {
            const attr_row& row = c.rows[static_cast<size_t>(i)];
            int k = a->index;
            if (k < 0 || k >= DELAYSIZE) k = 0; // as delay_entry reads it
            t_delay& d = MState == 1 ? lt_delayed[static_cast<size_t>(k)] : delayed[static_cast<size_t>(k)];
            if (d.class_ != row.type) {
                match = false;
                break;
            }
            if (row.value == -1) continue;
            if (MState != 1 && d.choice == -1 && attr_choice_hook) attr_choice_hook(a->index);
            if (d.choice != row.value) {
                match = false;
                break;
            }
        }
        if (match && i == c.count) return list->first;
    }
    return nullptr;
}

comp_attr find_coded_afresh(const codedcompound& c, attr_list list) {
    comp_attr r = find_coded(c, list);
    if (c.answer >= 0) {
        auto k = static_cast<size_t>(c.answer);
        if (k >= codefound.size()) codefound.resize(k + 1);
        codefound[k] = {codefoundcount, list, MState, r};
    }
    return r;
}

void forget_found() {
    ++codefoundcount;
}

void resetattrcodes() {
    ++codefoundcount;
    codefound.clear();
    codepassdepth = 0;
}

} // namespace bormo
