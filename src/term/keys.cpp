// Key translation for the editor's key map.
#include "term/keys.hpp"

#include <curses.h> // the key numbers only; nothing is drawn here

namespace oxa::term {

// columns: terminal key, bytes of the key map
const std::array<keyrow, 22> specialkeys = {{
    {KEY_UP, "\x1b[A"},
    {KEY_DOWN, "\x1b[B"},
    {KEY_RIGHT, "\x1b[C"},
    {KEY_LEFT, "\x1b[D"},
    {KEY_HOME, "\x1b[b"},
    {KEY_END, "\x1b[f"},
    {KEY_PPAGE, "\x1b[5~"},
    {KEY_NPAGE, "\x1b[6~"},
    {KEY_IC, "\x1b[2~"},
    {KEY_DC, "\x1b[3~"},
    {KEY_BACKSPACE, "\x7f"},
    {KEY_ENTER, "\r"},
    {KEY_F(1), "\x1b" "1"},
    {KEY_F(2), "\x1b" "2"},
    {KEY_F(3), "\x1b" "3"},
    {KEY_F(4), "\x1b" "4"},
    {KEY_F(5), "\x1b" "5"},
    {KEY_F(6), "\x1b" "6"},
    {KEY_F(7), "\x1b" "7"},
    {KEY_F(8), "\x1b" "8"},
    {KEY_F(9), "\x1b" "9"},
    {KEY_F(10), "\x1b" "0"}, // function-key string 0
}};
static_assert(specialkeys.size() == 22);

// columns: Latin-1 letter, bytes of the key map
const std::array<accentkey, 15> accentkeys = {{
    {0xE2, "\x1b" "A"},  // a circumflex
    {0xEA, "\x1b" "E"},  // e circumflex
    {0xEE, "\x1b" "I"},  // i circumflex
    {0xF4, "\x1b" "O"},  // o circumflex
    {0xFB, "\x1b" "U"},  // u circumflex
    {0xE7, "\x1b" "c"},  // c cedilla
    {0xE9, "\x1b" "e"},  // e acute
    {0xED, "\x1b" "i"},  // i acute
    {0xF3, "\x1b" "o"},  // o acute
    {0xF1, "\x1b[N"},    // n tilde
    {0xE0, "\x1b[a"},    // a grave
    {0xE8, "\x1b[e"},    // e grave
    {0xEC, "\x1b[i"},    // i grave
    {0xF2, "\x1b[o"},    // o grave
    {0xF9, "\x1b[u"},    // u grave
}};
static_assert(accentkeys.size() == 15);

std::string specialbytes(int32_t key) {
    for (const auto& r : specialkeys)
        if (r.key == key) return r.bytes;
    return {};
}

std::string letterbytes(int32_t cp, lettermode mode) {
    if (cp < 0 || cp > 0xFF) return {};
    if (cp < 0x80) return std::string(1, static_cast<char>(cp));
    if (mode == lettermode::utf8) {
        std::string out;
        appendcodepoint(out, static_cast<uint32_t>(cp));
        return out;
    }
    for (const auto& a : accentkeys)
        if (a.letter == cp) return a.bytes;
    return {};
}

std::string sizereportbytes(int32_t rows, int32_t cols) {
    return "\x1b[8;" + std::to_string(rows) + ";" + std::to_string(cols) + "t";
}

bool keytranslator::feed(int32_t value, std::string& out) {
    if (value >= 256) {
        decoder_.reset();
        const std::string b = specialbytes(value);
        out += b;
        return !b.empty();
    }
    if (value < 0) return false;
    cps_.clear();
    decoder_.feed(static_cast<unsigned char>(value), cps_);
    if (cps_.empty()) return true; // a character under way
    bool any = false;
    for (int32_t cp : cps_) {
        const std::string b = letterbytes(cp, mode_);
        out += b;
        any = any || !b.empty();
    }
    return any;
}

} // namespace oxa::term
