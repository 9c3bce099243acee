// Loading language files with the generation commands, seen from outside:
// each case loads small files by their commands, then EMITs the message
// corefile 7 (its lines arrive ended by a bare line feed, the front end's
// lines by CR LF) and checks the message lines and the installed kinds.
#include "harness.hpp"

#include <algorithm>

namespace bormo_load_test {

using oxatest::runoxa;
using Lines = std::vector<std::string>;

const std::vector<oxatest::Fixture> language = {
    {"attr", "number ( sg , pl ) gender ( masc , fem ) %\n"},
    {"attr2", "number ( sg , pl ) %\n"},
    {"term", "N V DET N\n"},
    {"lex", "\"chat\"|N|masc.sg|10|\n\"bad\"|X|\n\"dort\"|V|sg|3|\n"},
    {"lex2", "\"chien\"|N|masc.sg|5|\n"},
    {"syn", "ROOT = NP V %\nNP = DET N [sg] %\nF = A ) %\n"},
    {"user", "Q = V %\n"},
    {"tst", "A = %\n"},
};

// The command key, the two letters of a command and its parameters.
std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

struct LoadCase {
    const char* what;
    std::string keys; // followed by VDISPLAY 0 and EMIT 7
    Lines core7;      // lines expected in corefile 7, in this order (others may lie between)
    Lines absent;     // lines that must not be there
    Lines front;      // front-end lines expected (error displays)
};

bool in_order(const Lines& have, const Lines& want) {
    size_t i = 0;
    for (const auto& l : have)
        if (i < want.size() && l == want[i]) ++i;
    return i == want.size();
}

TEST(BormoLoad, CommandsWriteTheirMessagesAndRecordTheKinds) {
    const LoadCase cases[] = {
        {"attributes on a fresh start",
         cmd("ATattr"),
         {"uninstalled: none", "Finished reading attribute input from file 'attr' [1 lines.]",
          "AT"},
         {},
         {}},
        {"terminals, lexicon and syntax with their errors",
         cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("SYsyn"),
         {"ERROR terminals input  Repeated terminal N",
          "Finished reading terminals input from file 'term' [1 lines.]",
          "ERROR lexicon input \"bad\" Terminal not found: X",
          "Finished reading lexicon input from file 'lex' [3 lines.]",
          "Total Words: 2. Number of Errors: 1", "ERROR Syntax Input F Unmatched )",
          "Finished reading Syntax Input from file 'syn' [3 lines.]", "AT, SY, TM, LE"},
         {},
         {}},
        {"a new attribute file removes the lexicon",
         cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("ATattr2"),
         {"uninstalled: AT, LE", "AT, TM"},
         {},
         {}},
        {"a new syntax file removes the user file",
         cmd("SYsyn") + cmd("USuser") + cmd("SYsyn"),
         {"uninstalled: US, SY", "SY"},
         {},
         {}},
        {"a lexicon needs the terminals",
         cmd("ATattr") + cmd("LElex") + "{CR}",
         {"AT"},
         {"Total Words: 2. Number of Errors: 1"},
         {"Terminals file not present"}},
        {"adding to a missing lexicon loads it",
         cmd("ATattr") + cmd("TMterm") + cmd("VAlex2") + "{CR}",
         {"Total Words: 1. Number of Errors: 0", "AT, TM, LE"},
         {},
         {"Lexicon not present; defaulting to LExicon"}},
        {"adding to a loaded lexicon",
         cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("VAlex2") + cmd("VD7"),
         {"Total Words: 2. Number of Errors: 1", "Total Words: 1. Number of Errors: 0",
          "\"chien\"|N|masc.sg |0005|||", "\"chat\"|N|masc.sg |0010|||", "\"dort\"|V|sg |0003|||",
          "AT, TM, LE"},
         {},
         {}},
        {"removing kinds by name with their dependants",
         cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("SYsyn") + cmd("USuser") +
             cmd("RMtm, sy"),
         {"uninstalled: US, SY, TM, LE", "AT"},
         {},
         {}},
        {"removing an unknown kind",
         cmd("ATattr") + cmd("RMxx"),
         {"XX not a file kind", "uninstalled: none", "AT"},
         {},
         {}},
        {"removing with a bad character",
         cmd("ATattr") + cmd("RMat1") + "{CR}",
         {"AT"},
         {"uninstalled: AT, LE, MR, GP", "uninstalled: AT"},
         {"improper character in parameter"}},
        {"nothing loaded", "", {"none"}, {}, {}},
        {"seed set and printed",
         cmd("RA7") + cmd("PS19") + cmd("PS0"),
         {"Setting random seed: 7", "Current random seed: 7", "Current random seed: 7"},
         {},
         {}},
        {"frequency change without a lexicon",
         cmd("VFN") + "{CR}",
         {"none"},
         {"VF N"},
         {"Lexicon not present"}},
        {"frequency change of an unknown terminal",
         cmd("ATattr") + cmd("TMterm") + cmd("LElex") + cmd("VFNOUN [sg] /+5") + "{CR}",
         {"VF NOUN [sg] /+5", "AT, TM, LE"},
         {},
         {"terminal class not found"}},
        {"test input lists the tokens",
         cmd("TStst"),
         {"identifier: A", "char '='", "token: %", "end of input"},
         {},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r =
            runoxa({.keys = c.keys + cmd("VD0") + cmd("EM7"), .files = language, .framed = false});
        // Corefile 7 is the block of bare-LF lines before the "$$$" line.
        const Lines& core7 = r.badlines;
        EXPECT_TRUE(in_order(core7, c.core7)) << ::testing::PrintToString(core7);
        for (const auto& a : c.absent)
            EXPECT_EQ(std::count(core7.begin(), core7.end(), a), 0) << a;
        for (const auto& f : c.front)
            EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), f), 1) << f;
        EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "$$$"), 1);
        EXPECT_EQ(r.status, 0);
    }
}

TEST(BormoLoad, LongLexiconReportsProgress) {
    std::string lex;
    for (int i = 0; i < 230; ++i)
        lex += "\"w" + std::to_string(i) + "\"|N||\n";
    auto r = runoxa({.keys = cmd("ATattr") + cmd("TMterm") + cmd("LElong") + cmd("EM7"),
                     .files = {{"attr", "number ( sg , pl ) %\n"}, {"term", "N\n"}, {"long", lex}},
                     .framed = false});
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "Lexical Entries Processed: 100"), 1);
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "Lexical Entries Processed: 200"), 1);
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "Lexical Entries Processed: 300"), 0);
    EXPECT_EQ(
        std::count(r.badlines.begin(), r.badlines.end(), "Total Words: 230. Number of Errors: 0"),
        1);
}

} // namespace bormo_load_test
