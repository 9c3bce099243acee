// The screen model: what each cell of the terminal shows, built from the
// editor's messages alone, with no terminal behind it (the view draws it).
//
// Layout for a terminal of R rows (the editor's own geometry): row 0 the
// status line, row 1 the ruler, rows 2 .. R-3 the text window (two flag
// columns, then the text), row R-2 the help and error line, row R-1 the mode
// word and the command line.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "term/message.hpp"

namespace oxa::term {

// How the view shows a row.
enum class rowstyle { plain, status, error };

constexpr int32_t TEXTTOP = 2;   // screen row of the first text row
constexpr int32_t FLAGCOLS = 2;  // flag columns before the text

// The hint shown while the editor waits for a reply to an error.
constexpr const char* REPLYHINT = "  [Return: go on, Backspace: abandon]";

class screen {
  public:
    screen(int32_t rows, int32_t cols);
    // A new terminal size: the rows kept are cut or padded; the editor
    // redraws everything after the size report.
    void resize(int32_t rows, int32_t cols);
    void apply(const message& m);
    // Feeds raw bytes of the stream (split into lines and applied).
    void feed(const char* data, size_t size);

    int32_t rows() const { return rows_; }
    int32_t cols() const { return cols_; }
    // Row y as shown: exactly cols() single bytes (Latin-1).
    std::string line(int32_t y) const;
    rowstyle style(int32_t y) const;
    // Where the terminal's cursor stands.
    int32_t cursory() const;
    int32_t cursorx() const;
    // Bells rung since the last call.
    int32_t takebells();

    // The state the messages left.
    struct statusfields {
        int32_t corefile = -1, lineno = -1, column = -1, lines = -1; // -1: not yet sent
        std::string view, mode, filename, ruler, result;
    };
    const statusfields& status() const { return status_; }
    const std::string& help() const { return help_; }
    bool helperror() const { return helperror_; }
    bool waiting() const { return waiting_; }
    const std::string& command() const { return command_; }
    const std::map<char, std::string>& slots() const { return slots_; }
    // The lines of the last program output (EMIT, a shell command),
    // complete once `emitdone` (EMIT's end marker came).
    const std::vector<std::string>& emitted() const { return emitted_; }
    bool emitdone() const { return emitdone_; }
    // Program output stands over the text window (its last lines) from its
    // first line until the next full redraw or until the user's next key.
    bool outputshown() const { return outputshown_; }
    void dismissoutput() { outputshown_ = false; }
    // The key summary stands over the text window until it is hidden.
    bool keysshown() const { return keysshown_; }
    void showkeys(bool on) { keysshown_ = on; }
    // In command mode with nothing typed of a command yet.
    bool atcommandstart() const { return status_.mode == "Command" && command_.empty(); }

  private:
    bool textrow(int32_t row) const { return row >= TEXTTOP && row <= rows_ - 3; }
    void cleartext();
    void put(int32_t row, int32_t x, std::string_view bytes);
    void setstatus(char sub, const std::string& text);
    std::string statusline() const;

    int32_t rows_, cols_;
    std::vector<std::string> text_; // every screen row; only text rows are used
    statusfields status_;
    std::string help_;
    bool helperror_ = false;
    bool waiting_ = false;
    std::string command_;
    bool cmdcursor_ = false;
    // The editor's text cursor: screen row and column (both from 0; the
    // text's first column stands at FLAGCOLS).
    int32_t currow_ = TEXTTOP, curx_ = FLAGCOLS;
    int32_t bells_ = 0;
    std::map<char, std::string> slots_;
    std::vector<std::string> emitted_;
    bool emitdone_ = false;
    bool outputshown_ = false;
    bool keysshown_ = false;
    linesplitter splitter_;
};

} // namespace oxa::term
