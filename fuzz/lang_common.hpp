// Set-up shared by the fuzz targets of the language-file readers: a small
// attribute file and terminals file loaded before the reader under test, and
// the checks that hold after any load.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/syntax.hpp"
#include "fuzz_common.hpp"

namespace fuzzing {

// number 1 (sg 1, pl 2), gender 2 (masc 1, fem 2), degree 3 (pos 1 < comp 2 < sup 3).
inline constexpr const char* ATTRIBUTES =
    "number ( sg , pl ) gender ( masc , fem ) degree ( pos < comp < sup ) %";
inline constexpr const char* TERMINALS = "N V DET ADJ";

// Writes `text` to a private file named after `tag` and returns its path.
inline std::string fixture(const char* tag, const char* text) {
    std::string path = "/tmp/bormo_fuzz_" + std::to_string(getpid()) + "_" + tag + ".txt";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return "";
    fputs(text, f);
    fclose(f);
    return path;
}

// Resets the readers of this layer on top of prepare(), writes the input and
// loads the attribute file.  Null when the input file cannot be written.
inline const char* prepare_language(const unsigned char* data, size_t size) {
    bormo::resetsyntax();
    bormo::resetlexicon();
    bormo::resetgencommands();
    const char* path = prepare(data, size);
    if (!path) return nullptr;
    static const std::string attrs = fixture("attr", ATTRIBUTES);
    bormo::readattr(attrs.c_str());
    if (bormo::total_types != 4) __builtin_trap(); // the fixture itself must load
    return path;
}

inline void load_terminals() {
    static const std::string terms = fixture("term", TERMINALS);
    bormo::read_terminals(terms.c_str());
    if (bormo::terminal_count != 4) __builtin_trap();
}

// What holds after any load: every file closed, no macro left, the store sound.
inline void check_after_load() {
    if (bormo::fsptr != -1 || bormo::macrodict != nullptr) __builtin_trap();
    if (!oxa::checkstore().empty()) __builtin_trap();
}

} // namespace fuzzing
