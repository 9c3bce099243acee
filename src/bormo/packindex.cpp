// The pack's revision and the check of what is kept beside the pack's texts.
#include "bormo/packindex.hpp"

#include "bormo/guards.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/syntax.hpp"

namespace bormo {

uint64_t packrevision = 1;
void (*packloadhook)() = nullptr;

void pack_changed() {
    ++packrevision;
}

std::string checkpack() {
    return checksyntaxkept() + checkmorphkept() + checkguardkept() + checklexiconkept();
}

// The revision only grows: whatever was kept before a reset is of an older one.
void resetpackindex() {
    pack_changed();
}

} // namespace bormo
