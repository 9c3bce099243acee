// Transformations and the built-in FLATTEN.
#include "bormo/transform.hpp"

#include <cstdlib>
#include <cstring>
#include <string>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/vline.hpp"

namespace bormo {

std::array<Trans_Node_Ref, GUARDSLOTS> guard_array{};
int guard_elements = 0;
int built_ins_loaded = 0;

// Columns: name, priority, function.  Ended by a row without name.
constexpr built_in_entry built_in_table[] = {
    {"FLATTEN", 10, flatten},
    {nullptr, 0, nullptr},
};
static_assert(sizeof(built_in_table) / sizeof(built_in_table[0]) == 2);

namespace {

using uchar = unsigned char;

uchar at(const char* p) {
    return static_cast<uchar>(*p);
}

int transform_depth = 0;        // nesting of transform calls
bool transform_stopped = false; // a limit was met in this walk
int transform_nodes = 0;        // nodes made by the transformations of this walk

// Counts the nodes of a subtree made by a transformation: a transformation
// that brings itself back through the nodes it makes would grow the tree
// without end, so a walk may make no more nodes than a tree may have.
t_treenode* counted(t_treenode* t) {
    for (t_treenode* s = t ? t->son : nullptr; s; s = s->sibling)
        counted(s);
    if (t) ++transform_nodes;
    return t;
}

bool transform_over() {
    return transform_depth >= MAXNODES || transform_nodes > MAXNODES;
}

void stop_transform() {
    if (!transform_stopped) v_print(MSGCORE, "transformation terminated");
    transform_stopped = true;
}

// Kinds of the elements of the last guard matched, by element number.
std::array<bool, GUARDSLOTS> star_element{};

const char* skip_list(const char* p) { // p at '['
    ++p;
    while (*p && *p != ']') {
        uchar c = at(p);
        if (c == SYN_VAR || c == '!')
            p = skip_byte(p + 1);
        else if (c == '"')
            p = skip_quoted(p);
        else
            ++p;
    }
    return skip_byte(p);
}

bool ends_values(uchar c) {
    return c == 0 || c == ' ' || c == '(' || c == ')' || c == '/' || c == ';' || c == '[' ||
           c == '|' || c == SYN_FREQ;
}

// The end of the one attachment at p, or p when p holds none.
const char* attachment_end(const char* p) {
    std::string name;
    switch (at(p)) {
    case SYN_TRANS:
        return read_name(p + 1, name);
    case '[':
        return skip_list(p);
    case '/':
        p = skip_byte(skip_byte(p + 1));
        if (*p == '=') ++p;
        while (!ends_values(at(p)))
            p = *p == '"' ? skip_quoted(p) : p + 1;
        return p;
    case '"':
        return skip_quoted(p);
    case SYN_FREQ:
        ++p;
        if (*p == '-') ++p;
        while (std::isdigit(at(p)))
            ++p;
        return p;
    case '@':
        p = skip_byte(p + 1);
        if (*p == ':') p = read_name(p + 1, name);
        if (*p == '[') p = skip_list(p);
        return p;
    case SYN_PRE:
        return skip_compattr(p + 1);
    default:
        return p;
    }
}

// The children covered by guard element n: [first, end).
void covered(int n, t_treenode*& first, t_treenode*& end) {
    first = end = nullptr;
    if (n < 1 || n > guard_elements) return;
    first = guard_array[n].first;
    if (!first) return;
    if (!star_element[n])
        end = first->sibling;
    else
        end = n < guard_elements ? guard_array[n + 1].first : nullptr;
}

// 1 when every item of the attribute list at p ('[' ... ']') is among the
// node's attributes.
bool attributes_match(t_treenode* child, const char* p) {
    ++p;
    while (*p && *p != ']') {
        if (*p == ',') {
            ++p;
            continue;
        }
        const char* q = text_to_comp_array(p, 1);
        if (attr_index == 0 || !find_attr(child->attributes)) return false;
        if (q == p) return false;
        p = q;
    }
    return true;
}

// One element of a compiled guard.
struct guard_element {
    bool star;
    std::string name;
    const char* attrs; // at '[', or null
};

bool element_matches(const guard_element& e, t_treenode* child) {
    if (!child || !child->name || e.name != child->name) return false;
    return !e.attrs || attributes_match(child, e.attrs);
}

void append_child(t_treenode*& head, t_treenode*& tail, t_treenode* n) {
    if (!n) return;
    n->sibling = nullptr;
    if (tail)
        tail->sibling = n;
    else
        head = n;
    tail = n;
}

void collect_leaves(t_treenode* n, t_treenode*& head, t_treenode*& tail) {
    for (; n; n = n->sibling) {
        if (n->son)
            collect_leaves(n->son, head, tail);
        else
            append_child(head, tail, counted(copytree(n)));
    }
}

void purge_children(t_treenode* n) {
    for (t_treenode* c = n; c;) {
        t_treenode* next = c->sibling;
        purge_tree(c);
        c = next;
    }
}

// Adds the compound c to the node; a single component replaces the node's
// single-component attribute of the same type and carries the new entry to
// the descendants that shared the old one.
void add_tran_attr(t_treenode* node, comp_attr c) {
    if (!c) return;
    if (!c->another) {
        comp_attr old = find_type_in_attr(c->index, node->attributes);
        if (old) {
            int oldindex = old->index;
            new_attr_remove(&node->attributes, old);
            change_attr(node, oldindex, c->index, node);
        }
    }
    add_attr_to_list(&node->attributes, c);
}

} // namespace

void transform(t_treenode* node) {
    if (!node) return;
    // A replacement may bring back the transformation that made it (through
    // ROOT or a copied child): past this depth, or once the walk has made as
    // many nodes as a tree may hold, the tree is left as it is.
    if (transform_over()) {
        stop_transform();
        return;
    }
    ++transform_depth;
    while (node->transformation) {
        if (transform_over()) {
            stop_transform();
            break;
        }
        Transformation* t = find_low_priority(node);
        if (t->functionPtr) {
            void (*fn)(t_treenode*) = t->functionPtr;
            removeTrans(node, t);
            fn(node);
        } else {
            do_transform(node, t);
            removeTrans(node, t);
        }
    }
    for (t_treenode* c = node->son; c; c = c->sibling)
        transform(c);
    if (--transform_depth == 0) {
        transform_stopped = false;
        transform_nodes = 0;
    }
}

void do_transform(t_treenode* node, Transformation* t) {
    if (!node || !t) return;
    for (sub_trans* s = t->first; s; s = s->next) {
        if (match_guard(node->son, s->guard.c_str())) {
            apply_rule(node, s->rule.c_str());
            return;
        }
    }
}

int match_guard(t_treenode* firstchild, const char* guard) {
    for (auto& g : guard_array)
        g = {nullptr, nullptr};
    star_element.fill(false);
    guard_elements = 0;

    std::array<guard_element, GUARDSLOTS> e{};
    int m = 0;
    const char* p = guard ? guard : "";
    while (*p) {
        if (*p == '*') {
            if (m + 1 >= GUARDSLOTS - 1) return 0; // longer than a guard may be
            e[++m] = {true, "", nullptr};
            ++p;
        } else if (*p == ' ') {
            if (m + 1 >= GUARDSLOTS - 1) return 0;
            guard_element& g = e[++m];
            g.star = false;
            p = read_name(p + 1, g.name);
            g.attrs = nullptr;
            if (*p == '[') {
                g.attrs = p;
                p = skip_list(p);
            }
        } else {
            ++p;
        }
    }

    int k = 1;
    t_treenode* child = firstchild;
    bool wild = false;
    bool starseen = false;
    int afterstar = 0;
    t_treenode* restart = nullptr;
    for (;;) {
        if (k > m) {
            if (!child || wild) break; // success
        } else if (e[k].star) {
            guard_array[k].first = child;
            wild = true;
            starseen = true;
            afterstar = k + 1;
            restart = child;
            ++k;
            continue;
        } else if (child) {
            guard_array[k].first = child;
            if (element_matches(e[k], child)) {
                if (wild) {
                    wild = false;
                    restart = child;
                }
                child = child->sibling;
                ++k;
                continue;
            }
        }
        // A mismatch, or the guard or the children ran out before the other.
        if (!wild) {
            if (!starseen) return 0;
            k = afterstar;
            child = restart;
            wild = true;
        }
        if (!child) return 0; // nothing left for the star to absorb
        child = child->sibling;
    }
    guard_elements = m;
    for (int i = 1; i <= m; ++i)
        star_element[i] = e[i].star;
    return 1;
}

void apply_rule(t_treenode* node, const char* rule) {
    if (!node) return;
    t_treenode* head = nullptr;
    t_treenode* tail = nullptr;
    const char* p = rule ? rule : "";
    std::string name;
    while (*p) {
        if (*p != ' ') {
            ++p;
            continue;
        }
        p = read_name(p + 1, name);
        if (!name.empty() && std::isdigit(at(name.c_str()))) {
            int n = std::atoi(name.c_str());
            t_treenode* first;
            t_treenode* end;
            covered(n, first, end);
            for (t_treenode* c = first; c && c != end; c = c->sibling)
                append_child(head, tail, counted(copytree(c)));
        } else if (name == "ROOT") {
            append_child(head, tail, counted(copytree(treestate == 1 ? root : oldroot)));
        } else if (!name.empty()) {
            t_treenode* n = counted(makenode(name.c_str()));
            terminal_node(n);
            append_child(head, tail, n);
        }
        // The attachments apply to the last node added, if any.
        for (;;) {
            const char* q = attachment_end(p);
            if (q == p) break;
            if (tail) {
                if (*p == '[') {
                    construct_attr_tran(tail, p);
                } else {
                    std::string one(p, q);
                    add_attachments(tail, one.c_str(), ATT_TRANS);
                }
            }
            p = q;
        }
    }
    purge_children(node->son);
    node->son = head;
}

Transformation* find_low_priority(t_treenode* node) {
    if (!node || !node->transformation) return nullptr;
    Transformation* best = nullptr;
    int low = SEARCHPRIORITY;
    for (Transformation* t = node->transformation; t; t = t->next) {
        if (t->priority < low) {
            low = t->priority;
            best = t;
        }
    }
    // A priority out of range (never accepted from a file) runs last, in order.
    return best ? best : node->transformation;
}

void removeTrans(t_treenode* node, Transformation* t) {
    if (!node || !t) return;
    std::string name = t->name;
    for (Transformation** p = &node->transformation; *p; p = &(*p)->next) {
        if ((*p)->name == name) {
            Transformation* dead = *p;
            *p = dead->next;
            delete dead;
            return;
        }
    }
}

void change_attr(t_treenode* node, int old, int new_, t_treenode* top) {
    for (t_treenode* n = node; n; n = n == top ? nullptr : n->sibling) {
        if (n != top)
            for (attr_list l = n->attributes; l; l = l->next)
                for (comp_attr c = l->first; c; c = c->another)
                    if (c->index == old) c->index = new_;
        if (n->son) change_attr(n->son, old, new_, top);
    }
}

const char* construct_attr_tran(t_treenode* node, const char* text) {
    const char* p = text;
    if (!p || *p != '[') return p;
    ++p;
    while (*p && *p != ']') {
        if (*p == ',') {
            ++p;
            continue;
        }
        const char* q = p;
        if (*p == '-') {
            q = text_to_comp_array(p + 1, 1);
            comp_attr c = attr_index ? find_attr(node->attributes) : nullptr;
            if (c) new_attr_remove(&node->attributes, c);
        } else if (*p == '!') {
            int n = at(p + 1);
            q = text_to_comp_array(skip_byte(p + 1), 1);
            t_treenode* first;
            t_treenode* end;
            covered(n, first, end);
            comp_attr c = (attr_index && first) ? find_attr(first->attributes) : nullptr;
            if (c) add_tran_attr(node, dup_decon_comp_attr(c));
        } else {
            q = text_to_comp_struct(p, 1);
            comp_attr c = comp_attr_register;
            comp_attr_register = nullptr;
            add_tran_attr(node, c);
        }
        // Whatever this list may hold beyond its items is stepped over.
        if (q == p) {
            while (*q && *q != ',' && *q != ']')
                q = *q == '"' ? skip_quoted(q) : q + 1;
        }
        p = q;
    }
    return skip_byte(p);
}

void flatten(t_treenode* node) {
    if (!node || !node->son) return;
    t_treenode* head = nullptr;
    t_treenode* tail = nullptr;
    collect_leaves(node->son, head, tail);
    purge_children(node->son);
    node->son = head;
}

void add_built_in() {
    for (const built_in_entry* b = built_in_table; b->name; ++b) {
        bool present = false;
        for (Transformation* t = trans_stack; t; t = t->next)
            if (t->functionPtr == b->function && t->name == b->name) present = true;
        if (!present)
            trans_stack =
                new transformation{b->name, b->priority, nullptr, b->function, trans_stack};
    }
    built_ins_loaded = 1;
}

void resettransform() {
    transform_depth = 0;
    transform_stopped = false;
    transform_nodes = 0;
    for (auto& g : guard_array)
        g = {nullptr, nullptr};
    star_element.fill(false);
    guard_elements = 0;
    built_ins_loaded = 0;
}

} // namespace bormo
