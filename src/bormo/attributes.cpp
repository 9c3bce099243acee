// Attributes: the attribute file reader, the sorted name lookup, partial
// orders, the delay tables, compound attributes and attribute lists, the
// working array with the text form of compounds, and indirection lists.
#include "bormo/attributes.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bormo/hashing.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/vline.hpp"

namespace bormo {

std::array<attr_table_entry, MAXTYPES> attr_table{};
int total_types = 1;
attr_qlookup* q_att_table = nullptr;
int q_att_size = 0;

int att_class = 0;
int att_value = 0;
std::array<t_delay, DELAYSIZE> delayed{};
int delayptr = 0;
std::array<t_delay, DELAYSIZE> lt_delayed{};
int lt_delayptr = 0;
std::array<attr_row, MAXCOMP> attr{};
int attr_index = 0;
int all_values = 1;
int all_decon = 1;
comp_attr comp_attr_register = nullptr;
std::array<comp_attr, NVARIABLES> variable_table{};
void (*attr_choice_hook)(int) = attr_default_choice;

namespace {

// Order pairs declared for the type being read; the identity when none is.
std::array<std::array<unsigned char, MAXENTRIES>, MAXENTRIES> scratch;

void scratch_identity() {
    for (int i = 0; i < MAXENTRIES; i++) {
        scratch[i].fill(0);
        scratch[i][i] = 1;
    }
}

// Token kinds of the attribute file and the sets of expected kinds.
enum : int {
    E_TYPE = 0x01,  // an identifier taken as a type name
    E_IDENT = 0x02, // an identifier taken as a value or valence
    E_OPEN = 0x04,
    E_CLOSE = 0x08,
    E_COMMA = 0x10,
    E_LT = 0x20,
    E_PCT = 0x40,
    E_EOF = 0x80,
    E_OTHER = 0x100,
};

int token_kind(int t) {
    switch (t) {
    case T_IDENT:
        return E_IDENT;
    case '(':
        return E_OPEN;
    case ')':
        return E_CLOSE;
    case ',':
        return E_COMMA;
    case '<':
        return E_LT;
    case T_PERCENT:
        return E_PCT;
    case T_EOF:
        return E_EOF;
    default:
        return E_OTHER;
    }
}

// Declares a new type; returns its number, or 0 when the table is full.
int addtype(const char* name) {
    if (total_types >= MAXTYPES) {
        v_err("Table full", name, "");
        return 0;
    }
    attr_table_entry& e = attr_table[total_types];
    e.type.fill(0);
    memcpy(e.type.data(), name, strnlen(name, ATTRNAMESIZE - 1)); // longer names are cut
    e.entries = 1;
    e.partial = 0;
    e.trans = nullptr;
    e.list.fill(nullptr);
    e.valence.fill(0);
    return total_types++;
}

// The number of a value already in the type, or 0.
int alreadyexists(int type, const char* name) {
    const attr_table_entry& e = attr_table[type];
    for (int v = 1; v < e.entries; v++)
        if (strcmp(e.list[v], name) == 0) return v;
    return 0;
}

// Adds a value to the type; returns its number, or 0 when the type is full.
int addvalue(int type, const char* name, int valence) {
    attr_table_entry& e = attr_table[type];
    if (e.entries >= MAXENTRIES) {
        v_err("Table full", e.type.data(), "");
        return 0;
    }
    e.list[e.entries] = strdup_(name);
    e.valence[e.entries] = valence;
    if (e.trans) {
        // A value added after the type's order was closed (a stray value
        // after its ')'): the matrix grows with it, the new value ordered
        // only with itself.
        int n = e.entries;
        int* grown = static_cast<int*>(calloc(static_cast<size_t>((n + 1) * (n + 1)), sizeof(int)));
        for (int i = 0; i < n; i++)
            for (int j = 0; j < n; j++)
                grown[i * (n + 1) + j] = e.trans[i * n + j];
        grown[n * (n + 1) + n] = 1;
        free(e.trans);
        e.trans = grown;
    }
    return e.entries++;
}

int cmp_qlookup(const void* a, const void* b) {
    return strcmp(static_cast<const attr_qlookup*>(a)->text,
                  static_cast<const attr_qlookup*>(b)->text);
}

int cmp_qkey(const void* key, const void* rec) {
    return strcmp(static_cast<const char*>(key), static_cast<const attr_qlookup*>(rec)->text);
}

// Bytes of a compound attribute's text: bit 1 a name byte, bit 2 a byte that
// continues the compound ('.', the variable byte), bit 4 '/' where a
// deconstruction mark is allowed.
constexpr std::array<unsigned char, 256> compbytes = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
        bool name = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '%' || c == 0xC0 || c == 0xC2 || c == 0xC7 || c == 0xC8 ||
                    c == 0xC9 || c == 0xCA || c == 0xCE || c == 0xD4 || c == 0xD9 || c == 0xDB ||
                    c == 0xE0 || c == 0xE2 || c == 0xE7 || c == 0xE8 || c == 0xE9 || c == 0xEA ||
                    c == 0xEE || c == 0xF4 || c == 0xF9 || c == 0xFB;
        t[static_cast<size_t>(c)] = static_cast<unsigned char>((name ? 1 : 0) |
                                                               ((c == '.' || c == VARBYTE) ? 2 : 0) |
                                                               (c == '/' ? 4 : 0));
    }
    return t;
}();

