// The engine's message line: text prepared at the top of the character heap
// is adopted as a new last line of a corefile (normally corefile 7).
#pragma once

namespace bormo {

constexpr int MSGCORE = 7; // corefile that receives the engine's messages

// Appends the NUL-terminated text at textbase[avail] as a new line of kind
// `linetype` at the end of corefile `corefile`; that line becomes its current
// line.  The current corefile is left unchanged.
void v_line(int corefile, int linetype);

// Places `text` at the top of the heap and appends it with v_line as a text line.
// Text that does not fit in the heap is cut.
void v_print(int corefile, const char* text);
// Set when a line did not fit in the store (it is then not written at all);
// while `v_stop_on_overflow` is set, no line is written after that either.
extern bool v_overflow;
extern bool v_stop_on_overflow;

// When set, sees the text of every line v_print is asked to write, before it
// is written (tools that read the messages as they come).
extern void (*v_printhook)(int corefile, const char* text);

// printf-style v_print (the result is cut at 1023 characters).
void v_printf(int corefile, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// Remember and put back one corefile's current line and display line (one pair).
void save_cursor(int corefile);
void restore_cursor(int corefile);

// Forgets the saved cursor pair.
void resetvline();

} // namespace bormo
