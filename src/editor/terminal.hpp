// The controlling terminal and the signal handlers.
//
// The terminal library is used only to put the terminal into raw mode and back
// and to learn its size; nothing is drawn through it.  When standard input or
// standard output is not a terminal (the normal case: both are pipes to the
// front end) set-up does nothing and the window keeps its 80 by 24 geometry.
#pragma once

#include <cstdint>
#include <cstdio>

#include "editor/paint.hpp" // the window geometry

namespace oxa {

// 1 while a real terminal is under our control (both stdin and stdout are ttys
// and the terminal library accepted it).
extern int32_t termactive;

// Initialises the terminal library when stdin and stdout are terminals.
void stermpars();
// Raw, character-at-a-time input; saves and changes the control characters.
void initerm();
// Restores the terminal settings saved by `initerm`.
void reseterm();
// Reads the window size (in the full message stream from the environment
// variables LINES and COLUMNS); returns 1 if `depth` or `swidth` changed, else 0.
int getwindsize();
// Sets the window geometry from a terminal of `cols` columns and `rows` lines;
// returns 1 if `depth` or `swidth` changed.  `getwindsize` uses it.
int setwindow(int cols, int rows);
// The front end's report of a new window size (the full message stream):
// the window takes the size, then everything is redrawn.
void sizereport(int rows, int cols);
// Refreshes the terminal library's screen (nothing to do without a terminal).
void termrefresh();
// Rings the terminal's bell (only on a real terminal).
void termbeep();
// Clears the terminal's screen (only on a real terminal).
void termclear();

// Signal handlers and their installation.  The handlers of SIGWINCH and
// SIGCONT (and SIGTSTP's report of a suspended driver program) only note the
// signal; `takesignals` acts on it.
void SuspHandler(int sig);
void ResHandler(int sig);
void WindowHandler(int sig);
void IntHandler(int sig);
void setsig();
// Does what the handlers noted since the last call: the redraw after a
// resize or a continue, the keyboard message after a driver's suspension.
// The input layer calls it before it waits for a key.
void takesignals();
// Waits until `in` has a byte to read, or a signal comes; false when a signal
// broke the wait off (the caller looks at the input stack and the noted
// signals again).  Returns at once when bytes are already buffered.
bool waitforinput(FILE* in);

// Forgets any terminal under control (start-up and tests).
void resetterminal();

} // namespace oxa