inline bool runchar(unsigned char c, int decon_allowed) {
    return (compbytes[c] & (decon_allowed ? 7 : 3)) != 0;
}

inline bool namechar(unsigned char c) {
    return (compbytes[c] & 1) != 0;
}

// Past the rest of a compound's text (a variable reference counts two bytes).
const unsigned char* skip_compound(const unsigned char* p, int decon_allowed) {
    while (*p && runchar(*p, decon_allowed)) {
        if (*p == VARBYTE && p[1]) p++;
        p++;
    }
    return p;
}

// Reads one attribute name at p into buf; returns the position after it.
const unsigned char* read_name(const unsigned char* p, char* buf, int size) {
    int n = 0;
    while (namechar(*p)) {
        if (n < size - 1) buf[n++] = static_cast<char>(*p);
        p++;
    }
    buf[n] = 0;
    return p;
}

// Reports an unknown name with the rest of its compound; returns the position
// after the compound.
const unsigned char* unknown_attribute(const unsigned char* name, int decon_allowed) {
    const unsigned char* end = skip_compound(name, decon_allowed);
    std::string rest;
    for (const unsigned char* q = name; q < end; q++)
        if (*q != VARBYTE) rest += static_cast<char>(*q);
    v_err("Unknown attribute", rest.c_str(), "");
    return end;
}

bool push_row(int type, int value, int decon, int ltindex) {
    if (attr_index >= MAXCOMP) {
        v_err("Too many attribute components", "", "");
        return false;
    }
    attr[attr_index++] = {type, value, decon, ltindex, -1};
    if (value == -1) all_values = 0;
    if (decon == 0) all_decon = 0;
    return true;
}

void clear_array() {
    attr_index = 0;
    all_values = 1;
    all_decon = 1;
}

// A new delay entry; the last entry is reused once the table is full.
int new_delay(int class_, int value) {
    int i = delayptr;
    delayed[i] = {class_, value, value != -1 ? 1 : 0};
    if (delayptr >= DELAYSIZE - 1)
        v_print(MSGCORE, "Delay table exceeded");
    else
        delayptr++;
    return i;
}

} // namespace

t_delay& delay_entry(int index) {
    if (index < 0 || index >= DELAYSIZE) index = 0;
    return MState == 1 ? lt_delayed[index] : delayed[index];
}

void attr_default_choice(int index) {
    if (index < 0 || index >= DELAYSIZE) return;
    t_delay& d = delayed[index];
    if (d.fixed) return;
    int n = (d.class_ > 0 && d.class_ < total_types) ? attr_table[d.class_].entries - 1 : 0;
    if (n < 1) return;
    d.choice = 1 + getrandom(n);
    d.fixed = 1;
}

// ------------------------------------------------------------ attribute table

