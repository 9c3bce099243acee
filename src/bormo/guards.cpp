// Guard evaluation.  A guard is read left to right by a small recursive
// parser that can also run without evaluating, so that the parts that need
// no evaluation (the rest of an alternative after a false term, the other
// alternatives after a true one) are stepped over without side effects: no
// open attribute value is fixed and no message is written for them.
#include "bormo/guards.hpp"

#include <cctype>
#include <cstring>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bormo/attrcodes.hpp"
#include "bormo/attributes.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"

namespace bormo {

t_treenode* current_node = nullptr;
const char* end_guard = nullptr;

t_treenode* traverseleaves(t_treenode* node, int k) {
    while (node && k > 0) {
        node = node->right;
        --k;
    }
    while (node && k < 0) {
        node = node->left;
        ++k;
    }
    return node;
}

namespace {

using uchar = unsigned char;

const uchar* gp; // read position in the guard text
int group_depth; // groups open around gp

// Characters of a compound attribute's text.
bool compchar(uchar c) {
    // The program runs in the C locale: letters and digits are ASCII.
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '%' || c == '.' || c >= 0xC0;
}

// Past a compound attribute's text (a variable reference counts two bytes).
const uchar* skip_compound(const uchar* p) {
    while (*p && compchar(*p)) {
        if (*p == VARBYTE && p[1]) ++p;
        ++p;
    }
    return p;
}

// True at a character that ends a term.
bool term_end(uchar c) {
    return c == 0 || c == ',' || c == '|' || c == ')' || c == ':';
}

// Reads an optional designator at gp into des.
void designator(int& des) {
    const uchar* q = gp;
    bool neg = false;
    if (*q == '-') {
        neg = true;
        ++q;
    }
    if (!std::isdigit(*q)) return;
    if (!neg) {
        // A term may itself begin with a digit: a known attribute name wins.
        std::string name;
        for (const uchar* r = q; *r && compchar(*r) && *r != '.' && *r != VARBYTE; ++r)
            name += static_cast<char>(*r);
        if (lookup_attr(name.c_str())) return;
    }
    long n = 0;
    while (std::isdigit(*q)) {
        if (n < 100000) n = n * 10 + (*q - '0');
        ++q;
    }
    if (*q && *q != ':') ++q; // the separator, whatever it is
    gp = q;
    des = static_cast<int>(neg ? -n : n);
}

// The lexical record of a node whose lookup found a word, or null.
const char* found_record(t_treenode* node) {
    if (!node || !node->dictionary || node->dictionary->error != 0) return nullptr;
    return node->dictionary->dictionary;
}

// "<" n ["." m] "=" pattern ">": gp is after '<'.
bool lexical_term(bool eval, t_treenode* node) {
    int n = 0;
    while (std::isdigit(*gp)) {
        if (n < 10000) n = n * 10 + (*gp - '0');
        ++gp;
    }
    int m = 0;
    if (*gp == '.') {
        ++gp;
        while (std::isdigit(*gp)) {
            if (m < 10000) m = m * 10 + (*gp - '0');
            ++gp;
        }
    }
    bool wellformed = *gp == '=';
    if (wellformed) ++gp;
    const char* pattern = reinterpret_cast<const char*>(gp);
    bool quoted = false;
    while (*gp && (quoted || *gp != '>')) {
        if (*gp == '"') quoted = !quoted;
        ++gp;
    }
    if (*gp == '>') ++gp;
    if (!eval || !wellformed || n < 1) return false;
    t_treenode* target = node;
    if (m > 0 && MState == 1) target = traverseleaves(node, m - 1);
    const char* rec = found_record(target);
    if (!rec) return false;
    const char* field = getfieldptr(rec, n);
    if (*field == 0) return false;
    return match_list(pattern, field, '>') != 0;
}

bool or_list(bool eval, int entry_des);

// One term or group, with its designator.
bool item(bool eval, int& des) {
    designator(des);
    t_treenode* node = traverseleaves(current_node, des);
    uchar c = *gp;
    bool r = false;
    if (c == '(') {
        ++gp;
        if (group_depth >= MAXGROUPDEPTH) eval = false; // too deep: the group is false
        ++group_depth;
        r = or_list(eval, des);
        --group_depth;
        if (*gp == ')') ++gp;
    } else if (c == '"') {
        const uchar* start = ++gp;
        while (*gp && *gp != '"')
            ++gp;
        if (*gp == '"') ++gp;
        if (eval && node)
            r = match_wild(reinterpret_cast<const char*>(start),
                           node->morphed_word ? node->morphed_word : "", '"', 0) != 0;
    } else if (c == '*') {
        ++gp;
        r = node != nullptr;
    } else if (c == '<') {
        ++gp;
        r = lexical_term(eval, node);
    } else if (c == T_PRE) {
        const uchar* start = gp++;
        gp = skip_compound(gp);
        if (eval) {
            find_pst(reinterpret_cast<const char*>(start), 1);
            if (pre_status == 1 || pre_status == 2)
                v_err("Preselection: ", pre_status_text[pre_status], "");
            r = pre_status >= 4;
        }
    } else if (c == T_IS) {
        const uchar* start = gp++;
        gp = skip_compound(gp);
        bool proper = *gp == T_PRE && gp > start + 1;
        if (*gp == T_PRE) gp = skip_compound(gp + 1);
        if (eval) {
            analyze_pre(reinterpret_cast<const char*>(start));
            purge_comp_attr(&comp_attr_register); // made while finding the key, not used here
            if (!proper || attr_form != 1) {
                v_err("Guard following _is_ not in proper form", "", "");
            } else if (pre_status != 6) {
                v_err("Preselection: ", pre_status_text[pre_status], bad_pst.c_str());
            } else {
                r = bool_from_pre() != 0;
            }
        }
    } else if (compchar(c)) {
        const uchar* start = gp;
        gp = skip_compound(gp);
        if (eval && node) {
            text_to_comp_array(reinterpret_cast<const char*>(start), 0);
            if (attr_index > 0) {
                attr_list list = node->attributes;
                if (MState == 1) list = node->dictionary ? node->dictionary->attributes : nullptr;
                r = find_attr(list) != nullptr;
            }
        }
    }
    // Anything else up to the end of the term is not understood: the term is false.
    if (!term_end(*gp)) {
        r = false;
        while (!term_end(*gp))
            ++gp;
    }
    return eval && r;
}

// Terms joined by ",": all must hold.  des is the group's designator.
bool and_list(bool eval, int& des) {
    bool all = true;
    for (;;) {
        bool t = item(eval && all, des);
        if (!t) all = false;
        if (*gp != ',') return eval && all;
        ++gp;
    }
}

// Alternatives joined by "|", up to ')' or the end of the guard.
bool or_list(bool eval, int entry_des) {
    bool result = false;
    for (;;) {
        int des = entry_des;
        if (and_list(eval && !result, des)) result = true;
        if (*gp != '|') return result;
        ++gp;
    }
}

// ------------------------------------------------------------ the tree

bool read_group(guardtree& g, int depth, int& index);

// Reads one term or group at gp into t.
void read_term(guardtree& g, int depth, guardterm& t) {
    const uchar* before = gp;
    int des = 0;
    designator(des);
    if (gp != before) {
        t.hasdes = true;
        t.des = des;
    }
    using kind = guardterm::kind;
    uchar c = *gp;
    if (c == '(') {
        ++gp;
        t.what = kind::group;
        t.toodeep = depth >= MAXGROUPDEPTH;
        read_group(g, depth + 1, t.group);
        if (*gp == ')') ++gp;
    } else if (c == '"') {
        t.what = kind::pattern;
        t.start = reinterpret_cast<const char*>(++gp);
        while (*gp && *gp != '"')
            ++gp;
        if (*gp == '"') {
            t.word.assign(t.start, reinterpret_cast<const char*>(gp));
            size_t stars = t.word.find('*');
            if (stars == std::string::npos) {
                t.wild = 'e';
            } else if (stars == 0 && t.word.find('*', 1) == std::string::npos) {
                t.wild = 's';
                t.word.erase(0, 1);
            } else {
                t.word.clear();
            }
            ++gp;
        }
    } else if (c == '*') {
        ++gp;
        t.what = kind::any;
    } else if (c == '<') {
        ++gp;
        t.what = kind::lexical;
        while (std::isdigit(*gp)) {
            if (t.field < 10000) t.field = t.field * 10 + (*gp - '0');
            ++gp;
        }
        if (*gp == '.') {
            ++gp;
            while (std::isdigit(*gp)) {
                if (t.leaf < 10000) t.leaf = t.leaf * 10 + (*gp - '0');
                ++gp;
            }
        }
        t.wellformed = *gp == '=';
        if (t.wellformed) ++gp;
        t.start = reinterpret_cast<const char*>(gp);
        bool quoted = false;
        while (*gp && (quoted || *gp != '>')) {
            if (*gp == '"') quoted = !quoted;
            ++gp;
        }
        if (*gp == '>') ++gp;
    } else if (c == T_PRE) {
        t.what = kind::preselect;
        t.start = reinterpret_cast<const char*>(gp);
        gp = skip_compound(gp + 1);
    } else if (c == T_IS) {
        t.what = kind::is;
        t.start = reinterpret_cast<const char*>(gp);
        gp = skip_compound(gp + 1);
        t.proper = *gp == T_PRE && reinterpret_cast<const char*>(gp) > t.start + 1;
        if (*gp == T_PRE) gp = skip_compound(gp + 1);
    } else if (compchar(c)) {
        t.what = kind::attribute;
        t.start = reinterpret_cast<const char*>(gp);
        gp = skip_compound(gp);
    }
    if (!term_end(*gp)) {
        t.junk = true;
        while (!term_end(*gp))
            ++gp;
    }
}

// Alternatives of terms up to ')' or the end of the guard, as group `index`.
bool read_group(guardtree& g, int depth, int& index) {
    guardgroup alts;
    for (;;) {
        guardalternative terms;
        for (;;) {
            terms.emplace_back();
            read_term(g, depth, terms.back());
            if (*gp != ',') break;
            ++gp;
        }
        alts.push_back(std::move(terms));
        if (*gp != '|') break;
        ++gp;
    }
    index = static_cast<int>(g.groups.size());
    g.groups.push_back(std::move(alts));
    return true;
}

// The word pattern of a term against a word.
bool match_pattern(const guardterm& t, const char* word) {
    if (t.wild == 'e') return std::strcmp(word, t.word.c_str()) == 0;
    if (t.wild == 's') {
        size_t n = std::strlen(word);
        size_t m = t.word.size();
        return n >= m && std::memcmp(word + n - m, t.word.data(), m) == 0;
    }
    return match_wild(t.start, word, '"', 0) != 0;
}

// An attribute term: its compound among the node's.  The compound is read
// from the text at its first use (reading it may report), then kept as codes.
bool attribute_value(guardterm& t, t_treenode* node) {
    attr_list list = node->attributes;
    if (MState == 1) list = node->dictionary ? node->dictionary->attributes : nullptr;
    if (coded_current(t.code)) return find_coded_again(t.code, list) != nullptr;
    const char* end = text_to_comp_array(t.start, 0);
    if (attr_index == 0) return false;
    code_compound(t.start, end, t.code);
    return find_attr(list) != nullptr;
}

// "<" n ["." m] "=" pattern ">".
bool lexical_value(const guardterm& t, t_treenode* node) {
    if (!t.wellformed || t.field < 1) return false;
    t_treenode* target = node;
    if (t.leaf > 0 && MState == 1) target = traverseleaves(node, t.leaf - 1);
    const char* rec = found_record(target);
    if (!rec) return false;
    const char* field = getfieldptr(rec, t.field);
    if (*field == 0) return false;
    return match_list(t.start, field, '>') != 0;
}

bool preselect_value(const guardterm& t) {
    find_pst(t.start, 1);
    if (pre_status == 1 || pre_status == 2) v_err("Preselection: ", pre_status_text[pre_status], "");
    return pre_status >= 4;
}

bool is_value(const guardterm& t) {
    analyze_pre(t.start);
    purge_comp_attr(&comp_attr_register); // made while finding the key, not used here
    if (!t.proper || attr_form != 1) {
        v_err("Guard following _is_ not in proper form", "", "");
        return false;
    }
    if (pre_status != 6) {
        v_err("Preselection: ", pre_status_text[pre_status], bad_pst.c_str());
        return false;
    }
    return bool_from_pre() != 0;
}

bool group_value(guardtree& g, int index, int entry_des);

// One term; `des` is the alternative's designator, changed by the term's own.
bool term_value(guardtree& g, guardterm& t, int& des) {
    if (t.hasdes) des = t.des;
    t_treenode* node = traverseleaves(current_node, des);
    bool r = false;
    using kind = guardterm::kind;
    switch (t.what) {
    case kind::group:
        r = !t.toodeep && group_value(g, t.group, des);
        break;
    case kind::pattern:
        r = node && match_pattern(t, node->morphed_word ? node->morphed_word : "");
        break;
    case kind::any:
        r = node != nullptr;
        break;
    case kind::lexical:
        r = lexical_value(t, node);
        break;
    case kind::preselect:
        r = preselect_value(t);
        break;
    case kind::is:
        r = is_value(t);
        break;
    case kind::attribute:
        r = node && attribute_value(t, node);
        break;
    case kind::other:
        break;
    }
    return r && !t.junk;
}

// The first alternative whose terms all hold makes the group true.  The terms
// after a false one and the alternatives after a true one are not evaluated:
// they fix no open value and report nothing.
bool group_value(guardtree& g, int index, int entry_des) {
    for (guardalternative& terms : g.groups[static_cast<size_t>(index)]) {
        int des = entry_des;
        bool all = true;
        for (guardterm& t : terms) {
            if (!term_value(g, t, des)) {
                all = false;
                break;
            }
        }
        if (all) return true;
    }
    return false;
}

bool same_term(const guardterm& a, const guardterm& b) {
    return a.what == b.what && a.hasdes == b.hasdes && a.des == b.des && a.toodeep == b.toodeep &&
           a.junk == b.junk && a.start == b.start && a.group == b.group && a.wild == b.wild &&
           a.word == b.word && a.field == b.field && a.leaf == b.leaf &&
           a.wellformed == b.wellformed && a.proper == b.proper;
}

} // namespace

guardtree read_guard(const char* text) {
    guardtree g;
    if (!text) return g;
    const uchar* saved = gp;
    gp = reinterpret_cast<const uchar*>(text);
    for (;;) {
        // A ')' without its '(' is stepped over; what follows is read as
        // further alternatives.
        int index = -1;
        read_group(g, 0, index);
        g.top.push_back(index);
        if (*gp != ')') break;
        ++gp;
    }
    g.length = static_cast<size_t>(reinterpret_cast<const char*>(gp) - text);
    gp = saved;
    return g;
}

int eval_guardtree(guardtree& g, const char* text) {
    bool r = false;
    for (int index : g.top)
        if (!r && group_value(g, index, 0)) r = true;
    end_guard = text ? text + g.length : text;
    return r ? 1 : 0;
}

bool same_guard(const guardtree& a, const guardtree& b) {
    if (a.length != b.length || a.top != b.top || a.groups.size() != b.groups.size()) return false;
    for (size_t i = 0; i < a.groups.size(); ++i) {
        const guardgroup& x = a.groups[i];
        const guardgroup& y = b.groups[i];
        if (x.size() != y.size()) return false;
        for (size_t j = 0; j < x.size(); ++j) {
            if (x[j].size() != y[j].size()) return false;
            for (size_t k = 0; k < x[j].size(); ++k)
                if (!same_term(x[j][k], y[j][k])) return false;
        }
    }
    return true;
}

int m_guard(const char* text) {
    if (!text) {
        end_guard = text;
        return 0;
    }
    codepass within;
    guardtree g = read_guard(text);
    return eval_guardtree(g, text);
}

int walk_guard(const char* text) {
    if (!text) {
        end_guard = text;
        return 0;
    }
    codepass within;
    bool r = false;
    gp = reinterpret_cast<const uchar*>(text);
    group_depth = 0;
    for (;;) {
        if (or_list(!r, 0)) r = true;
        if (*gp != ')') break;
        ++gp;
    }
    end_guard = reinterpret_cast<const char*>(gp);
    return r ? 1 : 0;
}

bool eval_guard(t_treenode* node, const char* text, const char** after) {
    t_treenode* saved = current_node;
    current_node = node;
    int r = m_guard(text);
    current_node = saved;
    if (after) *after = end_guard && *end_guard == ':' ? end_guard + 1 : end_guard;
    return r != 0;
}

void resetguards() {
    resetattrcodes();
    current_node = nullptr;
    end_guard = nullptr;
    gp = nullptr;
    group_depth = 0;
}

} // namespace bormo
