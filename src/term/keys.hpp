// Key translation: what the terminal delivers (bytes, and the terminal
// library's numbers of special keys) becomes the bytes of the editor's key
// map.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "term/utf8.hpp"

namespace oxa::term {

// A special key and the bytes sent for it.
struct keyrow {
    int32_t key;       // the terminal library's key number
    const char* bytes; // the key map's bytes
};
extern const std::array<keyrow, 24> specialkeys;

// The bytes for a special key (its number at or above 256); empty for a key
// the editor has no use for.
std::string specialbytes(int32_t key);
// The bytes for a typed character (a code point): UTF-8, which the input
// stream reads as one letter each; empty for one no store byte stands for.
std::string letterbytes(int32_t cp);

// The size report that tells the editor the terminal's new size.
std::string sizereportbytes(int32_t rows, int32_t cols);

// Turns the terminal's input, one value at a time as the terminal library
// delivers it (a byte below 256, a special key at or above), into the bytes
// for the editor.  Bytes form UTF-8 characters; a malformed sequence is
// dropped.
class keytranslator {
  public:
    // Appends the bytes for one value; returns false when it produced nothing
    // the editor can take (the caller may ring the bell).
    bool feed(int32_t value, std::string& out);

  private:
    utf8decoder decoder_;
    std::vector<int32_t> cps_;
};

} // namespace oxa::term
