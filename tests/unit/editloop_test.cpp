// The action table and the edit loop on its state.
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "editor/terminal.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace oxa {
namespace editloop_test {

// Row i of the table is the row of edit code i: each row's flags, limit and
// mask, compared with a sample of codes whose values all differ.
struct RowCase {
    int code;
    uint32_t flags;
    int32_t limit;
    uint32_t mask;
};

TEST(EditTable, SampleRowsHaveTheirFlagsLimitsAndMasks) {
    const RowCase cases[] = {
        {0, 0, 200, CMP_NONE},
        {1, SE_LINE | SE_SPACE, 20, CMP_RETURN},
        {2, SE_EDIT | SE_SPACE, 200, CMP_NONE},
        {5, SE_EDIT, 20, CMP_NONE},
        {10, SE_LINE | SE_SPACE, 20, CMP_ALL},
        {11, SE_SPACE, 80, CMP_NONE},
        {12, SE_LINE, 200, CMP_ALL},
        {17, 0, 80, CMP_NONE},
        {18, SE_LINE, 20, CMP_LINES},
        {21, SE_LINE, 200, CMP_ALL},
        {26, SE_LINE | SE_EDIT, 200, CMP_ALL},
        {28, SE_LINE, 3, CMP_ALL},
        {35, SE_LINE | SE_EDIT | SE_SPACE, 200, CMP_ALL},
        {36, SE_LINE, 200, CMP_ALL}, // redo, on a row that had no operation
        {47, SE_SPACE, 200, CMP_NONE},
        {65, SE_EDIT | SE_SPACE, 80, CMP_NONE},
        {69, SE_EDIT, 3, CMP_NONE},
        {75, SE_LINE | SE_EDIT | SE_SPACE, 200, CMP_NONE},
        {77, SE_EDIT | SE_SPACE, 80, CMP_NONE},
        {98, 0, 200, CMP_ALL},
        {106, 0, 200, CMP_NONE},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.code);
        const edtable& row = edittable[c.code];
        EXPECT_EQ(row.sideffects, c.flags);
        EXPECT_EQ(row.replimit, c.limit);
        EXPECT_EQ(row.cmpmask, c.mask);
    }
}

// Every row is in code order: the operations of the loop's own codes sit in
// their rows, and no other row holds them.
TEST(EditTable, RowIIsCodeI) {
    for (int code = 0; code < NEDITCODES; ++code) {
        SCOPED_TRACE(code);
        const edtable& row = edittable[code];
        for (int t = 0; t < NOBJTYPES; ++t) {
            ASSERT_NE(row.operatn[t], nullptr);
            EXPECT_EQ(row.operatn[t] == &inmode, code == 22 && t != 3 && t != 4);
            EXPECT_EQ(row.operatn[t] == &uclcsw, code == 29 && t != 3 && t != 4);
            EXPECT_EQ(row.operatn[t] == &show, code == 38 && t != 7);
        }
        EXPECT_TRUE(row.cmpmask == CMP_NONE || row.cmpmask == CMP_LINES || row.cmpmask == CMP_ALL ||
                    (code == 1 && row.cmpmask == CMP_RETURN));
    }
}

TEST(EditTable, MasksMatchObjectTypesAndLineKinds) {
    for (int t = 0; t < NOBJTYPES; ++t)
        EXPECT_EQ(editmask[t], 1u << t);
    // Text and empty lines belong to types 0, 3, 5, 6; records to 1, 2, 7;
    // pictures to 4; formulas to 5, 6; the carried kinds to none.
    const uint32_t expected[NLINEKINDS] = {0x69, 0x86, 0x10, 0x60, 0, 0x69, 0};
    for (int k = 0; k < NLINEKINDS; ++k)
        EXPECT_EQ(viewmask[k], expected[k]) << "kind " << k;
}

// The loop on its state: rows of a test table whose operations count their
// runs and record the object type they were run for.
std::string wire; // what the transmitter passed
int runs = 0;
int lasttype = -1;
void capture(const char* data, size_t len) {
    wire.append(data, len);
}
void counted() {
    ++runs;
    lasttype = cur().viewtype;
}

class EditLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        initcore();
        xvsink = capture;
        wire.clear();
        runs = 0;
        lasttype = -1;
    }
    void TearDown() override { xvsink = stdoutsink; }

    // A table in which every row runs `counted` for every object type and
    // row `code` has the given flags, limit and mask.
    void setrow(int code, uint32_t flags, int32_t limit, uint32_t mask) {
        for (edtable& r : table)
            r = {0,
                 200,
                 CMP_ALL,
                 {counted, counted, counted, counted, counted, counted, counted, counted}};
        table[code].sideffects = flags;
        table[code].replimit = limit;
        table[code].cmpmask = mask;
    }
    edtable table[NEDITCODES];
};

TEST_F(EditLoop, RepeatLimitStopsTheSameCodeUntilAnotherComes) {
    setrow(18, SE_LINE, 20, CMP_LINES);
    repflag = 0;
    for (int i = 0; i < 25; ++i)
        editpass(18, table);
    EXPECT_EQ(runs, 20);
    editpass(17, table); // another code resets the count
    EXPECT_EQ(runs, 21);
    editpass(18, table);
    EXPECT_EQ(runs, 22);
}

TEST_F(EditLoop, RefusedPassesStillCountAsRepeats) {
    setrow(28, SE_LINE, 3, CMP_ALL);
    repflag = 0;
    for (int i = 0; i < 3; ++i)
        editpass(28, table);
    repflag = 1; // limit off: runs again at once
    editpass(28, table);
    repflag = 0; // on again: the fifth repeat is still over the limit
    editpass(28, table);
    EXPECT_EQ(runs, 4);
}

// The command key leaves command mode with return as its first key, so it
// may come many times in a row; as the way out of every state, the limit
// never refuses it.
TEST_F(EditLoop, RepeatLimitNeverRefusesTheCommandKey) {
    setrow(21, SE_LINE, 200, CMP_ALL);
    repflag = 0;
    for (int i = 0; i < 250; ++i)
        editpass(21, table);
    EXPECT_EQ(runs, 250);
}

TEST_F(EditLoop, WithoutTheRepeatLimitEveryPassRuns) {
    setrow(18, SE_LINE, 20, CMP_LINES);
    for (int i = 0; i < 250; ++i)
        editpass(18, table);
    EXPECT_EQ(runs, 250);
}

TEST_F(EditLoop, FullStoreRefusesOnlyRowsThatNeedSpace) {
    setrow(2, SE_EDIT | SE_SPACE, 200, CMP_NONE);
    table[18].sideffects = SE_LINE;
    full = 1;
    editpass(2, table);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(cur().edited, 0); // a refused pass applies no flags
    editpass(18, table);
    EXPECT_EQ(runs, 1);
    full = 0;
    editpass(2, table);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(cur().edited, 1);
}

// Whether a code runs on the current line: the line's kind, the corefile's
// object type and the row's mask.
TEST_F(EditLoop, CompatibilityMasksDecideWhichCodesRun) {
    const struct {
        int32_t kind;
        int32_t viewtype;
        uint32_t cmpmask;
        bool runs;
    } cases[] = {
        {K_TEXT, 0, CMP_NONE, true},    // text line in a text corefile
        {K_EMPTY, 0, CMP_NONE, true},   // an empty line too
        {K_RECORD, 0, CMP_NONE, false}, // typing on a record line in text
        {K_RECORD, 0, CMP_LINES, true}, // up and down motion still work
        {K_RECORD, 0, CMP_ALL, true},   // and the command key
        {K_RECORD, 1, CMP_NONE, true},  // records in a record corefile
        {K_TEXT, 2, CMP_LINES, false},  // type 2 is not among the line-motion types
        {K_TEXT, 2, CMP_ALL, true},      {K_PICTURE, 4, CMP_NONE, true},
        {K_FORMULA, 0, CMP_NONE, false}, {K_FORMULA, 6, CMP_NONE, true},
        {K_HLINE, 5, CMP_NONE, false}, // carried kinds belong to no type
        {K_HLINE, 5, CMP_LINES, true},   {K_ALINE, 7, CMP_LINES, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "kind " << c.kind << " type " << c.viewtype << " mask " << c.cmpmask);
        SetUp();
        setrow(2, 0, 200, c.cmpmask);
        cur().lnptr->object = c.kind;
        cur().viewtype = c.viewtype;
        cureditmask = editmask[c.viewtype];
        editpass(2, table);
        EXPECT_EQ(runs, c.runs ? 1 : 0);
        EXPECT_EQ(curviewmask, viewmask[c.kind]);
        EXPECT_EQ(curopmask, c.cmpmask);
        cur().lnptr->object = K_EMPTY;
    }
}

