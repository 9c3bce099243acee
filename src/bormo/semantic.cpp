// Semantic expressions: the transformation file, the forms of an expression,
// matching and the PRESELECT text written to corefile 14.
#include "bormo/semantic.hpp"

#include <cctype>
#include <utility>

#include "bormo/attributes.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/reader.hpp"
#include "bormo/vline.hpp"
#include "editor/params.hpp"
#include "editor/store.hpp"

namespace bormo {

sem_trans* sem_trans_list = nullptr;
int depthStack = 0;
std::string semexpr;

namespace {

using uchar = unsigned char;

// ---------------------------------------------------------------- reading

void free_trans(sem_trans* t) {
    for (sem_prot* p = t->first; p;) {
        sem_prot* next = p->next;
        delete p;
        p = next;
    }
    delete t;
}

void skip_past_percent() {
    while (v_peep() != T_EOF && v_peep() != T_PERCENT)
        v_next();
    if (v_peep() == T_PERCENT) v_next();
}

void append_token(std::string& out, int t) {
    if (t == T_IDENT)
        out += identbuf.data();
    else
        out += static_cast<char>(t);
}

// One prototype: tokens up to ',' or '%' outside brackets and parentheses.  False when its
// text is too long (reported; the rest of it is skipped).
bool read_prototype(std::string& text) {
    int depth = 0;
    for (;;) {
        int t = v_peep();
        if (t == T_EOF || t == T_PERCENT) break;
        if (t == ',' && depth == 0) break;
        if (t == '[' || t == '(') ++depth;
        if ((t == ']' || t == ')') && depth > 0) --depth;
        append_token(text, t);
        v_next();
        if (text.size() >= SEMBUFSIZE) {
            v_err("Preselection prototype ", text.substr(0, 40).c_str(), " is too long");
            while (v_peep() != T_EOF && v_peep() != T_PERCENT && v_peep() != ',')
                v_next();
            return false;
        }
    }
    return true;
}

// One transformation, at its first token.  Returns false when reading ends.
bool read_one() {
    int form = 1;
    if (v_peep() == '$') {
        form = 2;
        v_next();
    }
    int t = v_peep();
    if (t != T_IDENT) {
        v_err("Encountered ", tok2str(t).c_str(), " instead of semantic transformation.");
        skip_past_percent();
        return true;
    }
    std::string name;
    bool toolong = false;
    while (v_peep() != ':') {
        t = v_peep();
        if (t == T_EOF || t == T_PERCENT) {
            // The pattern has no ':' before the end of the transformation.
            v_err("Encountered ", tok2str(t).c_str(), " instead of colon.");
            if (t == T_PERCENT) v_next();
            return t != T_EOF;
        }
        if (name.size() < SEMBUFSIZE)
            append_token(name, t);
        else
            toolong = true;
        v_next();
    }
    v_next(); // ':'
    if (toolong || name.size() >= SEMBUFSIZE) {
        v_err("Semantic Transformation name ", name.substr(0, 40).c_str(), " is too long");
        skip_past_percent();
        return true;
    }
    sem_trans* tr = new sem_trans{form, name, nullptr, nullptr, nullptr};
    for (bool first = true;; first = false) {
        int reanalyse = 0;
        if (v_peep() == '&') {
            reanalyse = 1;
            v_next();
        }
        t = v_peep();
        if (t != T_IDENT && t != '#' && t != '@') {
            v_err("Encountered ", tok2str(t).c_str(), " instead of preselection prototype.");
            skip_past_percent();
            if (first) {
                free_trans(tr);
                return true;
            }
            break;
        }
        std::string text;
        if (read_prototype(text)) {
            sem_prot* p = new sem_prot{reanalyse, text, nullptr};
            if (tr->last)
                tr->last->next = p;
            else
                tr->first = p;
            tr->last = p;
        }
        if (v_peep() == ',') {
            v_next();
            continue;
        }
        if (v_peep() == T_PERCENT) v_next();
        break;
    }
    if (!tr->first) {
        free_trans(tr);
        return true;
    }
    tr->next = sem_trans_list;
    sem_trans_list = tr;
    return true;
}

// ---------------------------------------------------------------- forms

// The elements of a dotted form, split at '.' outside brackets.
std::vector<std::string> elements(const std::string& dotted) {
    std::vector<std::string> out(1);
    int depth = 0;
    for (char c : dotted) {
        if (c == '[') ++depth;
        if (c == ']' && depth > 0) --depth;
        if (c == '.' && depth == 0)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// An element without its bracketed list.
std::string bare(const std::string& el) {
    return el.substr(0, el.find('['));
}

// The items of an element's bracketed list, blanks removed.
std::vector<std::string> items(const std::string& el) {
    std::vector<std::string> out;
    size_t open = el.find('[');
    if (open == std::string::npos) return out;
    std::string cur;
    int depth = 0;
    for (size_t i = open + 1; i < el.size(); ++i) {
        char c = el[i];
        if (c == '[') ++depth;
        if (c == ']') {
            if (depth == 0) break;
            --depth;
        }
        if (c == ' ') continue;
        if (c == ',' && depth == 0) {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// The components of a compound written as names joined by '.': pairs of
// type and value (-1 for a type name).  False when a name is unknown.
bool components(const std::string& text, std::vector<std::pair<int, int>>& out) {
    out.clear();
    std::string name;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (name.empty() || !lookup_attr(name.c_str())) return false;
            out.emplace_back(att_class, att_value);
            name.clear();
        } else {
            name += text[i];
        }
    }
    return !out.empty();
}

// Whether the pattern compound matches the expression compound: the same
// types in the same order and, where the pattern names a value, that value.
bool compound_matches(const std::string& pattern, const std::string& expr) {
    std::vector<std::pair<int, int>> a, b;
    if (!components(pattern, a) || !components(expr, b) || a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].first != b[i].first) return false;
        if (a[i].second != -1 && a[i].second != b[i].second) return false;
    }
    return true;
}

// The valence of an element that names an attribute value, or -1.
int valence_of(const std::string& el) {
    std::string name = bare(el);
    if (!lookup_attr(name.c_str()) || att_value < 0) return -1;
    return attr_table[att_class].valence[att_value];
}

// The n-th (from 1) '|'-separated field of a text, or false.
bool field(const std::string& fields, int n, std::string& out) {
    size_t start = 0;
    for (int i = 1; i < n; ++i) {
        size_t bar = fields.find('|', start);
        if (bar == std::string::npos) return false;
        start = bar + 1;
    }
    size_t bar = fields.find('|', start);
    if (bar == std::string::npos) return false;
    out = fields.substr(start, bar - start);
    return true;
}

int read_int(const std::string& s, size_t& i) {
    int n = 0;
    while (i < s.size() && std::isdigit(static_cast<uchar>(s[i]))) {
        if (n < 100000) n = n * 10 + (s[i] - '0');
        ++i;
    }
    return n;
}

// A whole field written for an attribute list: the element and the items
// of its bracketed list, as compounds separated by ','.
std::string as_list(const std::string& fieldtext) {
    std::string out;
    for (const std::string& el : elements(fieldtext)) {
        if (!out.empty()) out += ',';
        out += bare(el);
    }
    for (const std::string& el : elements(fieldtext))
        for (const std::string& it : items(el))
            out += "," + it;
    return out;
}

// ---------------------------------------------------------------- analysis

// Entries made by the analysis under way, written when it ends.
std::vector<std::string> entries;
bool problem = false;
int nesting = 0; // analyses under way, the last prototypes' included

void line14(const std::string& text) {
    v_print(PRESELCORE, text.c_str());
}

void report_problem() {
    if (!problem) line14("There was a problem processing the semantic expression");
    problem = true;
}

// `#n` in a template refers to a place: an element 0 (an empty place) makes
// the entry void.
bool place(const std::string& fields, int n, std::string& out) {
    if (!field(fields, n, out)) {
        report_problem();
        return false;
    }
    return bare(out) != "0";
}

void write_preselections(const std::string& tmpl, const std::string& fields) {
    std::string text;
    std::string prefix;
    std::vector<std::string> list;
    bool attach = false;
    size_t i = 0;
    while (i < tmpl.size()) {
        char c = tmpl[i];
        if (c == '#' && i + 1 < tmpl.size() && std::isdigit(static_cast<uchar>(tmpl[i + 1]))) {
            ++i;
            std::string f;
            if (!place(fields, read_int(tmpl, i), f)) return;
            text += bare(f);
        } else if (c == '.') {
            text += '.';
            ++i;
        } else if (c == '@' && i + 1 < tmpl.size() &&
                   std::isdigit(static_cast<uchar>(tmpl[i + 1]))) {
            ++i;
            std::string f;
            if (!place(fields, read_int(tmpl, i), f)) return;
            attach = true;
            prefix = text;
            text.clear();
            list = items(f);
        } else if (c == ':') {
            for (; i < tmpl.size() && tmpl[i] != '['; ++i)
                text += tmpl[i];
            if (i < tmpl.size()) {
                text += '[';
                for (++i; i < tmpl.size() && tmpl[i] != ']';) {
                    if (tmpl[i] == '#' && i + 1 < tmpl.size() &&
                        std::isdigit(static_cast<uchar>(tmpl[i + 1]))) {
                        ++i;
                        std::string f;
                        if (!place(fields, read_int(tmpl, i), f)) return;
                        text += as_list(f);
                    } else {
                        text += tmpl[i++];
                    }
                }
                text += ']';
            }
            break; // ']' ends the template
        } else {
            for (; i < tmpl.size() && tmpl[i] != '.' && tmpl[i] != ':'; ++i)
                text += tmpl[i];
        }
    }
    if (!attach) {
        entries.push_back(text);
        return;
    }
    for (const std::string& it : list)
        entries.push_back(prefix + it + text);
}

// A new expression from a '&' prototype: "#n" is the n-th field of the
// top-level form.
bool make_new_substring(const std::string& proto, const std::string& fields, std::string& out) {
    out.clear();
    for (size_t i = 0; i < proto.size();) {
        if (proto[i] == '#' && i + 1 < proto.size() &&
            std::isdigit(static_cast<uchar>(proto[i + 1]))) {
            ++i;
            std::string f;
            if (!field(fields, read_int(proto, i), f)) return false;
            out += f;
        } else {
            out += proto[i++];
        }
        if (out.size() >= SEMBUFSIZE) return false;
    }
    return true;
}

void analyse(const std::string& text, bool top);

void generate_preselections(const sem_expr& expr, const sem_trans* trans) {
    for (const sem_prot* p = trans->first; p && !problem; p = p->next) {
        if (p->reanalyse) {
            std::string sub;
            if (!make_new_substring(p->prototype, expr.top_level_orig, sub)) {
                report_problem();
                return;
            }
            // The last prototype continues at the same depth.
            bool deeper = p->next != nullptr;
            if (deeper) ++depthStack;
            analyse(sub, false);
            if (deeper) --depthStack;
        } else {
            std::string fields;
            for (const std::string& el : elements(expr.original))
                fields += el + "|";
            write_preselections(p->prototype, fields);
        }
    }
}

void analyse(const std::string& text, bool top) {
    if (text.size() > SEMBUFSIZE) {
        line14("Semantic expression too long (more than 2000 characters)");
        problem = true;
        return;
    }
    if (depthStack >= MAXSEMDEPTH || nesting >= MAXSEMDEPTH) {
        line14("Semantic expressions nested too deeply");
        problem = true;
        return;
    }
    sem_expr expr{dotted_form(text), "", 0};
    if (!top_level(expr)) {
        report_problem();
        return;
    }
    sem_trans* trans = sem_match(expr);
    if (!trans) {
        line14("No match found for semantic expression");
        problem = true;
        return;
    }
    expr.analysed = 1;
    if (top) line14("PRESELECT = ");
    ++nesting;
    generate_preselections(expr, trans);
    --nesting;
}

} // namespace

// ---------------------------------------------------------------- interfaces

void read_sem_trans(const char* name) {
    clear_sem_trans();
    file_operation = "Semantic Transformation Input";
    file_position.clear();
    openfile(name, 0);
    while (v_peep() != T_EOF)
        if (!read_one()) break;
    // Nothing of the file is read after a stop.
    while (v_peep() != T_EOF)
        v_next();
    file_operation.clear();
}

void clear_sem_trans() {
    while (sem_trans_list) {
        sem_trans* next = sem_trans_list->next;
        free_trans(sem_trans_list);
        sem_trans_list = next;
    }
}

std::string dotted_form(const std::string& text) {
    std::string out;
    int depth = 0;
    for (char c : text) {
        if (depth > 0) {
            out += c;
            if (c == '[') ++depth;
            if (c == ']') --depth;
        } else if (c == '[') {
            out += c;
            ++depth;
        } else if (c == ' ' || c == '\t' || c == ')') {
            continue;
        } else if (c == '(' || c == ',') {
            out += '.';
        } else {
            out += c;
        }
    }
    return out;
}

bool top_level(sem_expr& expr) {
    std::vector<std::string> els = elements(expr.original);
    if (els.empty() || els[0].empty()) return false;
    std::string top = els[0] + "|";
    int v = bare(els[0]) == "0" ? -1 : valence_of(els[0]);
    if (v < 0 || els.size() == 1) {
        expr.top_level_orig = top;
        return true;
    }
    size_t next = 1;
    for (int a = 0; a < v; ++a) {
        int need = 1;
        std::string arg;
        while (need > 0) {
            if (next >= els.size()) {
                v_err("Attribute not recognized or invalid valence", expr.original.c_str(), "");
                return false;
            }
            const std::string& el = els[next++];
            int val = bare(el) == "0" ? 0 : valence_of(el);
            if (val < 0 || el.empty()) {
                v_err("Attribute not recognized or invalid valence", el.c_str(), "");
                return false;
            }
            if (!arg.empty()) arg += '.';
            arg += el;
            need += val - 1;
        }
        top += arg + "|";
    }
    if (next != els.size()) {
        v_err("Attribute not recognized or invalid valence", els[next].c_str(), "");
        return false;
    }
    expr.top_level_orig = top;
    return true;
}

sem_trans* sem_match(const sem_expr& expr) {
    std::vector<std::string> ex = elements(expr.original);
    std::string predicate = bare(expr.top_level_orig.substr(0, expr.top_level_orig.find('|')));
    for (sem_trans* t = sem_trans_list; t; t = t->next) {
        if (t->form == 2) {
            if (compound_matches(t->name, predicate)) return t;
            continue;
        }
        std::vector<std::string> pat = elements(dotted_form(t->name));
        if (pat.size() != ex.size()) continue;
        bool ok = true;
        for (size_t i = 0; i < pat.size() && ok; ++i) {
            std::string a = bare(pat[i]), b = bare(ex[i]);
            if (a == "0" || b == "0") continue;
            ok = compound_matches(a, b);
        }
        if (ok) return t;
    }
    return nullptr;
}

void analyse_sem_expr(const std::string& text) {
    entries.clear();
    problem = false;
    depthStack = 0;
    nesting = 0;
    analyse(text, true);
    if (!problem) {
        for (size_t i = 0; i < entries.size(); ++i)
            line14(entries[i] + (i + 1 < entries.size() ? ";" : ""));
        line14("%");
    }
    entries.clear();
    depthStack = 0;
}

void vreadsem() {
    uninstall_n(11);
    read_sem_trans(oxa::curfile.data());
    installed |= VF_SM;
}

void vmakepre() {
    const oxa::COREFILE& c = oxa::core[oxa::corenum];
    std::string line;
    oxa::LINE* l = c.lnptr;
    if (l && l != c.header && l->object != oxa::K_EMPTY)
        line.assign(reinterpret_cast<const char*>(&oxa::textbase[l->index]),
                    static_cast<size_t>(l->length));
    if (line.size() > SEMBUFSIZE) {
        v_print(PRESELCORE, "Semantic expression too long (more than 2000 characters)");
        return;
    }
    semexpr = line;
    analyse_sem_expr(semexpr);
}

void resetsemantic() {
    clear_sem_trans();
    depthStack = 0;
    semexpr.clear();
    entries.clear();
    problem = false;
}

} // namespace bormo
