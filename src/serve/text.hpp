// Text at the server's edge: the API speaks UTF-8, the engine single bytes
// (Latin-1); random tokens; the revision of a pack's files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace serve {

// True when `s` is well-formed UTF-8 (no overlong forms, no surrogates).
bool utf8_valid(const std::string& s);
// Number of characters of well-formed UTF-8.
size_t utf8_length(const std::string& s);
// Latin-1 bytes to UTF-8.
std::string latin1_to_utf8(const std::string& s);
// Well-formed UTF-8 to Latin-1.  Typographic quotes become the plain ones;
// any other character above U+00FF fails: false, with `bad` set to it.
bool utf8_to_latin1(const std::string& s, std::string& out, uint32_t& bad);

// `n` random bytes from the system's generator, as 2n hexadecimal digits.
std::string random_hex(size_t n);

// The revision of a set of files: a hash of their names and contents, as 16
// hexadecimal digits; empty when a file cannot be read.
std::string files_revision(const std::vector<std::string>& paths);

} // namespace serve
