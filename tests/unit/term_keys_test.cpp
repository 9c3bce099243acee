// oxa-term: terminal keys to the bytes of the editor's key map.
#include "term/keys.hpp"

#include <curses.h> // key numbers only

#include <gtest/gtest.h>

#include <string>

namespace oxa::term {
namespace term_keys_test {

TEST(TermKeys, SpecialKeys) {
    const struct {
        int32_t key;
        std::string bytes;
    } cases[] = {
        {KEY_UP, "\x1b[A"},     {KEY_DOWN, "\x1b[B"},  {KEY_RIGHT, "\x1b[C"},
        {KEY_LEFT, "\x1b[D"},   {KEY_HOME, "\x1b[b"},  {KEY_END, "\x1b[f"},
        {KEY_PPAGE, "\x1b[5~"}, {KEY_NPAGE, "\x1b[6~"}, {KEY_IC, "\x1b[2~"},
        {KEY_DC, "\x1b[3~"},    {KEY_BACKSPACE, "\x7f"}, {KEY_ENTER, "\r"},
        {KEY_F(1), "\x1b" "1"}, {KEY_F(9), "\x1b" "9"}, {KEY_F(10), "\x1b" "0"},
        {KEY_F(11), ""},        {KEY_MOUSE, ""},
        {KEY_UNDO, "\x1f"},     {KEY_REDO, "\x19"}, // the undo and redo keys
    };
    for (const auto& c : cases)
        EXPECT_EQ(specialbytes(c.key), c.bytes) << c.key;
    // Each key appears once in the table.
    for (size_t i = 0; i < specialkeys.size(); ++i)
        for (size_t j = i + 1; j < specialkeys.size(); ++j)
            EXPECT_NE(specialkeys[i].key, specialkeys[j].key) << i << " " << j;
}

TEST(TermKeys, Letters) {
    const struct {
        int32_t cp;
        std::string bytes;
    } cases[] = {
        {'a', "a"},
        {3, "\x03"}, // Ctrl-C, the command key
        {0x1F, "\x1f"}, // Ctrl-_ (Ctrl-/) and Ctrl-Y: undo and redo
        {0x19, "\x19"},
        {0x7F, "\x7f"},
        {0xE9, "\xc3\xa9"},
        {0xEB, "\xc3\xab"},
        {0xA0, "\xc2\xa0"},
        {0xFE, "\xc3\xbe"},
        {0x153, "\xc5\x93"}, // oe, the euro sign and the apostrophe have a byte
        {0x20AC, "\xe2\x82\xac"},
        {0x2019, "\xe2\x80\x99"},
        {0xFF, ""}, // no byte stands for these
        {0x85, ""},
        {0x100, ""},
        {0x3B1, ""},
        {-1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(letterbytes(c.cp), c.bytes) << std::hex << c.cp;
}

TEST(TermKeys, TranslatorReadsUtf8FromTheKeyboard) {
    keytranslator t;
    std::string out;
    EXPECT_TRUE(t.feed('x', out));
    EXPECT_TRUE(t.feed(0xC3, out)); // under way
    EXPECT_EQ(out, "x");
    EXPECT_TRUE(t.feed(0xA9, out));
    EXPECT_EQ(out, "x\xc3\xa9");
    EXPECT_TRUE(t.feed(KEY_LEFT, out));
    EXPECT_EQ(out, "x\xc3\xa9\x1b[D");
    out.clear();
    EXPECT_TRUE(t.feed(0xE2, out));
    EXPECT_TRUE(t.feed(0x82, out));
    EXPECT_TRUE(t.feed(0xAC, out)); // a euro sign
    EXPECT_EQ(out, "\xe2\x82\xac");
    out.clear();
    EXPECT_TRUE(t.feed(0xCE, out));
    EXPECT_FALSE(t.feed(0xB1, out)); // alpha: refused
    EXPECT_FALSE(t.feed(0xA9, out)); // a stray continuation byte
    EXPECT_EQ(out, "");
    // A special key in the middle of a character drops the broken character.
    EXPECT_TRUE(t.feed(0xC3, out));
    EXPECT_TRUE(t.feed(KEY_UP, out));
    EXPECT_TRUE(t.feed('z', out));
    EXPECT_EQ(out, "\x1b[Az");
}

TEST(TermKeys, SizeReport) {
    EXPECT_EQ(sizereportbytes(24, 80), "\x1b[8;24;80t");
    EXPECT_EQ(sizereportbytes(100, 250), "\x1b[8;100;250t");
}

} // namespace term_keys_test
} // namespace oxa::term
