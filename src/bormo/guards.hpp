// The guard language shared by morphology rules and guarded syntax rules:
// terms about a node (compound attributes, word patterns, lexical-field tests,
// preselections) joined by "," (and) and "|" (or), grouped by parentheses,
// each optionally aimed at another leaf by a designator.
#pragma once

#include <cstdint>
#include <string>

#include "bormo/engine.hpp"

namespace bormo {

constexpr int MAXGROUPDEPTH = 19; // groups nested at most this deep

extern t_treenode* current_node; // the node being morphed or expanded
extern const char* end_guard;    // where the last guard evaluation stopped (its ':')

// The leaf k places right (k > 0) or -k places left (k < 0) of `node` along
// the leaf thread; `node` itself for 0; null when the thread ends.
t_treenode* traverseleaves(t_treenode* node, int k);

// Evaluates the guard `text` (ended by ':') for current_node: 1 true, 0 false.
// end_guard is left at the ':' (or at the end of the text when it has none).
int m_guard(const char* text);

// m_guard for a stored text its owner has not changed since it counted
// `version` changes (a count raised at every change of its texts, never 0):
// the kept reading of the text is used without comparing its bytes again.
int m_guard_stored(const char* text, uint64_t version);

// The same for an explicit node: returns the truth of the guard and, when
// `after` is given, stores the position just after its ':'.  current_node is
// put back as it was.
bool eval_guard(t_treenode* node, const char* text, const char** after);

// The readings kept for stored guards of the current pack revision checked
// against the morphology rules' guards (see checkpack): one line per
// disagreement.
std::string checkguardkept();

// Forgets the kept guard shapes, the current node and the last guard end.
void resetguards();

} // namespace bormo
