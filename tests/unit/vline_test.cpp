// The engine's message line: text from the top of the heap appended as the
// last line of a corefile, with the display line kept in the window.
#include "bormo_fixture.hpp"

#include <cstring>

#include "editor/paint.hpp"
#include "editor/terminal.hpp"

namespace vline_test {

using namespace bormo;

class VlineTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        oxa::resetpaint();
        oxa::resetterminal();
    }
};

TEST_F(VlineTest, AppendsAtTheEndOfAnotherCorefileWithoutSwitching) {
    oxa::corenum = 1;
    oxa::redisplay = oxa::RP_NONE;
    // The cursor of corefile 7 stands on its first line; messages still go last.
    v_print(MSGCORE, "first");
    oxa::core[MSGCORE].lnptr = oxa::core[MSGCORE].header->down;
    v_printf(MSGCORE, "second %d", 2);
    EXPECT_EQ(oxa::corenum, 1);
    EXPECT_EQ(oxa::redisplay, oxa::RP_NONE);
    EXPECT_EQ(messages(), (std::vector<std::string>{"first", "second 2"}));
    const oxa::COREFILE& c = oxa::core[MSGCORE];
    EXPECT_EQ(c.lnptr, c.header->up);
    EXPECT_EQ(c.curcol, 1);
    EXPECT_EQ(c.curline, c.lncount);
    EXPECT_EQ(oxa::checkstore(), "");
}

TEST_F(VlineTest, TheCurrentCorefileIsRepainted) {
    oxa::corenum = 3;
    oxa::redisplay = oxa::RP_NONE;
    v_print(3, "shown");
    EXPECT_EQ(oxa::redisplay, oxa::RP_ALL);
    EXPECT_EQ(lines(3), (std::vector<std::string>{"shown"}));
}

TEST_F(VlineTest, TextPreparedAtTheTopOfTheHeap) {
    const char text[] = "prepared";
    memcpy(&oxa::textbase[oxa::avail], text, sizeof text);
    v_line(MSGCORE, oxa::K_TEXT);
    memcpy(&oxa::textbase[oxa::avail], "", 1);
    v_line(MSGCORE, oxa::K_TEXT);
    const oxa::COREFILE& c = oxa::core[MSGCORE];
    EXPECT_EQ(c.lnptr->object, oxa::K_EMPTY);
    EXPECT_EQ(c.lnptr->up->object, oxa::K_TEXT);
    EXPECT_EQ(messages(), (std::vector<std::string>{"prepared"}));
    EXPECT_EQ(oxa::checkstore(), "");
}

TEST_F(VlineTest, DisplayLineFollowsTheNewLine) {
    const oxa::COREFILE& c = oxa::core[MSGCORE];
    oxa::LINE* top = c.disln;
    int rows = oxa::windowend - oxa::windowtop; // lines below disln still in the window
    for (int i = 0; i < rows; i++)
        v_printf(MSGCORE, "line %d", i);
    EXPECT_EQ(c.disln, top);
    v_print(MSGCORE, "one more");
    EXPECT_EQ(c.disln, c.lnptr);
    EXPECT_EQ(oxa::checkstore(), "");
}

TEST_F(VlineTest, SaveAndRestoreCursor) {
    v_print(MSGCORE, "a");
    oxa::COREFILE& c = oxa::core[MSGCORE];
    oxa::LINE* line = c.lnptr;
    oxa::LINE* disln = c.disln;
    save_cursor(MSGCORE);
    for (int i = 0; i < 30; i++)
        v_print(MSGCORE, "b");
    EXPECT_NE(c.lnptr, line);
    restore_cursor(MSGCORE);
    EXPECT_EQ(c.lnptr, line);
    EXPECT_EQ(c.disln, disln);
}

} // namespace vline_test

namespace vline_test {

// Fills the heap with one line in corefile 1 so that `room` bytes stay free.
void fill_heap_leaving(int64_t room) {
    oxa::corenum = 1;
    const int64_t n = oxa::HEAPSIZE - oxa::avail - room;
    ASSERT_GT(n, 0);
    std::memset(&oxa::textbase[oxa::avail], 'x', static_cast<size_t>(n));
    ASSERT_TRUE(oxa::allocln(oxa::K_TEXT, static_cast<int32_t>(n)));
    oxa::linkphys();
}

TEST_F(VlineTest, ALineThatDoesNotFitIsNotWrittenAtAll) {
    fill_heap_leaving(40);
    v_print(MSGCORE, "short");
    EXPECT_FALSE(v_overflow);
    v_print(MSGCORE, "a message far too long for the little room that is left");
    EXPECT_TRUE(v_overflow);
    // Without the stop, a later line that fits is still written.
    v_print(MSGCORE, "tiny");
    EXPECT_EQ(messages(), (std::vector<std::string>{"short", "tiny"}));
    EXPECT_EQ(oxa::checkstore(), "");
}

TEST_F(VlineTest, AfterAnOverflowARunWritesNothingMore) {
    // As during a generation: once a line did not fit, no later line (not
    // even an empty one) is written, so the output ends with whole lines.
    fill_heap_leaving(40);
    const int32_t before = oxa::core[MSGCORE].lncount;
    v_stop_on_overflow = true;
    v_print(MSGCORE, "Generation results:");
    v_print(MSGCORE, "Transformed Sentence : the cats sleep soundly tonight");
    v_print(MSGCORE, "");
    v_print(MSGCORE, "  ******");
    v_stop_on_overflow = false;
    EXPECT_TRUE(v_overflow);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Generation results:"}));
    EXPECT_EQ(oxa::core[MSGCORE].lncount, before + 1);
    EXPECT_EQ(oxa::checkstore(), "");
}

} // namespace vline_test
