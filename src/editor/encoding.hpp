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

// Appends the UTF-8 form of the single-byte text (one or two bytes each) to out;
// returns the number of bytes appended.  out must have room for 2 * n bytes.
size_t utf8encode(const unsigned char* text, size_t n, unsigned char* out);

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
    // Whether the text holds a character above MAXTEXTCHAR.
    bool beyond() const { return beyondseen; }

  private:
    bool bad = false;
    bool highbyte = false;
    bool multibyte = false;
    bool beyondseen = false;
    int need = 0;         // continuation bytes still to come
    uint32_t partial = 0; // character gathered so far
    uint32_t lower = 0;   // the least character the open sequence may give
};

// A character of a UTF-8 text that the single-byte store cannot hold, and the
// line it stands on (from 1).
struct BeyondChar {
    int32_t line = 0; // 0: none
    uint32_t cp = 0;
};

// The first character above MAXTEXTCHAR of a valid UTF-8 text fed in pieces,
// on a line from `first` to `last`.  Lines end with a line feed, and also with
// a vertical tab when `vtends` is set.
class BeyondFinder {
  public:
    BeyondFinder(int32_t first, int32_t last, bool vtends)
        : first(first), last(last), vtends(vtends) {}
    void feed(const unsigned char* p, size_t n);
    // Found, or past the last line: nothing more to read.
    bool done() const { return found.line != 0 || line > last; }
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

} // namespace oxa
