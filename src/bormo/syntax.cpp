// The syntax rule reader.
//
// A rule is read segment by segment into `rulebuf`, each finished segment is
// appended to `cf_buf`, and the whole text is stored only when the rule ends
// without error.  The first error of a rule is reported and the rest of the
// rule up to its `%` is skipped.
#include "bormo/syntax.hpp"

#include <cctype>
#include <cstring>
#include <new>
#include <vector>

#include "bormo/attributes.hpp"
#include "bormo/hashing.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/transform.hpp"
#include "bormo/vline.hpp"

namespace bormo {

const char* const BARRIER_NAME = "%%%%%";

syn_rule* syntax_stack = nullptr;
transformation* trans_stack = nullptr;
int32_t activity = 0;
int32_t errorflag = 0;
int32_t curvar = 1;
std::array<std::array<char, VARNAMESIZE>, MAXVARS> varnames{};

namespace {

// Names already looked up in the rule stack, with the rule found (null for
// none), in an open-addressed table.  A generation run looks up every node's
// name and the names of all trees; the table holds for the pack revision it
// was filled at.
struct cachedname {
    std::string name;
    const syn_rule* rule = nullptr;
    bool used = false;
};
constexpr size_t RULECACHE = 512; // slots; emptied when half full
std::vector<cachedname> rulecache;
size_t rulecached = 0;
uint64_t rulecacherevision = 0; // packrevision when the table was filled

// Empties the table when the pack has changed since it was filled.
void rulecachecurrent() {
    if (rulecacherevision == packrevision) return;
    rulecacherevision = packrevision;
    if (rulecached == 0) return;
    for (cachedname& c : rulecache)
        c = cachedname{};
    rulecached = 0;
}


// A bounded text buffer: writes past the end are dropped and remembered.
template <int N> struct textbuf {
    std::array<char, N> data{};
    int len = 0;
    bool overflow = false;
    void clear() {
        len = 0;
        overflow = false;
    }
    void put(int c) {
        if (len < N - 1)
            data[len++] = static_cast<char>(c);
        else
            overflow = true;
    }
    void puts(const char* s) {
        while (*s)
            put(static_cast<unsigned char>(*s++));
    }
    template <int M> void append(const textbuf<M>& o) {
        for (int i = 0; i < o.len; ++i)
            put(static_cast<unsigned char>(o.data[i]));
        overflow = overflow || o.overflow;
    }
    std::string str() const { return std::string(data.data(), len); }
};

using segbuf = textbuf<RULEBUFSIZE>;

segbuf rulebuf;            // the segment being read
segbuf second;             // a compound shared by several variables of one declaration
segbuf keybuf;             // a preselection key of a declaration
textbuf<CFBUFSIZE> cf_buf; // the rule being read

std::array<int, MAXCHOICEDEPTH + 2> altcount{}; // alternatives per nesting level
std::array<int, MAXCHOICEDEPTH + 2> countpos{}; // position of the count byte
std::array<int, MAXCHOICEDEPTH + 2> varsave{};  // curvar at the opening parenthesis
int prekey_mark = 0;                            // a preselection key after '/' is being read
int pending_slash = 0; // a '/' read after a key turned out to begin an attachment


std::string ident() {
    return std::string(identbuf.data());
}

bool is_number(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// The value of an all-digit identifier, or -1 (also for values past 255,
// which do not fit the one byte they are stored in).
int byte_number(const std::string& s) {
    if (!is_number(s) || s.size() > 3) return -1;
    int n = std::stoi(s);
    return n <= 255 ? n : -1;
}

// Reports the first error of the rule; later ones are not examined.
void err(const char* a, const std::string& b = "", const char* c = "") {
    if (errorflag) return;
    v_err(a, b.c_str(), c);
    errorflag = 1;
}

std::string desc(int t) {
    return tok2str(t);
}

// The number of the most recently declared variable of that name, or 0.
int findvar(const std::string& name) {
    for (int v = curvar - 1; v >= 1; --v)
        if (name == varnames[v].data()) return v;
    return 0;
}

int declare_var(const std::string& name) {
    if (curvar >= MAXVARS) {
        err("Too many variables active. ", name);
        return 0;
    }
    int v = curvar++;
    std::strncpy(varnames[v].data(), name.c_str(), VARNAMESIZE - 1);
    varnames[v][VARNAMESIZE - 1] = 0;
    return v;
}

bool attachment_start(int t) {
    return t == T_PRE || t == T_QUOTE || t == '+' || t == '$' || t == '@';
}

// A compound attribute: names joined by '.' or '/', a leading '/' allowed.
// `vars`: declared variables are stored as references.  `identends`: a name
// right after a name ends the compound instead of being an error.  `attach`:
// a '/' after a name that turns out to begin a node attachment is left for
// the caller (`pending_slash`).
void read_compattr(segbuf& out, bool vars, bool identends, bool attach = false) {
    bool expect_name = true;
    if (v_peep() == '/') {
        out.put('/');
        v_next();
    }
    for (;;) {
        int t = v_peep();
        if (t == T_IDENT) {
            std::string nm = ident();
            if (!expect_name) {
                if (identends) break;
                err("Unexpected identifier: ", nm, " in attribute");
                return;
            }
            int v = vars ? findvar(nm) : 0;
            if (v) {
                out.put(SYN_VAR);
                out.put(v);
            } else if (lookup_attr(nm.c_str())) {
                out.puts(nm.c_str());
            } else if (attach && out.len > 0 && out.data[out.len - 1] == '/' &&
                       std::isdigit(static_cast<unsigned char>(nm[0]))) {
                --out.len; // "/4=..." after a key: a field restriction
                pending_slash = 1;
                return;
            } else {
                err("Unknown attribute", nm);
                return;
            }
            v_next();
            expect_name = false;
        } else if (t == '.' || t == '/') {
            if (expect_name) {
                err("Unexpected ", desc(t), " in attribute");
                return;
            }
            out.put(t);
            v_next();
            expect_name = true;
            if (t == '/' && attach && attachment_start(v_peep())) {
                --out.len;
                pending_slash = 1;
                return;
            }
        } else {
            break;
        }
    }
    if (expect_name) err("Missing compound attribute.");
}

void read_literal(segbuf& out) {
    out.put('"');
    v_next();
    while (v_peep() != T_QUOTE && v_peep() != T_EOF) {
        out.put(v_peep());
        v_next();
    }
    if (v_peep() == T_EOF) {
        err("Unmatched Quote.");
        return;
    }
    out.put('"');
    v_next();
}

// `[ item , item ... ]`
void read_attrlist(segbuf& out) {
    out.put('[');
    v_next();
    for (;;) {
        int t = v_peep();
        if (t == ']') {
            out.put(']');
            v_next();
            return;
        }
        if (t == T_IDENT && activity == 4 &&
            std::isdigit(static_cast<unsigned char>(identbuf[0])) &&
            !lookup_attr(identbuf.data())) {
            int n = byte_number(ident());
            v_next();
            if (v_peep() != '!' || n < 0) {
                err("! missing");
                return;
            }
            v_next();
            out.put('!');
            out.put(n);
            read_compattr(out, false, false);
        } else if (t == T_IDENT || t == '/') {
            read_compattr(out, activity == 2, false);
            if (!errorflag && v_peep() == T_PRE) {
                out.put(SYN_PRE);
                v_next();
                read_compattr(out, activity == 2, false);
            }
        } else if (t == T_PRE) {
            out.put(SYN_PRE);
            v_next();
            read_compattr(out, activity == 2, false);
        } else if (t == '-') {
            if (activity != 4) {
                err("MINUS not permitted in this context.");
                return;
            }
            out.put('-');
            v_next();
            read_compattr(out, false, false);
        } else if (t == '!') {
            if (activity != 5) {
                err("! not permitted in this context.");
                return;
            }
            out.put('!');
            v_next();
            read_compattr(out, false, false);
        } else {
            return; // a list not closed by ']' is kept without it
        }
        if (errorflag) return;
        if (v_peep() == ',') {
            out.put(',');
            v_next();
        } else if (v_peep() != ']') {
            return;
        }
    }
}

bool ends_restriction(int t) {
    return t == T_EOF || t == T_PERCENT || t == '(' || t == ')' || t == '/' || t == ';' ||
           t == '<' || t == '>' || t == '[' || t == '|';
}

// `/n = value, value...` after the '/' and the number.
void read_restriction(segbuf& out, int n) {
    out.put('/');
    out.put(n);
    out.put('=');
    if (v_peep() == '=') {
        v_next();
    } else {
        err("Expecting equals ['='].");
        return;
    }
    enum { START, VALUE, OTHER, COMMA } state = START;
    for (;;) {
        int t = v_peep();
        if (ends_restriction(t)) break;
        if (t == T_IDENT) {
            if (state == VALUE) break; // the next node
            out.puts(identbuf.data());
            v_next();
            state = VALUE;
        } else if (t == T_QUOTE) {
            read_literal(out);
            if (errorflag) return;
            state = VALUE;
        } else if (t == ',') {
            if (state == START || state == COMMA) {
                err("Spurious comma in restriction.");
                return;
            }
            out.put(',');
            v_next();
            state = COMMA;
        } else {
            out.put(t);
            v_next();
            state = OTHER;
        }
    }
    if (state == COMMA) err("Unterminated list - extra comma.");
}

// `/+n` and `/$n`, after the '/'.
void read_frequency(segbuf& out) {
    int sign = v_peep();
    v_next();
    if (v_peep() != T_IDENT || !is_number(ident())) {
        v_err("Improper token follows + or $: ", desc(v_peep()).c_str(), "");
        return;
    }
    out.put(SYN_FREQ);
    if (sign == '$') out.put('-');
    out.puts(identbuf.data());
    v_next();
}

// `/@n : tag [ list ]`, after the '/'.
void read_indirection(segbuf& out) {
    int saved = activity;
    activity = 5;
    v_next();
    int n = v_peep() == T_IDENT ? byte_number(ident()) : -1;
    if (n <= 0) {
        err("Missing field number in indirection.");
        activity = saved;
        return;
    }
    v_next();
    out.put('@');
    out.put(n);
    if (v_peep() == ':') {
        v_next();
        if (v_peep() != T_IDENT) {
            err("Expecting tag name.");
            activity = saved;
            return;
        }
        out.put(':');
        out.puts(identbuf.data());
        v_next();
    }
    if (v_peep() == '[') read_attrlist(out);
    activity = saved;
}

// One attachment after '/'.
void read_slash(segbuf& out) {
    int t = v_peep();
    if (t == T_IDENT && std::isdigit(static_cast<unsigned char>(identbuf[0]))) {
        int n = byte_number(ident());
        if (n <= 0) {
            err("Missing field number in restriction.");
            return;
        }
        v_next();
        read_restriction(out, n);
    } else if (t == T_IDENT) {
        err("Missing field number in restriction.");
    } else if (t == T_PRE) {
        out.put(SYN_PRE);
        v_next();
        prekey_mark = 1;
        read_compattr(out, activity == 2, true, true);
        prekey_mark = 0;
    } else if (t == T_QUOTE) {
        read_literal(out);
    } else if (t == '+' || t == '$') {
        read_frequency(out);
    } else if (t == '@') {
        read_indirection(out);
    } else {
        err("Improper token follows / : ", desc(t));
    }
}

void read_attachments(segbuf& out) {
    while (!errorflag) {
        if (pending_slash) {
            pending_slash = 0;
            read_slash(out);
        } else if (v_peep() == '[') {
            read_attrlist(out);
        } else if (v_peep() == '/') {
            v_next();
            read_slash(out);
        } else {
            break;
        }
    }
}

// A node: `T1:T2:name` and its attachments.
void read_node(segbuf& out) {
    std::string name = ident();
    v_next();
    std::vector<std::string> trans;
    while (v_peep() == ':') {
        v_next();
        if (v_peep() != T_IDENT) {
            err("Colon followed by ", desc(v_peep()));
            return;
        }
        trans.push_back(name);
        name = ident();
        v_next();
    }
    out.put(' ');
    out.puts(name.c_str());
    for (const auto& t : trans) {
        out.put(SYN_TRANS);
        out.puts(t.c_str());
    }
    read_attachments(out);
}

// Variable names before a colon: `a, b :`.
bool read_varnames(std::vector<std::string>& names) {
    names.clear();
    for (;;) {
        if (v_peep() != T_IDENT) {
            err("Improper token: ", desc(v_peep()));
            return false;
        }
        names.push_back(ident());
        v_next();
        if (v_peep() != ',') break;
        v_next();
    }
    if (v_peep() != ':') {
        err("Improper token: ", desc(v_peep()));
        return false;
    }
    v_next();
    return true;
}

// `INHERIT a, b : compound c : compound ;` and the same with CHOOSE.
void read_declaration(segbuf& out, int code) {
    int saved = activity;
    activity = 6;
    v_next();
    std::vector<std::string> names;
    while (!errorflag) {
        if (!read_varnames(names)) break;
        second.clear();
        read_compattr(second, false, true);
        if (errorflag) break;
        for (const auto& nm : names) {
            int v = declare_var(nm);
            if (!v) break;
            out.put(code);
            out.put(v);
            out.append(second);
        }
        if (errorflag) break;
        if (v_peep() == ';') {
            v_next();
            break;
        }
        if (v_peep() != T_IDENT) break;
    }
    activity = saved;
}

// `SELECT a, b : [compound] _pre_ key ;`
void read_select(segbuf& out) {
    int saved = activity;
    v_next();
    std::vector<std::string> names;
    while (!errorflag) {
        activity = 6;
        if (!read_varnames(names)) break;
        second.clear();
        keybuf.clear();
        if (v_peep() == T_IDENT) read_compattr(second, false, true);
        bool haskey = false;
        if (!errorflag && v_peep() == T_PRE) {
            v_next();
            activity = 2;
            read_compattr(keybuf, true, true);
            haskey = true;
        }
        if (errorflag) break;
        for (const auto& nm : names) {
            int v = declare_var(nm);
            if (!v) break;
            out.put(SYN_SELECT);
            out.put(v);
            out.append(second);
            if (haskey) {
                out.put(SYN_PRE);
                out.append(keybuf);
            }
        }
        if (errorflag) break;
        if (v_peep() == ';') {
            v_next();
            break;
        }
        if (v_peep() != T_IDENT) break;
    }
    activity = saved;
}

// A guard after '<', up to and including ':'.
void read_guard(segbuf& out) {
    activity = 1;
    out.put('<');
    v_next();
    while (!errorflag) {
        int t = v_peep();
        if (t == T_IDENT) {
            read_compattr(out, false, false);
        } else if (t == T_PRE || t == T_IS) {
            out.put(t);
            v_next();
            read_compattr(out, true, false);
        } else if (t == '(' || t == ')' || t == ',' || t == '|') {
            out.put(t);
            v_next();
        } else if (t == ':') {
            out.put(':');
            v_next();
            return;
        } else {
            err("Encountered ", desc(t), " instead of colon.");
        }
    }
}

// A context-free right-hand side, up to '%', '<', '>' or the end.
void read_rhs(segbuf& out) {
    activity = 2;
    out.put(SYN_RHS);
    int depth = 0;
    while (!errorflag) {
        int t = v_peep();
        if (t == T_PERCENT || t == '<' || t == '>' || t == T_EOF) break;
        if (t == T_IDENT) {
            read_node(out);
        } else if (t == T_INHERIT || t == T_CHOOSE) {
            read_declaration(out, t == T_INHERIT ? SYN_INHERIT : SYN_CHOOSE);
        } else if (t == T_SELECT) {
            read_select(out);
        } else if (t == '(') {
            if (depth >= MAXCHOICEDEPTH) {
                err("Choices Nested too deep. ");
                break;
            }
            ++depth;
            varsave[depth] = curvar;
            out.put('(');
            countpos[depth] = out.len;
            out.put(1);
            out.put('|');
            altcount[depth] = 1;
            v_next();
        } else if (t == '|') {
            if (depth == 0) {
                err("| appears outside parentheses");
                break;
            }
            out.put('|');
            ++altcount[depth];
            curvar = varsave[depth];
            v_next();
        } else if (t == ')') {
            if (depth == 0) {
                err("Unmatched )");
                break;
            }
            if (altcount[depth] > 255) {
                err("Too many alternatives. ");
                break;
            }
            out.put(')');
            if (countpos[depth] < out.len)
                out.data[countpos[depth]] = static_cast<char>(altcount[depth]);
            curvar = varsave[depth];
            --depth;
            v_next();
        } else {
            err("Improper token: ", desc(t));
        }
    }
    if (!errorflag && depth > 0) err("There are unmatched ('s");
}

// Ends the segment in `rulebuf`: appended to the rule, or an error when too long.
void end_segment() {
    if (errorflag) return;
    if (rulebuf.overflow) {
        err("Rule too long. ");
        return;
    }
    cf_buf.append(rulebuf);
    if (cf_buf.overflow) err("Rule too long. ");
}

void push_rule(const std::string& name, const std::string& text) {
    syn_rule* r;
    try {
        r = new syn_rule{name, text, syntax_stack};
    } catch (const std::bad_alloc&) {
        v_printf(MSGCORE, "* WARNING *  %s %s", "Rule ignored: ", name.c_str());
        return;
    }
    syntax_stack = r;
    pack_changed();
}

void push_trans(const std::string& name, int priority, sub_trans* first) {
    trans_stack = new transformation{name, priority, first, nullptr, trans_stack};
}

void free_subs(sub_trans* s) {
    while (s) {
        sub_trans* n = s->next;
        delete s;
        s = n;
    }
}

// `name = rule...`, the name and '=' already read.
bool read_cf_rule(const std::string& name) {
    cf_buf.clear();
    bool guardseen = false;
    for (;;) {
        rulebuf.clear();
        int t = v_peep();
        bool guarded = false;
        if (t == '<') {
            read_guard(rulebuf);
            guarded = guardseen = true;
        } else if (t == '>') {
            rulebuf.put('>');
            v_next();
        }
        int vars = curvar;
        if (!errorflag) read_rhs(rulebuf);
        if (guarded || guardseen) curvar = vars;
        end_segment();
        if (errorflag) return false;
        t = v_peep();
        if (t == T_PERCENT || t == T_EOF) break;
    }
    push_rule(name, cf_buf.str());
    return true;
}

// `name = TRANSFORMATION [PRIORITY n] guard : rhs ; ... %`
bool read_transformation(const std::string& name) {
    v_next();
    int priority = 5;
    if (v_peep() == T_PRIORITY) {
        v_next();
        int n = 0;
        if (v_peep() == T_IDENT && is_number(ident())) {
            std::string s = ident();
            n = s.size() > 9 ? 1000000000 : std::stoi(s);
        }
        if (v_peep() == T_IDENT) v_next();
        if (n == 0) {
            v_err("Expecting Transformation Priority.", "", "");
        } else if (n > MAXPRIORITY) {
            err("Transformation priority too large: ", std::to_string(n));
            return false;
        } else {
            priority = n;
        }
    }
    sub_trans* first = nullptr;
    sub_trans** tail = &first;
    while (v_peep() != T_PERCENT && v_peep() != T_EOF) {
        segbuf& guard = rulebuf;
        guard.clear();
        activity = 3;
        int elements = 0;
        while (!errorflag) {
            int t = v_peep();
            if (t == T_IDENT) {
                guard.put(' ');
                guard.puts(identbuf.data());
                v_next();
                ++elements;
                if (v_peep() == '[') read_attrlist(guard);
            } else if (t == '*') {
                guard.put('*');
                v_next();
                ++elements;
            } else if (t == ':') {
                v_next();
                break;
            } else {
                err("Expecting Colon.");
            }
            if (elements > MAXGUARDLEN) err("Transformation guard too long. ");
        }
        if (!errorflag && guard.overflow) err("Rule too long. ");
        if (errorflag) break;
        std::string gtext = guard.str();
        segbuf& rhs = rulebuf;
        rhs.clear();
        activity = 4;
        while (!errorflag && v_peep() == T_IDENT)
            read_node(rhs);
        if (!errorflag && rhs.overflow) err("Rule too long. ");
        if (errorflag) break;
        *tail = new sub_trans{gtext, rhs.str(), nullptr};
        tail = &(*tail)->next;
        if (v_peep() != T_PERCENT && v_peep() != T_EOF) v_next(); // normally ';'
    }
    if (errorflag) {
        free_subs(first);
        return false;
    }
    push_trans(name, priority, first);
    return true;
}

// `PRESELECT = key : node ; key : node ... %`
bool read_preselect(const std::string& name) {
    rulebuf.clear();
    while (!errorflag) {
        int t = v_peep();
        if (t == T_PERCENT || t == T_EOF) break;
        activity = 8;
        read_compattr(rulebuf, false, false);
        if (errorflag) break;
        if (v_peep() == ':') {
            rulebuf.put(':');
            v_next();
            activity = 7;
            if (v_peep() != T_IDENT) {
                err("Improper token: ", desc(v_peep()));
                break;
            }
            read_node(rulebuf);
            if (errorflag) break;
        }
        t = v_peep();
        if (t == ';') {
            v_next();
            if (v_peep() != T_PERCENT && v_peep() != T_EOF) rulebuf.put(';');
        } else if (t != T_PERCENT && t != T_EOF) {
            err("Improper token: ", desc(t));
        }
    }
    if (!errorflag && rulebuf.overflow) err("Rule too long. ");
    if (errorflag) return false;
    push_rule(name, rulebuf.str());
    return true;
}

// Skips the rest of a faulty rule, through its '%'.
void skip_to_end_of_rule() {
    bool quoted = false;
    for (;;) {
        int t = v_peep();
        if (t == T_EOF) return;
        v_next();
        if (t == T_QUOTE) quoted = !quoted;
        if (t == T_PERCENT && !quoted) return;
    }
}

} // namespace

void read_syntax(const char* filename) {
    packload loading;
    v_stat = 0;
    file_operation = "Syntax Input";
    file_position.clear();
    push_rule(BARRIER_NAME, "");
    add_built_in(); // the built-ins lie below every barrier
    push_trans(BARRIER_NAME, 5, nullptr);
    bool root = false;
    bool failed = false;
    openfile(filename, 0);
    try {
        while (v_peep() != T_EOF) {
            int t = v_peep();
            if (t != T_IDENT) {
                v_err("Encountered ", tok2str(t).c_str(), " instead of rule name.");
                v_next();
                continue;
            }
            std::string name = ident();
            v_setposition(name);
            v_next();
            if (v_peep() == '=')
                v_next();
            else
                v_err("Rule name must be followed by =. ", "", "");
            // A rule of the barrier's name would make unloading stop at it.
            if (name == BARRIER_NAME) {
                v_err("Improper rule name: ", name.c_str(), "");
                failed = true;
                skip_to_end_of_rule();
                continue;
            }
            errorflag = 0;
            pending_slash = 0;
            prekey_mark = 0;
            curvar = 1;
            bool stored;
            const bool transformation = v_peep() == T_TRANSFORM;
            if (transformation)
                stored = read_transformation(name);
            else if (name == "PRESELECT")
                stored = read_preselect(name);
            else
                stored = read_cf_rule(name);
            if (stored) {
                // A transformation of that name gives no rule to start from.
                if (name == "ROOT" && !transformation) root = true;
                if (v_peep() == T_PERCENT) v_next();
            } else {
                failed = true;
                skip_to_end_of_rule();
            }
        }
    } catch (const std::bad_alloc&) {
        v_err("Inadequate working space", "", "");
        failed = true;
        while (v_peep() != T_EOF)
            v_next();
    }
    if (failed) v_stat = 1;
    if (root) v_stat = 2;
    errorflag = 0;
    activity = 0;
    file_position.clear();
    file_operation.clear();
}

const char* getrule(const char* name) {
    if (name == nullptr) return nullptr;
    rulecachecurrent();
    if (rulecache.empty()) {
        try {
            rulecache.resize(RULECACHE);
        } catch (const std::bad_alloc&) {
            rulecache.clear();
        }
    }
    if (rulecache.empty()) {
        for (syn_rule* r = syntax_stack; r; r = r->next)
            if (r->name == name) return r->rules.c_str();
        return nullptr;
    }
    size_t slot = namehash(name, std::strlen(name)) & (RULECACHE - 1);
    while (rulecache[slot].used) {
        if (rulecache[slot].name == name)
            return rulecache[slot].rule ? rulecache[slot].rule->rules.c_str() : nullptr;
        slot = (slot + 1) & (RULECACHE - 1);
    }
    const syn_rule* found = nullptr;
    for (syn_rule* r = syntax_stack; r; r = r->next) {
        if (r->name == name) {
            found = r;
            break;
        }
    }
    if (rulecached < RULECACHE / 2) {
        try {
            rulecache[slot].name = name;
            rulecache[slot].rule = found;
            rulecache[slot].used = true;
            ++rulecached;
        } catch (const std::bad_alloc&) {
            // not remembered: looked up along the stack again next time
        }
    }
    return found ? found->rules.c_str() : nullptr;
}

std::string checksyntaxkept() {
    std::string out;
    if (rulecacherevision != packrevision) return out;
    for (const cachedname& c : rulecache) {
        if (!c.used) continue;
        const syn_rule* found = nullptr;
        for (const syn_rule* r = syntax_stack; r && !found; r = r->next)
            if (r->name == c.name) found = r;
        if (found != c.rule) out += "rule " + c.name + " is kept as another than the stack's\n";
    }
    return out;
}

transformation* gettrans(const char* name) {
    for (transformation* t = trans_stack; t; t = t->next)
        if (t->name == name) return t;
    return nullptr;
}

// Stored-text scanners.  Every step stops at the terminating NUL.
// Scanners shared by every reader of stored rule texts.

namespace {
// Name characters of stored texts: ASCII letters and digits (the program runs
// in the C locale), '_', '%' and the accented capitals and small letters of
// French.
constexpr std::array<bool, 256> wordbytes = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[static_cast<size_t>(c)] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                    (c >= '0' && c <= '9') || c == '_' || c == '%';
    for (unsigned char c : {0xC0, 0xC2, 0xC7, 0xC8, 0xC9, 0xCA, 0xCE, 0xD4, 0xD9, 0xDB, 0xE0, 0xE2,
                            0xE7, 0xE8, 0xE9, 0xEA, 0xEE, 0xF4, 0xF9, 0xFB})
        t[c] = true;
    return t;
}();
} // namespace

bool is_wordchar(unsigned char c) {
    return wordbytes[c];
}

const char* read_name(const char* p, std::string& name) {
    name.clear();
    while (is_wordchar(static_cast<unsigned char>(*p)))
        name += *p++;
    return p;
}

const char* skip_quoted(const char* p) { // p at the opening quote
    ++p;
    while (*p && *p != '"')
        ++p;
    return *p ? p + 1 : p;
}

const char* skip_byte(const char* p) {
    return *p ? p + 1 : p;
}

namespace {

const char* skip_name(const char* p) {
    while (is_wordchar(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}



const char* skip_attrlist(const char* p) { // p at '['
    ++p;
    while (*p && *p != ']') {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == SYN_VAR) {
            p = skip_byte(p + 1);
        } else if (c == '!') {
            ++p;
            unsigned char n = static_cast<unsigned char>(*p);
            if (n && !is_wordchar(n) && n != '.' && n != '/' && n != SYN_VAR) ++p;
        } else if (c == '"') {
            p = skip_quoted(p);
        } else {
            ++p;
        }
    }
    return skip_byte(p);
}

bool ends_values(unsigned char c) {
    return c == 0 || c == ' ' || c == '(' || c == ')' || c == '/' || c == ';' || c == '[' ||
           c == '|' || c == SYN_FREQ || c == '<' || c == '>' || c == SYN_INHERIT ||
           c == SYN_CHOOSE || c == SYN_SELECT || c == SYN_RHS;
}

const char* skip_attachments(const char* p) {
    for (;;) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == SYN_TRANS) {
            p = skip_name(p + 1);
        } else if (c == '[') {
            p = skip_attrlist(p);
        } else if (c == '/') { // '/' n '=' values
            p = skip_byte(skip_byte(p + 1));
            if (*p == '=') ++p;
            while (!ends_values(static_cast<unsigned char>(*p)))
                p = *p == '"' ? skip_quoted(p) : p + 1;
        } else if (c == '"') {
            p = skip_quoted(p);
        } else if (c == SYN_FREQ) {
            ++p;
            if (*p == '-') ++p;
            while (std::isdigit(static_cast<unsigned char>(*p)))
                ++p;
        } else if (c == '@') {
            p = skip_byte(p + 1);
            if (*p == ':') p = skip_name(p + 1);
            if (*p == '[') p = skip_attrlist(p);
        } else if (c == SYN_PRE) {
            p = skip_compattr(p + 1);
        } else {
            return p;
        }
    }
}

const char* skip_element(const char* p) {
    unsigned char c = static_cast<unsigned char>(*p);
    switch (c) {
    case 0:
        return p;
    case '<':
        ++p;
        while (*p && *p != ':')
            p = static_cast<unsigned char>(*p) == SYN_VAR ? skip_byte(p + 1) : p + 1;
        return skip_byte(p);
    case SYN_INHERIT:
    case SYN_CHOOSE:
        return skip_compattr(skip_byte(p + 1));
    case SYN_SELECT:
        p = skip_compattr(skip_byte(p + 1));
        if (static_cast<unsigned char>(*p) == SYN_PRE) p = skip_compattr(p + 1);
        return p;
    case ' ':
        return skip_attachments(skip_name(p + 1));
    case '(':
        p = skip_byte(p + 1); // the count
        return skip_alternatives(p, 0);
    default:
        return p + 1;
    }
}

} // namespace