void readattr(const char* fname) {
    packload loading;
    file_operation = "attribute input";
    openfile(fname, 0);
    scratch_identity();
    int expect = E_TYPE | E_IDENT;
    int curtype = 0;
    int valence = 0;
    int prev = 0;
    int pending = 0;
    for (;;) {
        int t = v_peep();
        int kind = token_kind(t);
        bool ok = kind == E_IDENT ? (expect & (E_TYPE | E_IDENT)) != 0 : (expect & kind) != 0;
        if (!ok) v_err("Inappropriate", tok2str(t).c_str(), "");
        if (kind == E_PCT || kind == E_EOF) break;
        switch (kind) {
        case E_IDENT:
            if (expect & E_TYPE) {
                curtype = addtype(identbuf.data());
                prev = 0;
                pending = 0;
                expect = E_OPEN;
            } else if (identbuf[0] >= '0' && identbuf[0] <= '9') {
                valence = static_cast<int>(strtol(identbuf.data(), nullptr, 10));
                expect = E_IDENT;
            } else {
                int v = 0;
                if (curtype > 0) {
                    v = alreadyexists(curtype, identbuf.data());
                    if (v == 0) {
                        v = addvalue(curtype, identbuf.data(), valence);
                        if (v) valence = 0;
                    }
                }
                if (pending && v && prev) {
                    attr_table[curtype].partial = 1;
                    scratch[prev][v] = 1;
                }
                pending = 0;
                prev = v;
                expect = E_LT | E_COMMA | E_CLOSE;
            }
            break;
        case E_OPEN:
        case E_COMMA:
            expect = E_IDENT;
            break;
        case E_LT:
            pending = 1;
            expect = E_IDENT;
            break;
        case E_CLOSE:
            if (curtype > 0 && attr_table[curtype].partial) transclose(curtype);
            scratch_identity();
            pending = 0;
            prev = 0;
            expect = E_TYPE | E_PCT;
            break;
        default:
            break;
        }
        v_next();
    }
    while (v_peep() != T_EOF)
        v_next();
    a_q_create_table();
    find_dup_values();
    file_operation.clear();
}

void transclose(int type) {
    attr_table_entry& e = attr_table[type];
    int n = e.entries;
    free(e.trans);
    e.trans = static_cast<int*>(malloc(sizeof(int) * n * n));
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++)
            e.trans[i * n + j] = scratch[i][j];
    for (int k = 1; k < n; k++)
        for (int i = 1; i < n; i++)
            for (int j = 1; j < n; j++)
                if (e.trans[i * n + k] && e.trans[k * n + j]) e.trans[i * n + j] = 1;
}

void a_q_create_table() {
    pack_changed();
    free(q_att_table);
    q_att_table = nullptr;
    q_att_size = 0;
    int size = 0;
    for (int t = 1; t < total_types; t++)
        size += attr_table[t].entries;
    if (size == 0) return;
    q_att_table = static_cast<attr_qlookup*>(malloc(sizeof(attr_qlookup) * size));
    for (int t = 1; t < total_types; t++) {
        const attr_table_entry& e = attr_table[t];
        q_att_table[q_att_size++] = {e.type.data(), t, -1};
        for (int v = 1; v < e.entries; v++)
            q_att_table[q_att_size++] = {e.list[v], t, v};
    }
    qsort(q_att_table, q_att_size, sizeof(attr_qlookup), cmp_qlookup);
}

void find_dup_values() {
    for (int i = 1; i < q_att_size; i++)
        if (strcmp(q_att_table[i - 1].text, q_att_table[i].text) == 0)
            v_err("Warning: attribute value ", q_att_table[i].text, " duplicated");
}

void clearattributes() {
    for (int t = 1; t < total_types; t++) {
        attr_table_entry& e = attr_table[t];
        for (int v = 1; v < e.entries; v++) {
            free(e.list[v]);
            e.list[v] = nullptr;
        }
        free(e.trans);
        e.trans = nullptr;
        e.type.fill(0);
        e.entries = 1;
        e.partial = 0;
    }
    total_types = 1;
    free(q_att_table);
    q_att_table = nullptr;
    q_att_size = 0;
    pack_changed();
}

int lookup_attr(const char* text) {
    if (!q_att_table || !text) return 0;
    const void* r = bsearch(text, q_att_table, q_att_size, sizeof(attr_qlookup), cmp_qkey);
    if (!r) return 0;
    const attr_qlookup* q = static_cast<const attr_qlookup*>(r);
    att_class = q->type;
    att_value = q->number;
    return 1;
}

const char* att_get_name(int class_, int value) {
    if (class_ < 1 || class_ >= total_types) return "IllegalClass";
    const attr_table_entry& e = attr_table[class_];
    if (value == -1) return e.type.data();
    if (value >= 1 && value < e.entries) return e.list[value];
    return "IllegalValue";
}

