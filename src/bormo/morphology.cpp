// Morphology rules and tables, morph-expression evaluation and the passes.
#include "bormo/morphology.hpp"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>
#include <vector>

#include "bormo/attrcodes.hpp"
#include "bormo/attributes.hpp"
#include "bormo/hashing.hpp"
#include "bormo/lazytable.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/vline.hpp"

namespace bormo {

std::array<subrule*, MAXRULES> ruleheader{};
int numrules = -1;
table* tablelist = nullptr;

namespace {
// Names of the rules by number: a rule read without any subrule still holds
// its name, so that a later rule of the same name is refused.
std::array<std::string, MAXRULES> rulenames;

// Expressions name rules and tables for every word: both are found through
// an index by name, made again for each pack revision.  Every change of the
// rules or tables (the readers, clear_mrules, init_mrules, clear_tables) is a
// change of the pack.

// Open addressing over a power-of-two number of slots; a slot holds 1 + the
// position of its name, 0 when empty.
struct nameindex {
    uint64_t made = 0; // the packrevision it was made at
    std::vector<int> slots;
    void start(size_t names) {
        size_t n = 16;
        while (n < 2 * names)
            n *= 2;
        slots.assign(n, 0);
    }
    // The slot of `name` (0 or the name's), comparing with same(position).
    template <class Same> int& find(uint32_t h, Same same) {
        size_t mask = slots.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask)
            if (slots[i] == 0 || same(slots[i] - 1)) return slots[i];
    }
};

nameindex ruleindex;

bool rulenamed(int k, const char* name, size_t n) {
    const subrule* s = ruleheader[static_cast<size_t>(k)];
    return s && s->rulename && std::strncmp(s->rulename, name, n) == 0 && s->rulename[n] == 0;
}

// The first rule of that name with some subrule, as a search in rule order finds it.
subrule* rule_named(const char* name, size_t n, uint32_t h) {
    if (ruleindex.made != packrevision) {
        ruleindex.start(static_cast<size_t>(numrules + 1));
        for (int k = 0; k <= numrules; ++k) {
            const subrule* s = ruleheader[static_cast<size_t>(k)];
            if (!s || !s->rulename) continue;
            size_t len = std::strlen(s->rulename);
            int& slot = ruleindex.find(namehash(s->rulename, len),
                                       [&](int j) { return rulenamed(j, s->rulename, len); });
            if (slot == 0) slot = k + 1;
        }
        ruleindex.made = packrevision;
    }
    int slot = ruleindex.find(h, [&](int j) { return rulenamed(j, name, n); });
    return slot ? ruleheader[static_cast<size_t>(slot - 1)] : nullptr;
}

// A table with where each of its elements starts.
struct tableentry {
    table* tb;
    std::vector<const char*> starts; // element k (from 1) at starts[k - 1]
};
std::vector<tableentry> tableentries;
nameindex tableindex;

bool tablenamed(int i, const char* name, size_t n) {
    const char* t = tableentries[static_cast<size_t>(i)].tb->tablename;
    return std::strncmp(t, name, n) == 0 && t[n] == 0;
}

// The first table of that name in file order, with its element starts.
const tableentry* table_named(const char* name, size_t n) {
    if (tableindex.made != packrevision) {
        tableentries.clear();
        for (table* t = tablelist; t; t = t->next) {
            tableentry e{t, {}};
            // An element ends at a '|' outside quotes.
            bool quoted = false;
            e.starts.push_back(t->elements);
            for (const char* p = t->elements; *p; ++p) {
                if (*p == '"') quoted = !quoted;
                if (*p == '|' && !quoted) e.starts.push_back(p + 1);
            }
            tableentries.push_back(std::move(e));
        }
        tableindex.start(tableentries.size());
        for (size_t i = 0; i < tableentries.size(); ++i) {
            const char* t = tableentries[i].tb->tablename;
            size_t len = std::strlen(t);
            int& slot = tableindex.find(namehash(t, len),
                                        [&](int j) { return tablenamed(j, t, len); });
            if (slot == 0) slot = static_cast<int>(i) + 1;
        }
        tableindex.made = packrevision;
    }
    int slot = tableindex.find(namehash(name, n), [&](int j) { return tablenamed(j, name, n); });
    return slot ? &tableentries[static_cast<size_t>(slot - 1)] : nullptr;
}

} // namespace

