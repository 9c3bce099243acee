// The harness's own pieces: the key notation and the CR LF line split.
#include "harness.hpp"

namespace harness_test {

TEST(Harness, BraceNotationDecodesToBytes) {
    const struct {
        const char* script;
        std::string bytes;
    } cases[] = {
        {"abc", "abc"},
        {"{CMD}GO{CR}", "\x03GO\r"},
        {"{ESC}[2~", "\x1b[2~"},
        {"{DEL}{TAB}{BS}{LF}{SP}", "\x7f\t\b\n "},
        {"{^X}{^C}{^[}{^?}", std::string("\x18\x03\x1b\x7f")},
        {"{0}{27}{255}", std::string("\0\x1b\xff", 3)},
        {"{{}}", "{}}"},
        {"}", "}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(oxatest::keys(c.script), c.bytes) << c.script;
}

TEST(Harness, MalformedBracesAreRejected) {
    for (const char* bad : {"{CMD", "{XYZ}", "{256}", "{}", "{^}", "{1234}"})
        EXPECT_THROW(oxatest::keys(bad), std::invalid_argument) << bad;
}

TEST(Harness, LinesMustEndInCrLf) {
    std::vector<std::string> lines, bad;
    oxatest::splitlines("Command \r\nF\r\n\r\nbare\nrest", lines, bad);
    EXPECT_EQ(lines, (std::vector<std::string>{"Command ", "F", ""}));
    EXPECT_EQ(bad, (std::vector<std::string>{"bare", "rest"}));
}

} // namespace harness_test
