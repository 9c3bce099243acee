// Guard evaluation.  A guard is read left to right by a small recursive
// parser that can also run without evaluating, so that the parts that need
// no evaluation (the rest of an alternative after a false term, the other
// alternatives after a true one) are stepped over without side effects: no
// open attribute value is fixed and no message is written for them.
#include "bormo/guards.hpp"

#include <cctype>
#include <cstring>
#include <string>

#include "bormo/attributes.hpp"
#include "bormo/lexicon.hpp"
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

} // namespace

int m_guard(const char* text) {
    if (!text) {
        end_guard = text;
        return 0;
    }
    gp = reinterpret_cast<const uchar*>(text);
    group_depth = 0;
    bool r = false;
    for (;;) {
        // A ')' without its '(' is stepped over; what follows is read as
        // further alternatives.
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
    current_node = nullptr;
    end_guard = nullptr;
    gp = nullptr;
    group_depth = 0;
}

} // namespace bormo
