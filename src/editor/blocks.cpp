#include "editor/blocks.hpp"

#include "editor/store.hpp"

namespace oxa {

void clrstars() {
    COREFILE& c = cur();
    c.starA = nullptr;
    c.starB = nullptr;
    c.starcount = 0;
    c.nextstar = 'A';
}

int32_t delstar() {
    COREFILE& c = cur();
    if (c.lnptr == nullptr) return 0;
    if (c.starA == c.lnptr) {
        c.starA = nullptr;
        c.nextstar = 'A';
    } else if (c.starB == c.lnptr) {
        c.starB = nullptr;
        c.nextstar = 'B';
    } else {
        return 0;
    }
    c.starcount -= 1;
    return 1;
}

} // namespace oxa
