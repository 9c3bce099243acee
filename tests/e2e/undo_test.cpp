// Undo (Ctrl-_) and redo (Ctrl-Y) through the real program: what the file
// saved after a run of edits, undos and redos holds.
#include "harness.hpp"

#include <algorithm>
#include <string>

namespace undo_test {

using oxatest::runoxa;

const char* const START = "one\ntwo\nthree\n";

oxatest::Result edit(const std::string& keys) {
    return runoxa(oxatest::Run{.args = {"in.txt"},
                      .keys = "{CR}" + keys + "{CMD}SAout.txt{CR}BY{CR}{CR}",
                      .files = {{"in.txt", START}, {"other.txt", "other\n"}}});
}

TEST(Undo, StepsUndoneAndRedone) {
    const struct {
        const char* what;
        const char* keys;
        const char* text;
    } cases[] = {
        {"a typed run is one step", "XY{^_}", START},
        {"a motion ends the run", "XY{^K}Z{^_}", "XYe\ntwo\nthree\n"},
        {"rubouts and RETURNs in the run go with it", "{^W}ab{DEL}{CR}c{^_}", START},
        {"a command is one step", "X{CMD}CHt|T{CR}{CR}{^_}", "Xne\ntwo\nthree\n"},
        {"undo to the start, then redo all",
         "X{^K}Y{CMD}CHhree|HREE{CR}{CR}{^_}{^_}{^_}{^_}{^Y}{^Y}{^Y}",
         "Xne\ntYo\ntHREE\n"},
        {"typing after an undo drops the redo", "X{^_}Q{^Y}", "Qne\ntwo\nthree\n"},
        {"undo brings the cursor back to the change", "{^K}{^K}ab{^Q}{^_}Z", "one\ntwo\nZhree\n"},
        {"a block cut and put back", "{^E}{^K}{^E}{^D}{^_}", START},
        {"a FETCH into the corefile", "{CMD}FEother.txt{CR}{CR}{^_}", START},
        {"the start-up fetch is not undone", "{^_}{^_}", START},
    };
    for (const auto& c : cases) {
        const oxatest::Result r = edit(c.keys);
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(r.file("out.txt"), c.text) << c.what;
    }
}

// Undo says when there is nothing to take back; without the new keys the
// wire carries nothing new.
TEST(Undo, NothingToUndoIsSaid) {
    const oxatest::Result r = edit("{^_}{^Y}");
    EXPECT_NE(std::find(r.lines.begin(), r.lines.end(), "Nothing to undo"), r.lines.end());
    EXPECT_NE(std::find(r.lines.begin(), r.lines.end(), "Nothing to redo"), r.lines.end());
    const oxatest::Result plain = edit("X");
    for (const std::string& l : plain.lines)
        EXPECT_EQ(l.find("undo"), std::string::npos) << l;
}

// The undone FETCH gives the corefile its file name back: OV * writes the
// first file.
TEST(Undo, AnUndoneFetchGivesBackTheName) {
    const oxatest::Result r = runoxa(oxatest::Run{.args = {"in.txt"},
                                         .keys = "{CR}{CMD}FEother.txt{CR}{CR}{^_}W{CMD}OV*{CR}BY{CR}",
                                         .files = {{"in.txt", START}, {"other.txt", "other\n"}}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.file("in.txt"), "Wne\ntwo\nthree\n");
    EXPECT_EQ(r.file("other.txt"), "other\n");
}

} // namespace undo_test
