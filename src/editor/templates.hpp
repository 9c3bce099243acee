// Record templates: a small layout language that places each record field
// at a row and column of the text window, with a maximum length and a type
// letter, among literal text.  Object type 2 shows one record at a time
// through the record template; the view pages use the same machinery.
//
// The language (the text ends at byte 4; line ends arrive as carriage
// returns):
//   outside braces  a carriage return goes to the next row, column 1;
//                   `#` defines a field at the current position; `{` opens
//                   a directive; `}` is an error; any other character is
//                   literal text and advances the column;
//   inside braces   blanks and commas are skipped; `r` n sets the row, `c` n
//                   the column; `#` defines a field; `}` closes; anything
//                   else is an error;
//   a field         `#` n [`/` length [`/` type letter]]; numbers from 101
//                   up are ignored.
// Rows and columns count from 1 inside the text window; a field's screen
// position is row + 2, column + 1.  An error ends the template; the fields
// defined before it stay.
#pragma once

#include <cstdint>
#include <string>

namespace oxa {

constexpr unsigned char TEMPLATEEND = 4;

// The view page's template while a page is shown (null otherwise); it stands
// in for the loaded record template `tempbufptr`.
extern const char* viewtemplate;
// Why the last layout stopped early ("" when the template is sound).
extern std::string templateerror;

// Lays out `text` (ended by byte 4 or a NUL) into the field layout of the
// painter; with `draw` also draws its literal text.  Returns 1 when the
// template has an error.
int32_t layouttemplate(const char* text, int32_t draw);
// Lays out the current record template (the view page's, or the loaded one;
// without either, the default grid); with draw = 1 also draws it.
int32_t writetemplate(int32_t draw);
// Shows the record template again after the text area was cleared: laid out
// and drawn when the current corefile has object type 2.
void showtemplate();
// TEMPLATE n name: 2 loads the merge template, anything else the record
// template, which is then laid out (and drawn in object type 2).
void setspecs();

// Forgets the view template and the last error (start-up and tests).
void resettemplates();

} // namespace oxa
