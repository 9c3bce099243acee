// The text store: corefiles, line headers and the one character heap.
//
// All text lives in `textbase`.  A line header points into it; new or grown
// text is always placed at the top (`avail`), given-up bytes are marked 255,
// and `garbage` compacts the heap by walking the physical chain.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace oxa {

struct coreline {
    coreline* up;       // previous line (the dummy header for the first line)
    coreline* down;     // next line (the dummy header after the last line)
    coreline* nextphys; // next header in the physical chain, null at the tail
    int32_t object;     // line kind, see LineKind
    int32_t length;     // number of text bytes
    int64_t index;      // heap offset of the first byte (picture handle for kind 2)
    int64_t linekey;    // offset of the sort key, meaningful only during a sort
};
using LINE = coreline;

// Line kinds (`object`).
enum LineKind : int32_t {
    K_DEAD = -1,
    K_TEXT = 0,
    K_RECORD = 1,
    K_PICTURE = 2,
    K_FORMULA = 3,
    K_HLINE = 4, // read with the prefix backslash h
    K_EMPTY = 5, // never held text, owns no heap bytes
    K_ALINE = 6, // read with the prefix backslash a
};

constexpr int NCORE = 20;
constexpr int FILNAMESIZE = 49; // 48 characters and the NUL

struct COREFILE {
    LINE* header;   // dummy header of the circular line list
    LINE* lnptr;    // current line
    int32_t curcol; // current column, from 1
    int32_t curline;
    int32_t lncount;
    int64_t charcount;
    int32_t viewtype; // object type 0..7
    int32_t curflag;  // 1 text cursor, 2 picture/formula item, 3 formula table cell
    std::array<char, FILNAMESIZE> filname;
    uint8_t edited;
    LINE* starA;
    LINE* starB;
    uint8_t nextstar;
    int32_t starcount;
    int32_t cstarA;
    int32_t cstarB;
    uint8_t cnextstar;
    int32_t cstarcount;
    LINE* disln; // first line shown in the text window
    uint8_t encoding; // TextEncoding: how the file it was read from is written back
    uint8_t bom;      // 1: that file began with the UTF-8 byte-order mark, written back too
    // The file that was cut short when read into this corefile (device and
    // inode; both 0 when none): writing back over it asks first.
    uint64_t cutdev;
    uint64_t cutino;
};

constexpr int64_t HEAPSIZE = 4000000;
constexpr int64_t HIADDR = 3999000;
constexpr unsigned char FREEBYTE = 255;

extern std::array<COREFILE, NCORE> core;
extern int32_t corenum;
extern std::array<unsigned char, HEAPSIZE> textbase;
extern int64_t avail;
extern int64_t hiaddr;
extern LINE* reserve;
extern int32_t full;
extern LINE firstphys;
extern LINE* lastphys;

// The current corefile.
inline COREFILE& cur() {
    return core[corenum];
}

// Returns the reserve header and allocates the next one (null when memory for
// headers is exhausted).  The header returned is uninitialised.
LINE* allochdr();
// Gives back a header taken with `allochdr` that was never linked into a
// corefile or the physical chain (an operation that could not finish).
void releasehdr(LINE* l);
// Inserts a new line below `lnptr` and makes it current.  Refused (returns
// false, nothing changed) while `reserve` is null or when `length` bytes from
// `avail` would pass the heap's end.
bool allocln(int32_t linetype, int32_t length);
void linkphys();
void removeline();
void shiftline();
void initfile();
void removefile();
// Line stars.  `clrstars` clears both stars of the current corefile (the next
// star set is A); `delstar` clears the star on the cursor line, if any, making
// it the one set next, and returns 1 if a star was removed, else 0.
void clearstarsof(COREFILE& c);
void clrstars();
int32_t delstar();
int32_t distance(const LINE* l1, const LINE* l2);
// The number of line `l` of the current corefile, counted from its header
// (0 for the header itself): the same as distance(cur().header, l), but
// counted from the line whose number was asked last in this corefile when
// no chain of lines has changed since.  The answer is remembered.
int32_t linenumber(const LINE* l);
// Every change to the up/down links of a corefile's lines is followed by one
// of these, so that no remembered line number outlives its line's place.
// `linkschanged` forgets the current corefile's (or corefile f's);
// `linereplaced` forgets it but keeps it when it was that of `was` and `now`
// has taken its place (the lines above it unchanged).
void linkschanged();
void linkschanged(int32_t f);
void linereplaced(const LINE* was, const LINE* now);
// Empty when every remembered line number that is still in force is right,
// else a description of the first wrong one (for `checkstore`).
std::string checklinenumbers();
// Collects the heap.  A collection that freed nothing is not run again until
// a line has been removed, emptied or moved, or the top of the heap moved.
void garbage();
// Collections that ran (for tests and benchmarks).
extern uint64_t collections;
void initcore();
// Takes the line just adopted below the cursor line out again: it is
// unlinked, its header freed and `avail` set back to `mark` (its value before
// the line was read); `prevtail` is the physical chain's tail before the line
// was linked.  The line above becomes the cursor line.
void takebackline(int64_t mark, LINE* prevtail);

// Line headers are allocated HDRBLOCK at a time.  `hdrblocklimit` caps the
// number of blocks (negative: no cap) so that tests can exhaust header
// memory; `hdrblockcount` is the number of blocks held.
constexpr int HDRBLOCK = 43690;
extern int32_t hdrblocklimit;
int32_t hdrblockcount();

// Frees every header and restores the initial state; start-up and tests use it.
void resetstore();

// Working memory for an operation that goes over many lines at once.  A
// large block comes in whole large pages, as the header blocks do: mapping
// many fresh small pages one at a time costs more than most work done on them.
struct FreeWorkBlock {
    void operator()(void* p) const { std::free(p); }
};
using WorkBlock = std::unique_ptr<unsigned char, FreeWorkBlock>;
// Null when there is no memory for it.
WorkBlock workblock(size_t bytes);

// The store's own bookkeeping when a line is removed from a corefile.
// Removed empty-line headers stay readable (their `up`/`down` still point at
// their old neighbours) until the next collection releases them.

// Walks the heap, the physical chain and every corefile and checks the store's
// invariants.  Returns an empty string when all hold, else a description of the
// first violation.
std::string checkstore();

} // namespace oxa
