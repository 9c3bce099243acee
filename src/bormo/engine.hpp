// Shared types of the generation engine: attribute types, compound attributes,
// attribute lists, indirection lists, the tree node and the lexical lookup.
//
// Compound attributes never hold values themselves: each component is an index
// into the delay table (`delayed`, or `lt_delayed` while a lexical
// transformation runs), so components that share an index share one value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace bormo {

// Records that every generation run makes and frees by the dozen (tree nodes,
// compound-attribute components, attribute-list cells) go back to a free list
// of their own type when deleted, and `new` takes them from there first: a
// run then costs no call of the general allocator for them.  The lists only
// grow to the most records alive at once.  Under the address sanitizer every
// record goes to the general allocator, so that a use after free is caught.
#if defined(__SANITIZE_ADDRESS__)
#define BORMO_RECYCLE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BORMO_RECYCLE 0
#endif
#endif
#ifndef BORMO_RECYCLE
#define BORMO_RECYCLE 1
#endif

template <class T>
struct recycled {
    static void* take(std::size_t n) {
#if BORMO_RECYCLE
        if (n == sizeof(T) && spare != nullptr) {
            cell* c = spare;
            spare = c->next;
            return c;
        }
#endif
        return ::operator new(n < sizeof(cell) ? sizeof(cell) : n);
    }
    static void give(void* p, std::size_t n) {
        if (p == nullptr) return;
#if BORMO_RECYCLE
        if (n == sizeof(T)) {
            cell* c = static_cast<cell*>(p);
            c->next = spare;
            spare = c;
            return;
        }
#endif
        ::operator delete(p);
    }

private:
    struct cell {
        cell* next;
    };
    static inline cell* spare = nullptr;
};

// The class-specific new and delete of a recycled record type.
#define BORMO_RECYCLED(T)                                                                          \
    static void* operator new(std::size_t n) { return recycled<T>::take(n); }                     \
    static void operator delete(void* p, std::size_t n) { recycled<T>::give(p, n); }

// Limits of the attribute system.
constexpr int MAXTYPES = 254;    // rows of attr_table; row 0 unused, so 253 types
constexpr int MAXENTRIES = 254;  // slots per type; slot 0 unused, so 253 values
constexpr int ATTRNAMESIZE = 32; // type name: 31 characters and the NUL
constexpr int DELAYSIZE = 5000;  // entries of delayed and lt_delayed
constexpr int MAXCOMP = 20;      // rows of the working array attr
constexpr int NVARIABLES = 26;   // rule variables 1..25 (0 unused)
constexpr int DICTSIZE = 1024;   // lexical lookups in dict_table
constexpr int PRINTSIZE = 1024;  // size of the texts made by print_comp_attr/print_attr_list

// Stored rule texts refer to variable k by the two bytes VARBYTE, k.
constexpr unsigned char VARBYTE = 0xFF;

// One attribute type and its values.
struct attr_table_entry {
    std::array<char, ATTRNAMESIZE> type; // the type's name
    int entries;                         // number of values + 1
    std::array<char*, MAXENTRIES> list;  // value names (owned), by value number
    std::array<int, MAXENTRIES> valence; // valence of each value
    int partial;                         // 1 when an order between values was declared
    int* trans; // entries x entries closure of the order, row by row (owned), or null
};

// One record of the sorted name lookup.
struct attr_qlookup {
    const char* text; // the name (points into attr_table)
    int type;         // type number
    int number;       // value number, -1 for a type name
};

// One delay-table entry: the storage behind a compound-attribute component.
struct t_delay {
    int class_; // type number
    int choice; // value number, -1 while open
    int fixed;  // 1 when given with a definite value (or fixed later by a choice)
};

// A compound attribute: a chain of components, each a delay-table index.
struct s_comp_attr {
    BORMO_RECYCLED(s_comp_attr)
    int index;
    s_comp_attr* another;
};
using comp_attr = s_comp_attr*;

