// Unit tests of the text encodings: decoding one sequence, encoding single
// bytes, telling a text's encoding and finding what the store cannot hold.
#include "editor/encoding.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

namespace oxa {
namespace encoding_test {

const unsigned char* bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

TEST(Encoding, DecodeOneSequence) {
    const struct {
        const char* what;
        std::string in;
        int len;     // 0: malformed or cut short
        uint32_t cp; // checked when len > 0
    } cases[] = {
        {"ASCII", "a", 1, 'a'},
        {"e acute", "\xc3\xa9", 2, 0xE9},
        {"lowest two-byte", "\xc2\x80", 2, 0x80},
        {"euro sign", "\xe2\x82\xac", 3, 0x20AC},
        {"four bytes", "\xf0\x9f\x98\x80", 4, 0x1F600},
        {"highest", "\xf4\x8f\xbf\xbf", 4, 0x10FFFF},
        {"cut short", "\xc3", 0, 0},
        {"no continuation", "\xc3"
                            "A",
         0, 0},
        {"stray continuation", "\xa9", 0, 0},
        {"overlong two-byte", "\xc1\xa9", 0, 0},
        {"overlong three-byte", "\xe0\x80\xaf", 0, 0},
        {"surrogate", "\xed\xa0\x80", 0, 0},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", 0, 0},
        {"byte 255", "\xff", 0, 0},
    };
    for (const auto& c : cases) {
        uint32_t cp = 0xDEAD;
        EXPECT_EQ(utf8decode(bytes(c.in), c.in.size(), cp), c.len) << c.what;
        if (c.len > 0) {
            EXPECT_EQ(cp, c.cp) << c.what;
        }
    }
}

TEST(Encoding, EveryByteEncodesAndDecodesBack) {
    for (int b = 1; b < 256; ++b) {
        const unsigned char in = static_cast<unsigned char>(b);
        unsigned char out[2];
        const size_t n = utf8encode(&in, 1, out);
        EXPECT_EQ(n, b < 128 ? 1u : 2u) << b;
        uint32_t cp = 0;
        EXPECT_EQ(utf8decode(out, n, cp), static_cast<int>(n)) << b;
        EXPECT_EQ(cp, static_cast<uint32_t>(b));
        if (n == 2) {
            EXPECT_TRUE(latin1lead(out[0]) && utf8cont(out[1]));
            EXPECT_EQ(latin1of(out[0], out[1]), b);
        }
    }
    const std::string text = "caf\xe9 \xc0 la";
    unsigned char out[32];
    const size_t n = utf8encode(bytes(text), text.size(), out);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), n), "caf\xc3\xa9 \xc3\x80 la");
}

TEST(Encoding, ScanTellsTheEncoding) {
    const struct {
        const char* what;
        std::string in;
        TextEncoding enc;
        bool beyond;
    } cases[] = {
        {"empty", "", ENC_UNSET, false},
        {"ASCII", "plain text\nover two lines\n", ENC_UNSET, false},
        {"UTF-8", "l'\xc3\xa9l\xc3\xa8ve\n", ENC_UTF8, false},
        {"Latin-1", "l'\xe9l\xe8ve\n", ENC_LATIN1, false},
        {"UTF-8 then a Latin-1 byte", "\xc3\xa9t\xe9", ENC_LATIN1, false},
        {"stray continuation", "abc\xa9", ENC_LATIN1, false},
        {"sequence open at the end", "abc\xc3", ENC_LATIN1, false},
        {"overlong", "\xc0\xaf", ENC_LATIN1, false},
        {"surrogate", "\xed\xa0\x80", ENC_LATIN1, false},
        {"euro sign", "10 \xe2\x82\xac", ENC_UTF8, true},
        {"y diaeresis has no place in the store", "\xc3\xbf", ENC_UTF8, true},
        {"thorn has", "\xc3\xbe", ENC_UTF8, false},
        {"high byte after a long ASCII run", "0123456789abcdefghij\xe9", ENC_LATIN1, false},
    };
    for (const auto& c : cases) {
        Utf8Scan whole;
        whole.feed(bytes(c.in), c.in.size());
        whole.finish();
        EXPECT_EQ(whole.encoding(), c.enc) << c.what;
        EXPECT_EQ(whole.beyond(), c.beyond) << c.what;
        // The same text in pieces of one byte: sequences split between pieces.
        Utf8Scan pieces;
        for (size_t i = 0; i < c.in.size(); ++i)
            pieces.feed(bytes(c.in) + i, 1);
        pieces.finish();
        EXPECT_EQ(pieces.encoding(), c.enc) << c.what << " in pieces";
        EXPECT_EQ(pieces.beyond(), c.beyond) << c.what << " in pieces";
    }
}

