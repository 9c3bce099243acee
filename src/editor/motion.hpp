// Cursor motion: the operations that move the cursor of the current corefile
// (character, line, page, word, number, tab stop, record field, formula
// cursor), the positioning commands, margins, tab stops and the tab ruler.
//
// Motion changes only the cursor fields of `core[corenum]` (`lnptr`,
// `curcol`, `curflag`, `disln`) and the repaint level.  Moving off either end
// of the text adds an empty line there; `endline` strips trailing blanks.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "editor/store.hpp"

namespace oxa {

// Margins (`lmargin`, `rmargin`), tab stops (`tabs`) and the RETURN option
// (`crinsert`) are settings of the command processor (commands.hpp).

extern int32_t greenx;  // formula grid cursor (mode 3)
extern int32_t greeny;

// Decimal-tab entry: 1 while a number is being typed at the tab stop that
// `tabcur` reached, 0 otherwise (typing clears it when the number ends).
extern int32_t dtstate;

// The furthest column: no line is longer than the heap, so no column need lie
// beyond it.  Columns, margins, positions and shifts are held within
// 1 .. MAXCOLUMN, which keeps every sum of two of them within int32_t.
constexpr int32_t MAXCOLUMN = 4000000;

// `col` held within 1 .. MAXCOLUMN (computed wide, so any sum may be passed).
int32_t boundcol(int64_t col);

// True when column `c` is a tab stop of the ruler (margins included).
bool tabcol(int32_t c);

// The first tab stop after column `c`, found without stepping through the
// columns between (MAXCOLUMN when there is none before it).
int32_t nexttab(int32_t c);

// Scrolls the window down one line when the cursor line has left its bottom.
void mwd();

// Brings cursor and window into a valid state after every operation.
void fixcursor();

// Sends the margins and tab ruler ("$mt..."), composed by `rulertext`: one
// character per shown column.
void prtabs();
std::string rulertext();

// Edit operations.
void retrn();
void curleft();
void curright();
void upline();
void downline();
void up_page();
void downpage();
void uprec();
void downrec();
void upfield();
void downfield();
void upm();
void downm();
void leftm();
void rightm();
void uprow();
void downrow();
void greencur();
void begline();
void endline();
void marleft();
void maright();
void xnextword();
void xprevword();
void xnextnumx();
void tabset();
void tabcur();

// Walker-level word motion (used by the edit operations above and by other
// modules that step over words; they move the walker, not the cursor).
void nextwdend();
void nextlett();
void prevwdend();
void prevlett();
void nextword();
void prevword();
// Moves the walker from the start of `ptr` forward over `field` - 1 words;
// false if the end of the corefile came first.
bool locateword(LINE* ptr, int32_t field);

// Commands: POSITION (checker positchk, operation positn), ADVANCE, END and
// the WSHIFT checker.  Line and column come from param[1] and param[2].
void positchk();
void positn();
void advance();
void gotobottom();
void shift();

// Restores the formula cursor and decimal-tab state.
void resetmotion();

}  // namespace oxa
