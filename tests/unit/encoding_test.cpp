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
    for (int b = 1; b < 255; ++b) {
        const unsigned char in = static_cast<unsigned char>(b);
        unsigned char out[3];
        const size_t n = utf8encode(&in, 1, out);
        uint32_t cp = 0;
        ASSERT_EQ(utf8decode(out, n, cp), static_cast<int>(n)) << b;
        EXPECT_EQ(cp, charofbyte(in)) << b;
        const bool freeplace = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        // Every byte but the five free places reads back as itself.
        EXPECT_EQ(storebyte(cp), freeplace ? -1 : b) << b;
        if (b < 0x80 || b >= 0xA0 || freeplace) {
            EXPECT_EQ(cp, static_cast<uint32_t>(b)) << b;
        }
    }
    const std::string text = "caf\xe9 \xc0 la \x9c\x80\x85\x92";
    unsigned char out[64];
    const size_t n = utf8encode(bytes(text), text.size(), out);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), n),
              "caf\xc3\xa9 \xc3\x80 la \xc5\x93\xe2\x82\xac\xe2\x80\xa6\xe2\x80\x99");
}

TEST(Encoding, StoreBytesOfCharacters) {
    const struct {
        uint32_t cp;
        int byte;
    } cases[] = {
        {'a', 'a'},      {0xE9, 0xE9},    {0xAB, 0xAB},   {0xFE, 0xFE},   {0xFF, -1},
        {0x80, -1},      {0x9C, -1},      {0x153, 0x9C},  {0x152, 0x8C},  {0x2019, 0x92},
        {0x2018, 0x91},  {0x201C, 0x93},  {0x201D, 0x94}, {0x201E, 0x84}, {0x2026, 0x85},
        {0x20AC, 0x80},  {0x2013, 0x96},  {0x2014, 0x97}, {0x161, 0x9A},  {0x160, 0x8A},
        {0x17E, 0x9E},   {0x17D, 0x8E},   {0x178, 0x9F},  {0x2039, 0x8B}, {0x203A, 0x9B},
        {0x2022, 0x95},  {0x2122, 0x99},  {0x2C6, 0x88},  {0x2DC, 0x98},  {0x2030, 0x89},
        {0x2020, 0x86},  {0x2021, 0x87},  {0x192, 0x83},  {0x201A, 0x82}, {0x1F600, -1},
        {0x3B1, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(storebyte(c.cp), c.byte) << std::hex << c.cp;
}

TEST(Encoding, PlaceholdersKeepCharactersNoByteStandsFor) {
    const uint32_t kept[] = {0xFF, 0x80, 0x9F, 0x3B1, 0xFFFD, 0x1F600, 0x10FFFF};
    for (uint32_t cp : kept) {
        unsigned char ph[PLACEMAX];
        const size_t n = placeholder(cp, ph);
        uint32_t back = 0;
        EXPECT_EQ(placeholderat(ph, n, back), n) << std::hex << cp;
        EXPECT_EQ(back, cp);
        // Cut anywhere, it is no placeholder.
        for (size_t k = 0; k < n; ++k)
            EXPECT_EQ(placeholderat(ph, k, back), 0u) << std::hex << cp << " cut at " << k;
    }
    // The line written back: each placeholder as its character, a damaged one
    // and one for a character that a byte stands for as plain bytes.
    const struct {
        const char* what;
        std::string in, out;
    } cases[] = {
        {"kept", "a\x81" "1F600\x8D" "b", "a\xf0\x9f\x98\x80" "b"},
        {"y diaeresis", "\x81" "FF\x8D", "\xc3\xbf"},
        {"no digits", "\x81\x8D", "\xc2\x81\xc2\x8d"},
        {"lower case", "\x81" "ff\x8D", "\xc2\x81" "ff\xc2\x8d"},
        {"not closed", "\x81" "3B1 x", "\xc2\x81" "3B1 x"},
        {"a byte stands for it", "\x81" "E9\x8D", "\xc2\x81" "E9\xc2\x8d"},
        {"surrogate", "\x81" "D800\x8D", "\xc2\x81" "D800\xc2\x8d"},
        {"too many digits", "\x81" "0001F600\x8D", "\xc2\x81" "0001F600\xc2\x8d"},
        {"French", "c\x9cur \xab\xa0l\x92\x80\x85\xa0\xbb", "c\xc5\x93ur \xc2\xab\xc2\xa0l\xe2\x80\x99\xe2\x82\xac\xe2\x80\xa6\xc2\xa0\xc2\xbb"},
    };
    for (const auto& c : cases) {
        std::string out;
        utf8text(bytes(c.in), c.in.size(), out);
        EXPECT_EQ(out, c.out) << c.what;
    }
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
        {"euro sign has a byte", "10 \xe2\x82\xac", ENC_UTF8, false},
        {"oe has", "c\xc5\x93ur", ENC_UTF8, false},
        {"C1 control has none", "\xc2\x80", ENC_UTF8, true},
        {"alpha has none", "\xce\xb1", ENC_UTF8, true},
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
    const std::string text = "one\n\xce\xb1 two \xe2\x82\xac\x0b"
                             "three \xf0\x9f\x98\x80\nfour \xc5\x93 \xc3\xbf\n";
    const struct {
        int32_t first, last;
        bool vtends;
        BeyondChar want;
    } cases[] = {
        {1, 200000, true, {2, 0x3B1, 3}},
        {3, 200000, true, {3, 0x1F600, 2}},
        {3, 200000, false, {3, 0xFF, 1}}, // the vertical tab does not end line 2
        {4, 200000, true, {4, 0xFF, 1}},
        {2, 3, true, {2, 0x3B1, 2}},
        {1, 1, true, {0, 0, 0}},
        {5, 200000, true, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        BeyondFinder f(c.first, c.last, c.vtends);
        for (size_t i = 0; i < text.size(); i += 3)
            f.feed(bytes(text) + i, std::min<size_t>(3, text.size() - i));
        EXPECT_EQ(f.result().line, c.want.line) << c.first << ".." << c.last;
        EXPECT_EQ(f.result().cp, c.want.cp) << c.first << ".." << c.last;
        EXPECT_EQ(f.result().count, c.want.count) << c.first << ".." << c.last;
    }
}

TEST(Encoding, BeyondMessageNamesFileLineAndCharacter) {
    EXPECT_EQ(beyondmessage("notes.txt", {12, 0x20AC}),
              "notes.txt line 12: character U+20AC cannot be edited");
    EXPECT_EQ(beyondmessage("x", {1, 0x1F600}), "x line 1: character U+1F600 cannot be edited");
    EXPECT_EQ(keptmessage("poem.txt", {3, 0x3B1, 2}),
              "poem.txt: 2 characters kept as marked placeholders, the first U+03B1 on line 3");
    EXPECT_EQ(keptmessage("x", {1, 0x1F600, 1}),
              "x: 1 character kept as a marked placeholder, the first U+1F600 on line 1");
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
        {"\xe2\x82\xac.txt", "\x80.txt"},         // the euro sign's store byte
        {"\xce\xb1.txt", "\xce\xb1.txt"},         // beyond the store: kept
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
    // A byte of 0x80..0x9F may take three bytes: the euro sign.
    EXPECT_FALSE(osnameinto("\x80", small, 3));
    EXPECT_TRUE(osnameinto("\x80", small, sizeof small));
    EXPECT_STREQ(small, "\xe2\x82\xac");
    EXPECT_EQ(osname("\x80\x9c"), "\xe2\x82\xac\xc5\x93");
    std::remove(latin.c_str());
    ::rmdir(tmpl);
}

} // namespace encoding_test
} // namespace oxa
