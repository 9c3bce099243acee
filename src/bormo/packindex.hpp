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

namespace bormo {

// The pack's revision: raised by every change, never 0 (0 marks "never read").
extern uint64_t packrevision;

// A file of the pack was read or removed, or an entry or rule was added,
// changed or removed.
void pack_changed();

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
        if (packloadhook) packloadhook();
    }
    packload(const packload&) = delete;
    packload& operator=(const packload&) = delete;
};

// Start-up and tests.
void resetpackindex();

} // namespace bormo
