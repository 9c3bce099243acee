// The ncurses view.  The terminal library's header defines macros with
// common names, so it comes last.
#include "term/view.hpp"

#include "term/utf8.hpp"

#include <clocale>

#include <curses.h>

namespace oxa::term {

const int32_t VIEWRESIZE = KEY_RESIZE;

namespace {
bool started = false;
SCREEN* term = nullptr;
} // namespace

bool viewstart(std::string& error) {
    std::setlocale(LC_ALL, "");
    term = newterm(nullptr, stdout, stdin);
    if (term == nullptr) {
        error = "cannot use this terminal (is TERM set?)";
        return false;
    }
    set_term(term);
    started = true;
    raw();
    noecho();
    nonl();
    intrflush(stdscr, FALSE);
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    set_escdelay(25);
    return true;
}

void viewstop() {
    if (!started) return;
    started = false;
    endwin();
    delscreen(term);
    term = nullptr;
}

void viewsize(int32_t& rows, int32_t& cols) {
    int r = 24, c = 80;
    if (started) getmaxyx(stdscr, r, c);
    rows = r;
    cols = c;
}

void viewdraw(screen& s) {
    if (!started) return;
    int maxy = 0, maxx = 0;
    getmaxyx(stdscr, maxy, maxx);
    for (int32_t y = 0; y < s.rows() && y < maxy; ++y) {
        attr_t a = A_NORMAL;
        switch (s.style(y)) {
        case rowstyle::status:
            a = A_REVERSE;
            break;
        case rowstyle::error:
            a = A_REVERSE | A_BOLD;
            break;
        case rowstyle::plain:
            break;
        }
        std::string l = s.line(y);
        if (static_cast<int>(l.size()) > maxx) l.resize(static_cast<size_t>(maxx));
        attrset(a);
        // The last cell of the screen cannot be written without scrolling.
        if (y == maxy - 1 && !l.empty()) l.pop_back();
        mvaddstr(y, 0, latin1toutf8(l).c_str());
        clrtoeol();
    }
    attrset(A_NORMAL);
    if (s.takebells() > 0) beep();
    move(s.cursory(), s.cursorx());
    refresh();
}

int32_t viewkey() {
    if (!started) return VIEWNOKEY;
    const int k = getch();
    return k == ERR ? VIEWNOKEY : k;
}

void viewbeep() {
    if (started) beep();
}

} // namespace oxa::term
