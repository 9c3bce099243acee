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

// How letters beyond ASCII reach the editor.
enum class lettermode {
    escapes, // the key map's ESC sequences for the accented letters it has
    utf8,    // UTF-8, which the input stream reads as one letter each
};

// A special key and the bytes sent for it.
struct keyrow {
    int32_t key;       // the terminal library's key number
    const char* bytes; // the key map's bytes
};
extern const std::array<keyrow, 22> specialkeys;

// A Latin-1 letter and the key map's ESC sequence that types it.
struct accentkey {
    unsigned char letter;
    const char* bytes;
};
extern const std::array<accentkey, 15> accentkeys;

// The bytes for a special key (its number at or above 256); empty for a key
// the editor has no use for.
std::string specialbytes(int32_t key);
// The bytes for a typed character (a code point); empty for one the editor
// cannot store (beyond Latin-1, or without a key in the escapes mode).
std::string letterbytes(int32_t cp, lettermode mode);

// The size report that tells the editor the terminal's new size.
std::string sizereportbytes(int32_t rows, int32_t cols);

// Turns the terminal's input, one value at a time as the terminal library
// delivers it (a byte below 256, a special key at or above), into the bytes
// for the editor.  Bytes form UTF-8 characters; a malformed sequence is
// dropped.
class keytranslator {
  public:
    explicit keytranslator(lettermode mode) : mode_(mode) {}
    // Appends the bytes for one value; returns false when it produced nothing
    // the editor can take (the caller may ring the bell).
    bool feed(int32_t value, std::string& out);

  private:
    lettermode mode_;
    utf8decoder decoder_;
    std::vector<int32_t> cps_;
};

} // namespace oxa::term
