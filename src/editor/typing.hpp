// Text entry and deletion: typing, rubout, copy to the delete ring and
// recovery from it, for text, record and formula lines, and the shaping of a
// new line to the corefile's object type.
#pragma once

#include <array>
#include <cstdint>

namespace oxa {

// Formula structure bytes.
constexpr unsigned char MATH_NODE = 246;  // before and after a node's content
constexpr unsigned char MATH_CELL = 243;  // separates cells
constexpr unsigned char MATH_ROW = 244;   // separates rows
constexpr unsigned char MATH_TABLE = 245; // marks a table

// Which character class (2 other, 3 digit, 4 letter, 5 y/n, 6 '-') may be
// typed into which field type ('b' .. 'j').
constexpr int NCHARCLASS = 5;
constexpr int NFIELDTYPE = 9;
extern const std::array<std::array<uint8_t, NFIELDTYPE>, NCHARCLASS> checktable;

// Text lines.
void bldtxt();
void xbldtxt();
void rubtxt();
void copytxt();
void rectxt();
void recword();

// Record lines.
void bldrec();
bool xbldrec();
void rubrec();
void rubfield();
void copyfield();
void recrec();
void recfield();

// New lines.
void makeobject();
void makerec();
void makegraph();

// Formula lines.
void bldmath();
void rubmath();
void recmath();
void instabrow();
void instabcol();
void insnode(int32_t kind, const char* text);
void insmath(const unsigned char* text, int32_t length);

// Restores the entry state (nothing beyond the store's own state yet).
void resettyping();

} // namespace oxa
