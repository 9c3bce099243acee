// Transformations: the rewriting of a node's children by the transformations
// attached to it (file transformations with guards and replacements, and the
// built-in ones carried out by a function), applied from the root downwards.
//
// A compiled guard is a sequence of elements, each either ' ' name with an
// optional attribute list '[' compound ',' ... ']', or '*' (any number of
// children, none included).  A compiled replacement is a sequence of ' ' name
// items with their attachments; the name is a number n >= 1 (the children
// covered by guard element n), ROOT, or any other name (a new terminal).
#pragma once

#include <array>

#include "bormo/engine.hpp"
#include "bormo/syntax.hpp"

namespace bormo {

constexpr int GUARDSLOTS = MAXGUARDLEN + 2; // slot 0 unused, one past the last element
constexpr int SEARCHPRIORITY = 1000;        // priorities below this are selected

// The first (and last, unused) child matched by one guard element.
struct trans_node_ref {
    t_treenode* first;
    t_treenode* last;
};
using Trans_Node_Ref = trans_node_ref;

// One row of the built-in table.  Columns: name, priority, function.  The
// table is ended by a row without name.
struct built_in_entry {
    const char* name;
    int priority;
    void (*function)(t_treenode*);
};

// Slot k: the first child matched by guard element k, after a successful match.
extern std::array<Trans_Node_Ref, GUARDSLOTS> guard_array;
extern int guard_elements;   // elements of the last guard matched (0 when it failed)
extern int built_ins_loaded; // 1 while the built-ins are on trans_stack

// Applies the node's transformations by priority, then its children's.
void transform(t_treenode* node);
// Applies the first subrule of t whose guard matches the node's children.
void do_transform(t_treenode* node, Transformation* t);
// 1 when the guard matches the children from firstchild on; fills guard_array.
int match_guard(t_treenode* firstchild, const char* guard);
// Replaces the node's children as the replacement text says.
void apply_rule(t_treenode* node, const char* rule);
// The attached transformation to run next: the lowest priority, the first among equals.
Transformation* find_low_priority(t_treenode* node);
// Removes from the node's list the first transformation named as t.
void removeTrans(t_treenode* node, Transformation* t);
// Makes every node below top (top itself excepted) that refers to delay entry
// old refer to new_ instead; node is where the walk starts.
void change_attr(t_treenode* node, int old, int new_, t_treenode* top);
// Reads the attribute list at text ('[' ... ']') and changes the node's
// attributes; returns the position after the list.
const char* construct_attr_tran(t_treenode* node, const char* text);

// Built-ins.
void flatten(t_treenode* node);
void add_built_in();

// Clears the matching state and the built-in flag (trans_stack itself belongs
// to the syntax reader); tests use it after resetsyntax().
void resettransform();

} // namespace bormo