const char* skip_compattr(const char* p) {
    for (;;) {
        unsigned char c = static_cast<unsigned char>(*p);
        unsigned char next = c ? static_cast<unsigned char>(p[1]) : 0;
        if (c == SYN_VAR)
            p = skip_byte(p + 1);
        else if (c == '/' && !is_wordchar(next) && next != SYN_VAR)
            return p; // a field restriction after a key: '/' n '='
        else if (c == '.' || c == '/' || is_wordchar(c))
            ++p;
        else
            return p;
    }
}

const char* skip_rule(const char* p) {
    while (*p && *p != '<' && *p != '>')
        p = (*p == '|' || *p == ')') ? p + 1 : skip_element(p);
    return p;
}

const char* skip_alternatives(const char* p, int n) {
    for (;;) {
        if (!*p) return p;
        if (*p == ')') return p + 1;
        if (*p == '|') {
            ++p;
            if (n > 0 && --n == 0) return p;
            continue;
        }
        p = skip_element(p);
    }
}

void dump_syntax() {
    bool rulebarrier = false;
    for (syn_rule* r = syntax_stack; r; r = r->next)
        if (r->name == BARRIER_NAME) rulebarrier = true;
    while (rulebarrier && syntax_stack) {
        syn_rule* r = syntax_stack;
        syntax_stack = r->next;
        bool barrier = r->name == BARRIER_NAME;
        delete r;
        if (barrier) break;
    }
    pack_changed();
    bool transbarrier = false;
    for (transformation* t = trans_stack; t; t = t->next)
        if (t->name == BARRIER_NAME) transbarrier = true;
    // The barrier goes too: otherwise the next unload would stop at it at
    // once and leave the older file's transformations behind.
    while (transbarrier && trans_stack) {
        transformation* t = trans_stack;
        trans_stack = t->next;
        bool barrier = t->name == BARRIER_NAME;
        free_subs(t->first);
        delete t;
        if (barrier) break;
    }
}

void resetsyntax() {
    while (syntax_stack) {
        syn_rule* r = syntax_stack;
        syntax_stack = r->next;
        delete r;
    }
    pack_changed();
    while (trans_stack) {
        transformation* t = trans_stack;
        trans_stack = t->next;
        free_subs(t->first);
        delete t;
    }
    activity = 0;
    errorflag = 0;
    curvar = 1;
    for (auto& v : varnames)
        v.fill(0);
    rulebuf.clear();
    second.clear();
    keybuf.clear();
    cf_buf.clear();
    prekey_mark = 0;
    pending_slash = 0;
}

} // namespace bormo
