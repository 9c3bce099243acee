// The loaded pack's revision.  The stored texts of a pack (attributes,
// terminals, lexicon entries, syntax and morphology rules, tables) are what
// the engine shows and saves; what it reads from them to go faster (rules and
// tables found by name, children and skips of syntax rules, guard readings,
// lexicon candidate sets) sits beside them and holds only for the revision it
// was read at.  Every load, unload and command that changes a pack goes
// through pack_changed(), which moves the revision, so that nothing read from
// one pack outlives it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bormo/guards.hpp"

namespace bormo {

// The pack's revision: raised by every change, never 0 (0 marks "never read").
extern uint64_t packrevision;

// A file of the pack was read or removed, or an entry or rule was added,
// changed or removed.
void pack_changed();

struct subrule;

// What the engine reads from the pack's texts, read once per revision: the
// guard of every morphology subrule (subrule::guardid is its place here) and
// of every guarded alternative of the syntax rules (by where the guard starts
// in its rule text, in address order).
struct packindexrecord {
    uint64_t revision = 0; // 0: never read
    std::vector<guardtree> morphguards;
    std::vector<const char*> syntaxguardat;
    std::vector<guardtree> syntaxguards;
};
extern packindexrecord packindex;

// The index for the pack as it is now, read again if the revision has moved.
packindexrecord& currentindex();

// Evaluates the guard of subrule s for current_node, as m_guard does.
int subrule_guard(const subrule* s);

// Evaluates the guard starting at `text` in a syntax rule, as m_guard does.
int syntax_guard(const char* text);

// Checks that what is kept beside the pack's texts agrees with a fresh reading
// of them: one line per disagreement, empty when sound.
std::string checkpack();

// Called, when set, before and after every load of a pack file: the tests
// and fuzz targets set it to run checkpack(), as they run checkstore() for
// the store.
extern void (*packloadhook)();

// Brackets the reading of a pack file: the hook before, a new revision and
// the hook again after.
struct packload {
    packload() {
        if (packloadhook) packloadhook();
    }
    ~packload() {
        pack_changed();
        currentindex();
        if (packloadhook) packloadhook();
    }
    packload(const packload&) = delete;
    packload& operator=(const packload&) = delete;
};

// Start-up and tests.
void resetpackindex();

} // namespace bormo
