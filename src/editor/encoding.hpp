// Text encodings at the edges of the editor.
//
// The store and every algorithm work on single bytes (Latin-1).  A file that
// is valid UTF-8 and holds at least one multi-byte sequence is decoded to
// single bytes as it is read; any other file is taken byte for byte.  A
// corefile remembers which of the two it was read in, and is written back the
// same way; one that no file decided is written as UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace oxa {

enum TextEncoding : uint8_t {
    ENC_UNSET = 0,  // nothing read decided it (no file, or only ASCII): written as UTF-8
    ENC_LATIN1 = 1, // single bytes, read and written as they are
    ENC_UTF8 = 2,   // decoded on reading, encoded on writing
};

// The highest character a text can hold: byte 255 marks free heap space in
// the store and ends a language file, so U+00FF has no place either.
constexpr uint32_t MAXTEXTCHAR = 0xFE;

// The bytes 0x80..0x9F hold the letters and signs western European texts use
// beyond Latin-1 (the typographic quotes, the ellipsis, the euro sign, oe,
// s and z with caron ...), each at the place the usual Windows code page gives
// it.  Five places are left free there; two of them frame a character no byte
// stands for, read from a UTF-8 file: PLACEOPEN, its number in upper-case hex,
// PLACECLOSE.  Such a placeholder is written back as the character itself.
constexpr unsigned char PLACEOPEN = 0x81;
constexpr unsigned char PLACECLOSE = 0x8D;
// The longest placeholder: the two marks and six digits.
constexpr size_t PLACEMAX = 8;

// The character each byte 0x80..0x9F stands for; 0 at a free place.
constexpr uint16_t highchars[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      // 88..8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178, // 98..9F
};
static_assert(sizeof highchars / sizeof highchars[0] == 32);

// The store byte that stands for character cp, or -1 when none does (C1
// controls, U+00FF, and anything beyond the bytes above).
constexpr int storebyte(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= MAXTEXTCHAR)) return static_cast<int>(cp);
    if (cp < 0x100) return -1;
    for (int i = 0; i < 32; ++i)
        if (highchars[i] == cp) return 0x80 + i;
    return -1;
}

// The character a store byte stands for; a free place of 0x80..0x9F stands for
// the C1 control of its own number.
constexpr uint32_t charofbyte(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F && highchars[b - 0x80] != 0) return highchars[b - 0x80];
    return b;
}

// The placeholder for cp, stored at out (room for PLACEMAX); returns its length.
size_t placeholder(uint32_t cp, unsigned char* out);
// The placeholder at p (at most n bytes): returns its length and stores its
// character in cp, or returns 0 when p holds none (a damaged one, or one for a
// character that a byte stands for, is taken as plain bytes).
size_t placeholderat(const unsigned char* p, size_t n, uint32_t& cp);

// The UTF-8 form of character cp at out (room for 4); returns its length.
size_t utf8put(uint32_t cp, unsigned char* out);

// The two-byte sequences of U+0080..U+00FF: what the input stream decodes.
constexpr bool latin1lead(int b) {
    return b == 0xC2 || b == 0xC3;
}
constexpr bool utf8cont(int b) {
    return (b & 0xC0) == 0x80;
}
constexpr int latin1of(int lead, int cont) {
    return ((lead & 0x1F) << 6) | (cont & 0x3F);
}

// The length of the sequence a UTF-8 lead byte opens (1 for ASCII), 0 for a
// byte that opens none.
int utf8length(unsigned char lead);

// The well-formed UTF-8 sequence at p (at most n bytes): returns its length
// (1 to 4) and stores its character in cp; returns 0 when the bytes there are
// malformed or cut short.  Overlong forms, surrogates and characters beyond
// U+10FFFF are malformed.
int utf8decode(const unsigned char* p, size_t n, uint32_t& cp);

// Length of the run of ASCII bytes (below 128) at p, at most n.
size_t asciirun(const unsigned char* p, size_t n);

// Appends the UTF-8 form of the single-byte text (one to three bytes each) to
// out; returns the number of bytes appended.  out must have room for 3 * n
// bytes.  Placeholders are not looked for: see utf8text.
size_t utf8encode(const unsigned char* text, size_t n, unsigned char* out);

// Appends the UTF-8 form of a line of text to out, each placeholder as the
// character it keeps.
void utf8text(const unsigned char* text, size_t n, std::string& out);

// Tells the encoding of a text fed to it in pieces of any size (a sequence
// may be split between pieces).
class Utf8Scan {
  public:
    void feed(const unsigned char* p, size_t n);
    // At the end of the text.  A sequence still open counts as malformed.
    void finish();
    // ENC_UTF8 for valid UTF-8 with a multi-byte sequence, ENC_LATIN1 for any
    // other text with a byte above 127, ENC_UNSET for plain ASCII.
    TextEncoding encoding() const;
    // Once malformed, nothing more can change the answer.
    bool malformed() const { return bad; }
    // Whether the text holds a character no store byte stands for.
    bool beyond() const { return beyondcount != 0; }
    // How many such characters it holds (when valid).
    int64_t beyondtotal() const { return beyondcount; }

  private:
    bool bad = false;
    bool highbyte = false;
    bool multibyte = false;
    int64_t beyondcount = 0;
    int need = 0;         // continuation bytes still to come
    uint32_t partial = 0; // character gathered so far
    uint32_t lower = 0;   // the least character the open sequence may give
};

// A character of a UTF-8 text that no store byte stands for, and the line it
// stands on (from 1); with how many there are in the lines looked at.
struct BeyondChar {
    int32_t line = 0; // 0: none
    uint32_t cp = 0;
    int64_t count = 0;
};

// The first character no store byte stands for of a valid UTF-8 text fed in
// pieces, on a line from `first` to `last`, and how many there are on those
// lines.  Lines end with a line feed, and also with a vertical tab when
// `vtends` is set.
class BeyondFinder {
  public:
    BeyondFinder(int32_t first, int32_t last, bool vtends)
        : first(first), last(last), vtends(vtends) {}
    void feed(const unsigned char* p, size_t n);
    // Past the last line: nothing more to read.
    bool done() const { return line > last; }
    BeyondChar result() const { return found; }

  private:
    int32_t first, last;
    bool vtends;
    int32_t line = 1;
    int need = 0;
    uint32_t partial = 0;
    BeyondChar found;
};

// File names.  The editor holds a name in single bytes, like text; the
// system is given its UTF-8 form, unless only the single-byte form names an
// existing file (a name made before).

// The system's form of the name into buf (of `size` bytes, NUL-ended);
// false when it does not fit.  Safe in a signal handler.
bool osnameinto(const char* name, char* buf, size_t size);
// The same as a string (the name unchanged when it does not fit).
std::string osname(const char* name);
// The editor's form of a name the system gave (a command-line argument): a
// UTF-8 name whose characters the store holds is decoded, any other is kept
// byte for byte.
std::string editorname(const char* name);

// The UTF-8 byte-order mark, which a UTF-8 file may begin with.
constexpr unsigned char BOM[3] = {0xEF, 0xBB, 0xBF};

// The message for such a character: "<name> line <n>: character U+XXXX cannot be edited".
std::string beyondmessage(const char* name, const BeyondChar& b);
// What the user is told when a file opens with such characters kept as
// placeholders: "<name>: <count> characters kept as marked placeholders, the
// first U+XXXX on line <n>" (or "1 character kept as a marked placeholder").
std::string keptmessage(const char* name, const BeyondChar& b);

} // namespace oxa
