// oxa-term: UTF-8 <-> Latin-1 at the terminal edge.
#include "term/utf8.hpp"

#include "editor/encoding.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oxa::term {
namespace term_utf8_test {

TEST(TermUtf8, Latin1ToUtf8) {
    const struct {
        std::string latin1, utf8;
    } cases[] = {
        {"", ""},
        {"plain ASCII ~", "plain ASCII ~"},
        {"caf\xe9", "caf\xc3\xa9"},
        {"\xe0\xe7\xea\xf4\xfb", "\xc3\xa0\xc3\xa7\xc3\xaa\xc3\xb4\xc3\xbb"},
        {"\xa0\xbf\xc0\xff", "\xc2\xa0\xc2\xbf\xc3\x80\xc3\xbf"},
        {"s\x9cur \x80 \x92\x85", "s\xc5\x93ur \xe2\x82\xac \xe2\x80\x99\xe2\x80\xa6"},
        // A placeholder shows its marks; another free place shows as unknown.
        {"\x81" "3B1\x8D\x90", "\xe2\x9f\xa6" "3B1\xe2\x9f\xa7\xef\xbf\xbd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(latin1toutf8(c.latin1), c.utf8) << c.latin1;
    // Every byte but the free places of 0x80..0x9F makes the round trip.
    std::string all;
    for (int b = 0; b < 255; ++b)
        if (b < 0x80 || b > 0x9F || charofbyte(static_cast<unsigned char>(b)) != static_cast<uint32_t>(b))
            all += static_cast<char>(b);
    EXPECT_EQ(utf8tolatin1(latin1toutf8(all)), all);
}

TEST(TermUtf8, Utf8ToLatin1) {
    const struct {
        std::string utf8, latin1;
    } cases[] = {
        {"d\xc3\xa9j\xc3\xa0 vu", "d\xe9j\xe0 vu"},
        {"\xe2\x82\xac", "\x80"},          // the euro sign has a byte
        {"\xc3\xbf\xce\xb1", "??"},         // y diaeresis and alpha have none
        {"\xf0\x9f\x98\x80!", "?!"},       // so is an emoji
        {"\x80x", "?x"},                   // a stray continuation byte
        {"\xc3x", "?x"},                   // a sequence cut short; the next byte stays
        {"\xc3\xc3\xa9", "?\xe9"},         // cut short by a new sequence
        {"\xc0\x80", "??"},                // overlong forms are never characters
        {"\xe0\x80\x80", "?"},             // overlong three-byte form
        {"\xed\xa0\x80", "?"},             // a surrogate
        {"\xf5\x80\x80\x80", "????"},      // beyond U+10FFFF
        {"ab\xe2\x82", "ab?"},             // unfinished at the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf8tolatin1(c.utf8), c.latin1) << c.utf8;
}

TEST(TermUtf8, DecoderDeliversCodePointsByteByByte) {
    utf8decoder d;
    std::vector<int32_t> out;
    for (unsigned char b : std::string("a\xc3\xa9\xe2\x82\xac"))
        d.feed(b, out);
    EXPECT_EQ(out, (std::vector<int32_t>{'a', 0xE9, 0x20AC}));
    out.clear();
    d.feed(0xC3, out);
    EXPECT_TRUE(d.pending());
    EXPECT_TRUE(out.empty());
    d.feed('q', out);
    EXPECT_EQ(out, (std::vector<int32_t>{utf8decoder::MALFORMED, 'q'}));
    EXPECT_FALSE(d.pending());
}

TEST(TermUtf8, EncodesCodePoints) {
    const struct {
        uint32_t cp;
        std::string utf8;
    } cases[] = {
        {0x41, "A"}, {0xE9, "\xc3\xa9"}, {0x7FF, "\xdf\xbf"}, {0x20AC, "\xe2\x82\xac"},
        {0x1F600, "\xf0\x9f\x98\x80"}, {0xD800, ""}, {0x110000, ""},
    };
    for (const auto& c : cases) {
        std::string out;
        appendcodepoint(out, c.cp);
        EXPECT_EQ(out, c.utf8) << std::hex << c.cp;
    }
}

} // namespace term_utf8_test
} // namespace oxa::term
