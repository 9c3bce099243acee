// Record lines: locating fields on a line and at the cursor.
#include <gtest/gtest.h>

#include <string>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/records.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"

namespace oxa {
namespace records_test {

class RecordsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        xvsink = [](const char*, size_t) {};
    }
    void TearDown() override { EXPECT_EQ(checkstore(), ""); }

    // The current line becomes a record line holding `s`.
    LINE* record(const char* s) {
        for (const char* p = s; *p; ++p)
            EXPECT_TRUE(cadd(static_cast<unsigned char>(*p)));
        cur().lnptr->object = K_RECORD;
        cur().curcol = 1;
        return cur().lnptr;
    }
};

TEST_F(RecordsTest, FieldsOfALine) {
    LINE* l = record("a|bb||ccc");
    EXPECT_TRUE(isrecord(l));
    EXPECT_EQ(fieldcount(l), 4);
    const struct {
        int32_t field;
        bool found;
        int32_t offset, length;
        const char* text;
    } cases[] = {
        {1, true, 0, 1, "a"},   {2, true, 2, 2, "bb"},  {3, true, 5, 0, ""},
        {4, true, 6, 3, "ccc"}, {5, false, 0, 0, ""},   {0, false, 0, 0, ""},
    };
    for (const auto& c : cases) {
        int32_t off = -1, len = -1;
        EXPECT_EQ(fieldspan(l, c.field, off, len), c.found) << c.field;
        EXPECT_EQ(off, c.offset) << c.field;
        EXPECT_EQ(len, c.length) << c.field;
        EXPECT_EQ(fieldtext(l, c.field), c.text) << c.field;
    }
}

TEST_F(RecordsTest, EmptyLineHasNoFields) {
    LINE* l = cur().lnptr;
    EXPECT_FALSE(isrecord(l));
    EXPECT_EQ(fieldcount(l), 0);
    EXPECT_EQ(fieldtext(l, 1), "");
}

TEST_F(RecordsTest, FindfieldAtTheCursor) {
    LINE* l = record("ab|cde|f");
    const struct {
        int32_t col;
        int32_t num, start, size;
    } cases[] = {
        {1, 1, 0, 2}, {2, 1, 0, 2}, {3, 1, 0, 2}, // on the bar: still field 1
        {4, 2, 3, 3}, {7, 2, 3, 3}, {8, 3, 7, 1}, {9, 3, 7, 1}, // just past the end
    };
    for (const auto& c : cases) {
        cur().curcol = c.col;
        findfield();
        EXPECT_EQ(fieldnum, c.num) << c.col;
        EXPECT_EQ(recptr, l->index + c.start) << c.col;
        EXPECT_EQ(fieldsiz, c.size) << c.col;
        EXPECT_EQ(locatefield(l, c.num), c.start) << c.col;
    }
}

} // namespace records_test
} // namespace oxa