TEST_F(EditLoop, TheCorefilesObjectTypeChoosesTheColumn) {
    setrow(4, 0, 200, CMP_ALL);
    for (int t = 0; t < NOBJTYPES; ++t) {
        cur().viewtype = t;
        cureditmask = editmask[t];
        editpass(4, table);
        EXPECT_EQ(lasttype, t);
    }
}

TEST_F(EditLoop, FlagsMarkEditedAndRecountTheLine) {
    setrow(26, SE_LINE | SE_EDIT, 200, CMP_ALL);
    cur().curline = 57;
    editpass(26, table);
    EXPECT_EQ(cur().edited, 1);
    EXPECT_EQ(cur().curline, distance(cur().header, cur().lnptr));
    EXPECT_EQ(core[2].edited, 0);

    setrow(17, 0, 80, CMP_NONE);
    core[1].edited = 0;
    cur().curline = 57;
    editpass(17, table);
    EXPECT_EQ(cur().edited, 0);
    EXPECT_EQ(cur().curline, 57);
}

TEST_F(EditLoop, CodesOutsideTheTableRunNothing) {
    setrow(0, 0, 200, CMP_ALL);
    for (int code : {-1, NEDITCODES, 127})
        editpass(code, table);
    EXPECT_EQ(runs, 0);
}

TEST_F(EditLoop, InsertKeyTogglesTheModeAndShowsItsWord) {
    editpass(22);
    EXPECT_EQ(mode, 2);
    editpass(22);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(wire, "Insert  \r\nTyping  \r\n");
}

TEST_F(EditLoop, CaseKeyTogglesUpperCase) {
    const int before = transb;
    editpass(29);
    EXPECT_EQ(transb, before ? 0 : 1);
    editpass(29);
    EXPECT_EQ(transb, before);
}

// GOODBYE: one warning per edited corefile, each waiting for a key; rubout
// at a warning cancels the exit and skips the remaining corefiles.
TEST_F(EditLoop, GoodbyeWarnsForEachUnsavedCorefile) {
    const struct {
        const char* answers;
        int32_t overflg;
        const char* wire;
    } cases[] = {
        {"\r\r", 1,
         "WARNING: corefile 2 not saved. <del> aborts\r\n\r\n"
         "WARNING: corefile 9 not saved. <del> aborts\r\n\r\n"},
        {"\x7f\r", 0, "WARNING: corefile 2 not saved. <del> aborts\r\n\r\n"},
        {"\r\x7f", 0,
         "WARNING: corefile 2 not saved. <del> aborts\r\n\r\n"
         "WARNING: corefile 9 not saved. <del> aborts\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answers);
        SetUp();
        core[2].edited = 1;
        core[9].edited = 1;
        mode = 0;
        pushfn(c.answers);
        goodbye();
        EXPECT_EQ(overflg, c.overflg);
        EXPECT_EQ(mode, c.overflg ? 1 : 0); // leaving ends command mode
        EXPECT_EQ(corenum, 1);
        EXPECT_EQ(wire, c.wire);
    }
}

TEST_F(EditLoop, GoodbyeWithEverythingSavedEndsAtOnce) {
    mode = 0;
    goodbye();
    EXPECT_EQ(overflg, 1);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(wire, "");
}

TEST_F(EditLoop, IdentifyShowsTheBuildAndWaits) {
    pushfn("\r");
    identify();
    EXPECT_EQ(wire, "XOXA date: Jul 27 2020; time: 17:18:26\r\n\r\n");
    EXPECT_EQ(del, 1);
}

TEST_F(EditLoop, UnsavedReportNamesEachEditedCorefile) {
    core[3].edited = 1;
    core[12].edited = 1;
    std::snprintf(core[12].filname.data(), core[12].filname.size(), "%s", "notes.txt");
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(unsavedreport(f), 2);
    std::rewind(f);
    char buf[256] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buf, n),
              "oxa: corefile 3 not saved\noxa: corefile 12 (notes.txt) not saved\n");
}

TEST_F(EditLoop, EndOfInputExitsZeroNamingUnsavedCorefiles) {
    core[5].edited = 1;
    core[9].edited = 1;
    auto* const guard = eofhook; // this test wants the real exit
    eofhook = nullptr;
    EXPECT_EXIT(eofexit(), testing::ExitedWithCode(0),
                "corefile 5 not saved.*corefile 9 not saved");
    eofhook = guard;
}

} // namespace editloop_test
} // namespace oxa
