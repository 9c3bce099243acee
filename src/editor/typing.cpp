// Text entry and deletion.
#include "editor/typing.hpp"

#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/store.hpp"

namespace oxa {

// Columns: field types b c d e f g h i j; rows: character classes 2 to 6.
constexpr std::array<std::array<uint8_t, NFIELDTYPE>, NCHARCLASS> checktable = {{
    {0, 1, 0, 0, 0, 0, 0, 0, 0}, // 2 other printable
    {0, 1, 0, 0, 1, 0, 0, 1, 1}, // 3 digit
    {0, 1, 0, 0, 1, 0, 0, 0, 0}, // 4 letter
    {1, 1, 0, 0, 1, 0, 0, 0, 0}, // 5 'y' and 'n'
    {0, 1, 0, 0, 0, 0, 0, 1, 0}, // 6 '-'
}};

void bldtxt() {}
void xbldtxt() {}
void rubtxt() {}
void copytxt() {}
void rectxt() {}
void recword() {}
void bldrec() {}
bool xbldrec() { return false; }
void rubrec() {}
void rubfield() {}
void copyfield() {}
void recrec() {}
void recfield() {}

void makeobject() {
    switch (cur().viewtype) {
    case 1:
    case 2:
        makerec();
        break;
    case 4:
        makegraph();
        break;
    default:
        break;
    }
}

void makerec() {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (l == c.header || l->object == K_PICTURE || l->object == K_DEAD) return;
    if (l->object == K_EMPTY) {
        // A record line owns heap text even while it has no bytes yet.
        l->object = K_RECORD;
        l->index = avail;
        l->length = 0;
        linkphys();
    }
    l->object = K_RECORD;
    for (int32_t i = 0; i < numfields; ++i)
        if (!cadd('|')) break;
}

void makegraph() {
    COREFILE& c = cur();
    LINE* l = c.lnptr;
    if (l == c.header || l->object != K_EMPTY) return;
    l->object = K_PICTURE;
    l->index = 0; // handle of a new empty picture; the picture layer keeps none
    l->length = 0;
    c.curflag = 2;
}

void bldmath() {}
void rubmath() {}
void recmath() {}
void instabrow() {}
void instabcol() {}
void insnode(int32_t, const char*) {}
void insmath(const unsigned char*, int32_t) {}

void resettyping() {}

} // namespace oxa
