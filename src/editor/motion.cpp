// Cursor motion (placeholder bodies; the operations follow).
#include "editor/motion.hpp"

namespace oxa {

int32_t greenx = 0;
int32_t greeny = 0;

bool tabcol(int32_t c) { return false; }

void mwd() {}
void fixcursor() {}
void prtabs() {}
void retrn() {}
void curleft() {}
void curright() {}
void upline() {}
void downline() {}
void up_page() {}
void downpage() {}
void uprec() {}
void downrec() {}
void upfield() {}
void downfield() {}
void upm() {}
void downm() {}
void leftm() {}
void rightm() {}
void uprow() {}
void downrow() {}
void greencur() {}
void begline() {}
void endline() {}
void marleft() {}
void maright() {}
void xnextword() {}
void xprevword() {}
void xnextnumx() {}
void tabset() {}
void tabcur() {}
void nextwdend() {}
void nextlett() {}
void prevwdend() {}
void prevlett() {}
void nextword() {}
void prevword() {}
void positchk() {}
void positn() {}
void advance() {}
void gotobottom() {}
void shift() {}
void resetmotion() {}

}  // namespace oxa