// An attribute list: a chain of compound attributes (owned).
struct s_attr_list {
    BORMO_RECYCLED(s_attr_list)
    int attr_count; // number of components of first
    comp_attr first;
    s_attr_list* next;
};
using attr_list = s_attr_list*;

// One row of the working array.
struct attr_row {
    int type;
    int value;   // -1 for a bare type
    int decon;   // 1 when written with a leading '/'
    int ltindex; // lt_delayed index the component came from
    int lttmp;   // value proposed by a lexical match, -1 when none
};

// Indirections carried by a tree node.
struct s_indirection {
    int fieldnum;     // lexicon field the indirection reads
    char* tag;        // owned, may be null
    char* attributes; // owned, may be null
};
using t_indirection = s_indirection*;

struct s_indir_list {
    t_indirection indir_node;
    s_indir_list* next;
};
using indir_list = s_indir_list*;

// Defined by the transformation and error-analysis modules.
struct transformation;
using Transformation = transformation;
struct morphvar;

struct dict_lookup;
using t_dict_lookup = dict_lookup;

// Node names up to this size (the NUL included) are kept inside the node.
constexpr int NODENAMESIZE = 24;

// One node of a generated tree.  Strings are owned by the node unless noted.
struct treenode {
    BORMO_RECYCLED(treenode)
    char* name;                     // rule name or terminal category: `shortname`, or owned
    t_dict_lookup* dictionary;      // entry in dict_table (not owned), null for inner nodes
    int index;                      // position of that entry in dict_table
    char* morphed_word;             // surface form written by morphology, null before
    char* preferredchoice;          // mandated word, or null
    char* restrictions;             // field restrictions, or null
    int vf;                         // frequency variation, -1 for none
    Transformation* transformation; // attached transformations (private copies), in order
    attr_list attributes;           // the node's compound attributes
    indir_list indirections;        // the node's indirections
    morphvar* mvar;                 // variants from error analysis (not copied)
    treenode* sibling;              // next child of the same parent
    treenode* son;                  // first child
    treenode* left;                 // previous leaf
    treenode* right;                // next leaf; on a root: the first leaf
    std::array<char, NODENAMESIZE> shortname; // holds `name` when it fits
    const char* rule;    // the rule that expands `name`, found when the node was made
    uint64_t rule_stamp; // packrevision when `rule` was found, 0 when not looked up
};
using t_treenode = treenode;

// One lexical lookup: the constraints one word must meet.
struct dict_lookup {
    char* class_;          // terminal category: `shortclass`, or owned
    char* dictionary;      // chosen lexical record (points into the lexicon), or null
    attr_list attributes;  // union of the attributes of the leaves that filled it
    char* preferredchoice; // mandated word, or null
    int error;             // 0 found, 1 terminal not found, 2 passed over, 3 no entry
    char* fields;          // merged field restrictions, or null
    int pointed_at;        // 1 once a leaf has filled the entry
    int vf;                // frequency variation, -1 for none
    t_treenode* lspseq;    // pattern sequence of an entry beginning with the _ilt_ code
    std::array<char, NODENAMESIZE> shortclass; // holds `class_` when it was taken from a short name
};

// Frees the category of a lookup unless it is kept inside the lookup.
inline void release_class(dict_lookup& d) {
    if (d.class_ != d.shortclass.data()) std::free(d.class_);
    d.class_ = nullptr;
}

// One preselection: a key compound and, optionally, the node whose word it fixes.
struct pre_rule {
    comp_attr PST;   // the key
    int node;        // 1 when RHS is set
    t_treenode* RHS; // the node built from the right-hand side
    pre_rule* next;  // the next (older) preselection
};
using preselect_rule = pre_rule;

// Engine-wide state used by several modules.
extern pre_rule* preselect_list; // the preselection stack, most recent first
extern int MState;               // 1 while a lexical transformation evaluates, else 0

// Empties the engine-wide state above (does not free the preselections).
void resetengine();

} // namespace bormo