TEST(Encoding, FindsTheFirstCharacterBeyondTheStoreInTheLineRange) {
    const std::string text = "one\n\xe2\x82\xac two\x0b"
                             "three \xf0\x9f\x98\x80\nfour \xc5\x93\n";
    const struct {
        int32_t first, last;
        bool vtends;
        BeyondChar want;
    } cases[] = {
        {1, 200000, true, {2, 0x20AC}},
        {3, 200000, true, {3, 0x1F600}},
        {3, 200000, false, {3, 0x153}}, // the vertical tab does not end line 2
        {4, 200000, true, {4, 0x153}},
        {1, 1, true, {0, 0}},
        {5, 200000, true, {0, 0}},
    };
    for (const auto& c : cases) {
        BeyondFinder f(c.first, c.last, c.vtends);
        for (size_t i = 0; i < text.size(); i += 3)
            f.feed(bytes(text) + i, std::min<size_t>(3, text.size() - i));
        EXPECT_EQ(f.result().line, c.want.line) << c.first << ".." << c.last;
        EXPECT_EQ(f.result().cp, c.want.cp) << c.first << ".." << c.last;
    }
}

TEST(Encoding, BeyondMessageNamesFileLineAndCharacter) {
    EXPECT_EQ(beyondmessage("notes.txt", {12, 0x20AC}),
              "notes.txt line 12: character U+20AC cannot be edited");
    EXPECT_EQ(beyondmessage("x", {1, 0x1F600}), "x line 1: character U+1F600 cannot be edited");
}

// A name from the system is held as text is: UTF-8 of characters the store
// holds is decoded, anything else kept byte for byte.
TEST(Encoding, NamesFromTheSystem) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"plain.txt", "plain.txt"},
        {"caf\xc3\xa9.txt", "caf\xe9.txt"},
        {"caf\xe9.txt", "caf\xe9.txt"},           // not UTF-8: kept
        {"\xe2\x82\xac.txt", "\xe2\x82\xac.txt"}, // beyond the store: kept
    };
    for (const auto& c : cases) EXPECT_EQ(editorname(c.in.c_str()), c.out) << c.in;
}

// A name goes to the system in UTF-8, unless only its single-byte form names
// a file; a name that does not fit the buffer is refused.
TEST(Encoding, NamesToTheSystem) {
    char tmpl[] = "/tmp/oxa-names-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const std::string latin = dir + "/old\xe9";
    EXPECT_EQ(osname(latin.c_str()), dir + "/old\xc3\xa9");
    FILE* f = std::fopen(latin.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(osname(latin.c_str()), latin);
    EXPECT_EQ(osname("ascii"), "ascii");
    char small[4];
    EXPECT_FALSE(osnameinto("\xe9\xe9", small, sizeof small));
    EXPECT_TRUE(osnameinto("\xe9", small, sizeof small));
    EXPECT_STREQ(small, "\xc3\xa9");
    std::remove(latin.c_str());
    ::rmdir(tmpl);
}

} // namespace encoding_test
} // namespace oxa
