// The engine's message line: text from the top of the heap appended as the
// last line of a corefile, with the display line kept in the window.
#include "bormo_fixture.hpp"

#include <cstring>

#include "editor/paint.hpp"
#include "editor/terminal.hpp"

using namespace bormo;

namespace {

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
    oxa::redisplay = 0;
    // The cursor of corefile 7 stands on its first line; messages still go last.
    v_print(MSGCORE, "first");
    oxa::core[MSGCORE].lnptr = oxa::core[MSGCORE].header->down;
    v_printf(MSGCORE, "second %d", 2);
    EXPECT_EQ(oxa::corenum, 1);
    EXPECT_EQ(oxa::redisplay, 0);
    EXPECT_EQ(messages(), (std::vector<std::string>{"first", "second 2"}));
    const oxa::COREFILE& c = oxa::core[MSGCORE];
    EXPECT_EQ(c.lnptr, c.header->up);
    EXPECT_EQ(c.curcol, 1);
    EXPECT_EQ(c.curline, c.lncount);
    EXPECT_EQ(oxa::checkstore(), "");
}

TEST_F(VlineTest, TheCurrentCorefileIsRepainted) {
    oxa::corenum = 3;
    oxa::redisplay = 0;
    v_print(3, "shown");
    EXPECT_EQ(oxa::redisplay, 1);
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

} // namespace
