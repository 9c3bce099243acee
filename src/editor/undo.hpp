// Undo and redo of changes to text, one history per corefile.
//
// A step is opened by the first change to a corefile's text after the last
// step ended: the store's primitives that change text or lines (and the edit
// loop, before an operation that writes into the heap directly) call
// `undotouch`, and the first call for a corefile copies its lines aside.
// When the step ends (`undoboundary`), each corefile touched is compared
// with its copy and the run of lines that differs, as it was before, becomes
// one entry of that corefile's history; the entry also holds a checksum of
// the lines that replaced it, so that an entry never lands on text it does
// not belong to.
//
// The history lives outside the text heap and is bounded: when the entries
// of all corefiles hold more than UNDOBYTES, the oldest are dropped first.
// The checksum leaves trailing blanks out: the collector strips them from
// every line at any time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "editor/store.hpp"

namespace oxa {

// The most text and line data the history holds, all corefiles together.
constexpr size_t UNDOBYTES = size_t{8} << 20;

// Per corefile: 1 when the open step has copied its lines.
extern std::array<uint8_t, NCORE> undotouched;
// Set while an entry is being applied: its own changes are not recorded.
extern bool undoapplying;
// Set at start-up: the first boundary forgets the start-up input's changes
// (the file fetched from the command line, a procedure given with -p)
// instead of recording them.
extern bool undoskipstartup;

// Copies corefile f's lines aside for the open step (opening it).
void undosnap(int32_t f);

// Called before any change to the text or the lines of corefile f (of the
// current corefile).
inline void undotouchcore(int32_t f) {
    if (!undoapplying && undotouched[static_cast<size_t>(f)] == 0) undosnap(f);
}
inline void undotouch() {
    undotouchcore(corenum);
}

// Ends the open step: records what it changed in each corefile touched (or,
// the first time after start-up, forgets it).
void undoboundary();
// Whether a step is open.
bool undoopen();

// What applying an entry came to.
enum class UndoResult {
    done,
    nothing,  // no entry to apply
    mismatch, // the text is not what the entry was made for: history dropped
    noroom,   // the heap or the line headers cannot take the lines back
};

// Undoes (redoes) the newest step of the current corefile: its lines as they
// were, the cursor where the change was.  Ends the open step first.
UndoResult undostep();
UndoResult redostep();

// Entries held for corefile f, and the bytes the whole history holds.
size_t undocount(int32_t f);
size_t redocount(int32_t f);
size_t undoheld();

// Forgets every entry and the open step.
void resetundo();

} // namespace oxa
