// Key translation for the editor's key map.
#include "term/keys.hpp"

#include <curses.h> // the key numbers only; nothing is drawn here

#include "editor/encoding.hpp"

namespace oxa::term {

// columns: terminal key, bytes of the key map
const std::array<keyrow, 24> specialkeys = {{
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
    {KEY_UNDO, "\x1f"},       // undo and redo, on terminals with such keys
    {KEY_REDO, "\x19"},
}};
static_assert(specialkeys.size() == 24);


std::string specialbytes(int32_t key) {
    for (const auto& r : specialkeys)
        if (r.key == key) return r.bytes;
    return {};
}

std::string letterbytes(int32_t cp) {
    if (cp < 0 || storebyte(static_cast<uint32_t>(cp)) < 0) return {};
    std::string out;
    appendcodepoint(out, static_cast<uint32_t>(cp));
    return out;
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
        const std::string b = letterbytes(cp);
        out += b;
        any = any || !b.empty();
    }
    return any;
}

} // namespace oxa::term
