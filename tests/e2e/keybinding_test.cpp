// Keys rebound by the KEY command and what they type.
#include "harness.hpp"

#include <string>

namespace keybinding_test {

using oxatest::runoxa;

TEST(KeyBinding, ALetterCodeOnAKeyWithNoCharacterTypesNothing) {
    const struct {
        const char* what;
        const char* keys;
        const char* text;
    } cases[] = {
        // ESC [ 45 ~ is a numeric key beyond the character map.
        {"numeric key past the map", "{CMD}KE429|4{CR}{CR}a{ESC}[45~b", "ab\n"},
        // ESC [ 10 ~ maps to the byte 138, S with caron: it is typed (and
        // saved as UTF-8, as a corefile read from no file is).
        {"numeric key inside the map", "{CMD}KE394|4{CR}{CR}a{ESC}[10~b", "a\xc5\xa0" "b\n"},
        {"a plain letter", "{CR}ab", "ab\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.keys = std::string(c.keys) + "{CMD}SAout.txt{CR}BY{CR}"});
        EXPECT_EQ(r.file("out.txt"), c.text);
    }
}

} // namespace keybinding_test
