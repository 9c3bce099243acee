// The one-screen key summary oxa-term shows over the text window (F1, or `?`
// at the start of a command); the next key takes it away.
#pragma once

#include <array>

namespace oxa::term {

// The rows shown, from the window's first row.
constexpr std::array<const char*, 18> keysummary = {{
    "Keys (F1, or ? at the start of a command; any key closes this)",
    "",
    " Ctrl-C        command mode: two letters of a command, its parameters, RETURN",
    " RETURN        as the first key of a command: back to typing",
    " Ctrl-W        typing overwrites; this switches to insert and back",
    " SA *          save under the file's own name (SA name: a new file)",
    " GO            leave the editor (asks first when work is unsaved)",
    " FI 1|word     find the next word (FI 0|text: any text)",
    " Ctrl-N        find again, moving on; ESC n finds again, staying on the match",
    " Ctrl-E        set a star on the line; a block is the lines between the",
    "               last two stars",
    " Ctrl-D Ctrl-B cut or copy the block into corefile 0",
    " Ctrl-T        put corefile 0's block below the cursor line",
    " arrows        move; Home, End: ends of the line; PgUp, PgDn: a page",
    " PO 120        go to line 120 (PO -1: the last line)",
    " DEL           rub out the character left of the cursor",
    " ESC [ Ctrl-S  clear all stars",
    " Ctrl-_ Ctrl-Y undo, redo (Ctrl-/ is Ctrl-_ on most terminals)",
}};

} // namespace oxa::term
