// Tree expansion and the lexical lookup table.
//
// A rule body is walked byte by byte (the stored form of the syntax reader);
// children are made as they are met and expanded afterwards, depth first.
// Attribute agreement costs nothing here: attaching one variable to several
// children gives them the same delay-table indices, and the one random choice
// made for those entries later reaches every leaf.
#include "bormo/expansion.hpp"

#include <cstdlib>
#include <cstring>
#include <string>

#include "bormo/attributes.hpp"
#include "bormo/guards.hpp"
#include "bormo/hashing.hpp"
#include "bormo/lazytable.hpp"
#include "bormo/indirection.hpp"
#include "bormo/transform.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/sentences.hpp"
#include "bormo/syntax.hpp"
#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "editor/frontend.hpp"

namespace bormo {

std::array<t_dict_lookup, DICTSIZE> dict_table{};
int d_table_count = 0;
t_treenode* root = nullptr;
t_treenode* oldroot = nullptr;
std::array<t_treenode*, NTREES> rootPtrs{};
std::array<char*, NTREES> genSentences{};
int nodecount = 0;
int treestate = 0;
pre_rule* globalpre_list = nullptr;
int preselect_barrier = 0;
int global_barrier = 0;
int global_delayptr = 0;

namespace {

using uchar = unsigned char;

uchar at(const char* p) {
    return static_cast<uchar>(*p);
}

char* dup(const char* s) {
    return s ? strdup_(s) : nullptr;
}

void set_string(char*& field, const char* s) {
    std::free(field);
    field = dup(s);
}

// A fresh lookup: every pointer null, error 0, vf -1, not pointed at.
void fresh_lookup(t_dict_lookup& d) {
    if (d.class_) release_class(d);
    if (d.preferredchoice) std::free(d.preferredchoice);
    if (d.fields) std::free(d.fields);
    if (d.attributes) purge_attr_list(&d.attributes);
    if (d.lspseq) purge_tree(d.lspseq);
    d = t_dict_lookup{};
    d.vf = -1;
}

// Where the values of a field restriction end.
bool ends_values(uchar c) {
    return c == 0 || c == ' ' || c == '(' || c == ')' || c == '/' || c == ';' || c == '[' ||
           c == '|' || c == SYN_FREQ || c == '<' || c == '>' || c == SYN_INHERIT ||
           c == SYN_CHOOSE || c == SYN_SELECT || c == SYN_RHS || c == ']';
}

// The highest rule variable that may be set: the variables are set here
// only, so a clear looks no further (the first looks at them all).
int variables_high = NVARIABLES - 1;

void set_variable(int v, comp_attr c) {
    if (v < 1 || v >= NVARIABLES) {
        purge_comp_attr(&c);
        return;
    }
    purge_comp_attr(&variable_table[v]);
    variable_table[v] = c;
    if (v > variables_high) variables_high = v;
}

void clear_variables() {
    for (int v = 1; v <= variables_high; ++v)
        if (variable_table[v]) purge_comp_attr(&variable_table[v]);
    variables_high = 0;
}

void preselection_error() {
    v_err("Preselection: ", pre_status_text[pre_status], bad_pst.c_str());
}

// A compound that names a preselection key: `form` 1 (compound and key) takes
// the requested attribute from the preselected word, form 2 (key alone) a copy
// of the key.  Null, after a message, when the key does not resolve.
comp_attr attr_from_key(const char* p) {
    analyze_pre(p);
    if (attr_form == 2) {
        if (pre_status >= 4 && pre_status <= 6) return dup_decon_comp_attr(pre_match->PST);
    } else if (attr_form == 1) {
        if (pre_status == 6) return attr_from_pre();
    }
    preselection_error();
    return nullptr;
}

// One attribute-list item of a node; returns the position after it.
const char* attach_item(t_treenode* node, const char* p) {
    // The common item, a variable alone: a copy of the variable's compound.
    if (at(p) == VARBYTE && p[1] && (p[2] == ',' || p[2] == ']')) {
        int v = at(p + 1);
        comp_attr c = duplicate_comp_attr(v < NVARIABLES ? variable_table[v] : nullptr);
        if (c) add_attr_to_list(&node->attributes, c);
        return p + 2;
    }
    const char* end = skip_compattr(p);
    if (at(p) == SYN_PRE || at(end) == SYN_PRE) {
        comp_attr c = attr_from_key(p);
        if (c) add_attr_to_list(&node->attributes, c);
        return at(end) == SYN_PRE ? skip_compattr(end + 1) : end;
    }
    if (end == p) return p;
    text_to_comp_struct(p, 1);
    if (comp_attr_register) add_attr_to_list(&node->attributes, comp_attr_register);
    comp_attr_register = nullptr;
    return end;
}

// '[' item ',' item ... ']'; the items of a transformation's right-hand side
// are left to the transformation, which reads them itself.
const char* attach_list(t_treenode* node, const char* p, int kind) {
    ++p;
    while (*p && *p != ']') {
        if (*p == ',') {
            ++p;
            continue;
        }
        const char* q = kind == ATT_TRANS ? p : attach_item(node, p);
        if (q == p) { // an item this kind does not read: step over it
            while (*q && *q != ',' && *q != ']')
                q = *q == '"' ? skip_quoted(q) : q + 1;
        }
        p = q;
    }
    return *p ? p + 1 : p;
}

void attach_transformation(t_treenode* node, const std::string& name) {
    transformation* t = gettrans(name.c_str());
    if (!t) {
        v_err(" - Bad Transformation Name: ", name.c_str(), "");
        return;
    }
    // A private copy; its subrules stay those of the rule stack.
    transformation* copy =
        new transformation{t->name, t->priority, t->first, t->functionPtr, nullptr};
    transformation** tail = &node->transformation;
    while (*tail)
        tail = &(*tail)->next;
    *tail = copy;
}

void free_transformations(transformation*& list) {
    while (list) {
        transformation* n = list->next;
        delete list;
        list = n;
    }
}

transformation* copy_transformations(const transformation* t) {
    transformation* head = nullptr;
    transformation** tail = &head;
    for (; t; t = t->next) {
        *tail = new transformation{t->name, t->priority, t->first, t->functionPtr, nullptr};
        tail = &(*tail)->next;
    }
    return head;
}

void free_preselection(pre_rule* r) {
    purge_comp_attr(&r->PST);
    if (r->RHS) purge_tree(r->RHS);
    delete r;
}

// Pops the preselection stack down to `keep` (which stays).
void pop_preselections(pre_rule* keep) {
    while (preselect_list && preselect_list != keep) {
        pre_rule* r = preselect_list;
        preselect_list = r->next;
        free_preselection(r);
    }
}

void thread_from(t_treenode* n, t_treenode* tree, t_treenode*& last) {
    for (; n; n = n->sibling) {
        if (n->son) {
            thread_from(n->son, tree, last);
            continue;
        }
        n->left = last;
        n->right = nullptr;
        if (last)
            last->right = n;
        else
            tree->right = n;
        last = n;
    }
}

// The fields of a restriction string, each without its '|'.
void split_fields(const char* s, std::string* out, int& n, int max) {
    n = 0;
    if (!s) return;
    std::string f;
    bool quoted = false;
    for (; *s; ++s) {
        if (*s == '"') quoted = !quoted;
        if (*s == '|' && !quoted) {
            if (n < max) out[n++] = f;
            f.clear();
        } else {
            f += *s;
        }
    }
    if (!f.empty() && n < max) out[n++] = f;
}

char* bounded(const std::string& s, size_t size) {
    std::string cut = s.size() < size ? s : s.substr(0, size - 1);
    return strdup_(cut.c_str());
}

// Children read from stored rule texts.  The name of a child and the rule
// that expands it depend only on the rule text at its position and on the
// rule stack, and a rule text never changes while the pack keeps its
// revision; so they are kept by the address of the position, for that revision.
struct childread {
    const char* at = nullptr;    // the ' ' before the child's name
    uint64_t stamp = 0;          // packrevision when read
    const char* after = nullptr; // the position after the name
    const char* rule = nullptr;  // the child's rule, null for a terminal
    bool isroot = false;         // the name is ROOT
    std::string name;
};
constexpr int CHILDSETBITS = 8;
constexpr size_t CHILDWAYS = 4;
lazytable<childread, CHILDWAYS << CHILDSETBITS> childreads;
size_t childvictim = 0; // the way the next new child replaces when its set is full

const childread& readchild(const char* p, uint64_t stamp) {
    size_t set = topbits(mixaddress(p), CHILDSETBITS) * CHILDWAYS;
    size_t free_way = CHILDWAYS;
    for (size_t w = 0; w < CHILDWAYS; ++w) {
        const childread& k = childreads[set + w];
        if (k.stamp == stamp && k.at == p) return k;
        if (free_way == CHILDWAYS && k.stamp != stamp) free_way = w;
    }
    if (free_way == CHILDWAYS) free_way = childvictim++ % CHILDWAYS;
    childread& k = childreads[set + free_way];
    k.at = p;
    k.stamp = stamp;
    k.after = read_name(p + 1, k.name);
    k.rule = getrule(k.name.c_str());
    k.isroot = k.name == "ROOT";
    return k;
}

// Skips over parts of a rule text, kept the same way by address: `n` -1 the
// end of a compound, -2 skip_rule(p), else skip_alternatives(p, n).
struct skipread {
    const char* at = nullptr;
    int n = 0;
    uint64_t stamp = 0;
    const char* after = nullptr;
};
constexpr int SKIPBITS = 10;
lazytable<skipread, size_t{1} << SKIPBITS> skipreads;

const char* skip_in_rule(const char* p, int n, uint64_t stamp) {
    skipread& k = skipreads[topbits(mixaddress(p, static_cast<uint64_t>(n) * 0x10001ull), SKIPBITS)];
    if (k.stamp != stamp || k.at != p || k.n != n)
        k = {p, n, stamp,
             n == -1 ? skip_compattr(p) : n == -2 ? skip_rule(p) : skip_alternatives(p, n)};
    return k.after;
}

} // namespace

// ------------------------------------------------------------- nodes and trees

namespace {

// Names the node: a short name goes into the node itself, a longer one is
// owned.  Nothing is written before morphology, so `morphed_word` stays null
// until then (every reader takes null for the empty word).
void name_node(t_treenode* n, const char* name) {
    size_t len = std::strlen(name);
    if (len < n->shortname.size()) {
        std::memcpy(n->shortname.data(), name, len + 1);
        n->name = n->shortname.data();
    } else {
        n->name = strdup_(name);
    }
}

void free_name(t_treenode* n) {
    if (n->name != n->shortname.data()) std::free(n->name);
    n->name = nullptr;
}

} // namespace

t_treenode* makenode(const char* name) {
    t_treenode* n = new t_treenode{};
    name_node(n, name ? name : "");
    n->vf = -1;
    ++nodecount;
    return n;
}

t_treenode* copy_node(t_treenode* n) {
    if (!n) return nullptr;
    t_treenode* c = new t_treenode{};
    if (n->name == n->shortname.data()) {
        c->shortname = n->shortname;
        c->name = c->shortname.data();
    } else {
        name_node(c, n->name ? n->name : "");
    }
    c->dictionary = n->dictionary;
    c->index = n->index;
    c->morphed_word = n->morphed_word && *n->morphed_word ? strdup_(n->morphed_word) : nullptr;
    c->preferredchoice = dup(n->preferredchoice);
    c->restrictions = dup(n->restrictions);
    c->vf = n->vf;
    c->transformation = copy_transformations(n->transformation);
    c->attributes = duplicate_attr_list(n->attributes);
    c->indirections = duplicate_indir_list(n->indirections);
    return c;
}

t_treenode* copytree(t_treenode* t) {
    if (!t) return nullptr;
    t_treenode* c = copy_node(t);
    t_treenode** tail = &c->son;
    for (t_treenode* s = t->son; s; s = s->sibling) {
        *tail = copytree(s);
        tail = &(*tail)->sibling;
    }
    return c;
}

void purge_node(t_treenode* n) {
    if (!n) return;
    free_name(n);
    if (n->morphed_word) std::free(n->morphed_word);
    if (n->preferredchoice) std::free(n->preferredchoice);
    if (n->restrictions) std::free(n->restrictions);
    if (n->transformation) free_transformations(n->transformation);
    if (n->attributes) purge_attr_list(&n->attributes);
    if (n->indirections) indir_purge_list(&n->indirections);
    if (n->mvar) free_variants(n);
    delete n;
}

void purge_tree(t_treenode* t) {
    if (!t) return;
    for (t_treenode* s = t->son; s;) {
        t_treenode* next = s->sibling;
        purge_tree(s);
        s = next;
    }
    purge_node(t);
}

void purge_all_trees() {
    purge_tree(root);
    root = nullptr;
    purge_tree(oldroot);
    oldroot = nullptr;
    for (auto& t : rootPtrs) {
        purge_tree(t);
        t = nullptr;
    }
}

void thread(t_treenode* tree) {
    if (!tree) return;
    tree->right = nullptr;
    // A tree of one node is its own only leaf; its thread stays empty so that
    // no walk along `right` can come back to it.
    if (!tree->son) {
        tree->left = nullptr;
        return;
    }
    t_treenode* last = nullptr;
    thread_from(tree->son, tree, last);
}

// ------------------------------------------------------------------- lookups

void purgelookups(int from) {
    if (from < 0) from = 0;
    for (int i = d_table_count - 1; i >= from; --i)
        fresh_lookup(dict_table[i]);
    if (from < d_table_count) d_table_count = from;
}

void terminal_node(t_treenode* node) {
    if (!node || node->dictionary || d_table_count >= DICTSIZE) return;
    t_dict_lookup& d = dict_table[d_table_count];
    fresh_lookup(d);
    node->dictionary = &d;
    node->index = d_table_count;
    ++d_table_count;
}

// ---------------------------------------------------------------- expansion

const char* add_attachments(t_treenode* node, const char* p, int kind) {
    std::string name;
    for (;;) {
        uchar c = at(p);
        if (c == SYN_TRANS) {
            p = read_name(p + 1, name);
            attach_transformation(node, name);
        } else if (c == '[') {
            p = attach_list(node, p, kind);
        } else if (c == '/') {
            int n = p[1] ? at(p + 1) : 0;
            p += p[1] ? 2 : 1;
            if (*p == '=') ++p;
            const char* v = p;
            while (!ends_values(at(p)))
                p = *p == '"' ? skip_quoted(p) : p + 1;
            std::string values(v, p);
            if (n > 0) {
                char* r = insert_restriction(node->restrictions, values.c_str(), n);
                std::free(node->restrictions);
                node->restrictions = r;
            }
        } else if (c == '"') {
            const char* e = skip_quoted(p);
            std::string word(p + 1, e - p - (e[-1] == '"' ? 2 : 1));
            set_string(node->preferredchoice, word.c_str());
            p = e;
        } else if (c == SYN_FREQ) {
            ++p;
            bool neg = *p == '-';
            if (neg) ++p;
            int n = 0;
            while (std::isdigit(at(p)))
                n = n * 10 + (*p++ - '0');
            node->vf = neg ? -n : n;
        } else if (c == '@') {
            t_indirection ind = create_indir_node();
            ind->fieldnum = p[1] ? at(p + 1) : 0;
            p += p[1] ? 2 : 1;
            if (*p == ':') {
                p = read_name(p + 1, name);
                ind->tag = strdup_(name.c_str());
            }
            if (*p == '[') {
                const char* s = ++p;
                while (*p && *p != ']')
                    p = *p == '"' ? skip_quoted(p) : p + 1;
                ind->attributes = strdup_(std::string(s, p).c_str());
                if (*p) ++p;
            }
            add_to_indir_list(&node->indirections, ind);
        } else if (c == SYN_PRE) {
            find_pst(p, 1);
            if (pre_status == 6) {
                node->dictionary = pre_match->RHS->dictionary;
                node->index = pre_match->RHS->index;
            } else {
                preselection_error();
            }
            p = skip_compattr(p + 1);
        } else {
            return p;
        }
    }
}

void expand_node(t_treenode* node) {
    if (nodecount > MAXNODES) {
        v_err("cf expansion terminated", node->name, "");
        terminal_node(node);
        return;
    }
    uint64_t stamp = packrevision;
    const char* rule = node->rule_stamp == stamp ? node->rule : getrule(node->name);
    if (!rule) {
        terminal_node(node);
        return;
    }
    clear_variables();
    bool guard_true = false;
    t_treenode** tail = &node->son;
    while (*tail)
        tail = &(*tail)->sibling;
    const char* p = rule;
    while (*p) {
        uchar c = at(p);
        if (c == '<') {
            if (guard_true) break;
            current_node = node;
            int holds = syntax_guard(p + 1);
            p = end_guard ? end_guard : p + 1;
            if (*p == ':') ++p;
            if (holds)
                guard_true = true;
            else
                p = skip_in_rule(p, -2, stamp);
        } else if (c == '>') {
            if (guard_true) break;
            ++p;
        } else if (c == SYN_INHERIT) {
            if (!p[1]) break;
            int v = at(p + 1);
            const char* pat = p + 2;
            text_to_comp_array(pat, 1);
            if (attr_index > 0) {
                comp_attr found = find_attr(node->attributes);
                set_variable(v, found ? dup_decon_comp_attr(found) : make_comp_attr());
            }
            p = skip_in_rule(pat, -1, stamp);
        } else if (c == SYN_CHOOSE) {
            if (!p[1]) break;
            int v = at(p + 1);
            text_to_comp_struct(p + 2, 1);
            set_variable(v, comp_attr_register);
            comp_attr_register = nullptr;
            p = skip_in_rule(p + 2, -1, stamp);
        } else if (c == SYN_SELECT) {
            if (!p[1]) break;
            int v = at(p + 1);
            const char* q = p + 2;
            const char* e = skip_compattr(q);
            if (at(q) != SYN_PRE && at(e) != SYN_PRE) {
                v_err("No preselection token in SELECT clause", "", "");
                p = e;
                continue;
            }
            if (at(q) == SYN_PRE) e = q;
            comp_attr got = attr_from_key(q);
            if (got) set_variable(v, got);
            p = skip_compattr(e + 1);
        } else if (c == ' ') {
            const childread& k = readchild(p, stamp);
            t_treenode* child;
            if (k.isroot && treestate == 1 && root) {
                child = copytree(root);
            } else {
                child = makenode(k.name.c_str());
                child->rule = k.rule;
                child->rule_stamp = stamp;
            }
            *tail = child;
            tail = &child->sibling;
            p = add_attachments(child, k.after, ATT_CF);
        } else if (c == '(') {
            int n = p[1] ? at(p + 1) : 0;
            if (!p[1]) break;
            int r = n > 0 ? getrandom(n) : 0;
            p = skip_in_rule(p + 2, r + 1, stamp);
        } else if (c == '|') {
            p = skip_in_rule(p, 0, stamp);
        } else {
            ++p;
        }
    }
    if (!node->son) terminal_node(node);
    clear_variables();
}

void expand_tree(t_treenode* node) {
    if (!node) return;
    if (treestate == 1 && node->name && std::strcmp(node->name, "ROOT") == 0) return;
    expand_node(node);
    for (t_treenode* s = node->son; s; s = s->sibling)
        expand_tree(s);
}

// ------------------------------------------------------------ random choices

void make_choice(int i) {
    if (i < 0 || i >= DELAYSIZE) return;
    t_delay& d = delayed[i];
    if (d.fixed) return;
    int n = (d.class_ > 0 && d.class_ < total_types) ? attr_table[d.class_].entries - 1 : 0;
    if (n < 1) return;
    d.choice = 1 + getrandom(n);
    d.fixed = 1;
}

void make_all_choices() {
    for (int i = 0; i < delayptr; ++i)
        make_choice(i);
}

// ---------------------------------------------------------------- preselection

void construct_preselect(const char* text, int global) {
    const char* p = text ? text : "";
    while (*p) {
        if (*p == ';') {
            ++p;
            continue;
        }
        text_to_comp_array(p, 0);
        if (attr_index == 0) {
            v_err("Error in preselection tag", "", "");
            while (*p && *p != ';') {
                if (*p == '[') {
                    while (*p && *p != ']')
                        ++p;
                    if (*p) ++p;
                } else {
                    p = *p == '"' ? skip_quoted(p) : p + 1;
                }
            }
            continue;
        }
        p = skip_compattr(p);
        pre_rule* r = new pre_rule{};
        r->PST = make_full_comp_attr();
        if (*p == ':') {
            ++p;
            t_treenode* node = nullptr;
            if (*p == ' ') {
                std::string name;
                p = read_name(p + 1, name);
                node = makenode(name.c_str());
                p = add_attachments(node, p, ATT_PRESEL);
            }
            if (*p && *p != ';') {
                v_err("Preselection:", "unexpected token in node attachments", "");
                while (*p && *p != ';')
                    p = *p == '"' ? skip_quoted(p) : p + 1;
            }
            if (node) {
                terminal_node(node);
                thread(node);
                fill_word(node);
                r->node = 1;
                r->RHS = node;
            }
        }
        r->next = preselect_list;
        preselect_list = r;
        int& barrier = global ? global_barrier : preselect_barrier;
        getwords(barrier);
        barrier = d_table_count;
        if (r->RHS) process_indirect_ops(r->RHS);
    }
}

void clear_SE_PRE(int all) {
    purge_all_trees();
    for (auto& s : genSentences) {
        if (!s) continue;
        std::free(s);
        s = nullptr;
    }
    clearrecoveredlexicon();
    if (all) {
        pop_preselections(nullptr);
        globalpre_list = nullptr;
        purgelookups(0);
        delayptr = 0;
        global_barrier = 0;
        global_delayptr = 0;
        preselect_barrier = 0;
    } else {
        pop_preselections(globalpre_list);
        purgelookups(global_barrier);
        delayptr = global_delayptr;
    }
}

void clear_GP() {
    clear_SE_PRE(1);
}

void global_preselect() {
    clear_SE_PRE(1);
    const char* rule = getrule("PRESELECT");
    if (rule) {
        construct_preselect(rule, 1);
        make_all_choices();
    }
    globalpre_list = preselect_list;
    global_barrier = d_table_count;
    global_delayptr = delayptr;
    preselect_barrier = global_barrier;
    v_print(MSGCORE, "Global preselection complete");
}

// ---------------------------------------------------------------- a run

namespace {

// Which rules a run starts from (PRESELECT, trees 1..20), looked up again only
// when the pack has changed.
struct runrules {
    uint64_t stamp = 0;
    bool preselect = false;
    std::array<bool, NTREES> tree{};
};
runrules startrules;

const runrules& rules_of_run() {
    uint64_t now = packrevision;
    if (startrules.stamp != now) {
        startrules.preselect = getrule("PRESELECT") != nullptr;
        for (int i = 1; i < NTREES; ++i)
            startrules.tree[static_cast<size_t>(i)] = getrule(tree_roots[i].rulename) != nullptr;
        startrules.stamp = now;
    }
    return startrules;
}

} // namespace

void interpret() {
    preselect_barrier = global_barrier;
    clear_SE_PRE(0);
    const runrules& start = rules_of_run();
    if (const char* pre = start.preselect ? getrule("PRESELECT") : nullptr) {
        construct_preselect(pre, 0);
        make_all_choices();
        preselect_barrier = d_table_count;
    }
    oxa::progress("Expanding Root");
    v_print(MSGCORE, "Generation results:");
    nodecount = 0;
    treestate = 0;
    root = makenode("ROOT");
    expand_tree(root);
    bool trees = false;
    for (int i = 1; i < NTREES; ++i) {
        if (!start.tree[static_cast<size_t>(i)]) continue;
        trees = true;
        oxa::progress(tree_roots[i].label);
        nodecount = 0;
        treestate = 1;
        rootPtrs[i] = makenode(tree_roots[i].rulename);
        expand_tree(rootPtrs[i]);
        transform(rootPtrs[i]);
        thread(rootPtrs[i]);
    }
    if (!trees) {
        thread(root);
        oldroot = copytree(root);
        thread(oldroot);
        oxa::progress("Transforming Root");
        treestate = 0;
        transform(root);
        thread(root);
        make_all_choices();
        fill_all_words(root, preselect_barrier);
        getwords(preselect_barrier);
        finish(root, 0, "Transformed Sentence");
        genSentences[0] = strdup_(sentbuf2.data());
    } else {
        make_all_choices();
        for (int i = 1; i < NTREES; ++i)
            if (rootPtrs[i]) fill_all_words(rootPtrs[i], preselect_barrier);
        getwords(preselect_barrier);
        for (int i = 1; i < NTREES; ++i) {
            if (!rootPtrs[i]) continue;
            finish(rootPtrs[i], i, tree_roots[i].label);
            genSentences[i] = strdup_(sentbuf2.data());
        }
    }
    v_print(MSGCORE, "  ******");
    oxa::clearhelp();
}

// ------------------------------------------------------- restriction strings

char* insert_restriction(const char* old, const char* values, int n) {
    std::string out;
    const char* p = old ? old : "";
    int field = 1;
    // Fields 1 .. n-1 unchanged.
    while (field < n && *p) {
        bool quoted = false;
        while (*p && (quoted || *p != '|')) {
            if (*p == '"') quoted = !quoted;
            out += *p++;
        }
        out += '|';
        if (*p) ++p;
        ++field;
    }
    for (; field < n; ++field)
        out += "?|";
    if (*p) { // old has a field n
        std::string f;
        bool quoted = false;
        while (*p && (quoted || *p != '|')) {
            if (*p == '"') quoted = !quoted;
            f += *p++;
        }
        if (*p) ++p;
        if (f != "?") out += f + ",";
    }
    out += values ? values : "";
    out += '|';
    out += p;
    return bounded(out, INSERTSIZE);
}

char* merge_restr(const char* old, const char* new_) {
    constexpr int MAXF = 256;
    static std::string a[MAXF], b[MAXF];
    int na = 0, nb = 0;
    split_fields(old, a, na, MAXF);
    split_fields(new_, b, nb, MAXF);
    std::string out;
    int n = na > nb ? na : nb;
    for (int i = 0; i < n; ++i) {
        if (i >= na)
            out += b[i];
        else if (i >= nb)
            out += a[i];
        else if (a[i] == "?")
            out += b[i];
        else if (b[i] == "?")
            out += a[i];
        else
            out += a[i] + "," + b[i];
        out += '|';
    }
    return bounded(out, MERGESIZE);
}

// ------------------------------------------------------------------ listings

void print_preselect_list() {
    for (pre_rule* r = preselect_list; r; r = r->next) {
        char* t = print_comp_attr(r->PST);
        v_printf(MSGCORE, "%s", t);
        std::free(t);
        if (r->node && r->RHS && r->RHS->dictionary && r->RHS->dictionary->error == 0 &&
            r->RHS->dictionary->dictionary)
            v_printf(MSGCORE, "    %s", r->RHS->dictionary->dictionary);
    }
}

void print_cf() {
    for (syn_rule* r = syntax_stack; r; r = r->next) {
        if (r->name == BARRIER_NAME) {
            v_print(MSGCORE, r->name.c_str());
            continue;
        }
        v_printf(MSGCORE, "%s rule: %s: ", r->name.c_str(), r->rules.c_str());
    }
}

void print_transf() {
    for (transformation* t = trans_stack; t; t = t->next) {
        if (t->name == BARRIER_NAME || t->functionPtr || !t->first) {
            v_print(MSGCORE, t->name.c_str());
            continue;
        }
        v_printf(MSGCORE, "%s first RHS: %s", t->name.c_str(), t->first->rule.c_str());
    }
}

void resetexpansion() {
    pop_preselections(nullptr);
    globalpre_list = nullptr;
    purge_all_trees();
    for (auto& s : genSentences) {
        std::free(s);
        s = nullptr;
    }
    d_table_count = DICTSIZE;
    purgelookups(0);
    for (auto& d : dict_table)
        fresh_lookup(d);
    nodecount = 0;
    treestate = 0;
    preselect_barrier = 0;
    global_barrier = 0;
    global_delayptr = 0;
    attr_choice_hook = make_choice;
    variables_high = NVARIABLES - 1;
    childreads.reset();
    skipreads.reset();
}

} // namespace bormo