int valid(int sign, int class_, int dict_choice, int match_choice) {
    if (class_ < 1 || class_ >= total_types) return dict_choice == match_choice;
    const attr_table_entry& e = attr_table[class_];
    if (!e.partial || !e.trans || (sign != '<' && sign != '>')) return dict_choice == match_choice;
    int n = e.entries;
    if (dict_choice < 0 || dict_choice >= n || match_choice < 0 || match_choice >= n)
        return dict_choice == match_choice;
    if (sign == '<') return e.trans[match_choice * n + dict_choice];
    return e.trans[dict_choice * n + match_choice];
}

// --------------------------------------------------------- compound attributes

comp_attr create_comp_attr() {
    return new s_comp_attr{0, nullptr};
}

void add_comp_attr(comp_attr* c, int index) {
    comp_attr n = create_comp_attr();
    n->index = index;
    comp_attr* p = c;
    while (*p)
        p = &(*p)->another;
    *p = n;
}

int attr_seg_count(comp_attr c) {
    int n = 0;
    for (; c; c = c->another)
        n++;
    return n;
}

int comp_attr_element(comp_attr c, int n) {
    for (int i = 1; c; c = c->another, i++)
        if (i == n) return c->index;
    return -1;
}

comp_attr duplicate_comp_attr(comp_attr c) {
    comp_attr r = nullptr;
    comp_attr* tail = &r;
    for (; c; c = c->another) {
        *tail = new s_comp_attr{c->index, nullptr};
        tail = &(*tail)->another;
    }
    return r;
}

void purge_comp_attr(comp_attr* c) {
    while (*c) {
        comp_attr n = (*c)->another;
        delete *c;
        *c = n;
    }
}

comp_attr dup_decon_comp_attr(comp_attr c) {
    comp_attr r = nullptr;
    for (int i = 0; c; c = c->another, i++)
        if (i >= attr_index || attr[i].decon == 0) add_comp_attr(&r, c->index);
    return r;
}

int compare_comp_attr(comp_attr a, comp_attr b) {
    if (attr_seg_count(a) != attr_seg_count(b)) return 0;
    for (; a && b; a = a->another, b = b->another) {
        const t_delay& da = delay_entry(a->index);
        const t_delay& db = delay_entry(b->index);
        if (da.class_ != db.class_) return 0;
        if (da.fixed && da.choice != db.choice) return 0;
    }
    return 1;
}

comp_attr find_type_in_attr(int delindex, attr_list list) {
    int cls = delay_entry(delindex).class_;
    for (; list; list = list->next)
        if (list->first && !list->first->another && delay_entry(list->first->index).class_ == cls)
            return list->first;
    return nullptr;
}

// ------------------------------------------------------------- attribute lists

attr_list create_attr_list() {
    return new s_attr_list{0, nullptr, nullptr};
}

void add_attr_to_list(attr_list* l, comp_attr c) {
    attr_list n = create_attr_list();
    n->attr_count = attr_seg_count(c);
    n->first = c;
    attr_list* p = l;
    while (*p)
        p = &(*p)->next;
    *p = n;
}

int attr_list_count(attr_list l) {
    int n = 0;
    for (; l; l = l->next)
        n++;
    return n;
}

comp_attr attr_list_element(attr_list l, int n) {
    for (int i = 1; l; l = l->next, i++)
        if (i == n) return l->first;
    return nullptr;
}

attr_list duplicate_attr_list(attr_list l) {
    attr_list r = nullptr;
    attr_list* tail = &r;
    for (; l; l = l->next) {
        comp_attr c = duplicate_comp_attr(l->first);
        *tail = new s_attr_list{attr_seg_count(c), c, nullptr};
        tail = &(*tail)->next;
    }
    return r;
}

void purge_attr_list(attr_list* l) {
    while (*l) {
        attr_list n = (*l)->next;
        purge_comp_attr(&(*l)->first);
        delete *l;
        *l = n;
    }
}

int present_compound(attr_list l, comp_attr c) {
    int n = attr_seg_count(c);
    for (; l; l = l->next) {
        if (attr_seg_count(l->first) != n) continue;
        comp_attr a = l->first;
        comp_attr b = c;
        while (a && b && a->index == b->index) {
            a = a->another;
            b = b->another;
        }
        if (!a && !b) return 1;
    }
    return 0;
}

void append_attr(attr_list* l, comp_attr c) {
    if (!c) return;
    if (present_compound(*l, c))
        purge_comp_attr(&c);
    else
        add_attr_to_list(l, c);
}

