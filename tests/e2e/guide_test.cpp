// The worked procedure example of docs/editor.md, taken from the guide itself
// and run, so that the guide's example keeps doing what the guide says.
#include "harness.hpp"

#include <fstream>
#include <sstream>

namespace guide_test {

using oxatest::runoxa;

// The text of the first fenced block after `anchor` in the editor guide.
std::string guideblock(const std::string& anchor) {
    std::ifstream in(std::string(OXA_SOURCE_DIR) + "/docs/editor.md", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string doc = s.str();
    size_t a = doc.find(anchor);
    if (a == std::string::npos)
        return "";
    size_t b = doc.find("```\n", a);
    if (b == std::string::npos)
        return "";
    b += 4;
    size_t e = doc.find("```\n", b);
    return e == std::string::npos ? "" : doc.substr(b, e - b);
}

TEST(Guide, WorkedProcedureExampleFixesTheFile) {
    std::string proc = guideblock("A worked example, `fix.proc`");
    ASSERT_NE(proc.find("{C}"), std::string::npos) << proc;
    auto r = runoxa({.args = {"-p", "fix.proc"},
                     .files = {{"fix.proc", proc},
                               {"notes.txt", "the colour of\nno colour, no colours\n"}}});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.timedout);
    EXPECT_EQ(r.file("notes.txt"), "the color of\nno color, no colors\n");
}

} // namespace guide_test
