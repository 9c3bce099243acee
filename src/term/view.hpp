// The ncurses view: the only place that draws on the terminal.  It shows the
// screen model and hands back the terminal's keys.
#pragma once

#include <cstdint>
#include <string>

#include "term/screen.hpp"

namespace oxa::term {

// Takes the terminal (full screen, raw keys, no echo); false with a message
// when there is no usable terminal.
bool viewstart(std::string& error);
// Gives the terminal back as it was; safe to call more than once and when
// the view never started.
void viewstop();
// The terminal's size.
void viewsize(int32_t& rows, int32_t& cols);
// Draws the model and places the cursor; rings the bell the model asks for.
void viewdraw(screen& s);
// The next key without waiting: a byte (0..255), a special key (256 and
// above, VIEWRESIZE for a new terminal size), or VIEWNOKEY.
constexpr int32_t VIEWNOKEY = -1;
extern const int32_t VIEWRESIZE;
int32_t viewkey();
void viewbeep();

} // namespace oxa::term