void combine_attr_list(attr_list* old, attr_list new_) {
    if (!new_) return;
    attr_list* tail = old;
    while (*tail)
        tail = &(*tail)->next;
    for (; new_; new_ = new_->next) {
        if (present_compound(*old, new_->first)) continue;
        comp_attr c = duplicate_comp_attr(new_->first);
        *tail = new s_attr_list{attr_seg_count(c), c, nullptr};
        tail = &(*tail)->next;
    }
}

void new_attr_remove(attr_list* l, comp_attr c) {
    for (attr_list* p = l; *p; p = &(*p)->next) {
        if ((*p)->first == c) {
            attr_list dead = *p;
            *p = dead->next;
            purge_comp_attr(&dead->first);
            delete dead;
            return;
        }
    }
}

comp_attr find_attr_in_list(attr_list l, comp_attr c) {
    int n = attr_seg_count(c);
    for (; l; l = l->next)
        if (attr_seg_count(l->first) == n && compare_comp_attr(c, l->first)) return l->first;
    return nullptr;
}

pre_rule* look_for_attr(comp_attr c, pre_rule* rules) {
    for (; rules; rules = rules->next)
        if (compare_comp_attr(c, rules->PST)) return rules;
    return nullptr;
}

// ------------------------------------------------- working array and text form

namespace {

// Compound texts already read.  Stored rule texts (guards, attachments,
// patterns) are read again at every node of every run; the components of a
// text that names no variable depend only on its bytes and on the name
// table, so they are kept by the text's address, with a copy of the bytes
// read (the byte that ended the reading included) to check that the address
// still holds the same text.  A text naming a variable or an unknown name is
// read afresh each time.
struct readcompound {
    const unsigned char* text = nullptr;
    uint64_t names = 0;     // packrevision when it was read
    int decon_allowed = 0;
    int count = 0;          // components
    std::array<unsigned char, 64> bytes{};
    int nbytes = 0;
    std::array<attr_row, MAXCOMP> rows{};
    int values = 1; // all_values and all_decon of the rows
    int decons = 1;
};
// Each address has a set of READWAYS slots, so that texts whose addresses
// fall on one set, or one buffer refilled with one name and then another (a
// table reference read into a local array), keep their readings side by side
// instead of evicting each other at every node.
constexpr int READSETBITS = 7;
constexpr size_t READWAYS = 4;
constexpr size_t READCACHE = READWAYS << READSETBITS;
std::array<readcompound, READCACHE> readcache;
size_t readvictim = 0; // the way the next new reading replaces when its set is full

// The first slot of the set of `r`: the address mixed, its high bits taken.
size_t readset(const unsigned char* r) {
    return topbits(mixaddress(r), READSETBITS) * READWAYS;
}

bool holds(const readcompound& k, const unsigned char* r, int decon_allowed) {
    if (k.text != r || k.names != packrevision || k.decon_allowed != decon_allowed) return false;
    for (int i = 0; i < k.nbytes; ++i)
        if (r[i] != k.bytes[static_cast<size_t>(i)]) return false;
    return true;
}

// The kept reading of `r`, or null.
const readcompound* readbefore(const unsigned char* r, int decon_allowed) {
    // A text that begins with a variable is never kept: no need to look.
    if (r[0] == VARBYTE || ((r[0] == '/' || r[0] == '.') && r[1] == VARBYTE)) return nullptr;
    size_t s = readset(r);
    for (size_t w = 0; w < READWAYS; ++w)
        if (holds(readcache[s + w], r, decon_allowed)) return &readcache[s + w];
    return nullptr;
}

// Keeps the reading of r .. end (the byte at `end` stopped it): in a slot of
// the set that is empty or out of date, else in the next way in turn.
void keepreading(const unsigned char* r, const unsigned char* end, int decon_allowed,
                 const attr_row* rows, int count) {
    long n = end - r + 1;
    if (n > 64 || count > MAXCOMP) return;
    size_t s = readset(r);
    size_t w = 0;
    while (w < READWAYS && readcache[s + w].text && readcache[s + w].names == packrevision)
        ++w;
    if (w == READWAYS) w = readvictim++ % READWAYS;
    readcompound& k = readcache[s + w];
    k.text = r;
    k.names = packrevision;
    k.decon_allowed = decon_allowed;
    k.nbytes = static_cast<int>(n);
    for (long i = 0; i < n; ++i)
        k.bytes[static_cast<size_t>(i)] = r[i];
    k.count = count;
    k.values = 1;
    k.decons = 1;
    for (int i = 0; i < count; ++i) {
        const attr_row& row = rows[i];
        k.rows[static_cast<size_t>(i)] = {row.type, row.value, row.decon, -1, -1};
        if (row.value == -1) k.values = 0;
        if (row.decon == 0) k.decons = 0;
    }
}

} // namespace