std::array<const char*, EXPSTACK> exp_stack{};
std::array<t_treenode*, EXPSTACK> node_stack{};
int exp_sp = 0;
std::array<char, MOUTSIZE> m_out{};
int m_outlen = 0;
std::array<char, TBLBUFSIZE> tblbuf{};
int tbllen = 0;

namespace {

// Guard or expression text being collected, at most MRULEBUF characters.
struct rulebuf {
    std::string text;
    void put(char c) {
        if (text.size() < MRULEBUF) text += c;
    }
    void puts(const char* s) {
        while (*s)
            put(*s++);
    }
};

// The text of a keyword token other than those the guards know.
const char* keyword_text(int t) {
    for (const tokenelement& e : tokentable) {
        if (e.token == T_END) break;
        if (e.token == t) return e.tokenword;
    }
    return "";
}

// Copies the token at the head into buf as the rule and table readers do:
// identifiers as their text, quotes as '"', "%" dropped, _pre_/_in_/_is_ as
// their codes, other keywords as their words, other tokens as their character.
void copy_token(int t, rulebuf& buf) {
    if (t == T_IDENT) {
        buf.puts(identbuf.data());
    } else if (t == T_QUOTE) {
        buf.put('"');
    } else if (t == T_PERCENT) {
        // dropped
    } else if (t == T_PRE || t == T_IS) {
        buf.put(static_cast<char>(t));
    } else if (t < ' ' && t != T_NEWLINE) {
        buf.puts(keyword_text(t));
    } else if (t != T_NEWLINE) {
        buf.put(static_cast<char>(t));
    }
}

void free_subrules(subrule* s) {
    while (s) {
        subrule* n = s->nextsub;
        free(s->rulename);
        free(s->guard);
        free(s->mexp);
        delete s;
        s = n;
    }
}

// Skips tokens up to the next RULE or the end of the file.
void skip_to_rule() {
    while (v_peep() != T_RULE && v_peep() != T_EOF)
        v_next();
}

// Reads the subrules of one rule (after its name) up to the next RULE or the
// end of the file; returns them in file order.
subrule* read_subrules(const char* name) {
    subrule* first = nullptr;
    subrule** tail = &first;
    rulebuf guard;
    rulebuf mexp;
    bool colon = false; // the guard of the current subrule is complete
    bool any = false;   // some token of the current subrule has been read
    for (;;) {
        int t = v_peep();
        if (t == T_RULE || t == T_EOF) break;
        if (t == ':') {
            if (colon) {
                v_err("second COLON in subrule", "", "");
                guard.text.clear();
                mexp.text.clear();
                colon = false;
                any = false;
            } else {
                guard.put(':');
                colon = true;
                any = true;
            }
        } else if (t == ';') {
            if (!colon) {
                v_err("incomplete subrule", "", "");
            } else {
                mexp.put('|');
                auto* s = new subrule{strdup_(name), strdup_(guard.text.c_str()),
                                      strdup_(mexp.text.c_str()), nullptr};
                *tail = s;
                tail = &s->nextsub;
            }
            guard.text.clear();
            mexp.text.clear();
            colon = false;
            any = false;
        } else {
            copy_token(t, colon ? mexp : guard);
            if (t != T_PERCENT) any = true;
        }
        v_next();
    }
    if (any) v_err("last subrule incomplete", "", "");
    return first;
}

// Shows the keyword codes of a guard as their words.
std::string readable(const char* s) {
    std::string out;
    for (; s && *s; ++s) {
        unsigned char c = static_cast<unsigned char>(*s);
        if (c == T_PRE)
            out += "_pre_";
        else if (c == T_IS)
            out += "_is_";
        else
            out += static_cast<char>(c);
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------- rule file

void new_readmorph(const char* filename) {
    packload loading;
    pack_changed();
    file_operation = "morphology input";
    file_position.clear();
    openfile(filename, 0);
    if (v_peep() != T_RULE && v_peep() != T_EOF) {
        v_err("text before first RULE", "", "");
        skip_to_rule();
    }
    while (v_peep() == T_RULE) {
        file_position.clear();
        v_next();
        if (v_peep() != T_IDENT) {
            v_err("rule has no name", "", "");
            skip_to_rule();
            continue;
        }
        std::string name = identbuf.data();
        if (numrules + 1 >= MAXRULES) {
            v_err("too many rules", "", "");
            break;
        }
        bool repeated = false;
        for (int k = 0; k <= numrules; ++k)
            if (rulenames[k] == name) repeated = true;
        if (repeated) {
            v_err("rule name repeated", name.c_str(), "");
            v_next();
            skip_to_rule();
            continue;
        }
        v_setposition("rule " + name);
        v_next();
        subrule* s = read_subrules(name.c_str());
        ruleheader[++numrules] = s;
        rulenames[numrules] = name;
        // A rule without subrules still takes its number; it never applies.
    }
    pack_changed();
    // Reading stops early only when the rule slots are full: close the file.
    while (fsptr >= 0)
        closefile();
    file_position.clear();
    file_operation.clear();
}

subrule* find_mrule(const char* name) {
    if (!name) return nullptr;
    size_t n = std::strlen(name);
    return rule_named(name, n, namehash(name, n));
}

void clear_mrules() {
    pack_changed();
    for (int k = 0; k <= numrules && k < MAXRULES; ++k) {
        free_subrules(ruleheader[k]);
        ruleheader[k] = nullptr;
        rulenames[k].clear();
    }
    numrules = -1;
}

void init_mrules() {
    pack_changed();
    ruleheader.fill(nullptr);
    for (auto& n : rulenames)
        n.clear();
    numrules = -1;
}

// ---------------------------------------------------------------- tables file

void new_readtables(const char* filename) {
    packload loading;
    pack_changed();
    file_operation = "table input";
    file_position.clear();
    openfile(filename, 0);
    table** tail = &tablelist;
    while (*tail)
        tail = &(*tail)->next;
    while (v_peep() != T_EOF) {
        if (v_peep() != T_IDENT) {
            v_next(); // outside a table only a name means anything
            continue;
        }
        std::string name = identbuf.data();
        v_setposition("table " + name);
        v_next();
        rulebuf elems;
        int count = 0;
        bool open = false; // an element has been started
        for (;;) {
            int t = v_peep();
            if (t == T_EOF) break;
            if (t == ',' || t == ')') {
                elems.put('|');
                ++count;
                open = false;
            } else if (t != '(') {
                copy_token(t, elems);
                open = true;
            }
            v_next();
            if (t == ')') break;
        }
        if (open) { // the file ended inside the table: keep what was read
            elems.put('|');
            ++count;
        }
        auto* tb = new table{strdup_(name.c_str()), strdup_(elems.text.c_str()), count, nullptr};
        *tail = tb;
        tail = &tb->next;
    }
    pack_changed();
    file_position.clear();
    file_operation.clear();
}

table* find_table(const char* name) {
    const tableentry* e = table_named(name, std::strlen(name));
    return e ? e->tb : nullptr;
}

void clear_tables() {
    pack_changed();
    while (tablelist) {
        table* n = tablelist->next;
        free(tablelist->tablename);
        free(tablelist->elements);
        delete tablelist;
        tablelist = n;
    }
}

// ---------------------------------------------------------------- expressions

namespace {

// The NUL after the output is written once, when the expression ends.
void out_char(char c) {
    if (m_outlen < MOUTSIZE - 1) m_out[m_outlen++] = c;
}

void out_run(const char* s, size_t n) {
    size_t room = static_cast<size_t>(MOUTSIZE - 1 - m_outlen);
    if (n > room) n = room;
    char* o = m_out.data() + m_outlen;
    for (size_t i = 0; i < n; ++i)
        o[i] = s[i];
    m_outlen += static_cast<int>(n);
}

// The text up to its NUL, as far as the output has room.
void out_text(const char* s) {
    int n = m_outlen;
    while (*s && n < MOUTSIZE - 1)
        m_out[static_cast<size_t>(n++)] = *s++;
    m_outlen = n;
}

void push_text(const char* text, t_treenode* node) {
    if (exp_sp >= EXPSTACK) {
        v_err("Morph expressions nested too deeply", "", "");
        return;
    }
    exp_stack[exp_sp] = text;
    node_stack[exp_sp] = node;
    ++exp_sp;
}

// Bytes of a rule name.
constexpr std::array<bool, 256> namebytes = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[static_cast<size_t>(c)] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                    (c >= '0' && c <= '9') || c == '_' || c >= 0xC0;
    return t;
}();

int read_number(const char*& p) {
    int n = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (n < 100000) n = n * 10 + (*p - '0');
        ++p;
    }
    return n;
}

const char* record_of(t_treenode* node) {
    if (!node || !node->dictionary) return nullptr;
    return node->dictionary->dictionary;
}

// "#" n ["." j]: p is after '#'.
void field_reference(const char*& p, t_treenode* node) {
    int n = read_number(p);
    int j = 0;
    t_treenode* target = node;
    if (MState == 1 && *p == '.') {
        ++p;
        j = read_number(p);
        target = traverseleaves(node, j - 1);
    }
    const char* rec = record_of(target);
    const char* field = rec && n >= 1 ? getfieldptr(rec, n) : nullptr;
    if (!field || *field == 0) {
        v_printf(MSGCORE, "Bad field reference: field %d from lsp %d", n, j);
        return;
    }
    push_text(field, target);
}

constexpr size_t RULENAMESIZE = 256; // a rule name is cut to 255 characters

// References read, by where they stand in their text, with the bytes read
// (the one that ended the reading included): while those bytes and the
// rules or tables are unchanged, the reference means the same.
constexpr int REFSLOTBITS = 10;
constexpr size_t REFSLOTS = size_t{1} << REFSLOTBITS;

size_t refslot(const char* at, int salt = 0) {
    return topbits(mixaddress(at, static_cast<uint64_t>(salt)), REFSLOTBITS);
}

bool same_bytes(const char* at, const std::string& bytes) {
    return std::strncmp(at, bytes.data(), bytes.size()) == 0;
}

// A reference is kept when it is met again at the same place (references
// in the records of a large lexicon are mostly met once).
struct keptruleref {
    const char* at = nullptr;
    bool kept = false;
    uint64_t rules = 0;
    std::string bytes; // the name and the byte after it
    subrule* found = nullptr;
};
lazytable<keptruleref, REFSLOTS> keptrulerefs;

// "$" name: p is after '$'.
void rule_reference(const char*& p, t_treenode* node) {
    const char* name = p;
    keptruleref& k = keptrulerefs[refslot(p)];
    subrule* s;
    size_t n;
    if (k.at == p && k.kept && k.rules == packrevision && same_bytes(p, k.bytes)) {
        n = k.bytes.size() - 1;
        p += n;
        s = k.found;
    } else {
        while (namebytes[static_cast<unsigned char>(*p)])
            ++p;
        n = static_cast<size_t>(p - name);
        if (n > RULENAMESIZE - 1) n = RULENAMESIZE - 1;
        s = rule_named(name, n, namehash(name, n));
        const bool again = k.at == name;
        k.at = name;
        k.kept = again && p - name < static_cast<long>(RULENAMESIZE);
        if (k.kept) {
            k.rules = packrevision;
            k.bytes.assign(name, static_cast<size_t>(p - name) + 1);
            k.found = s;
        }
    }
    if (!s) {
        std::string cut(name, n);
        v_err("Reference to non-existent morph rule", cut.c_str(), "");
        return;
    }
    t_treenode* saved = current_node;
    current_node = node;
    for (; s; s = s->nextsub) {
        if (subrule_guard(s)) {
            push_text(s->mexp, node);
            break;
        }
    }
    current_node = saved;
}

// The list a table index is looked for in.
attr_list index_list(t_treenode* node) {
    if (!node) return nullptr;
    if (MState == 1) return node->dictionary ? node->dictionary->attributes : nullptr;
    return node->attributes;
}

// A kept table index evaluated as match_index evaluates its text.
int coded_index(t_treenode* node, const codedcompound& c, int* size) {
    long index = 0;
    long sz = 1;
    if (c.all_values) {
        for (int i = 0; i < c.count; i++) {
            const attr_row& row = c.rows[static_cast<size_t>(i)];
            int n = attr_table[row.type].entries - 1;
            sz *= n;
            index = index * n + (row.value - 1);
        }
        *size = static_cast<int>(sz);
        return static_cast<int>(index);
    }
    comp_attr found = find_coded_again(c, index_list(node));
    if (!found) {
        v_err("Table index attribute type not present in node", "", "");
        return -1;
    }
    int i = 0;
    for (comp_attr a = found; a && i < c.count; a = a->another, i++) {
        if (c.rows[static_cast<size_t>(i)].decon) continue;
        const t_delay& d = delay_entry(a->index);
        if (d.choice < 1) return -1; // a value still open cannot index a table
        int n = attr_table[d.class_].entries - 1;
        sz *= n;
        index = index * n + (d.choice - 1);
    }
    *size = static_cast<int>(sz);
    return static_cast<int>(index);
}

// One index of a table reference (its text without blanks) and its codes.
struct keptindex {
    std::string text;
    codedcompound code;
};

int table_index(t_treenode* node, keptindex& k, int* size) {
    t_treenode* saved = current_node;
    current_node = node;
    int num;
    if (coded_current(k.code)) {
        num = coded_index(node, k.code, size);
    } else {
        num = match_index(node, k.text.c_str(), size);
        // match_index leaves the reading of the text in the working array.
        if (attr_index == 0 || !code_compound(k.text.c_str(), k.text.c_str() + k.text.size(), k.code))
            k.code.registry = 0;
    }
    current_node = saved;
    return num;
}

struct keptref {
    const char* at = nullptr;
    std::string bytes;   // the indexes and the byte that ended them
    size_t length = 0;   // bytes passed over (with the closing ')')
    std::vector<keptindex> indexes;
    uint64_t tables = 0; // the table found, for the name it was found by
    std::string name;
    const tableentry* found = nullptr;
};
lazytable<keptref, REFSLOTS> keptrefs;

// Reads the indexes at p into k: without blanks (a field of the lexicon may
// hold blanks), split at commas.
void read_indexes(const char* p, keptref& k) {
    const char* start = p;
    k.at = p;
    k.indexes.clear();
    k.indexes.emplace_back();
    while (*p && *p != ')' && *p != '|') {
        if (*p == ',')
            k.indexes.emplace_back();
        else if (*p != ' ')
            k.indexes.back().text += *p;
        ++p;
    }
    k.bytes.assign(start, static_cast<size_t>(p - start) + 1);
    k.length = static_cast<size_t>(p - start) + (*p == ')' ? 1 : 0);
    k.tables = 0;
}

// name "(" index "," index ... ")": p is after '('.
void table_reference(const char*& p, t_treenode* node) {
    tblbuf[tbllen] = 0;
    std::array<char, TBLBUFSIZE> name;
    size_t namelen = std::strlen(tblbuf.data());
    std::memcpy(name.data(), tblbuf.data(), namelen + 1);
    tbllen = 0;
    tblbuf[0] = 0;
    keptref& k = keptrefs[refslot(p)];
    if (k.at != p || !same_bytes(p, k.bytes)) read_indexes(p, k);
    p += k.length;
    if (k.tables != packrevision || k.name.size() != namelen ||
        std::memcmp(k.name.data(), name.data(), namelen) != 0) {
        k.found = table_named(name.data(), namelen);
        k.name.assign(name.data(), namelen);
        k.tables = packrevision;
    }
    const tableentry* tb = k.found;
    if (!tb) {
        v_err("Table not found", name.data(), "");
        return;
    }
    long index = 0;
    for (keptindex& one : k.indexes) {
        int size = 1;
        int num = table_index(node, one, &size);
        if (num < 0) return;
        index = index * size + num;
        if (index > 1000000) index = 1000000;
    }
    if (index + 1 > tb->tb->count) {
        v_err("Table index too high", name.data(), "");
        return;
    }
    if (static_cast<size_t>(index) < tb->starts.size()) push_text(tb->starts[static_cast<size_t>(index)], node);
}

} // namespace

void m_exp(const char* text) {
    codepass within;
    forget_found();
    m_outlen = 0;
    m_out[0] = 0;
    tbllen = 0;
    tblbuf[0] = 0;
    exp_sp = 0;
    push_text(text, current_node);
    while (exp_sp > 0) {
        // The text on top is read here up to a reference (which may push
        // another text) or its end.
        const int top = exp_sp - 1;
        const char* p = exp_stack[top];
        t_treenode* node = node_stack[top];
        if (!p) {
            --exp_sp;
            continue;
        }
        for (;;) {
            char c = *p;
            if (c == 0 || c == '|') {
                exp_stack[top] = p;
                --exp_sp;
                break;
            }
            ++p;
            if (c == '#' || c == '$' || c == '(') {
                if (c == '#')
                    field_reference(p, node);
                else if (c == '$')
                    rule_reference(p, node);
                else
                    table_reference(p, node);
                exp_stack[top] = p;
                break;
            }
            switch (c) {
            case ' ':
            case '+':
                break;
            case '"': {
                const char* q = p;
                while (*q && *q != '"')
                    ++q;
                out_run(p, static_cast<size_t>(q - p));
                p = *q == '"' ? q + 1 : q;
                break;
            }
            case '!':
                if (node && node->morphed_word) out_text(node->morphed_word);
                break;
            case '&':
                if (m_outlen > 0) out_char(m_out[m_outlen - 1]);
                break;
            case '-':
                if (m_outlen > 0) --m_outlen;
                break;
            default:
                if (tbllen < TBLBUFSIZE - 1) tblbuf[tbllen++] = c;
                break;
            }
        }
    }
    m_out[m_outlen] = 0;
    MState = 0;
}

// ---------------------------------------------------------------- passes

namespace {

// Where a field of a lexical record starts, kept by record and field with
// the bytes up to it (the first byte of the field included): the same bytes
// put the field at the same place.  A record is kept when it is met again,
// so that a large lexicon read once costs no copies.
struct keptfield {
    const char* record = nullptr;
    int field = 0;
    bool kept = false; // bytes hold the record's
    std::string bytes;
};
lazytable<keptfield, REFSLOTS> keptfields;

const char* field_of(const char* rec, int field) {
    keptfield& k = keptfields[refslot(rec, field)];
    const bool again = k.record == rec && k.field == field;
    if (again && k.kept && same_bytes(rec, k.bytes)) return rec + k.bytes.size() - 1;
    const char* f = getfieldptr(rec, field);
    k.record = rec;
    k.field = field;
    k.kept = again;
    if (again) k.bytes.assign(rec, static_cast<size_t>(f - rec) + 1);
    return f;
}

// The bytes a malloc'ed text may hold, its NUL included.
size_t room_of(char* text) {
#if defined(__GLIBC__)
    return malloc_usable_size(text);
#else
    return std::strlen(text) + 1;
#endif
}

} // namespace

void morph_word(t_treenode* leaf, int field) {
    current_node = leaf;
    if (!leaf || !leaf->dictionary || leaf->dictionary->error != 0) return;
    const char* rec = leaf->dictionary->dictionary;
    if (!rec) return;
    const char* f = field_of(rec, field);
    if (field < 1 || *f == 0 || *f == '|') return;
    m_exp(f);
    // The word's old text is overwritten when the new one fits in its allocation.
    size_t n = std::strlen(m_out.data());
    char* old = leaf->morphed_word;
    if (old && room_of(old) > n) {
        std::memcpy(old, m_out.data(), n + 1);
        return;
    }
    free(old);
    leaf->morphed_word = strdup_(m_out.data());
}

void morph_tree(t_treenode* root, int field) {
    if (!root) return;
    codepass within;
    for (t_treenode* leaf = root->right; leaf; leaf = leaf->right)
        morph_word(leaf, field);
}

// ---------------------------------------------------------------- listings

void print_tables() {
    for (table* t = tablelist; t; t = t->next)
        v_printf(MSGCORE, "table %s, %d elements: %s", t->tablename, t->count, t->elements);
}

void print_mrules() {
    for (int k = 0; k <= numrules; ++k)
        for (subrule* s = ruleheader[k]; s; s = s->nextsub)
            v_printf(MSGCORE, "rule: %d name: %s guard: %s mexp: %s", k, s->rulename,
                     readable(s->guard).c_str(), s->mexp);
}

std::string checkmorphkept() {
    std::string out;
    for (int k = 0; k <= numrules && k < MAXRULES; ++k) {
        const subrule* s = ruleheader[static_cast<size_t>(k)];
        if (!s || !s->rulename) continue;
        const subrule* first = nullptr;
        for (int j = 0; j <= k && !first; ++j)
            if (rulenamed(j, s->rulename, std::strlen(s->rulename))) first = ruleheader[static_cast<size_t>(j)];
        if (find_mrule(s->rulename) != first)
            out += std::string("rule ") + s->rulename + " is not found as the first of its name\n";
    }
    for (table* t = tablelist; t; t = t->next) {
        const tableentry* e = table_named(t->tablename, std::strlen(t->tablename));
        table* first = t;
        for (table* u = tablelist; u != t; u = u->next)
            if (std::strcmp(u->tablename, t->tablename) == 0) {
                first = u;
                break;
            }
        if (!e || e->tb != first) {
            out += std::string("table ") + t->tablename + " is not found as the first of its name\n";
            continue;
        }
        if (e->tb != t) continue;
        // Element k starts after the k-th '|' outside quotes.
        size_t k = 0;
        bool quoted = false;
        bool ok = !e->starts.empty() && e->starts[0] == t->elements;
        for (const char* p = t->elements; *p && ok; ++p) {
            if (*p == '"') quoted = !quoted;
            if (*p == '|' && !quoted) ok = ++k < e->starts.size() && e->starts[k] == p + 1;
        }
        if (!ok || k + 1 != e->starts.size())
            out += std::string("table ") + t->tablename + ": element starts disagree with its text\n";
    }
    return out;
}

void resetmorphology() {
    clear_mrules();
    init_mrules();
    clear_tables();
    exp_stack.fill(nullptr);
    node_stack.fill(nullptr);
    exp_sp = 0;
    m_out[0] = 0;
    m_outlen = 0;
    tblbuf[0] = 0;
    tbllen = 0;
    MState = 0;
    resetguards();
}

} // namespace bormo
