// Lexical transformations: the rule file, the depth-first run over the
// lexicon, right-hand sides and inverse transformations.
#include "bormo/lazytable.hpp"
#include "bormo/lextrans.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/sentences.hpp"
#include "bormo/vline.hpp"
#include "editor/commands.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/store.hpp"

namespace bormo {

std::array<std::unique_ptr<LTRULE>, MAXLTRULES> ltruleheader;
int lt_rule_num = -1;
std::vector<t_stacknode> lt_stack;
int InProgress = 0;
int numwords = 0;
std::array<char, LTRESULTSIZE> lt_result{};
int resptr = 0;
int resoverflow = 0;

namespace {

using uchar = unsigned char;

// Owned texts of the inverse transformations' results, by lookup number.
lazytable<std::string, DICTSIZE> ilt_results;

bool namechar(uchar c) {
    return std::isalnum(c) || c == '_' || c >= 0xC0;
}

// The word of an entry or pattern: between its quotes, or up to '|'.
std::string word_of(const char* s) {
    std::string w;
    if (!s) return w;
    if (*s == '"') {
        for (++s; *s && *s != '"'; ++s)
            w += *s;
    } else {
        for (; *s && *s != '|'; ++s)
            w += *s;
    }
    return w;
}

// Appends `text` as a new line of kind `linetype` at the end of `corefile`.
void append_line(int corefile, const std::string& text, int linetype) {
    size_t n = text.size();
    if (oxa::avail + static_cast<int64_t>(n) + 1 > oxa::HEAPSIZE) oxa::garbage();
    int64_t room = oxa::HEAPSIZE - oxa::avail - 1;
    if (room < 0) return;
    if (static_cast<int64_t>(n) > room) n = static_cast<size_t>(room);
    std::memcpy(&oxa::textbase[oxa::avail], text.data(), n);
    oxa::textbase[oxa::avail + static_cast<int64_t>(n)] = 0;
    v_line(corefile, linetype);
}

// ---------------------------------------------------------------- records

t_dict_lookup* new_lookup() {
    t_dict_lookup* d = new t_dict_lookup{};
    d->vf = -1;
    return d;
}

void free_lookup(t_dict_lookup* d) {
    if (!d) return;
    release_class(*d);
    std::free(d->preferredchoice);
    std::free(d->fields);
    purge_attr_list(&d->attributes);
    delete d;
}

// Frees a rule's LSP chain (linked through `right`) with their lookups.
void free_lsps(t_treenode* n) {
    while (n) {
        t_treenode* next = n->right;
        free_lookup(n->dictionary);
        n->dictionary = nullptr;
        purge_node(n);
        n = next;
    }
}


} // namespace

ltrule::~ltrule() {
    free_lsps(lsp1);
    for (lt_var_list v = rule_vars; v;) {
        lt_var_list next = v->next;
        delete v;
        v = next;
    }
}

namespace {

// ---------------------------------------------------------------- reading

// A failure while reading a rule: the message was written.
struct rule_error {};

void fail(const char* a, const std::string& b = "", const char* c = "") {
    v_err(a, b.c_str(), c);
    v_stat = 1;
    throw rule_error{};
}

bool reserved(int t) {
    return t == T_INHERIT || t == T_CHOOSE || t == T_RULE || t == T_TRANSFORM ||
           t == T_PRIORITY || t == T_MAKES || t == T_ILT || t == T_PRE || t == T_SELECT ||
           t == T_IS;
}

std::string describe(const std::vector<int>& ends) {
    std::string s;
    for (int t : ends) {
        if (!s.empty()) s += ' ';
        if (t == T_PRIORITY)
            s += "_and_";
        else if (t == T_MAKES)
            s += "_makes_";
        else if (t == T_PERCENT)
            s += "%";
        else
            s += std::string("'") + static_cast<char>(t) + "'";
    }
    return s;
}

bool among(int t, const std::vector<int>& ends) {
    for (int e : ends)
        if (e == t) return true;
    return false;
}

// Reads tokens up to one of `ends` (not consumed), keeping identifiers as
// their text, quoted literals with their quotes and other tokens as their
// character.  Returns the terminator.
int read_part(std::string& out, const std::vector<int>& ends) {
    const std::string expected = describe(ends);
    for (;;) {
        int t = v_peep();
        if (among(t, ends)) return t;
        if (t == T_EOF) fail("   Unexpected end of file.");
        if (t == T_PERCENT)
            fail("   Unexpected end of rule token encountered.  Expected one of the following: ",
                 expected);
        if (reserved(t))
            fail("   Unexpected reserved word encountered.  Expected one of the following: ",
                 expected);
        if (t == T_QUOTE) {
            out += '"';
            v_next();
            while (v_peep() != T_QUOTE) {
                if (v_peep() == T_EOF) fail("   Unexpected end of file.");
                out += static_cast<char>(v_peep());
                v_next();
            }
            out += '"';
        } else if (t == T_IDENT) {
            out += identbuf.data();
        } else {
            out += static_cast<char>(t);
        }
        if (out.size() > LTFIELDMAX)
            fail("   Buffer overflow.  Expected one of the following: ", expected);
        v_next();
    }
}

// The variable of that name in the clause: its number (from 1), or 0.
int var_number(lt_var_list vars, const char* name) {
    int k = 1;
    for (; vars; vars = vars->next, ++k)
        if (vars->name == name) return k;
    return 0;
}

lt_var_list var_at(lt_var_list vars, int k) {
    for (int i = 1; vars && i < k; ++i)
        vars = vars->next;
    return vars;
}

// Common attribute clause: ( var : TYPE , var : TYPE ... )
void read_clause(LTRULE* rule) {
    v_next(); // '('
    lt_var_list* tail = &rule->rule_vars;
    int count = 0;
    for (;;) {
        if (v_peep() != T_IDENT) fail("   Syntax Error.", "1");
        std::string name = identbuf.data();
        v_next();
        if (v_peep() != ':') fail("   Syntax Error.", "2");
        v_next();
        if (v_peep() != T_IDENT) fail("   Syntax Error.", "3");
        std::string type = identbuf.data();
        if (!lookup_attr(type.c_str()) || att_value != -1)
            fail("   Attribute type unknown:", type);
        if (++count > MAXLTVARS) fail("   Too many variables in rule", name);
        int index = add_lt_delayed(att_class, -1);
        if (index < 0) throw rule_error{};
        *tail = new s_lt_var_list{name, index, nullptr};
        tail = &(*tail)->next;
        v_next();
        if (v_peep() == ',') {
            v_next();
            continue;
        }
        if (v_peep() == ')') {
            v_next();
            return;
        }
        fail("   Syntax Error.", "3");
    }
}

// Field 3 of an LSP: compounds separated by ',', components by '.'; each
// component an attribute value or a variable of the clause; '?' alone for
// none.  Returns the text as written.
std::string read_lsp_attributes(LTRULE* rule, t_dict_lookup* look, const std::vector<int>& ends) {
    std::string text;
    if (v_peep() == '?') {
        text = "?";
        v_next();
        if (!among(v_peep(), ends)) fail("   Syntax Error.");
        return text;
    }
    comp_attr comp = nullptr;
    bool want_name = true;
    auto close = [&]() {
        if (comp) add_attr_to_list(&look->attributes, comp);
        comp = nullptr;
    };
    try {
        for (;;) {
            int t = v_peep();
            if (among(t, ends)) {
                if (want_name && comp) fail("   Error in field 3 of LSP");
                close();
                return text;
            }
            if (t == T_EOF) fail("   Unexpected end of file.");
            if (t == T_IDENT && want_name) {
                const char* name = identbuf.data();
                int index = -1;
                if (int k = var_number(rule->rule_vars, name)) {
                    index = var_at(rule->rule_vars, k)->index;
                } else if (!lookup_attr(name)) {
                    fail("   Attribute unknown:", name);
                } else if (att_value == -1) {
                    fail("   Attribute classes not legal in LSPs: ", name);
                } else {
                    index = add_lt_delayed(att_class, att_value);
                    if (index < 0) throw rule_error{};
                }
                add_comp_attr(&comp, index);
                text += name;
                want_name = false;
            } else if ((t == '.' || t == ',') && !want_name) {
                if (t == ',') close();
                text += static_cast<char>(t);
                want_name = true;
            } else {
                fail("   Error in field 3 of LSP");
            }
            v_next();
        }
    } catch (const rule_error&) {
        purge_comp_attr(&comp);
        throw;
    }
}

// One LSP: word | terminal | attributes | restrictions.
t_treenode* read_lsp(LTRULE* rule) {
    const std::vector<int> ends = {'|', T_PRIORITY, T_MAKES};
    const std::vector<int> last = {T_PRIORITY, T_MAKES};
    std::string word, term, attrs, restr;
    t_treenode* node = nullptr;
    t_dict_lookup* look = new_lookup();
    try {
        int end = read_part(word, ends);
        if (word.empty()) fail("   Error in field 1 of LSP");
        if (end == '|') {
            v_next();
            end = read_part(term, ends);
            bool name = !term.empty();
            for (char c : term)
                name = name && namechar(static_cast<uchar>(c));
            if (term != "?" && !name) fail("   Error in field 2 of LSP");
            if (end == '|') {
                v_next();
                attrs = read_lsp_attributes(rule, look, ends);
                if (v_peep() == '|') {
                    v_next();
                    try {
                        read_part(restr, last);
                    } catch (const rule_error&) {
                        v_err("   Error after field 3 of LSP", "", "");
                        throw;
                    }
                }
            }
        }
    } catch (const rule_error&) {
        free_lookup(look);
        throw;
    }
    if (term.empty()) term = "?";
    node = makenode(term.c_str());
    node->dictionary = look;
    look->class_ = strdup_(term.c_str());
    if (word != "?") look->preferredchoice = strdup_(word.c_str());
    std::string fields = word + "|" + term + "|" + attrs + "|" + restr;
    if (!restr.empty() && restr.back() != '|') fields += '|';
    look->fields = strdup_(fields.c_str());
    return node;
}

// The right-hand side, up to the '%' that is not within quotes.
void read_rhs(LTRULE* rule) {
    std::string& out = rule->rhs;
    bool quoted = false;
    bool after_name = false; // the last token was an identifier
    for (;;) {
        int t = v_peep();
        if (t == T_EOF) fail("   Unexpected end of file.");
        if (quoted) {
            out += static_cast<char>(t);
            if (t == T_QUOTE) quoted = false;
        } else if (t == T_PERCENT) {
            v_next();
            return;
        } else if (t == T_RULE) {
            // The rule's '%' is missing: the next rule begins here.
            fail("   Unexpected reserved word encountered.  Expected one of the following: ", "%");
        } else if (t == T_QUOTE) {
            out += '"';
            quoted = true;
        } else if (t == T_IDENT) {
            // Two names in a row stay two words.
            if (after_name) out += ' ';
            if (int k = var_number(rule->rule_vars, identbuf.data())) {
                out += static_cast<char>(LT_VARREF);
                out += static_cast<char>(k);
            } else {
                out += identbuf.data();
            }
        } else {
            out += static_cast<char>(t);
        }
        if (out.size() > LTRHSMAX)
            fail("   Buffer overflow.  Expected one of the following: ", "%");
        after_name = !quoted && t == T_IDENT;
        v_next();
    }
}

// Skips to the end of the current rule: its '%' (consumed) outside quotes,
// or the next RULE, or the end of input.
void skip_rule() {
    bool quoted = false;
    for (;;) {
        int t = v_peep();
        if (t == T_EOF) return;
        if (!quoted && t == T_RULE) return;
        v_next();
        if (t == T_QUOTE) quoted = !quoted;
        if (!quoted && t == T_PERCENT) return;
    }
}

// RULE n [clause] LSP {_and_ LSP} _makes_ rhs %   (RULE already consumed)
void read_rule() {
    if (v_peep() != T_IDENT) {
        v_err("Unable to get rule number", "", "");
        v_stat = 1;
        skip_rule();
        return;
    }
    std::string num = identbuf.data();
    long n = 0;
    bool digits = !num.empty();
    for (char c : num) {
        digits = digits && std::isdigit(static_cast<uchar>(c));
        if (digits && n < 100000) n = n * 10 + (c - '0');
    }
    file_position = "rule " + num;
    v_next();
    if (!digits || n < 1 || n >= MAXLTRULES) {
        v_err("Rule number out of range or garbled", num.c_str(), "");
        v_stat = 1;
        skip_rule();
        return;
    }
    if (ltruleheader[n]) {
        v_err("Rule discarded -- duplicate rule ", num.c_str(), "");
        v_stat = 1;
        skip_rule();
        return;
    }
    int mark = lt_delayptr;
    auto owned = std::make_unique<LTRULE>();
    LTRULE* rule = owned.get();
    const char* stage = "   Error reading common attribute clause";
    try {
        if (v_peep() == '(') read_clause(rule);
        stage = "   Error reading Lexical Search Pattern";
        t_treenode* lasts = nullptr;
        for (;;) {
            t_treenode* lsp = read_lsp(rule);
            if (lasts) {
                lasts->right = lsp;
                lsp->left = lasts;
            } else {
                rule->lsp1 = lsp;
            }
            lasts = lsp;
            int t = v_peep();
            v_next();
            if (t == T_MAKES) break;
        }
        stage = "   Error reading right hand side";
        read_rhs(rule);
    } catch (const rule_error&) {
        v_err(stage, "", "");
        v_err("Failed to load rule", num.c_str(), "");
        v_stat = 1;
        owned.reset();
        lt_delayptr = mark; // nothing else refers to the entries it made
        skip_rule();
        return;
    }
    ltruleheader[n] = std::move(owned);
}

// ---------------------------------------------------------------- running

void free_vars(std::vector<int>& vars) {
    for (int i : vars)
        lt_delayed[i].choice = -1;
    vars.clear();
}

// The variables of the selected rule whose value is still open.
std::vector<int> open_vars() {
    std::vector<int> out;
    if (lt_rule_num < 0 || !ltruleheader[lt_rule_num]) return out;
    for (lt_var_list v = ltruleheader[lt_rule_num]->rule_vars; v; v = v->next)
        if (lt_delayed[v->index].choice == -1) out.push_back(v->index);
    return out;
}

// Sets up a level for `lsp`; false (after a message) for an unknown terminal.
bool push_level(t_treenode* lsp) {
    t_stacknode level{lsp, nullptr, {}, -1};
    const char* cls = lsp->dictionary->class_;
    if (std::strcmp(cls, "?") == 0) {
        level.term_ind = 0;
        level.DictionaryPtr = dictionary && dictterm > 0 ? dictionary[0] : nullptr;
    } else {
        int term = lookup_terminal(cls);
        if (term < 0) {
            v_err("Terminal class not recognized - ", cls, "");
            return false;
        }
        level.DictionaryPtr = dictionary && term < dictterm ? dictionary[term] : nullptr;
    }
    lsp->dictionary->dictionary = nullptr;
    lt_stack.push_back(std::move(level));
    return true;
}

// The next entry of the level's terminal(s) to try, or null when done.
recnode* next_candidate(t_stacknode& level) {
    while (!level.DictionaryPtr) {
        if (level.term_ind < 0 || !dictionary) return nullptr;
        if (++level.term_ind >= dictterm) {
            level.term_ind = -1;
            return nullptr;
        }
        level.DictionaryPtr = dictionary[level.term_ind];
    }
    recnode* n = level.DictionaryPtr;
    level.DictionaryPtr = n->previous;
    return n;
}

// Finds the next entry matching the top level's LSP: 1 found, 0 none left.
int lt_getdictent(t_stacknode& level) {
    t_dict_lookup* look = level.lsp->dictionary;
    std::string pattern = look->preferredchoice ? word_of(look->preferredchoice) : "";
    while (recnode* n = next_candidate(level)) {
        const char* rec = n->recordptr;
        // An inverse transformation's entry is no word to derive from.
        if (static_cast<uchar>(rec[0]) == T_ILT) continue;
        free_vars(level.fixedvars);
        std::vector<int> before = open_vars();
        MState = 1;
        int ok = match_attr(rec, look->attributes);
        MState = 0;
        for (int i : before)
            if (lt_delayed[i].choice != -1) level.fixedvars.push_back(i);
        if (ok && look->preferredchoice)
            ok = match_wild(pattern.c_str(), word_of(rec).c_str(), '\0', '\0');
        if (ok && look->fields) ok = match_lsp(look->fields, rec);
        if (ok) {
            look->dictionary = n->recordptr;
            return 1;
        }
        free_vars(level.fixedvars);
    }
    look->dictionary = nullptr;
    return 0;
}

void cleanup_run() {
    for (t_stacknode& level : lt_stack) {
        free_vars(level.fixedvars);
        if (level.lsp && level.lsp->dictionary) level.lsp->dictionary->dictionary = nullptr;
    }
    lt_stack.clear();
    InProgress = 0;
    numwords = 0;
}

// ---------------------------------------------------------------- right-hand sides

void res_char(char c) {
    if (resptr >= LTRESULTSIZE - 1) {
        resoverflow = 1;
        return;
    }
    lt_result[resptr++] = c;
    lt_result[resptr] = 0;
}

void res_text(const char* s) {
    while (s && *s)
        res_char(*s++);
}

int read_int(const char*& p) {
    int n = 0;
    while (std::isdigit(static_cast<uchar>(*p))) {
        if (n < 100000) n = n * 10 + (*p - '0');
        ++p;
    }
    return n;
}

t_treenode* nth_lsp(t_treenode* lsp, int l) {
    for (int i = 1; lsp && i < l; ++i)
        lsp = lsp->right;
    return l >= 1 ? lsp : nullptr;
}

// One removal of a "!3" reference: a type (value -1) or a value.
struct removal {
    int type;
    int value;
};

bool removed(const std::vector<removal>& rm, int sign, int type, int value) {
    for (const removal& r : rm) {
        if (r.type != type) continue;
        if (r.value == -1) return true;
        if (r.value == value && sign == 0) return true;
    }
    return false;
}

// Field 3 as names: components joined by '.', each compound closed by ','.
// A removed component is left out with its sign and its '.'; a compound left
// empty writes nothing.
void write_attributes(const char* rec, const std::vector<removal>& rm) {
    const char* p = getfieldptr(rec, 3);
    while (*p && *p != '|') {
        std::string comp;
        while (*p && *p != ' ' && *p != '|') {
            int sign = 0;
            if (*p == '.') {
                ++p;
                continue;
            }
            if (*p == '<' || *p == '>') sign = *p++;
            if (static_cast<uchar>(*p) != ATTRCODE || !p[1] || !p[2]) {
                ++p;
                continue;
            }
            int type = static_cast<uchar>(p[1]);
            int value = static_cast<uchar>(p[2]);
            p += 3;
            if (value == BAREVALUE) value = -1;
            if (removed(rm, sign, type, value)) continue;
            if (!comp.empty()) comp += '.';
            if (sign) comp += static_cast<char>(sign);
            comp += att_get_name(type, value);
        }
        if (*p == ' ') ++p;
        if (!comp.empty()) {
            res_text(comp.c_str());
            res_char(',');
        }
    }
}

// A failure while evaluating a right-hand side: the message was written.
struct rhs_error {};

void rhs_fail(const char* a, const std::string& b = "") {
    v_err(a, b.c_str(), "");
    throw rhs_error{};
}

// "!f[.l]" and its removals; p is after '!'.
void field_ref(const char*& p, t_treenode* lsp) {
    if (!std::isdigit(static_cast<uchar>(*p)))
        rhs_fail("   Syntax error near '!' in right hand side of rule ");
    int f = read_int(p);
    int l = 1;
    if (*p == '.' && std::isdigit(static_cast<uchar>(p[1]))) {
        ++p;
        l = read_int(p);
    }
    char where[64];
    std::snprintf(where, sizeof where, "field %d from lsp %d", f, l);
    t_treenode* node = nth_lsp(lsp, l);
    const char* rec = node && node->dictionary ? node->dictionary->dictionary : nullptr;
    if (!rec || f < 1) rhs_fail("   Bad LSP field reference -- ", where);
    const char* field = getfieldptr(rec, f);
    if (*field == 0) rhs_fail("   Bad LSP field reference -- ", where);
    if (f != 3) {
        for (; *field && *field != '|'; ++field)
            res_char(*field);
        return;
    }
    std::vector<removal> rm;
    while (*p == '-' && namechar(static_cast<uchar>(p[1]))) {
        ++p;
        std::string name;
        while (namechar(static_cast<uchar>(*p)))
            name += *p++;
        if (!lookup_attr(name.c_str())) rhs_fail("   Attribute unknown:", name);
        rm.push_back({att_class, att_value});
    }
    write_attributes(rec, rm);
}

// "[ expression ]"; p is after '['.
void morph_ref(const char*& p, t_treenode* lsp, int morph_state) {
    std::string expr;
    bool quoted = false;
    for (; *p && (quoted || *p != ']'); ++p) {
        if (*p == '"') quoted = !quoted;
        expr += *p;
    }
    if (*p != ']') rhs_fail("   Expecting closing brace for morphology expression ");
    ++p;
    if (expr.size() > LTMORPHMAX) rhs_fail("   Morphology string too long ");
    t_treenode* saved = current_node;
    current_node = lsp;
    MState = morph_state == 1 ? 1 : 0;
    m_exp(expr.c_str());
    MState = 0;
    current_node = saved;
    res_char('"');
    res_text(m_out.data());
    res_char('"');
}

// The selected rule's variable k (from 1), or null.
lt_var_list rule_var(int k) {
    if (lt_rule_num < 0 || !ltruleheader[lt_rule_num]) return nullptr;
    return var_at(ltruleheader[lt_rule_num]->rule_vars, k);
}

// A right-hand side's result as a lexicon entry: field 3, written as names
// (compounds separated by ',', components by '.', each with an optional
// sign), is encoded as the lexicon stores it, so that the result is matched
// and inflected like any entry.  False (after a message) for an unknown name.
bool encode_entry(const std::string& text, std::string& out) {
    out.clear();
    size_t f2 = text.find('|');
    size_t f3 = f2 == std::string::npos ? f2 : text.find('|', f2 + 1);
    size_t f3end = f3 == std::string::npos ? f3 : text.find('|', f3 + 1);
    if (f3end == std::string::npos) {
        out = text;
        return true;
    }
    size_t start = f3 + 1;
    out = text.substr(0, start);
    std::vector<std::string> comps(1);
    std::string name;
    auto end_name = [&]() -> bool {
        if (name.empty()) return true;
        if (!lookup_attr(name.c_str())) {
            v_err("Unknown attribute", name.c_str(), "");
            return false;
        }
        comps.back() += static_cast<char>(ATTRCODE);
        comps.back() += static_cast<char>(att_class);
        comps.back() += static_cast<char>(att_value < 0 ? BAREVALUE : att_value);
        name.clear();
        return true;
    };
    for (size_t i = start; i < f3end; ++i) {
        char c = text[i];
        if (namechar(static_cast<uchar>(c))) {
            name += c;
            continue;
        }
        if (!end_name()) return false;
        if (c == ',') {
            comps.emplace_back();
        } else if (c == '.' || c == '<' || c == '>') {
            comps.back() += c;
        }
    }
    if (!end_name()) return false;
    auto firsttype = [](const std::string& c) {
        size_t k = c.find(static_cast<char>(ATTRCODE));
        return k != std::string::npos && k + 1 < c.size() ? static_cast<uchar>(c[k + 1]) : 0;
    };
    std::stable_sort(comps.begin(), comps.end(), [&](const std::string& a, const std::string& b) {
        return firsttype(a) < firsttype(b);
    });
    for (const std::string& c : comps)
        if (firsttype(c)) out += c + ' ';
    out += text.substr(f3end);
    return true;
}

} // namespace

// ---------------------------------------------------------------- interfaces

int add_lt_delayed(int class_, int choice) {
    if (lt_delayptr >= DELAYSIZE) {
        v_err("   Ran out of table space for attributes", "", "");
        v_stat = 1;
        return -1;
    }
    lt_delayed[lt_delayptr] = {class_, choice, choice >= 0 ? 1 : 0};
    return lt_delayptr++;
}

void readlextrans(const char* name) {
    packload loading;
    file_operation = "LT Rules";
    file_position.clear();
    v_stat = 0;
    openfile(name, 0);
    while (v_peep() != T_EOF) {
        if (v_peep() != T_RULE) {
            v_err("Warning -- characters ignored", "", "");
            while (v_peep() != T_RULE && v_peep() != T_EOF)
                v_next();
            continue;
        }
        v_next();
        read_rule();
        file_position.clear();
    }
    file_position.clear();
    file_operation.clear();
}

void initialize_lt_rules() {
    purge_lt_rules();
}

void purge_lt_rules() {
    cleanup_run();
    for (auto& r : ltruleheader)
        r.reset();
    lt_rule_num = -1;
    lt_delayed.fill({0, -1, 0});
    lt_delayptr = 0;
    pack_changed();
}

void lt_cancel_run() {
    cleanup_run();
}

void inittrans(int n) {
    file_operation = "Init LT Rule";
    cleanup_run();
    lt_rule_num = -1;
    char num[16];
    std::snprintf(num, sizeof num, "%d", n);
    if (n < 1 || n >= MAXLTRULES) {
        v_err("Rule number out of range: ", num, "");
        v_stat = 1;
    } else if (!ltruleheader[n]) {
        v_err("Rule has not been loaded yet - ", num, "");
        v_stat = 1;
    } else {
        lt_rule_num = n;
        v_printf(MSGCORE, "LT rule selected: %d.", n);
    }
    file_operation.clear();
}

void exectrans() {
    file_operation = "Exec LT Rule";
    LTRULE* rule = lt_rule_num > 0 ? ltruleheader[lt_rule_num].get() : nullptr;
    if (!rule) {
        v_err("No Rule has been initialized", "", "");
        file_operation.clear();
        return;
    }
    if (!InProgress) {
        cleanup_run();
        InProgress = 1;
        if (!push_level(rule->lsp1)) {
            cleanup_run();
            file_operation.clear();
            return;
        }
    }
    while (!lt_stack.empty()) {
        if (oxa::abortreq == 1) {
            oxa::abortreq = 0;
            char msg[64];
            std::snprintf(msg, sizeof msg, "Abort -- %d words generated", numwords);
            oxa::progress(msg);
            v_stat = 2;
            InProgress = 1;
            file_operation.clear();
            return;
        }
        t_stacknode& level = lt_stack.back();
        if (!lt_getdictent(level)) {
            free_vars(level.fixedvars);
            lt_stack.pop_back();
            continue;
        }
        if (t_treenode* next = level.lsp->right) {
            if (!push_level(next)) {
                cleanup_run();
                file_operation.clear();
                return;
            }
            continue;
        }
        ++numwords;
        if (numwords % 100 == 0) {
            char msg[64];
            std::snprintf(msg, sizeof msg, "%d words generated", numwords);
            oxa::progress(msg);
        }
        if (!lt_apply_rule(rule->rhs.c_str(), rule->lsp1, 1)) {
            cleanup_run();
            file_operation.clear();
            return;
        }
        if (resoverflow) {
            v_err("   Result of LT rule too long ", "", "");
            cleanup_run();
            file_operation.clear();
            return;
        }
        append_line(oxa::corenum, lt_result.data(), oxa::K_RECORD);
    }
    v_printf(MSGCORE, "Total Words Generated: %d.", numwords);
    oxa::progress("");
    cleanup_run();
    file_operation.clear();
}

int lt_apply_rule(const char* rhs, t_treenode* lsp, int morph_state) {
    resptr = 0;
    resoverflow = 0;
    lt_result[0] = 0;
    if (!rhs || !*rhs) {
        v_err("   Right hand side of rule is null", "", "");
        return 0;
    }
    try {
        for (const char* p = rhs; *p;) {
            uchar c = static_cast<uchar>(*p++);
            if (c == '!') {
                field_ref(p, lsp);
            } else if (c == LT_VARREF && *p) {
                lt_var_list v = rule_var(static_cast<uchar>(*p++));
                if (v) {
                    const t_delay& d = lt_delayed[v->index];
                    res_text(att_get_name(d.class_, d.choice));
                }
            } else if (c == '[') {
                morph_ref(p, lsp, morph_state);
            } else {
                res_char(static_cast<char>(c));
            }
        }
    } catch (const rhs_error&) {
        MState = 0;
        return 0;
    }
    return 1;
}

t_treenode* lt_getlspptr(int n) {
    LTRULE* rule = lt_rule_num > 0 ? ltruleheader[lt_rule_num].get() : nullptr;
    if (!rule) {
        v_err("   Rule has not been selected yet ", "", "");
        return nullptr;
    }
    t_treenode* lsp = nth_lsp(rule->lsp1, n);
    if (!lsp) v_err("      Bad LSP number", "", "");
    return lsp;
}

// ---------------------------------------------------------------- inverse transformations

t_treenode* ilt_create_lsps(const char* entry) {
    if (!entry || static_cast<uchar>(*entry) != T_ILT) return nullptr;
    const char* p = getfieldptr(entry, 5);
    t_treenode* first = nullptr;
    t_treenode* last = nullptr;
    while (*p && static_cast<uchar>(*p) != T_MAKES) {
        if (static_cast<uchar>(*p) != T_PRIORITY) {
            ++p;
            continue;
        }
        ++p;
        // The parts up to the next LSP or the right-hand side, split at '|'
        // outside quotes: word, terminal, attribute names, restrictions.
        std::vector<std::string> parts(1);
        bool quoted = false;
        for (; *p; ++p) {
            uchar c = static_cast<uchar>(*p);
            if (!quoted && (c == T_PRIORITY || c == T_MAKES)) break;
            if (c == '"') quoted = !quoted;
            if (!quoted && c == '|' && parts.size() < 4)
                parts.emplace_back();
            else
                parts.back() += static_cast<char>(c);
        }
        parts.resize(4);
        std::string term = parts[1].empty() ? "?" : parts[1];
        t_treenode* node = makenode(term.c_str());
        std::string word = word_of(parts[0].c_str());
        if (!word.empty() && parts[0] != "?") node->preferredchoice = strdup_(word.c_str());
        // Attribute names: compounds separated by ','.
        const std::string& names = parts[2];
        for (size_t k = 0; k < names.size();) {
            size_t comma = names.find(',', k);
            std::string one = names.substr(k, comma == std::string::npos ? comma : comma - k);
            if (!one.empty() && one != "?") {
                text_to_comp_struct(one.c_str(), 0);
                if (comp_attr_register) add_attr_to_list(&node->attributes, comp_attr_register);
                comp_attr_register = nullptr;
            }
            if (comma == std::string::npos) break;
            k = comma + 1;
        }
        std::string restr = parts[3];
        if (!restr.empty() && restr != "|") {
            if (restr.back() != '|') restr += '|';
            node->restrictions = strdup_(("|||" + restr).c_str());
        }
        terminal_node(node);
        if (!node->dictionary) { // the lookup table is full
            purge_node(node);
            purge_tree(first);
            return nullptr;
        }
        fill_word(node);
        // The chain owns its successors through `son`; `right` orders it.
        if (last) {
            last->son = node;
            last->right = node;
            node->left = last;
        } else {
            first = node;
        }
        last = node;
    }
    return first;
}

void scan_ilts(int mark) {
    // Most look-ups hold no inverse transformation: nothing to save then.
    const int lowest = std::max(mark, 0);
    int top = d_table_count - 1;
    while (top >= lowest && (!dict_table[top].lspseq || dict_table[top].error != 0))
        --top;
    if (top < lowest) return;
    std::string saved = file_operation;
    for (int i = top; i >= lowest; --i) {
        t_dict_lookup& d = dict_table[i];
        if (!d.lspseq || d.error != 0) continue;
        bool ok = true;
        for (t_treenode* n = d.lspseq; n && ok; n = n->right) {
            const t_dict_lookup* l = n->dictionary;
            ok = l && l->error == 0 && l->dictionary &&
                 static_cast<uchar>(l->dictionary[0]) != T_ILT;
        }
        const char* rhs = d.dictionary ? std::strchr(d.dictionary, T_MAKES) : nullptr;
        if (ok && rhs) {
            ok = lt_apply_rule(rhs + 1, d.lspseq, 2) && !resoverflow;
            if (!ok && resoverflow) v_err("   Result of LT rule too long ", "", "");
        } else {
            ok = false;
        }
        if (ok) ok = encode_entry(lt_result.data(), ilt_results[i]);
        if (ok) {
            d.dictionary = ilt_results[i].data();
        } else {
            v_err("No lexical entry found for", d.class_ ? d.class_ : "", "");
            d.dictionary = nullptr;
            d.error = 3;
        }
    }
    file_operation = saved;
}

// ---------------------------------------------------------------- commands

void vreadlextrans() {
    uninstall_n(12);
    readlextrans(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 'x');
    installed |= VF_LX;
}

void vinittrans() {
    inittrans(oxa::param[1]);
}

void resumelx() {
    exectrans();
}

void resetlextrans() {
    purge_lt_rules();
    InProgress = 0;
    numwords = 0;
    resptr = 0;
    resoverflow = 0;
    lt_result[0] = 0;
    for (auto& s : ilt_results)
        s.clear();
}

} // namespace bormo
