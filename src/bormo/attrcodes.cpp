// Compound attribute texts kept as codes, checked against the name table.
#include "bormo/attrcodes.hpp"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bormo/attributes.hpp"

namespace bormo {

uint64_t coderegistry = 1;
uint64_t codepassnumber = 1;
int codepassdepth = 0;
std::vector<uint64_t> codenamechecked;
std::vector<foundanswer> codefound;
uint64_t codefoundcount = 1;

namespace {

// One name read: where the sorted name table held it and what it meant.
struct keptname {
    std::string name;
    int type = 0;
    int value = 0;
    int entry = 0; // its index in q_att_table
};

constexpr size_t MAXKEPTNAMES = 1024; // beyond: forget them all and start again

std::vector<keptname> keptnames;

// The same bytes up to the NUL.
bool same_text(const char* a, const char* b) {
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

int compare_entry(const void* key, const void* rec) {
    return std::strcmp(static_cast<const char*>(key), static_cast<const attr_qlookup*>(rec)->text);
}

// True when entry i of the name table holds `name` for (type, value) and its
// neighbours hold other names.
bool unique_entry(int i, const char* name, int type, int value) {
    if (!q_att_table || i < 0 || i >= q_att_size) return false;
    const attr_qlookup& q = q_att_table[i];
    if (q.type != type || q.number != value || !same_text(q.text, name)) return false;
    if (i > 0 && same_text(q_att_table[i - 1].text, name)) return false;
    if (i + 1 < q_att_size && same_text(q_att_table[i + 1].text, name)) return false;
    return true;
}


void forget_names() {
    codefound.clear();
    keptnames.clear();
    codenamechecked.clear();
    ++coderegistry;
}

// Keeps the name behind a row and returns its number; -1 when the name is
// not in the table once.
int keep_name(const attr_row& row) {
    if (row.type < 1 || row.type >= total_types) return -1;
    const char* name = att_get_name(row.type, row.value);
    if (!q_att_table || !name) return -1;
    const void* r = bsearch(name, q_att_table, static_cast<size_t>(q_att_size), sizeof(attr_qlookup),
                            compare_entry);
    if (!r) return -1;
    int entry = static_cast<int>(static_cast<const attr_qlookup*>(r) - q_att_table);
    if (!unique_entry(entry, name, row.type, row.value)) return -1;
    for (size_t i = 0; i < keptnames.size(); ++i) {
        const keptname& k = keptnames[i];
        if (k.entry == entry && k.type == row.type && k.value == row.value && k.name == name) {
            codenamechecked[i] = codepassnumber; // just found again
            return static_cast<int>(i);
        }
    }
    if (keptnames.size() >= MAXKEPTNAMES) forget_names();
    keptnames.push_back({name, row.type, row.value, entry});
    codenamechecked.push_back(codepassnumber);
    return static_cast<int>(keptnames.size() - 1);
}

} // namespace

bool check_kept_name(int i) {
    const keptname& k = keptnames[static_cast<size_t>(i)];
    if (!unique_entry(k.entry, k.name.c_str(), k.type, k.value)) {
        forget_names();
        return false;
    }
    codenamechecked[static_cast<size_t>(i)] = codepassnumber;
    return true;
}

bool code_compound(const char* text, const char* end, codedcompound& c) {
    c.registry = 0;
    if (!text || !end || attr_index < 1 || attr_index > MAXCODEDROWS) return false;
    for (const char* p = text; p < end; ++p)
        if (static_cast<unsigned char>(*p) == VARBYTE) return false;
    uint64_t before = coderegistry;
    codedcompound made;
    made.count = attr_index;
    made.all_values = all_values != 0;
    for (int i = 0; i < attr_index; ++i) {
        made.rows[static_cast<size_t>(i)] = attr[static_cast<size_t>(i)];
        int k = keep_name(attr[static_cast<size_t>(i)]);
        if (k < 0 || coderegistry != before) return false; // not unique, or the registry restarted
        made.names[static_cast<size_t>(i)] = k;
    }
    made.registry = coderegistry;
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
    if (c.count == 1 && c.registry == coderegistry) {
        auto k = static_cast<size_t>(c.names[0]);
        if (k >= codefound.size()) codefound.resize(keptnames.size());
        codefound[k] = {codefoundcount, list, MState, r};
    }
    return r;
}

void forget_found() {
    ++codefoundcount;
}

void resetattrcodes() {
    ++codefoundcount;
    forget_names();
    ++codepassnumber;
    codepassdepth = 0;
}

} // namespace bormo
