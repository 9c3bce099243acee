// The file-kind table and the generation commands that load, list and remove
// language files.
#include "bormo_fixture.hpp"

#include <cstring>

#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/syntax.hpp"
#include "editor/commands.hpp"

namespace gencommands_test {

using namespace bormo;

class GenCommandsTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        resetlexicon();
        resetsyntax();
        resetgencommands();
    }
    void TearDown() override {
        resetlexicon();
        resetsyntax();
        resetgencommands();
        BormoTest::TearDown();
    }

    // Runs a loading command on a file of the given text.
    void run(void (*op)(), const std::string& name, const std::string& text) {
        std::string path = file(name, text);
        std::strncpy(oxa::curfile.data(), path.c_str(), oxa::STRSIZE - 1);
        op();
    }
};

TEST_F(GenCommandsTest, RowIHoldsBitIMinusOne) {
    EXPECT_STREQ(vfile_table[0].cmdletts, "dummy");
    EXPECT_EQ(vfile_table[0].filebits, 0);
    for (int row = 1; row <= 13; ++row)
        EXPECT_TRUE(vfile_table[row].filebits & (1 << (row - 1))) << row;
    EXPECT_STREQ(vfile_table[14].cmdletts, "ALL");
    EXPECT_EQ(vfile_table[14].filebits, 0x1fff);
    const char* names[] = {"AT", "US", "SY", "MO", "TB", "TM", "LE",
                           "IP", "MR", "TG", "SM", "LX", "GP"};
    const char letters[] = "ausmTtLpeg@x@";
    for (int row = 1; row <= 13; ++row) {
        EXPECT_STREQ(vfile_table[row].cmdletts, names[row - 1]);
        EXPECT_EQ(vfile_table[row].putvlett, letters[row - 1]);
    }
}

TEST_F(GenCommandsTest, KindsAsText) {
    EXPECT_EQ(bits_to_text(0), "none");
    EXPECT_EQ(bits_to_text(VF_AT | VF_LE), "AT, LE");
    EXPECT_EQ(bits_to_text(VF_ALL), "AT, US, SY, MO, TB, TM, LE, IP, MR, TG, SM, LX, GP");
}

struct BitsCase {
    const char* text;
    int32_t bits;
    const char* message; // a message line, or null
};

TEST_F(GenCommandsTest, TextToBits) {
    const BitsCase cases[] = {
        {"tm, sy", VF_TM | VF_LE | VF_MR | VF_SY | VF_US, nullptr},
        {"AT", VF_AT | VF_LE | VF_MR | VF_GP, nullptr},
        {"all", VF_ALL, nullptr},
        {" l e ", VF_LE | VF_GP, nullptr},
        {"us,,mo,", VF_US | VF_MO, nullptr},
        {"xx", 0, "XX not a file kind"},
        {"at, dummy", VF_AT | VF_LE | VF_MR | VF_GP, "DUMMY not a file kind"},
    };
    for (const auto& c : cases) {
        oxa::resetstore();
        oxa::initcore();
        EXPECT_EQ(text_to_bits(c.text), c.bits) << c.text;
        if (c.message)
            EXPECT_EQ(count_messages(c.message), 1) << c.text;
        else
            EXPECT_TRUE(messages().empty()) << c.text;
    }
}

TEST_F(GenCommandsTest, UninstallRemovesOnlyInstalledKindsWithDependants) {
    uninstall(VF_ALL);
    EXPECT_EQ(count_messages("uninstalled: none"), 1);
    installed = VF_AT | VF_TM | VF_LE;
    bormofilename['a' - '@'] = "attr";
    bormofilename['t' - '@'] = "term";
    uninstall_n(1);
    EXPECT_EQ(count_messages("uninstalled: AT, LE"), 1);
    EXPECT_EQ(installed, VF_TM);
    EXPECT_EQ(bormofilename['a' - '@'], "");
    EXPECT_EQ(bormofilename['t' - '@'], "term");
}

