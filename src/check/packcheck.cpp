// The checks that need the whole pack loaded: names used but not defined,
// defined but never used or unreachable, defined twice; rules whose expansion
// cannot end or is left-recursive; terminals no entry serves; table indexes
// beyond their tables; transformations naming unknown classes.  Everything is
// read from the engine's tables after loading.
#include "check/check.hpp"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>

#include "bormo/attributes.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/syntax.hpp"

namespace check {

namespace {

using bormo::SYN_CHOOSE;
using bormo::SYN_FREQ;
using bormo::SYN_INHERIT;
using bormo::SYN_PRE;
using bormo::SYN_RHS;
using bormo::SYN_SELECT;
using bormo::SYN_TRANS;
using bormo::SYN_VAR;

// ---- The stored syntax, walked into a small grammar ----

struct seq;

struct item {
    bool group = false;
    std::string name;                    // a node: rule or terminal
    std::vector<std::string> trans;      // transformations attached to the node
    std::string word;                    // a required word, with its quotes
    std::vector<std::string> compounds;  // definite compounds of its attribute list
    std::vector<seq> alts;               // a choice group
};

struct seq {
    std::vector<item> items;
};

struct crule {
    std::string name;
    int kind; // K_SYNTAX or K_USER
    std::vector<seq> segments;
};

std::vector<crule> rules;                 // oldest first
std::map<std::string, size_t> rulebyname; // the rule getrule finds
std::set<std::string> attrnames;          // attribute names the syntax and morphology use

bool wordbyte(unsigned char c) {
    return bormo::is_wordchar(c);
}

const char* skipbyte(const char* p) {
    return *p ? p + 1 : p;
}

// A compound: names joined by '.' or '/', variables as SYN_VAR and a byte.
// Its names go to attrnames; `definite` is false when it holds a variable.
const char* readcompound(const char* p, std::string& text, bool& definite) {
    text.clear();
    definite = true;
    for (;;) {
        unsigned char c = static_cast<unsigned char>(*p);
        unsigned char next = c ? static_cast<unsigned char>(p[1]) : 0;
        if (c == SYN_VAR) {
            definite = false;
            p = skipbyte(p + 1);
        } else if (c == '/' && !wordbyte(next) && next != SYN_VAR) {
            break;
        } else if (c == '.' || c == '/' || wordbyte(c)) {
            text += static_cast<char>(c);
            ++p;
        } else {
            break;
        }
    }
    std::string name;
    for (char c : text + ".") {
        if (c == '.' || c == '/') {
            if (!name.empty()) attrnames.insert(name);
            name.clear();
        } else {
            name += c;
        }
    }
    return p;
}

const char* readattrlist(const char* p, item& it) { // p at '['
    ++p;
    while (*p && *p != ']') {
        unsigned char c = static_cast<unsigned char>(*p);
        std::string text;
        bool definite;
        if (c == ',') {
            ++p;
        } else if (c == SYN_PRE) {
            p = readcompound(p + 1, text, definite); // a key: not the node's own
        } else if (c == '!' || c == '-') {
            ++p;
            unsigned char n = static_cast<unsigned char>(*p);
            if (c == '!' && n && !wordbyte(n) && n != '.' && n != '/' && n != SYN_VAR) ++p;
            p = readcompound(p, text, definite);
        } else if (c == '"') {
            p = bormo::skip_quoted(p);
        } else if (c == SYN_VAR || c == '.' || c == '/' || wordbyte(c)) {
            p = readcompound(p, text, definite);
            bool keyed = static_cast<unsigned char>(*p) == SYN_PRE;
            if (definite && !keyed && !text.empty()) it.compounds.push_back(text);
        } else {
            ++p;
        }
    }
    return skipbyte(p);
}

bool endsvalues(unsigned char c) {
    return c == 0 || c == ' ' || c == '(' || c == ')' || c == '/' || c == ';' || c == '[' ||
           c == '|' || c == SYN_FREQ || c == '<' || c == '>' || c == SYN_INHERIT ||
           c == SYN_CHOOSE || c == SYN_SELECT || c == SYN_RHS;
}

const char* readnode(const char* p, item& it) { // p after the blank
    p = bormo::read_name(p, it.name);
    for (;;) {
        unsigned char c = static_cast<unsigned char>(*p);
        std::string text;
        bool definite;
        if (c == SYN_TRANS) {
            std::string t;
            p = bormo::read_name(p + 1, t);
            it.trans.push_back(t);
        } else if (c == '[') {
            p = readattrlist(p, it);
        } else if (c == '/') {
            p = skipbyte(skipbyte(p + 1));
            if (*p == '=') ++p;
            while (!endsvalues(static_cast<unsigned char>(*p)))
                p = *p == '"' ? bormo::skip_quoted(p) : p + 1;
        } else if (c == '"') {
            const char* q = bormo::skip_quoted(p);
            it.word.assign(p, static_cast<size_t>(q - p));
            p = q;
        } else if (c == SYN_FREQ) {
            ++p;
            if (*p == '-') ++p;
            while (*p >= '0' && *p <= '9')
                ++p;
        } else if (c == '@') {
            p = skipbyte(p + 1);
            if (*p == ':') {
                std::string tag;
                p = bormo::read_name(p + 1, tag);
            }
            if (*p == '[') {
                item ignored;
                p = readattrlist(p, ignored);
            }
        } else if (c == SYN_PRE) {
            p = readcompound(p + 1, text, definite);
        } else {
            return p;
        }
    }
}

// A right-hand side up to the end of its segment (or of its alternative
// inside a group).
const char* readseq(const char* p, seq& s, bool ingroup) {
    for (;;) {
        unsigned char c = static_cast<unsigned char>(*p);
        std::string text;
        bool definite;
        if (c == 0) return p;
        if (!ingroup && (c == '<' || c == '>')) return p;
        if (ingroup && (c == '|' || c == ')')) return p;
        if (c == ' ') {
            item it;
            p = readnode(p + 1, it);
            s.items.push_back(std::move(it));
        } else if (c == '(') {
            item g;
            g.group = true;
            p = skipbyte(p + 1); // the count
            while (*p == '|') {
                seq alt;
                p = readseq(p + 1, alt, true);
                g.alts.push_back(std::move(alt));
            }
            if (*p == ')') ++p;
            s.items.push_back(std::move(g));
        } else if (c == SYN_INHERIT || c == SYN_CHOOSE) {
            p = readcompound(skipbyte(p + 1), text, definite);
        } else if (c == SYN_SELECT) {
            p = readcompound(skipbyte(p + 1), text, definite);
            if (static_cast<unsigned char>(*p) == SYN_PRE) p = readcompound(p + 1, text, definite);
        } else {
            ++p; // the right-hand side's start, and separators of preselections
        }
    }
}

// A guard: its names are attribute names, the keys after _pre_/_is_ too.
const char* readguard(const char* p) { // p after '<'
    std::string name;
    while (*p && *p != ':') {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == SYN_VAR) {
            p = skipbyte(p + 1);
            continue;
        }
        if (wordbyte(c)) {
            name += static_cast<char>(c);
        } else {
            if (!name.empty()) attrnames.insert(name);
            name.clear();
        }
        ++p;
    }
    if (!name.empty()) attrnames.insert(name);
    return skipbyte(p);
}

crule readrule(const bormo::syn_rule* r, int kind) {
    crule cr{r->name, kind, {}};
    const char* p = r->rules.c_str();
    while (*p) {
        if (*p == '<') p = readguard(p + 1);
        else if (*p == '>') ++p;
        seq s;
        p = readseq(p, s, false);
        cr.segments.push_back(std::move(s));
    }
    return cr;
}

// ---- Places ----

struct place {
    std::string file;
    int line = 0;
    int col = 0;
};

place at(const occurrence* o, int kind) {
    if (o) return {o->file, o->line, o->col};
    return {packfile[static_cast<size_t>(kind)], 0, 0};
}

bool before(const occurrence& a, const occurrence& b) {
    return a.line < b.line || (a.line == b.line && a.col < b.col);
}

// Where the n-th item of that name began.
const occurrence* itemplace(int kind, const std::string& item, int n = 0) {
    for (const occurrence& o : items[static_cast<size_t>(kind)])
        if (o.ident == item && n-- == 0) return &o;
    return nullptr;
}

// The first place `ident` is read at or after where item `owner` began.
place usein(int kind, const std::string& owner, const std::string& ident) {
    const occurrence* start = itemplace(kind, owner);
    for (const occurrence& o : idents[static_cast<size_t>(kind)]) {
        if (o.ident != ident) continue;
        if (!start || (o.file == start->file && !before(o, *start))) return at(&o, kind);
    }
    return at(firstplace(kind, ident), kind);
}

void say(const place& p, Severity sev, const std::string& message) {
    report(p.file, p.line, p.col, sev, message);
}

// ---- Names of the pack ----

bool isrule(const std::string& name) {
    return rulebyname.count(name) != 0;
}

bool isterminal(const std::string& name) {
    return bormo::lookup_terminal(name.c_str()) >= 0;
}

// The names a node may give: the rules and the terminals.
std::vector<std::string> nodenames() {
    std::vector<std::string> names;
    for (const crule& r : rules)
        names.push_back(r.name);
    for (int t = 0; t < bormo::terminal_count; t++)
        names.push_back(bormo::terminal_table[static_cast<size_t>(t)]);
    return names;
}

std::vector<std::string> transformationnames() {
    std::vector<std::string> names;
    for (bormo::transformation* t = bormo::trans_stack; t; t = t->next)
        if (t->name != bormo::BARRIER_NAME) names.push_back(t->name);
    return names;
}

bool istransformation(const std::string& name) {
    for (bormo::transformation* t = bormo::trans_stack; t; t = t->next)
        if (t->name == name) return true;
    return false;
}

bool alldigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void eachitem(const seq& s, const std::function<void(const item&)>& f) {
    for (const item& it : s.items) {
        if (it.group) {
            for (const seq& a : it.alts)
                eachitem(a, f);
        } else {
            f(it);
        }
    }
}

void eachnode(const crule& r, const std::function<void(const item&)>& f) {
    for (const seq& s : r.segments)
        eachitem(s, f);
}

// ---- Syntax: roots, names, reachability, ending, left recursion ----

const char* const rootnames[] = {"ROOT", "QUESTION", "ANSWER"};

bool isroot(const std::string& name) {
    for (const char* r : rootnames)
        if (name == r) return true;
    if (name == "PRESELECT") return true;
    if (name.size() > 2 && name.compare(0, 2, "R_") == 0 && alldigits(name.substr(2))) {
        int n = std::stoi(name.substr(2));
        return n >= 3 && n <= 20;
    }
    return false;
}

std::set<std::string> usedterminals;
std::set<std::string> usedtransformations;

void collectrules() {
    rules.clear();
    rulebyname.clear();
    // Rules above the newest barrier come from the user file when one is loaded.
    std::vector<std::pair<const bormo::syn_rule*, int>> stack;
    int kind = packfile[K_USER].empty() ? K_SYNTAX : K_USER;
    for (const bormo::syn_rule* r = bormo::syntax_stack; r; r = r->next) {
        if (r->name == bormo::BARRIER_NAME) {
            kind = K_SYNTAX;
            continue;
        }
        stack.push_back({r, kind});
    }
    std::reverse(stack.begin(), stack.end());
    std::map<std::pair<int, std::string>, int> seen;
    for (auto& [r, k] : stack) {
        int n = seen[{k, r->name}]++;
        if (n > 0)
            say(at(itemplace(k, r->name, n), k), S_ERROR,
                "rule " + r->name + " is defined twice; the later one hides the earlier");
        rulebyname[r->name] = rules.size();
        rules.push_back(readrule(r, k));
    }
}

void checknames() {
    for (const crule& r : rules) {
        eachnode(r, [&](const item& it) {
            if (isterminal(it.name)) usedterminals.insert(it.name);
            if (!isrule(it.name) && !isterminal(it.name))
                say(usein(r.kind, r.name, it.name), S_ERROR,
                    it.name + " (in rule " + r.name + ") is neither a rule nor a terminal" +
                        didyoumean(it.name, nodenames()));
            for (const std::string& t : it.trans) {
                usedtransformations.insert(t);
                if (!istransformation(t))
                    say(usein(r.kind, r.name, t), S_ERROR,
                        "unknown transformation " + t + " (in rule " + r.name + ")" +
                            didyoumean(t, transformationnames()));
            }
        });
    }
    if (!isrule("ROOT") && !packfile[K_SYNTAX].empty())
        say({packfile[K_SYNTAX], 1, 1}, S_ERROR, "the syntax has no ROOT rule");
}

void checktransformations() {
    std::map<std::string, int> seen;
    std::vector<bormo::transformation*> ts;
    for (bormo::transformation* t = bormo::trans_stack; t; t = t->next)
        if (!t->functionPtr && t->name != bormo::BARRIER_NAME) ts.push_back(t);
    std::reverse(ts.begin(), ts.end());
    for (bormo::transformation* t : ts) {
        int kind = K_SYNTAX;
        if (!itemplace(K_SYNTAX, t->name) && itemplace(K_USER, t->name)) kind = K_USER;
        if (seen[t->name]++ > 0)
            say(at(itemplace(kind, t->name, seen[t->name] - 1), kind), S_ERROR,
                "transformation " + t->name + " is defined twice");
        auto name_ok = [&](const std::string& n) {
            if (n.empty() || n == "*" || alldigits(n)) return;
            if (isterminal(n)) usedterminals.insert(n);
            if (!isrule(n) && !isterminal(n))
                say(usein(kind, t->name, n), S_ERROR,
                    "transformation " + t->name + " names " + n +
                        ", which is neither a rule nor a terminal class" + didyoumean(n, nodenames()));
        };
        for (bormo::sub_trans* s = t->first; s; s = s->next) {
            const char* p = s->guard.c_str();
            while (*p) {
                if (*p == ' ') {
                    std::string n;
                    p = bormo::read_name(p + 1, n);
                    name_ok(n);
                } else if (*p == '[') {
                    item ignored;
                    p = readattrlist(p, ignored);
                } else {
                    ++p;
                }
            }
            seq rhs;
            readseq(s->rule.c_str(), rhs, false);
            eachitem(rhs, [&](const item& it) { name_ok(it.name); });
        }
        if (!usedtransformations.count(t->name))
            say(at(itemplace(kind, t->name), kind), S_WARNING,
                "transformation " + t->name + " is never attached to a node");
    }
}

void checkreach() {
    std::set<std::string> reached;
    std::vector<std::string> todo;
    for (const crule& r : rules)
        if (isroot(r.name)) todo.push_back(r.name);
    while (!todo.empty()) {
        std::string n = todo.back();
        todo.pop_back();
        if (!reached.insert(n).second) continue;
        eachnode(rules[rulebyname[n]], [&](const item& it) {
            if (isrule(it.name)) todo.push_back(it.name);
        });
    }
    // Rules a transformation builds count as used.
    for (bormo::transformation* t = bormo::trans_stack; t; t = t->next)
        for (bormo::sub_trans* s = t->first; s; s = s->next) {
            seq rhs;
            readseq(s->rule.c_str(), rhs, false);
            eachitem(rhs, [&](const item& it) {
                if (isrule(it.name)) reached.insert(it.name);
            });
        }
    std::set<std::string> told;
    for (const crule& r : rules) {
        if (reached.count(r.name) || !told.insert(r.name).second) continue;
        say(at(itemplace(r.kind, r.name), r.kind), S_WARNING,
            "rule " + r.name + " is never used: no way leads to it from ROOT, QUESTION, ANSWER or "
                               "R_3 ... R_20");
    }
}

// Whether every item of a sequence can end (or be empty), by the facts so far.
bool seqends(const seq& s, const std::vector<char>& ends);

bool itemends(const item& it, const std::vector<char>& ends) {
    if (it.group) {
        if (it.alts.empty()) return true;
        for (const seq& a : it.alts)
            if (seqends(a, ends)) return true;
        return false;
    }
    auto r = rulebyname.find(it.name);
    return r == rulebyname.end() || ends[r->second];
}

bool seqends(const seq& s, const std::vector<char>& ends) {
    for (const item& it : s.items)
        if (!itemends(it, ends)) return false;
    return true;
}

bool seqempty(const seq& s, const std::vector<char>& empty);

bool itemempty(const item& it, const std::vector<char>& empty) {
    if (it.group) {
        for (const seq& a : it.alts)
            if (seqempty(a, empty)) return true;
        return false;
    }
    auto r = rulebyname.find(it.name);
    return r != rulebyname.end() && empty[r->second];
}

bool seqempty(const seq& s, const std::vector<char>& empty) {
    for (const item& it : s.items)
        if (!itemempty(it, empty)) return false;
    return true;
}

// Rules that can stand first in a sequence.
void leftmost(const seq& s, const std::vector<char>& empty, std::set<size_t>& out) {
    for (const item& it : s.items) {
        if (it.group) {
            for (const seq& a : it.alts)
                leftmost(a, empty, out);
        } else {
            auto r = rulebyname.find(it.name);
            if (r != rulebyname.end()) out.insert(r->second);
        }
        if (!itemempty(it, empty)) return;
    }
}

// A path from rule `from` back to `to` along `edges`, as names.
std::string pathback(size_t from, size_t to, const std::vector<std::set<size_t>>& edges) {
    std::vector<long> prev(rules.size(), -1);
    std::vector<size_t> todo{from};
    std::vector<char> seen(rules.size(), 0);
    seen[from] = 1;
    while (!todo.empty()) {
        size_t n = todo.front();
        todo.erase(todo.begin());
        for (size_t m : edges[n]) {
            if (m == to) {
                std::string path = rules[to].name;
                for (long k = static_cast<long>(n); k >= 0; k = prev[static_cast<size_t>(k)])
                    path = rules[static_cast<size_t>(k)].name + " -> " + path;
                return path;
            }
            if (!seen[m]) {
                seen[m] = 1;
                prev[m] = static_cast<long>(n);
                todo.push_back(m);
            }
        }
    }
    return "";
}

void checkcycles() {
    size_t n = rules.size();
    std::vector<char> ends(n, 0), empty(n, 0);
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t i = 0; i < n; i++) {
            if (rulebyname[rules[i].name] != i) continue; // hidden by a later rule
            for (const seq& s : rules[i].segments) {
                if (!ends[i] && seqends(s, ends)) ends[i] = changed = true;
                if (!empty[i] && seqempty(s, empty)) empty[i] = changed = true;
            }
        }
    }
    std::vector<std::set<size_t>> refs(n), left(n);
    for (size_t i = 0; i < n; i++) {
        eachnode(rules[i], [&](const item& it) {
            auto r = rulebyname.find(it.name);
            if (r != rulebyname.end()) refs[i].insert(r->second);
        });
        for (const seq& s : rules[i].segments)
            leftmost(s, empty, left[i]);
    }
    for (size_t i = 0; i < n; i++) {
        if (rulebyname[rules[i].name] != i) continue;
        place p = at(itemplace(rules[i].kind, rules[i].name), rules[i].kind);
        std::string leftpath = pathback(i, i, left);
        if (!ends[i]) {
            std::string cycle = pathback(i, i, refs);
            if (cycle.empty()) continue; // it only waits for another rule that cannot end
            say(p, S_ERROR,
                "the expansion of rule " + rules[i].name + " cannot end: " +
                    (leftpath.empty() ? "every way leads back to it (" + cycle + ")"
                                      : "it is left-recursive with no way out (" + leftpath + ")"));
        } else if (!leftpath.empty()) {
            say(p, S_WARNING,
                "rule " + rules[i].name + " is left-recursive (" + leftpath +
                    "): its expansion may grow without end");
        }
    }
}

