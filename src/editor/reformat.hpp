// Paragraph filling between the margins, with right justification and rule
// based English hyphenation, and the one-line layouts: flush left and right,
// centre, align on a character, split a line at the cursor, join the next
// line.  Margins, `jmode` and `hyphlevel` are the command settings of
// commands.hpp, shared by every corefile.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "editor/store.hpp"

namespace oxa {

// The soft hyphen, written at the end of a line where a word was split; it
// disappears when the two parts are filled onto one line again.
constexpr unsigned char SOFTHYPHEN = 0xAD;

// Hyphenation tables, upper case, searched in order; an empty row ends each.
constexpr int NPREFIXES = 102;
constexpr int NSUFFIXES = 156;
extern const std::array<std::array<char, 8>, NPREFIXES + 1> prefixtab;
extern const std::array<std::array<char, 7>, NSUFFIXES + 1> suffixtab;

// Hyphenation state: the word in upper case, its length after trailing
// punctuation is cut, the largest split allowed, the best split so far (-1
// none), and 1 when that split follows a hyphen of the word.
constexpr int HBUFFSIZE = 201;
extern std::array<unsigned char, HBUFFSIZE> hbuff;
extern int32_t hlength;
extern int32_t max;
extern int32_t hyphpoint;
extern int32_t nohyphen;

// Justification: the moving bit over the mask; it survives between lines and
// between calls, so the surplus blanks do not always fall on the same gaps.
constexpr uint32_t JUSTMASK = 0x5CA93659;
constexpr uint32_t BITLIMIT = 1u << 30;
extern uint32_t bit_p;

// Mode of the one-line layout routine.
enum LayoutMode : int32_t { LR_LEFT = 0, LR_CENTRE = 1, LR_RIGHT = 2, LR_ALIGN = 3 };
extern int32_t lrcswitch;

// The number of characters of `word` (`length` bytes) to keep on a line when
// at most `maxpos` may stay there: -1 or 0 for no split.  Uses `hyphlevel`.
int32_t hyphenate(const unsigned char* word, int32_t length, int32_t maxpos);

// Widens the word gaps of a finished line so that it ends at `rmargin`.
// `text` holds the line; `gaps` the offsets of its word gaps (single blanks).
void justify(std::string& text, const int32_t* gaps, int32_t ngaps);

// Fillings of a paragraph run by `reformat`, kept or not (for tests).
extern uint64_t reformatfills;

// Edit operations.
void reformat();
void flushleft();
void flushright();
void fcenter();
void falign();
void splitline();
void joinline();

// Restores the reformatting state.
void resetreformat();

} // namespace oxa