TEST_F(GenCommandsTest, LoadingCommandsRecordTheirKinds) {
    run(vreadattr, "attr", "number ( sg , pl ) %");
    EXPECT_EQ(installed, VF_AT);
    auto m = messages();
    ASSERT_GE(m.size(), 2u);
    EXPECT_EQ(m[0], "uninstalled: none");
    EXPECT_EQ(m[1].rfind("Finished reading attribute input from file", 0), 0u);
    EXPECT_EQ(bormofilename['a' - '@'], std::string(oxa::curfile.data()));

    run(vreadterm, "term", "N V");
    run(vreadlex, "lex", "\"a\"|N|sg|\n\"b\"|V|pl|\n");
    EXPECT_EQ(installed, VF_AT | VF_TM | VF_LE);
    EXPECT_EQ(count_messages("Total Words: 2. Number of Errors: 0"), 1);

    run(addlex, "lex2", "\"c\"|N||\n");
    EXPECT_EQ(count_messages("Total Words: 1. Number of Errors: 0"), 1);
    ASSERT_NE(dictionary, nullptr);
    EXPECT_NE(dictionary[0]->previous, nullptr); // both files' N entries

    run(vreadsyn, "syn", "ROOT = N V %");
    EXPECT_EQ(synstat, 2);
    run(vreaduser, "user", "Q = V %");
    EXPECT_EQ(userstat, 0);
    EXPECT_EQ(installed, VF_AT | VF_TM | VF_LE | VF_SY | VF_US);

    // A new attribute file removes the lexicon with it.
    run(vreadattr, "attr2", "number ( sg , pl ) %");
    EXPECT_EQ(count_messages("uninstalled: AT, LE"), 1);
    EXPECT_EQ(dictterm, -1);
    EXPECT_EQ(installed, VF_AT | VF_TM | VF_SY | VF_US);

    // A new syntax file removes the user file too.
    run(vreadsyn, "syn2", "S = N %");
    EXPECT_EQ(count_messages("uninstalled: US, SY"), 1);
    EXPECT_EQ(getrule("Q"), nullptr);
    EXPECT_EQ(getrule("ROOT"), nullptr);
    EXPECT_EQ(synstat, 0);
}

TEST_F(GenCommandsTest, RemoveFilesByName) {
    run(vreadattr, "attr", "number ( sg , pl ) %");
    run(vreadterm, "term", "N V");
    run(vreadlex, "lex", "\"a\"|N|sg|\n");
    run(vreadsyn, "syn", "ROOT = N %");
    run(vreaduser, "user", "ROOT = V %");
    EXPECT_EQ(userstat, 2);
    std::strcpy(oxa::picstring.data(), "tm, sy");
    rm_vfiles();
    EXPECT_EQ(count_messages("uninstalled: US, SY, TM, LE"), 1);
    EXPECT_EQ(installed, VF_AT);
    EXPECT_EQ(synstat, 0);
    EXPECT_EQ(userstat, 0);
    EXPECT_EQ(terminal_count, 0);
    EXPECT_EQ(getrule("ROOT"), nullptr);

    std::strcpy(oxa::picstring.data(), "xx");
    rm_vfiles();
    EXPECT_EQ(count_messages("XX not a file kind"), 1);
    EXPECT_EQ(installed, VF_AT);
}

TEST_F(GenCommandsTest, DisplayOfKindsAndLexicon) {
    oxa::param[1] = 0;
    vdisplay();
    EXPECT_EQ(messages().back(), "none");
    run(vreadattr, "attr", "number ( sg , pl ) %");
    run(vreadterm, "term", "N");
    run(vreadlex, "lex", "\"a\"|N|sg|4|\n");
    vdisplay();
    EXPECT_EQ(messages().back(), "AT, TM, LE");
    oxa::param[1] = 7;
    vdisplay();
    EXPECT_EQ(messages().back(), "\"a\"|N|sg |0004|||");
    run(vreadsyn, "syn", "S = N %\nX = TRANSFORMATION a : b ; %");
    oxa::param[1] = 3;
    vdisplay();
    EXPECT_EQ(count_messages("S rule: \x07 N: "), 1);
    oxa::param[1] = 4;
    vdisplay();
    EXPECT_EQ(count_messages("X first RHS:  b"), 1);
    size_t n = messages().size();
    oxa::param[1] = 9;
    vdisplay();
    EXPECT_EQ(messages().size(), n);
}

TEST_F(GenCommandsTest, SeedCommands) {
    oxa::param[1] = 7;
    rnset();
    EXPECT_EQ(count_messages("Setting random seed: 7"), 1);
    oxa::param[1] = 19;
    rnprint();
    EXPECT_EQ(count_messages("Current random seed: 7"), 1);
    oxa::param[1] = 3;
    rnprint();
    EXPECT_EQ(count_messages("Current random seed: 7"), 1); // went to corefile 3
    ASSERT_EQ(lines(3).size(), 1u);
    EXPECT_EQ(lines(3)[0], "Current random seed: 7");
}

TEST_F(GenCommandsTest, StartUpEmptiesEveryKind) {
    run(vreadattr, "attr", "number ( sg , pl ) %");
    run(vreadterm, "term", "N");
    initbormo();
    EXPECT_EQ(installed, 0);
    EXPECT_EQ(terminal_count, 0);
    EXPECT_EQ(lookup_attr("sg"), 0);
    EXPECT_EQ(count_messages("Setting random seed: "), 1);
}

} // namespace gencommands_test
