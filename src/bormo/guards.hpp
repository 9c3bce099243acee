// Guards: the conditions that choose between guarded right-hand sides of
// syntax rules and between the subrules of morph rules.  A guard is read left
// to right for `current_node` and ends at ':'.
//
//   guard  := alt { '|' alt }        alt := term { ',' term }
//   term   := [designator] ( '(' guard ')' | primary )
//   designator := ['-'] digits separator    (a leaf that many places along the thread)
//   primary := compound attribute | '"' pattern '"' | '*' | '<' n ['.' m] '=' pattern '>'
//            | _pre_ key | _is_ compound _pre_ key
#pragma once

#include "bormo/engine.hpp"

namespace bormo {

constexpr int MAXGROUPDEPTH = 19; // nested groups of one guard

extern t_treenode* current_node; // the node being expanded or morphed
extern const char* end_guard;    // where the last guard evaluation stopped (its ':')

// 1 when the guard at `text` holds for current_node, else 0.
int m_guard(const char* text);

// The leaf k places right (k > 0) or -k places left of `node` along the leaf
// thread, or null when the thread ends first.
t_treenode* traverseleaves(t_treenode* node, int k);

void resetguards();

} // namespace bormo
