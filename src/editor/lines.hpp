// Line and character primitives: the small operations that read and change the
// text of the current line (`core[corenum].lnptr` at `curcol`), the character
// walker that steps through a corefile across line ends, and the ring of
// recently deleted characters.
#pragma once

#include <array>
#include <cstdint>

#include "editor/store.hpp"

namespace oxa {

// Heap offset of the cursor and just past the end of the current line.
int64_t curptr();
int64_t endptr();

// Appends one byte to the current line, moving the line to the top of the heap
// when it cannot grow in place.  Returns false (nothing changed) when the byte
// cannot be stored: picture or dead line, or no room left in the heap.
bool cadd(int chr);
// Opens a gap of `num` bytes at the cursor inside the line's current length
// (the caller has already lengthened the line by `num` with `cadd`).
void cinsert(int32_t num);
// Deletes `num` bytes at the cursor into the delete ring.
void cremove(int32_t num);
// Pads the line with blanks until the byte at the cursor exists.
void extline();
// Strips trailing blanks of the current line, of every line of the corefile.
void detrline();
void detrfile();
// Column of the first non-blank byte, 0 if none.
int32_t findnb();
// Deletes from the cursor up to (not including) the next `|`.
void erasefield();
// Inside the cursor's record field, moves the bytes from the cursor to the
// field's end up by one, dropping the field's last byte.
void rctrunc();
// Offset within `ptr` of the start of field `field` (from 1).
int32_t locatefield(const LINE* ptr, int32_t field);

// Record fields.  `findfield` locates the cursor's field in the current
// record line: its number (from 1), the heap offset of its first byte and
// its size.
extern int32_t fieldnum;
extern int64_t recptr;
extern int32_t fieldsiz;
void findfield();
// `fieldsiz` of the field that starts at `recptr`.
void fieldlen();

// Walker.
extern LINE* lp;     // line being walked
extern int32_t cp;   // column in it, from 1; length + 1 is the line end
extern int32_t dist; // signed number of lines moved since `setptr`
void setptr();
void nextc();
void prevc();
int peepc(); // 4 at the header, 10 at a line end, else the byte
void setcur();

// Delete ring.
constexpr int DELBUFSIZE = 80;
extern std::array<unsigned char, DELBUFSIZE> delbuf;
extern int32_t delptr;
void savechar(int c);
// Takes back the most recently saved byte; false when the ring holds none.
bool popchar(int& c);
// True when one of the bytes held by the ring is `c`.
bool ringholds(int c);

// Clears the walker, the delete ring and the field position.
void resetlines();

} // namespace oxa
