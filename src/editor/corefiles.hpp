// Operations on a whole corefile: emptying it (CLEAR), going to its start
// (BEGIN), naming it (NAME), choosing the current one (CORE), and the new-line
// key.  The store below them keeps the lines; these say what the user sees.
#pragma once

namespace oxa {

// Empties the current corefile and leaves it one empty line.
void clrfile();
// Cursor and window to the first line, column 1; repaints everything.
void wrwholescreen();
// The current corefile takes the name in `curfile`.
void nmeset();
// A new empty line below the cursor line, made current.
void insline();
// `insline`, with the cursor at the left margin on a text line.
void nuline();
// Corefile `param[1]` (0 to 18) becomes the current one.
void coreset();

} // namespace oxa