const char* text_to_comp_array(const char* r, int decon_allowed) {
    clear_array();
    if (!r) return r;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(r);
    if (const readcompound* k = readbefore(p, decon_allowed)) {
        // The rows as push_row made them (never more than the array holds).
        std::copy(k->rows.begin(), k->rows.begin() + k->count, attr.begin());
        attr_index = k->count;
        all_values = k->values;
        all_decon = k->decons;
        return r + k->nbytes - 1;
    }
    bool keep = true;
    while (*p && runchar(*p, decon_allowed)) {
        int decon = 0;
        if (*p == '.') {
            p++;
        } else if (*p == '/') {
            decon = 1;
            p++;
        }
        if (*p == VARBYTE) {
            if (!p[1]) {
                p++;
                break;
            }
            int k = p[1];
            p += 2;
            keep = false;
            comp_attr v = k < NVARIABLES ? variable_table[k] : nullptr;
            for (; v; v = v->another) {
                const t_delay& d = delay_entry(v->index);
                push_row(d.class_, d.choice, decon, -1);
            }
        } else if (namechar(*p)) {
            const unsigned char* start = p;
            char name[IDENTSIZE];
            p = read_name(p, name, sizeof name);
            if (!lookup_attr(name)) {
                p = unknown_attribute(start, decon_allowed);
                attr_index = 0;
                return reinterpret_cast<const char*>(p);
            }
            if (!push_row(att_class, att_value, decon, -1)) keep = false;
        }
    }
    if (keep) keepreading(reinterpret_cast<const unsigned char*>(r), p, decon_allowed, attr.data(),
                          attr_index);
    return reinterpret_cast<const char*>(p);
}

const char* text_to_comp_struct(const char* r, int decon_allowed) {
    comp_attr_register = nullptr;
    if (!r) return r;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(r);
    if (const readcompound* k = readbefore(p, decon_allowed)) {
        for (int i = 0; i < k->count; ++i) {
            const attr_row& row = k->rows[static_cast<size_t>(i)];
            if (!row.decon) add_comp_attr(&comp_attr_register, new_delay(row.type, row.value));
        }
        return r + k->nbytes - 1;
    }
    std::array<attr_row, MAXCOMP> rows;
    int count = 0;
    bool keep = true;
    while (*p && runchar(*p, decon_allowed)) {
        int decon = 0;
        if (*p == '.') {
            p++;
        } else if (*p == '/') {
            decon = 1;
            p++;
        }
        if (*p == VARBYTE) {
            if (!p[1]) {
                p++;
                break;
            }
            int k = p[1];
            p += 2;
            keep = false;
            if (decon) continue;
            comp_attr v = k < NVARIABLES ? variable_table[k] : nullptr;
            for (; v; v = v->another)
                add_comp_attr(&comp_attr_register, v->index);
        } else if (namechar(*p)) {
            const unsigned char* start = p;
            char name[IDENTSIZE];
            p = read_name(p, name, sizeof name);
            if (!lookup_attr(name)) {
                p = unknown_attribute(start, decon_allowed);
                purge_comp_attr(&comp_attr_register);
                return reinterpret_cast<const char*>(p);
            }
            if (count < MAXCOMP)
                rows[static_cast<size_t>(count++)] = {att_class, att_value, decon, -1, -1};
            else
                keep = false;
            if (!decon) add_comp_attr(&comp_attr_register, new_delay(att_class, att_value));
        }
    }
    if (keep) keepreading(reinterpret_cast<const unsigned char*>(r), p, decon_allowed, rows.data(), count);
    return reinterpret_cast<const char*>(p);
}

comp_attr make_comp_attr() {
    comp_attr c = nullptr;
    for (int i = 0; i < attr_index; i++)
        if (attr[i].decon == 0) add_comp_attr(&c, new_delay(attr[i].type, attr[i].value));
    return c;
}

