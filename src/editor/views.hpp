// The view pages: three built-in record forms shown in the scratch corefile
// 19 with object type 7.  Page 0 shows the editor's string settings as an
// editable record that return takes back; pages 1 (corefile statistics) and
// 2 (the loaded language files) are read-only and close on the next return
// or rubout.
#pragma once

#include <cstdint>
#include <string>

namespace oxa {

constexpr int32_t VIEWCORE = 19;
constexpr int32_t VIEWTYPE = 7;
constexpr int NVIEWPAGES = 3;

// The settings page's fields, one pair per field: a parameter type (`c` a
// string with its destination letter, `d` a one-digit number).
extern const char* const view0string;
// The page templates, in the record-template language.
const char* view0templ();
const char* view1templ();
const char* view2templ();

// VIEW n.
void view();
// The settings page's record text as the page shows it.
std::string view0record();
// Reads the settings page's record back into the settings.
void rectovar();
// Edit code 1 in object type 7: takes the settings page back, closes it and
// returns to command entry; outside a page it returns to command entry.
void viewterm();
// The command key in object type 7: on a page it takes the page back as
// return does (and so reaches command entry); elsewhere command mode.
void viewcmnd();
// Closes a page: corefile 19 emptied, the previous corefile and its record
// template back.
void resetcore();

// Forgets an open page (start-up and tests).
void resetviews();

} // namespace oxa
