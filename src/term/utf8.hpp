// The terminal side speaks UTF-8, the editor single bytes (Latin-1, with the
// western letters and signs beyond it at 0x80..0x9F, as the editor's files
// are read).  These convert at that edge and nowhere else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oxa::term {

// The byte shown for a character that no single byte stands for.
constexpr unsigned char NOTLATIN1 = '?';

// What the two marks of a placeholder show as (a character kept by number),
// and any other free place of 0x80..0x9F.
constexpr uint32_t PLACEOPENSHOWN = 0x27E6;  // white left square bracket
constexpr uint32_t PLACECLOSESHOWN = 0x27E7; // white right square bracket
constexpr uint32_t FREEPLACESHOWN = 0xFFFD;  // replacement character

// Appends the UTF-8 encoding of the character the single byte b stands for.
void appendutf8(std::string& out, unsigned char b);
// The UTF-8 encoding of a single-byte text.
std::string latin1toutf8(std::string_view text);
// Appends the UTF-8 encoding of a code point (up to U+10FFFF; others are
// skipped).
void appendcodepoint(std::string& out, uint32_t cp);
// The single-byte text of a UTF-8 text: characters no byte stands for and
// malformed sequences each become NOTLATIN1.
std::string utf8tolatin1(std::string_view text);

// Decodes UTF-8 one byte at a time, as the keyboard delivers it.
class utf8decoder {
  public:
    // Stands in the output for a sequence that cannot be read (a stray
    // continuation byte, a byte that is never UTF-8, an overlong form, a
    // sequence cut short: then the byte that cut it is read anew).
    static constexpr int32_t MALFORMED = -1;
    // Feeds one byte; appends the code points it completes (none, one, or
    // MALFORMED and one) to out.
    void feed(unsigned char b, std::vector<int32_t>& out);
    // True while a sequence has begun and is not complete.
    bool pending() const { return need_ > 0; }
    void reset() { need_ = 0; }

  private:
    void start(unsigned char b, std::vector<int32_t>& out);
    uint32_t cp_ = 0;
    uint32_t min_ = 0; // the smallest code point of this length (overlong forms are malformed)
    int need_ = 0;     // continuation bytes still to come
};

} // namespace oxa::term