comp_attr make_full_comp_attr() {
    comp_attr c = nullptr;
    for (int i = 0; i < attr_index; i++)
        add_comp_attr(&c, new_delay(attr[i].type, attr[i].value));
    return c;
}

void decompose_comp_attr(comp_attr c) {
    clear_array();
    for (; c; c = c->another) {
        const t_delay& d = delayed[c->index];
        if (!push_row(d.class_, d.choice, 0, -1)) break;
    }
}

void lt_decompose_comp_attr(comp_attr c) {
    clear_array();
    for (; c; c = c->another) {
        const t_delay& d = lt_delayed[c->index];
        if (!push_row(d.class_, d.choice, 0, c->index)) break;
    }
}

comp_attr find_attr(attr_list list) {
    for (; list; list = list->next) {
        if (list->attr_count != attr_index) continue;
        bool match = true;
        int i = 0;
        for (comp_attr c = list->first; c && i < attr_index; c = c->another, i++) {
            t_delay& d = delay_entry(c->index);
            if (d.class_ != attr[i].type) {
                match = false;
                break;
            }
            if (attr[i].value == -1) continue;
            if (MState != 1 && d.choice == -1 && attr_choice_hook) attr_choice_hook(c->index);
            if (d.choice != attr[i].value) {
                match = false;
                break;
            }
        }
        if (match && i == attr_index) return list->first;
    }
    return nullptr;
}

namespace {

// Appends text to a PRINTSIZE buffer, cutting what does not fit.
void put(char* buf, size_t& n, const char* s) {
    while (*s && n < PRINTSIZE - 1)
        buf[n++] = *s++;
    buf[n] = 0;
}

void put_comp(char* buf, size_t& n, comp_attr c) {
    for (bool first = true; c; c = c->another, first = false) {
        if (!first) put(buf, n, ".");
        const t_delay& d = delay_entry(c->index);
        put(buf, n, att_get_name(d.class_, d.choice));
    }
}

} // namespace

char* print_comp_attr(comp_attr c) {
    char* buf = static_cast<char*>(malloc(PRINTSIZE));
    size_t n = 0;
    buf[0] = 0;
    put_comp(buf, n, c);
    return buf;
}

char* print_attr_list(attr_list l) {
    char* buf = static_cast<char*>(malloc(PRINTSIZE));
    size_t n = 0;
    buf[0] = 0;
    for (bool first = true; l; l = l->next, first = false) {
        if (!first) put(buf, n, ", ");
        put_comp(buf, n, l->first);
    }
    return buf;
}

// ------------------------------------------------------------ indirection lists

t_indirection create_indir_node() {
    return new s_indirection{0, nullptr, nullptr};
}

void add_to_indir_list(indir_list* l, t_indirection ind) {
    indir_list n = new s_indir_list{ind, nullptr};
    indir_list* p = l;
    while (*p)
        p = &(*p)->next;
    *p = n;
}

int indirect_count(indir_list l) {
    int n = 0;
    for (; l; l = l->next)
        n++;
    return n;
}

t_indirection indir_list_element(indir_list l, int n) {
    for (int i = 1; l; l = l->next, i++)
        if (i == n) return l->indir_node;
    return nullptr;
}

t_indirection duplicate_indirection_node(t_indirection ind) {
    if (!ind) return nullptr;
    return new s_indirection{ind->fieldnum, strdup_(ind->tag), strdup_(ind->attributes)};
}

indir_list duplicate_indir_list(indir_list l) {
    indir_list r = nullptr;
    for (; l; l = l->next)
        add_to_indir_list(&r, duplicate_indirection_node(l->indir_node));
    return r;
}

void purge_indirection_node(t_indirection ind) {
    if (!ind) return;
    free(ind->tag);
    free(ind->attributes);
    delete ind;
}

void indir_purge_list(indir_list* l) {
    while (*l) {
        indir_list n = (*l)->next;
        purge_indirection_node((*l)->indir_node);
        delete *l;
        *l = n;
    }
}

void resetattributes() {
    clearattributes();
    delayed.fill({0, -1, 0});
    delayptr = 0;
    lt_delayed.fill({0, -1, 0});
    lt_delayptr = 0;
    attr.fill({0, -1, 0, -1, -1});
    clear_array();
    comp_attr_register = nullptr;
    variable_table.fill(nullptr);
    attr_choice_hook = attr_default_choice;
    att_class = 0;
    att_value = 0;
}

} // namespace bormo
