// File management and further edit operations: renaming a file, saving with a
// backup, printing through the external list program, the switches for
// automatic wrap and decimal tabs with the typing they enable, word and line
// deletion, repeating the line above, flipping case and accents, opening
// several lines, and line drawing over text (object type 3).
#pragma once

#include <array>
#include <cstdint>

namespace oxa {

// Switches.
extern int32_t autowrapflag; // 1: lines wrap while typing past the right margin
extern int32_t dectabflag;   // 1: numbers typed at a tab stop grow leftwards
extern int32_t lddel;        // line drawing: 0 draws, 1 erases

// Line-drawing bytes 15..30 each stand for a set of arms.
constexpr int LD_LEFT = 1;
constexpr int LD_DOWN = 2;
constexpr int LD_RIGHT = 4;
constexpr int LD_UP = 8;
constexpr int LDFIRST = 15; // the first line-drawing byte
constexpr int NLDBYTES = 16;
extern const std::array<uint8_t, NLDBYTES> stubs; // arms of bytes 15..30
extern const std::array<uint8_t, NLDBYTES> asc;   // byte of each arm set 0..15
// The arms of any byte (none for bytes that draw no line).
int ldarms(int byte);

// The case and accent cycle of each byte.
extern const std::array<uint8_t, 256> flip;

// Commands and checkers.
// Undo and redo of the current corefile's newest step (edit codes 12, 36).
void undoop();
void redoop();
void newname();
void update();
void list();
void swautowrap();
void decimaltab();

// Fills the paragraph from the cursor line when typing has passed the right
// margin; the cursor ends on the last character typed.
void autowrap();

// Text typed while decimal-tab entry is on; returns true when the cursor is
// to advance (the entry has ended).
bool decbldtxt();

// Edit operations on text.
void deline();
void delword();
void delwordend();
void repchar();
void repline();
void flipchar();
void manynulines();

// Line drawing.
void ldenter();
void ldexit();
void lddelin();
void lddelout();
void ldmod(int arm);
void ldleft();
void ldright();
void ldup();
void lddown();

// Restores the switches (start-up and tests).
void reseteditops();

} // namespace oxa
