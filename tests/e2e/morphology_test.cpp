// Morphology rules and tables, seen from outside: a procedure loads the
// language files by their commands, lists rules and tables with VDISPLAY 6
// and 5 and EMITs the message corefile 7 (its lines arrive ended by a bare
// line feed; trailing blanks are not kept).
#include "harness.hpp"

#include <algorithm>

namespace morphology_test {

using oxatest::runoxa;
using Lines = std::vector<std::string>;

const std::vector<oxatest::Fixture> language = {
    {"attr", "number ( sg , pl ) person ( first , second , third ) %\n"},
    {"morph", "RULE plur pl : ! \"s\" ; * : ! ;\n"
              "RULE verb * : #1 conj(number.person) ;\n"},
    {"badmorph", "junk RULE ; RULE a sg : \"x\" : \"y\" ; \"z\" ; RULE a * : \"q\" ;\n"
                 "RULE b * : $none \"b\" ; sg\n"},
    {"tables", "conj ( \"e\" , \"es\" , \"e\" , \"ons\" , \"ez\" , \"ent\" )\n"
               "art ( \"le\" , \"les\" )\n"},
};

// A procedure: its first line end leaves command mode; "~{C}~" is the command key.
std::string procedure(const Lines& commands) {
    std::string p = "\n";
    for (const auto& c : commands)
        p += "~{C}~" + c + "\n";
    return p + "~{C}~EM7\n";
}

bool in_order(const Lines& have, const Lines& want) {
    size_t i = 0;
    for (const auto& l : have)
        if (i < want.size() && l == want[i]) ++i;
    return i == want.size();
}

struct MorphCase {
    const char* what;
    Lines commands;
    Lines core7; // lines expected in corefile 7, in this order (others may lie between)
};

TEST(MorphologyE2E, LoadListAndRemove) {
    const MorphCase cases[] = {
        {"rules and tables listed",
         {"ATattr", "MOmorph", "TBtables", "VD6", "VD5", "VD0"},
         {"Finished reading morphology input from file 'morph' [2 lines.]",
          "Finished reading table input from file 'tables' [2 lines.]",
          "rule: 0 name: plur guard: pl: mexp: !\"s\"|", "rule: 0 name: plur guard: *: mexp: !|",
          "rule: 1 name: verb guard: *: mexp: #1conj(number.person)|",
          "table conj, 6 elements: \"e\"|\"es\"|\"e\"|\"ons\"|\"ez\"|\"ent\"|",
          "table art, 2 elements: \"le\"|\"les\"|", "AT, MO, TB"}},
        {"reader messages",
         {"ATattr", "MObadmorph", "VD6"},
         {"ERROR morphology input  text before first RULE",
          "ERROR morphology input  rule has no name",
          "ERROR morphology input rule a second COLON in subrule",
          "ERROR morphology input rule a incomplete subrule",
          "ERROR morphology input rule a incomplete subrule",
          "ERROR morphology input  rule name repeated a",
          "Finished reading morphology input from file 'badmorph' [2 lines.]",
          "ERROR morphology input rule b last subrule incomplete",
          "rule: 1 name: b guard: *: mexp: $none\"b\"|"}},
        {"reloading and removing",
         {"MOmorph", "TBtables", "MOmorph", "RMmo, tb", "VD6", "VD5", "VD0"},
         {"uninstalled: MO", "uninstalled: MO, TB", "none"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto files = language;
        files.push_back({"proc", procedure(c.commands)});
        auto r = runoxa({.args = {"-p", "proc"}, .files = files, .framed = false});
        EXPECT_TRUE(in_order(r.badlines, c.core7)) << ::testing::PrintToString(r.badlines);
        EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "$$$"), 1);
        EXPECT_EQ(r.status, 0);
    }
}

} // namespace morphology_test
