// Morphology rules and tables, morph-expression evaluation and the passes.
#include "bormo/morphology.hpp"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bormo/attributes.hpp"
#include "bormo/lexicon.hpp"
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
    // Reading stops early only when the rule slots are full: close the file.
    while (fsptr >= 0)
        closefile();
    file_position.clear();
    file_operation.clear();
}

subrule* find_mrule(const char* name) {
    if (!name) return nullptr;
    for (int k = 0; k <= numrules; ++k) {
        subrule* s = ruleheader[k];
        if (s && s->rulename && std::strcmp(s->rulename, name) == 0) return s;
    }
    return nullptr;
}

void clear_mrules() {
    for (int k = 0; k <= numrules && k < MAXRULES; ++k) {
        free_subrules(ruleheader[k]);
        ruleheader[k] = nullptr;
        rulenames[k].clear();
    }
    numrules = -1;
    forget_guard_shapes();
}

void init_mrules() {
    ruleheader.fill(nullptr);
    for (auto& n : rulenames)
        n.clear();
    numrules = -1;
}

// ---------------------------------------------------------------- tables file

void new_readtables(const char* filename) {
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
    file_position.clear();
    file_operation.clear();
}

table* find_table(const char* name) {
    for (table* t = tablelist; t; t = t->next)
        if (std::strcmp(t->tablename, name) == 0) return t;
    return nullptr;
}

void clear_tables() {
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

void out_char(char c) {
    if (m_outlen < MOUTSIZE - 1) {
        m_out[m_outlen++] = c;
        m_out[m_outlen] = 0;
    }
}

void out_text(const char* s) {
    while (s && *s)
        out_char(*s++);
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

bool namebyte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c >= 0xC0;
}

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

// "$" name: p is after '$'.
void rule_reference(const char*& p, t_treenode* node) {
    std::array<char, 256> name;
    size_t n = 0;
    while (namebyte(static_cast<unsigned char>(*p))) {
        if (n < name.size() - 1) name[n++] = *p;
        ++p;
    }
    name[n] = 0;
    subrule* s = find_mrule(name.data());
    if (!s) {
        v_err("Reference to non-existent morph rule", name.data(), "");
        return;
    }
    t_treenode* saved = current_node;
    current_node = node;
    for (; s; s = s->nextsub) {
        if (m_guard(s->guard)) {
            push_text(s->mexp, node);
            break;
        }
    }
    current_node = saved;
}

// The element `k` (from 1) of a table, or null.
const char* table_element(const table* tb, int k) {
    const char* p = tb->elements;
    bool quoted = false;
    for (int i = 1; i < k; ++p) {
        if (*p == 0) return nullptr;
        if (*p == '"') quoted = !quoted;
        if (*p == '|' && !quoted) ++i;
    }
    return p;
}

// name "(" index "," index ... ")": p is after '('.
void table_reference(const char*& p, t_treenode* node) {
    tblbuf[tbllen] = 0;
    std::array<char, TBLBUFSIZE> name;
    std::memcpy(name.data(), tblbuf.data(), static_cast<size_t>(tbllen) + 1);
    tbllen = 0;
    tblbuf[0] = 0;
    // The indexes without blanks (a field of the lexicon may hold blanks),
    // each ended by a NUL in place of its comma.
    std::string indexes;
    while (*p && *p != ')' && *p != '|') {
        if (*p != ' ') indexes += *p == ',' ? '\0' : *p;
        ++p;
    }
    if (*p == ')') ++p;
    const table* tb = find_table(name.data());
    if (!tb) {
        v_err("Table not found", name.data(), "");
        return;
    }
    long index = 0;
    const char* one = indexes.c_str();
    const char* end = one + indexes.size();
    for (;;) {
        int size = 1;
        t_treenode* saved = current_node;
        current_node = node;
        int num = match_index(node, one, &size);
        current_node = saved;
        if (num < 0) return;
        index = index * size + num;
        if (index > 1000000) index = 1000000;
        one += std::strlen(one);
        if (one == end) break;
        ++one;
    }
    if (index + 1 > tb->count) {
        v_err("Table index too high", name.data(), "");
        return;
    }
    const char* el = table_element(tb, static_cast<int>(index + 1));
    if (el) push_text(el, node);
}

} // namespace

void m_exp(const char* text) {
    m_outlen = 0;
    m_out[0] = 0;
    tbllen = 0;
    tblbuf[0] = 0;
    exp_sp = 0;
    push_text(text, current_node);
    while (exp_sp > 0) {
        const char*& p = exp_stack[exp_sp - 1];
        t_treenode* node = node_stack[exp_sp - 1];
        char c = p ? *p : 0;
        if (c == 0 || c == '|') {
            --exp_sp;
            continue;
        }
        ++p;
        switch (c) {
        case ' ':
        case '+':
            break;
        case '"':
            while (*p && *p != '"')
                out_char(*p++);
            if (*p == '"') ++p;
            break;
        case '!':
            if (node) out_text(node->morphed_word);
            break;
        case '#':
            field_reference(p, node);
            break;
        case '$':
            rule_reference(p, node);
            break;
        case '&':
            if (m_outlen > 0) out_char(m_out[m_outlen - 1]);
            break;
        case '-':
            if (m_outlen > 0) m_out[--m_outlen] = 0;
            break;
        case '(':
            table_reference(p, node);
            break;
        default:
            if (tbllen < TBLBUFSIZE - 1) tblbuf[tbllen++] = c;
            break;
        }
    }
    MState = 0;
}

// ---------------------------------------------------------------- passes

void morph_word(t_treenode* leaf, int field) {
    current_node = leaf;
    if (!leaf || !leaf->dictionary || leaf->dictionary->error != 0) return;
    const char* rec = leaf->dictionary->dictionary;
    if (!rec) return;
    const char* f = getfieldptr(rec, field);
    if (field < 1 || *f == 0 || *f == '|') return;
    m_exp(f);
    free(leaf->morphed_word);
    leaf->morphed_word = strdup_(m_out.data());
}

void morph_tree(t_treenode* root, int field) {
    if (!root) return;
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
