// The terminal side speaks UTF-8, the editor single bytes (Latin-1).  These
// convert at that edge and nowhere else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oxa::term {

// The byte shown for a character that Latin-1 cannot hold.
constexpr unsigned char NOTLATIN1 = '?';

// Appends the UTF-8 encoding of the Latin-1 byte b.
void appendutf8(std::string& out, unsigned char b);
// The UTF-8 encoding of a Latin-1 text.
std::string latin1toutf8(std::string_view text);
// Appends the UTF-8 encoding of a code point (up to U+10FFFF; others are
// skipped).
void appendcodepoint(std::string& out, uint32_t cp);
// The Latin-1 text of a UTF-8 text: characters above U+00FF and malformed
// sequences each become NOTLATIN1.
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
