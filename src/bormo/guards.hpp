// The guard language shared by morphology rules and guarded syntax rules:
// terms about a node (compound attributes, word patterns, lexical-field tests,
// preselections) joined by "," (and) and "|" (or), grouped by parentheses,
// each optionally aimed at another leaf by a designator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bormo/attrcodes.hpp"
#include "bormo/engine.hpp"

namespace bormo {

constexpr int MAXGROUPDEPTH = 19; // groups nested at most this deep

extern t_treenode* current_node; // the node being morphed or expanded
extern const char* end_guard;    // where the last guard evaluation stopped (its ':')

// The leaf k places right (k > 0) or -k places left (k < 0) of `node` along
// the leaf thread; `node` itself for 0; null when the thread ends.
t_treenode* traverseleaves(t_treenode* node, int k);

// A guard read into a tree.  The tree holds everything the text says (what
// each term is, its designator, where it stops), so that evaluating it needs
// the text only for the parts that are themselves texts to match or read at
// use (word patterns, compounds, preselection keys).  Digits before a term are
// a designator unless they begin an attribute's name: the tree holds for the
// attribute names it was read with.
struct guardterm {
    enum class kind : char { other, group, pattern, any, lexical, preselect, is, attribute };
    kind what = kind::other;
    bool hasdes = false;
    int des = 0;
    bool toodeep = false; // a group nested too deep: false
    bool junk = false;    // bytes after the term that are not understood: false
    // pattern: the text after the opening quote; lexical: the pattern after
    // '='; preselect, is, attribute: the term's first byte.
    const char* start = nullptr;
    int group = -1;   // group: its alternatives in guardtree::groups
    char wild = 0;    // pattern: 'e' the whole word, 's' an ending, 0 general
    std::string word; // pattern: the word or the ending
    int field = 0;    // lexical: "<" field ["." leaf] "=" pattern ">"
    int leaf = 0;
    bool wellformed = false; // lexical: the '=' is there
    bool proper = false;     // is: a compound, then a preselection key
    codedcompound code;      // attribute: the compound read, once read
};
using guardalternative = std::vector<guardterm>;
using guardgroup = std::vector<guardalternative>;

struct guardtree {
    std::vector<guardgroup> groups;
    std::vector<int> top; // the groups read at top level, one more per stray ')'
    size_t length = 0;    // the guard ends (its ':' or the NUL) at text + length
};

// Reads `text` (ended by ':') into a tree.  Reading writes nothing.
guardtree read_guard(const char* text);

// Evaluates the tree of `text` for current_node: 1 true, 0 false; end_guard is
// left at the end of the guard.  Terms not needed are not evaluated.
int eval_guardtree(guardtree& g, const char* text);

// True when two trees say the same (kept codes aside).
bool same_guard(const guardtree& a, const guardtree& b);

// Evaluates the guard `text` (ended by ':') for current_node: 1 true, 0 false.
// end_guard is left at the ':' (or at the end of the text when it has none).
int m_guard(const char* text);

// The same for an explicit node: returns the truth of the guard and, when
// `after` is given, stores the position just after its ':'.  current_node is
// put back as it was.
bool eval_guard(t_treenode* node, const char* text, const char** after);

// The guard read left to right from its text, as the tree's evaluation must
// agree with.
int walk_guard(const char* text);

// Forgets the current node and the last guard end.
void resetguards();

} // namespace bormo
