// Guard evaluation.  The evaluator reads the guard once, left to right; parts
// that an earlier result has already decided are only stepped over, so that
// they fix no open attribute value and report nothing.
#include "bormo/guards.hpp"

#include <cctype>
#include <cstdlib>

#include "bormo/attributes.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/reader.hpp"
#include "bormo/syntax.hpp"

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

uchar at(const char* p) { return static_cast<uchar>(*p); }

bool stops(uchar c) { return c == 0 || c == ':' || c == ',' || c == '|' || c == ')'; }

// The attribute list a term about `node` reads.
attr_list list_of(t_treenode* node) {
    if (MState == 1) return node->dictionary ? node->dictionary->attributes : nullptr;
    return node->attributes;
}

// Steps over one primary term without evaluating it.
const char* skip_primary(const char* p) {
    switch (at(p)) {
    case '*':
        return p + 1;
    case '"':
        for (++p; *p && *p != '"'; ++p) {
        }
        return *p ? p + 1 : p;
    case '<':
        for (++p; *p && *p != '>'; ++p) {
        }
        return *p ? p + 1 : p;
    case SYN_PRE:
        return skip_compattr(p + 1);
    case SYN_IS:
        p = skip_compattr(p + 1);
        return at(p) == SYN_PRE ? skip_compattr(p + 1) : p;
    default: {
        const char* q = skip_compattr(p);
        return q == p && !stops(at(p)) ? p + 1 : q;
    }
    }
}

// Evaluates one primary term about `node` (null: the node does not exist).
const char* eval_primary(const char* p, t_treenode* node, bool& result) {
    result = false;
    uchar c = at(p);
    if (c == '*') {
        result = true;
        return p + 1;
    }
    if (!node) return skip_primary(p);
    if (c == '"') {
        const char* w = node->morphed_word ? node->morphed_word : "";
        result = match_wild(p + 1, w, '"', 0) != 0;
        return skip_primary(p);
    }
    if (c == '<') {
        const char* q = p + 1;
        int n = static_cast<int>(std::strtol(q, const_cast<char**>(&q), 10));
        if (*q == '.') std::strtol(q + 1, const_cast<char**>(&q), 10);
        if (*q == '=') ++q;
        t_dict_lookup* lk = node->dictionary;
        if (lk && lk->error == 0 && lk->dictionary && n > 0)
            result = match_list(q, getfieldptr(lk->dictionary, n), '>') != 0;
        return skip_primary(p);
    }
    if (c == SYN_PRE) {
        const char* end = find_pst(p, 1);
        if (pre_status >= 4 && pre_status <= 6)
            result = true;
        else if (pre_status == 1 || pre_status == 2)
            v_err("Preselection: ", pre_status_text[pre_status], "");
        return end;
    }
    if (c == SYN_IS) {
        const char* end = analyze_pre(p);
        if (attr_form != 1) {
            v_err("Guard following _is_ not in proper form", "", "");
            return skip_primary(p);
        }
        if (pre_status == 6)
            result = bool_from_pre() != 0;
        else
            v_err("Preselection: ", pre_status_text[pre_status], bad_pst.c_str());
        return end;
    }
    const char* end = text_to_comp_array(p, 1);
    if (end == p) return skip_primary(p);
    result = attr_index > 0 && find_attr(list_of(node)) != nullptr;
    return end;
}

const char* eval_group(const char* p, int start, int depth, bool active, bool& result);

// One term: an optional designator, then a group or a primary.  The
// designator stays in force in `desig` for the rest of the alternative.
const char* eval_term(const char* p, int& desig, int depth, bool active, bool& result) {
    result = false;
    if (*p == '-' || std::isdigit(at(p))) {
        const char* q = p;
        bool neg = *q == '-';
        if (neg) ++q;
        if (std::isdigit(at(q))) {
            int k = 0;
            while (std::isdigit(at(q)))
                k = k * 10 + (*q++ - '0');
            if (*q && *q != ':') ++q; // the separator
            desig = neg ? -k : k;
            p = q;
        }
    }
    if (*p == '(') {
        if (depth >= MAXGROUPDEPTH) active = false;
        p = eval_group(p + 1, desig, depth + 1, active, result);
        if (*p == ')') ++p;
        return p;
    }
    if (!active) return skip_primary(p);
    return eval_primary(p, traverseleaves(current_node, desig), result);
}

// A group up to its ')' or the guard's ':'; `start` is the designator in force
// when the group is entered.
const char* eval_group(const char* p, int start, int depth, bool active, bool& result) {
    bool any = false;
    for (;;) {
        int desig = start;
        bool all = true;
        for (;;) {
            bool r = false;
            p = eval_term(p, desig, depth, active && !any && all, r);
            if (active && !any && all) all = r;
            while (*p && !stops(at(p)))
                ++p; // anything left of a malformed term
            if (*p != ',') break;
            ++p;
        }
        if (active && !any && all) any = true;
        if (*p != '|') break;
        ++p;
    }
    result = active && any;
    return p;
}

} // namespace

int m_guard(const char* text) {
    if (!text) {
        end_guard = text;
        return 0;
    }
    bool result = false;
    const char* p = eval_group(text, 0, 0, true, result);
    while (*p && *p != ':')
        ++p; // a stray ')' of a malformed guard
    end_guard = p;
    return result ? 1 : 0;
}

void resetguards() {
    current_node = nullptr;
    end_guard = nullptr;
}

} // namespace bormo
