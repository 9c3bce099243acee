// Fuzz target: the attribute file reader, then the compound-attribute text
// form over the same bytes, printing and matching.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = fuzzing::prepare(data, size);
    if (!path) return 0;
    bormo::readattr(path);

    // The lookup table holds one record per type and value, sorted.
    int expected = 0;
    for (int t = 1; t < bormo::total_types; t++)
        expected += bormo::attr_table[t].entries;
    if (bormo::total_types > 1 && bormo::q_att_size != expected) __builtin_trap();
    for (int i = 1; i < bormo::q_att_size; i++)
        if (strcmp(bormo::q_att_table[i - 1].text, bormo::q_att_table[i].text) > 0)
            __builtin_trap();
    // Every name is found again.
    for (int i = 0; i < bormo::q_att_size; i++)
        if (!bormo::lookup_attr(bormo::q_att_table[i].text)) __builtin_trap();
    // Orders are reflexive.
    for (int t = 1; t < bormo::total_types; t++)
        for (int v = 1; v < bormo::attr_table[t].entries; v++)
            if (!bormo::valid('<', t, v, v)) __builtin_trap();

    // The input as compound text: parse, build, print, match.
    std::string text(reinterpret_cast<const char*>(data), size);
    for (const char* p = text.c_str(); *p;) {
        const char* end = bormo::text_to_comp_array(p, 1);
        bool room = bormo::delayptr + bormo::attr_index < bormo::DELAYSIZE - 1;
        bormo::comp_attr full = bormo::make_full_comp_attr();
        bormo::attr_list list = nullptr;
        bormo::add_attr_to_list(&list, full);
        char* printed = bormo::print_attr_list(list);
        if (strlen(printed) >= bormo::PRINTSIZE) __builtin_trap();
        free(printed);
        if (room && bormo::attr_index > 0 && !bormo::find_attr(list)) __builtin_trap();
        bormo::purge_attr_list(&list);
        end = bormo::text_to_comp_struct(p, 1);
        bormo::purge_comp_attr(&bormo::comp_attr_register);
        p = end > p ? end : p + 1;
    }
    bormo::clearattributes();
    return 0;
}
