// Common set-up of the engine's fuzz targets: a fresh store and engine for
// every input, and the input written to a private file for the reader.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

#include "bormo/attributes.hpp"
#include "bormo/engine.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/vline.hpp"
#include "editor/store.hpp"

namespace fuzzing {

inline const std::string& input_path() {
    static std::string path = "/tmp/bormo_fuzz_" + std::to_string(getpid()) + ".txt";
    return path;
}

// Every load of a pack file is bracketed by checkpack(): what the engine
// keeps beside the pack must agree with it.
inline void checkpackloads() {
    bormo::packloadhook = [] {
        if (!bormo::checkpack().empty()) __builtin_trap();
    };
}

// Resets everything the engine touches and writes the input file.
inline const char* prepare(const unsigned char* data, size_t size) {
    checkpackloads();
    oxa::resetstore();
    bormo::resetreader();
    bormo::resetattributes();
    bormo::resetengine();
    bormo::resetvline();
    FILE* f = fopen(input_path().c_str(), "wb");
    if (!f) return nullptr;
    fwrite(data, 1, size, f);
    fclose(f);
    return input_path().c_str();
}

} // namespace fuzzing
