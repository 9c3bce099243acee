// Fuzz target: the terminals file reader.  The input is read as a terminals
// file on top of the fixture's terminals, so repeats of loaded names occur.
#include <cstdint>
#include <cstring>

#include "lang_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = fuzzing::prepare_language(data, size);
    if (!path) return 0;
    fuzzing::load_terminals();
    bormo::read_terminals(path);
    fuzzing::check_after_load();

    // Within the table, the fixture's names first, each name an identifier
    // found again at its own row and nowhere else.
    if (bormo::terminal_count < 4 || bormo::terminal_count > bormo::MAXTERMINALS) __builtin_trap();
    if (bormo::lookup_terminal("N") != 0 || bormo::lookup_terminal("ADJ") != 3) __builtin_trap();
    for (int i = 0; i < bormo::terminal_count; i++) {
        const std::string& t = bormo::terminal_table[i];
        if (t.empty() || t.size() > bormo::MAXIDENT) __builtin_trap();
        if (t.find('|') != std::string::npos || t.find('\0') != std::string::npos) __builtin_trap();
        if (bormo::lookup_terminal(t.c_str()) != i) __builtin_trap();
    }
    // A lexicon built over them has one list per terminal, all empty.
    bormo::initdict();
    if (bormo::dictterm != bormo::terminal_count) __builtin_trap();
    for (int i = 0; i < bormo::dictterm; i++)
        if (bormo::dictionary[i] != nullptr) __builtin_trap();
    bormo::clear_terminals();
    if (bormo::terminal_count != 0 || bormo::lookup_terminal("N") != -1) __builtin_trap();
    bormo::resetlexicon();
    bormo::clearattributes();
    return 0;
}