// ---- Terminals and the lexicon ----

// The components of an entry's compound at q: (sign, type, value) triples.
struct comp {
    int sign, type, value;
};

std::vector<std::vector<comp>> entrycompounds(const char* record) {
    std::vector<std::vector<comp>> out;
    const char* q = bormo::getfieldptr(record, 3);
    std::vector<comp> cur;
    while (*q && *q != '|') {
        int sign = 0;
        if (*q == '<' || *q == '>') sign = *q++;
        if (static_cast<unsigned char>(*q) == bormo::ATTRCODE && q[1] && q[2]) {
            cur.push_back({sign, static_cast<unsigned char>(q[1]), static_cast<unsigned char>(q[2])});
            q += 3;
        } else if (*q == ' ') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
            ++q;
        } else {
            ++q;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// A definite compound written with names, as (type, value); empty when a
// name is not an attribute.
std::vector<comp> namedcompound(const std::string& text) {
    std::vector<comp> out;
    std::string name;
    for (char c : text + ".") {
        if (c == '.' || c == '/') {
            if (name.empty()) continue;
            if (!bormo::lookup_attr(name.c_str())) return {};
            out.push_back({0, bormo::att_class, bormo::att_value});
            name.clear();
        } else {
            name += c;
        }
    }
    return out;
}

bool compmatches(const std::vector<comp>& entry, const std::vector<comp>& want) {
    if (entry.size() != want.size()) return false;
    for (size_t i = 0; i < want.size(); i++) {
        if (entry[i].type != want[i].type) return false;
        if (entry[i].value == bormo::BAREVALUE || want[i].value == -1) continue;
        if (!bormo::valid(entry[i].sign, entry[i].type, entry[i].value, want[i].value)) return false;
    }
    return true;
}

// Whether some entry of terminal t, of non-zero frequency, is `word` (when
// given) and has every compound of `wants`.
bool served(int t, const std::string& word, const std::vector<std::vector<comp>>& wants) {
    for (bormo::recnode* e = bormo::dictionary[t]; e; e = e->previous) {
        const char* rec = e->recordptr;
        if (bormo::getfrequency(rec) == 0) continue;
        if (!word.empty()) {
            const char* end = strchr(rec, '|');
            if (!end || std::string(rec, static_cast<size_t>(end - rec)) != word) continue;
        }
        auto have = entrycompounds(rec);
        bool all = true;
        for (const auto& w : wants) {
            bool one = false;
            for (const auto& h : have)
                one = one || compmatches(h, w);
            all = all && one;
        }
        if (all) return true;
    }
    return false;
}

void checkterminals() {
    if (bormo::terminal_count == 0) return;
    bool lexicon = bormo::dictterm >= 0 && bormo::dictionary;
    for (int t = 0; t < bormo::terminal_count; t++) {
        const std::string& name = bormo::terminal_table[static_cast<size_t>(t)];
        place p = at(firstplace(K_TERMINALS, name), K_TERMINALS);
        if (!rules.empty() && !usedterminals.count(name) && !isrule(name))
            say(p, S_WARNING, "terminal " + name + " is not used by the syntax");
        if (!lexicon || isrule(name)) continue;
        if (!bormo::dictionary[t]) {
            say(p, usedterminals.count(name) ? S_ERROR : S_WARNING,
                "terminal " + name + " has no lexicon entry");
        } else if (!served(t, "", {})) {
            say(p, S_WARNING, "every lexicon entry of terminal " + name + " has frequency 0");
        }
    }
    if (!lexicon) return;
    // Requests of the syntax that no entry can meet.
    for (const crule& r : rules) {
        eachnode(r, [&](const item& it) {
            int t = bormo::lookup_terminal(it.name.c_str());
            if (t < 0 || isrule(it.name) || !bormo::dictionary[t]) return;
            std::vector<std::vector<comp>> wants;
            std::string shown;
            for (const std::string& c : it.compounds) {
                auto w = namedcompound(c);
                if (w.empty()) continue;
                wants.push_back(w);
                shown += (shown.empty() ? "" : ", ") + c;
            }
            if (it.word.empty() && wants.empty()) return;
            if (served(t, it.word, wants)) return;
            std::string what = it.word.empty() ? "[ " + shown + " ]"
                                               : it.word + (shown.empty() ? "" : " [ " + shown + " ]");
            say(usein(r.kind, r.name, it.name), S_ERROR,
                "no lexicon entry of " + it.name + " can be " + what + " (in rule " + r.name + ")");
        });
    }
}

// ---- Morphology rules and tables ----

struct tableref {
    std::string name;
    std::vector<std::string> indexes;
};

// The rule calls ($name) and table references (name(index, ...)) of an
// expression text.
void scanexpression(const std::string& text, std::vector<std::string>& calls,
                    std::vector<tableref>& refs) {
    size_t i = 0;
    std::string name;
    while (i < text.size()) {
        char c = text[i];
        if (c == '"') {
            size_t e = text.find('"', i + 1);
            i = e == std::string::npos ? text.size() : e + 1;
            name.clear();
        } else if (c == '$') {
            std::string r;
            for (i++; i < text.size() && wordbyte(static_cast<unsigned char>(text[i])); i++)
                r += text[i];
            if (!r.empty()) calls.push_back(r);
            name.clear();
        } else if (c == '#') {
            for (i++; i < text.size() && (isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'); i++) {
            }
            name.clear();
        } else if (c == '(' && !name.empty()) {
            size_t e = text.find(')', i);
            if (e == std::string::npos) e = text.size();
            tableref t{name, {}};
            std::string idx;
            for (size_t k = i + 1; k <= e && k < text.size() + 1; k++) {
                char d = k < e ? text[k] : ',';
                if (d == ',') {
                    if (!idx.empty()) t.indexes.push_back(idx);
                    idx.clear();
                } else if (d != ' ') {
                    idx += d;
                }
            }
            refs.push_back(t);
            name.clear();
            i = e + 1;
        } else if (wordbyte(static_cast<unsigned char>(c))) {
            name += c;
            i++;
        } else {
            name.clear();
            i++;
        }
    }
}

std::string fieldtext(const char* f) {
    std::string s;
    while (*f && *f != '|')
        s += *f++;
    return s;
}

void checkmorphology() {
    std::map<std::string, int> defined; // rule name -> kind of file
    for (int k = 0; k <= bormo::numrules; k++)
        if (bormo::ruleheader[static_cast<size_t>(k)])
            defined[bormo::ruleheader[static_cast<size_t>(k)]->rulename] = K_MORPHOLOGY;
    // Rules without subrules still have their item.
    for (const occurrence& o : items[K_MORPHOLOGY])
        if (o.ident.compare(0, 5, "rule ") == 0) defined[o.ident.substr(5)] = K_MORPHOLOGY;

    struct use {
        std::string name;
        int kind;
        std::vector<std::string> indexes;
    };
    std::vector<use> calls, refs;
    auto scan = [&](const std::string& text, int kind) {
        std::vector<std::string> c;
        std::vector<tableref> r;
        scanexpression(text, c, r);
        for (auto& n : c)
            calls.push_back({n, kind, {}});
        for (auto& t : r)
            refs.push_back({t.name, kind, t.indexes});
    };
    for (int k = 0; k <= bormo::numrules; k++)
        for (bormo::subrule* s = bormo::ruleheader[static_cast<size_t>(k)]; s; s = s->nextsub) {
            scan(s->mexp, K_MORPHOLOGY);
            // Guard names are attribute names (quoted patterns are skipped).
            std::string g = s->guard, name;
            bool quoted = false;
            for (char c : g + ":") {
                if (c == '"') quoted = !quoted;
                if (!quoted && wordbyte(static_cast<unsigned char>(c))) {
                    name += c;
                } else {
                    if (!name.empty() && !alldigits(name)) attrnames.insert(name);
                    name.clear();
                }
            }
        }
    for (bormo::table* t = bormo::tablelist; t; t = t->next)
        scan(t->elements, K_TABLES);
    if (bormo::dictterm >= 0 && bormo::dictionary)
        for (int t = 0; t < bormo::terminal_count; t++)
            for (bormo::recnode* e = bormo::dictionary[t]; e; e = e->previous)
                for (int f = 5;; f++) {
                    const char* p = bormo::getfieldptr(e->recordptr, f);
                    if (!*p) break;
                    scan(fieldtext(p), K_LEXICON);
                }

    // Without the file at all, one finding says so instead of one per name.
    if (packfile[K_MORPHOLOGY].empty() && !calls.empty()) {
        const use& c = calls.front();
        say(at(firstplace(c.kind, c.name), c.kind), S_ERROR,
            "morphology rules are called ($" + c.name + ") but no morphology file is loaded");
        calls.clear();
    }
    if (packfile[K_TABLES].empty() && !refs.empty()) {
        const use& r = refs.front();
        say(at(firstplace(r.kind, r.name), r.kind), S_ERROR,
            "tables are used (" + r.name + ") but no tables file is loaded");
        refs.clear();
    }
    std::vector<std::string> rulenames;
    for (const auto& d : defined)
        rulenames.push_back(d.first);
    std::set<std::string> called, told;
    for (const use& c : calls) {
        called.insert(c.name);
        if (defined.count(c.name) || !told.insert(c.name).second) continue;
        say(at(firstplace(c.kind, c.name), c.kind), S_ERROR,
            "morphology rule " + c.name + " is not defined" + didyoumean(c.name, rulenames));
    }
    for (const auto& [name, kind] : defined)
        if (!called.count(name))
            say(at(itemplace(K_MORPHOLOGY, "rule " + name), K_MORPHOLOGY), S_WARNING,
                "morphology rule " + name + " is never called");

    // Tables: defined twice, used but not defined, indexes beyond the table.
    std::map<std::string, const bormo::table*> tables;
    std::map<std::string, int> seen;
    for (const bormo::table* t = bormo::tablelist; t; t = t->next) {
        int n = seen[t->tablename]++;
        if (n > 0)
            say(at(itemplace(K_TABLES, std::string("table ") + t->tablename, n), K_TABLES), S_ERROR,
                std::string("table ") + t->tablename +
                    " is defined twice; the first one is the one used");
        else
            tables[t->tablename] = t;
    }
    std::vector<std::string> tablenames;
    for (const auto& t : tables)
        tablenames.push_back(t.first);
    std::set<std::string> usedtables, toldt;
    for (const use& r : refs) {
        usedtables.insert(r.name);
        place p = at(firstplace(r.kind, r.name), r.kind);
        auto t = tables.find(r.name);
        if (t == tables.end()) {
            if (toldt.insert(r.name).second)
                say(p, S_ERROR, "table " + r.name + " is not defined" + didyoumean(r.name, tablenames));
            continue;
        }
        long size = 1;
        bool known = true;
        std::string shown;
        for (const std::string& idx : r.indexes) {
            shown += (shown.empty() ? "" : ",") + idx;
            std::string name;
            for (char c : idx + ".") {
                if (c == '.' || c == '/') {
                    if (name.empty()) continue;
                    attrnames.insert(name);
                    if (!bormo::lookup_attr(name.c_str())) {
                        if (toldt.insert(r.name + "(" + name).second)
                            say(p, S_ERROR, "unknown attribute " + name + " in an index of table " +
                                                r.name + attributehint(name));
                        known = false;
                    } else {
                        size *= std::max(1, bormo::attr_table[static_cast<size_t>(bormo::att_class)].entries - 1);
                    }
                    name.clear();
                } else {
                    name += c;
                }
            }
        }
        if (known && !r.indexes.empty() && size > t->second->count &&
            toldt.insert(r.name + "(" + shown + ")").second)
            say(p, S_ERROR,
                "table " + r.name + " has " + std::to_string(t->second->count) +
                    " elements but its indexes (" + shown + ") reach element " + std::to_string(size));
    }
    for (const auto& [name, t] : tables)
        if (!usedtables.count(name))
            say(at(itemplace(K_TABLES, "table " + name), K_TABLES), S_WARNING,
                "table " + name + " is never used");
}

// ---- Attribute values never used ----

void checkattributes() {
    if (bormo::total_types <= 1) return;
    std::vector<std::vector<char>> used(static_cast<size_t>(bormo::total_types));
    std::vector<char> bare(static_cast<size_t>(bormo::total_types), 0);
    for (int t = 1; t < bormo::total_types; t++)
        used[static_cast<size_t>(t)].assign(static_cast<size_t>(bormo::attr_table[static_cast<size_t>(t)].entries), 0);
    auto mark = [&](int type, int value) {
        if (type < 1 || type >= bormo::total_types) return;
        if (value < 0 || value == bormo::BAREVALUE) bare[static_cast<size_t>(type)] = 1;
        else if (value < static_cast<int>(used[static_cast<size_t>(type)].size())) used[static_cast<size_t>(type)][static_cast<size_t>(value)] = 1;
    };
    for (const std::string& n : attrnames)
        if (bormo::lookup_attr(n.c_str())) mark(bormo::att_class, bormo::att_value);
    if (bormo::dictterm >= 0 && bormo::dictionary)
        for (int t = 0; t < bormo::terminal_count; t++)
            for (bormo::recnode* e = bormo::dictionary[t]; e; e = e->previous)
                for (const auto& c : entrycompounds(e->recordptr))
                    for (const comp& k : c) {
                        // A value with < or > accepts the values on one side of it.
                        if (k.sign) bare[static_cast<size_t>(k.type)] = 1;
                        mark(k.type, k.value);
                    }
    // Types named by the error-analysis tables and identifiers of the other
    // files count as used.
    for (int kind : {K_TAGS, K_MERRORS, K_PHONOLOGY, K_MORPHOLOGY, K_TABLES})
        for (const occurrence& o : idents[static_cast<size_t>(kind)])
            if (bormo::lookup_attr(o.ident.c_str())) mark(bormo::att_class, bormo::att_value);
    if (packfile[K_SYNTAX].empty() || bormo::dictterm < 0) return;
    for (int t = 1; t < bormo::total_types; t++) {
        if (bare[static_cast<size_t>(t)]) continue;
        const bormo::attr_table_entry& e = bormo::attr_table[static_cast<size_t>(t)];
        for (int v = 1; v < e.entries; v++) {
            if (used[static_cast<size_t>(t)][static_cast<size_t>(v)]) continue;
            std::string name = e.list[static_cast<size_t>(v)] ? e.list[static_cast<size_t>(v)] : "";
            say(at(firstplace(K_ATTRIBUTES, name), K_ATTRIBUTES), S_WARNING,
                "attribute value " + name + " (" + e.type.data() + ") is never used");
        }
    }
}

} // namespace

void checkpack() {
    rules.clear();
    rulebyname.clear();
    attrnames.clear();
    usedterminals.clear();
    usedtransformations.clear();
    collectrules();
    checknames();
    checktransformations();
    checkreach();
    checkcycles();
    checkterminals();
    checkmorphology();
    checkattributes();
}

} // namespace check
