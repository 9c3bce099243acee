// Fuzz target: the lexicon reader.  After the fixture's attribute and
// terminals files, the input is read as a lexicon file, and every stored
// entry is checked against the encoded form the generator relies on.
#include <cstdint>
#include <cstring>

#include "lang_common.hpp"

namespace {

// Field 3 as stored: compounds of components joined by '.', each an optional
// sign and ATTRCODE, type, value; a blank after each compound; compounds in
// ascending order of their first type.  Returns the position of the '|' that
// ends the field.
const char* check_attributes(const char* p) {
    int last_first_type = 0;
    while (*p != '|') {
        int first_type = 0;
        for (;;) {
            if (*p == '<' || *p == '>') p++;
            if (static_cast<unsigned char>(p[0]) != bormo::ATTRCODE) __builtin_trap();
            int type = static_cast<unsigned char>(p[1]);
            int value = static_cast<unsigned char>(p[2]);
            if (type < 1 || type >= bormo::total_types) __builtin_trap();
            if (value != bormo::BAREVALUE &&
                (value < 1 || value >= bormo::attr_table[type].entries))
                __builtin_trap();
            if (first_type == 0) first_type = type;
            p += 3;
            if (*p != '.') break;
            p++;
        }
        if (*p != ' ' || first_type < last_first_type) __builtin_trap();
        last_first_type = first_type;
        p++;
    }
    return p;
}

void check_entry(const char* rec, int terminal) {
    if (strlen(rec) > bormo::MAXENTRYLEN) __builtin_trap();
    // At least six fields, each ended by '|'.
    const char* prev = bormo::getfieldptr(rec, 1);
    for (int n = 2; n <= 7; n++) {
        const char* p = bormo::getfieldptr(rec, n);
        if (p <= prev || p[-1] != '|') __builtin_trap();
        prev = p;
    }
    // The terminal field names the list the entry is filed in.
    if (bormo::lookup_terminal(bormo::getfieldptr(rec, 2)) != terminal) __builtin_trap();
    if (check_attributes(bormo::getfieldptr(rec, 3)) + 1 != bormo::getfieldptr(rec, 4))
        __builtin_trap();
    // The frequency: four digits.
    const char* f = bormo::getfieldptr(rec, 4);
    for (int i = 0; i < 4; i++)
        if (f[i] < '0' || f[i] > '9') __builtin_trap();
    if (f[4] != '|') __builtin_trap();
    int freq = bormo::getfrequency(rec);
    if (freq < 0 || freq > 9999) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = fuzzing::prepare_language(data, size);
    if (!path) return 0;
    fuzzing::load_terminals();
    bormo::initdict();
    bormo::readdict(path);
    fuzzing::check_after_load();

    if (bormo::dictterm != bormo::terminal_count || bormo::lexentries < 0 || bormo::lexerrors < 0)
        __builtin_trap();
    long stored = 0;
    for (int t = 0; t < bormo::dictterm; t++)
        for (bormo::recnode* n = bormo::dictionary[t]; n; n = n->previous) {
            if (!n->recordptr) __builtin_trap();
            check_entry(n->recordptr, t);
            stored++;
        }
    // The wildcard finds the newest entry of a list.
    for (int t = 0; t < bormo::dictterm; t++)
        if (bormo::exactword("*", bormo::dictionary[t]) != bormo::dictionary[t]) __builtin_trap();
    if (stored != bormo::lexentries) __builtin_trap();

    // Each entry's compounds can be located, within the table of compounds.
    for (int t = 0; t < bormo::dictterm; t++)
        for (bormo::recnode* n = bormo::dictionary[t]; n; n = n->previous) {
            bormo::locate_comp(n->recordptr);
            if (bormo::lexatt_index < 0 || bormo::lexatt_index > bormo::MAXLEXCOMP)
                __builtin_trap();
        }

    // A second file adds to the loaded entries; clearing empties every list.
    bormo::readdict(path);
    fuzzing::check_after_load();
    bormo::initdict();
    for (int t = 0; t < bormo::dictterm; t++)
        if (bormo::dictionary[t] != nullptr) __builtin_trap();
    bormo::resetlexicon();
    bormo::clearattributes();
    return 0;
}
