// The whole program's reset: a session from the reset state shows the same,
// whatever an earlier session changed.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/processes.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "editor/views.hpp"

extern const char* const oxa_unit_source_dir;

namespace oxa {
namespace resetall_test {

std::string wire;
void capture(const char* data, size_t len) {
    wire.append(data, len);
}
struct EndOfInput {};
[[noreturn]] void endofinput() {
    throw EndOfInput{};
}

// Every line of every corefile, and the settings as the settings page shows
// them.
std::string state() {
    std::string s;
    for (int n = 0; n < NCORE; ++n) {
        const COREFILE& c = core[static_cast<size_t>(n)];
        s += "corefile " + std::to_string(n) + " object " + std::to_string(c.viewtype) + ":\n";
        for (const LINE* l = c.header->down; l != c.header; l = l->down) {
            if (l->object != K_EMPTY && l->object != K_PICTURE)
                s.append(reinterpret_cast<const char*>(&textbase[static_cast<size_t>(l->index)]),
                         static_cast<size_t>(l->length));
            s += "\n";
        }
    }
    return s + "settings: " + view0record() + "\n";
}

// Runs the editor from the reset state on `keys` (` stands for the command
// key) until their end; returns the wire, then the state.
std::string session(std::string keys) {
    for (char& c : keys)
        if (c == '`') c = static_cast<char>(CMDKEY);
    resetall();
    nochildren = true;
    xvsink = capture;
    wire.clear();
    FILE* in = fmemopen(keys.data(), keys.size(), "r");
    inptr = in;
    const auto guard = eofhook;
    eofhook = endofinput;
    try {
        editor();
    } catch (const EndOfInput&) {
    }
    eofhook = guard;
    std::fclose(in);
    EXPECT_EQ(checkstore(), "");
    const std::string shown = wire + "\n" + state();
    resetall();
    return shown;
}

TEST(ResetAll, ASessionFromTheResetStateIsTheSameAfterAnyOther) {
    // Shows the settings page (the string settings), types text with a tab,
    // evaluates, scans and shows the statistics page.
    const std::string probe = "`VI0\r\r`VI1\r\r`CO1\r\rab\tcd ef\rgh`EX\r\r`SC\r";
    const std::string first = session(probe);
    ASSERT_FALSE(first.empty());
    // Changes margins, tabs, every string setting, object type, corefile,
    // function keys, options, sideways scroll, the register, record checks and
    // rectangles, and ends with a page open and a command half typed.
    session("`MA5|40\r`TA4\r`SC1|xyz\r`MEa#1\r`EX2+3\r`OB1\r`FU1|xy\r`AU1\r`DT1\r"
            "`WS5\r`CO3\r\rhello world\x1b@`CO18\r\r$#1=a\r`CO3\r\r`GR1\r"
            "`VI0\r\x1b[Bzz");
    EXPECT_EQ(session(probe), first);
}

// A generation run with error analysis fills the engine's tables and caches;
// after the reset the same run gives the same sentences and the same report.
TEST(ResetAll, AGenerationFromTheResetStateIsTheSameAfterAnother) {
    std::array<char, 4096> was{};
    ASSERT_NE(getcwd(was.data(), was.size()), nullptr);
    ASSERT_EQ(chdir((std::string(oxa_unit_source_dir) + "/examples/english").c_str()), 0);
    const std::string run = "`ATattributes\r`TMterminals\r`LElexicon\r`MOmorphology\r`TBtables\r"
                            "`SYsyntax\r`TGtags\r`MRmerrors\r`IPphonology\r`RA31\r\r"
                            "\x1bg\x1bg\x1bgthe doctor read yor gardns\x1b" "D\x1bK";
    const std::string first = session(run);
    const std::string second = session(run);
    ASSERT_EQ(chdir(was.data()), 0);
    EXPECT_NE(first.find("corefile 15 object 0:\n\nBEST ROOT"), std::string::npos) << first;
    EXPECT_NE(first.find("APPROX   gardens/gardns"), std::string::npos);
    EXPECT_EQ(second, first);
}

} // namespace resetall_test
} // namespace oxa
