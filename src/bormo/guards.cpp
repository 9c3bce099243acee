// Guard evaluation.  A guard is read left to right by a small recursive
// parser that can also run without evaluating, so that the parts that need
// no evaluation (the rest of an alternative after a false term, the other
// alternatives after a true one) are stepped over without side effects: no
// open attribute value is fixed and no message is written for them.
#include "bormo/lazytable.hpp"
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

// ------------------------------------------------------------ kept readings
//
// Morphology guards are stored rule texts read again for every word of
// every sentence.  Their shape (alternatives, terms, designators, where each
// term starts and where the guard ends) depends only on their bytes, so it
// is kept by the text's address with a copy of the bytes read, and a guard
// whose bytes still match is evaluated from its shape without reading it
// again.  Terms that evaluate exactly as before (the attribute test, the
// word pattern, '*', groups); a guard holding any other kind of term, or a
// term starting with digits that name an attribute, is read afresh each
// time.  An attribute term keeps its compound as codes once read (checked
// against the name table before each use), and a word pattern that is a
// plain word or '*' and a plain ending is matched without the general
// wildcard matcher.  Stored morphology guards are trusted by their owner's
// count of changes instead of a comparison of their bytes.

struct shapeitem {
    bool hasdes = false;
    int des = 0;
    char kind = 0;        // '(' group, '"' pattern, '*', 'a' attribute, 0 other
    bool toodeep = false; // a group nested too deep: false
    bool junk = false;    // bytes after the term that are not understood
    const char* start = nullptr;
    int group = -1; // the group's alternatives in `groups`
    char wild = 0;  // for '"': 'e' the whole word, 's' an ending, 0 general
    std::string word; // the word or the ending
    codedcompound code; // for 'a': the compound read, once read
};
using shapeand = std::vector<shapeitem>;
using shapeor = std::vector<shapeand>;

struct guardshape {
    const char* text = nullptr;
    uint64_t version = 0; // the owner's count of changes its bytes are known for
    bool plain = false;   // false: read afresh
    bool simple = false;  // plain, one top-level list, no designator, every term understood
    std::string bytes;  // the bytes read, the one that ended the reading included
    std::vector<shapeor> groups;
    std::vector<int> top; // the alternatives read at top level, one per stray ')'
    // Digits read as designators because no attribute has them as its name:
    // the shape holds while that stays so (checked once per pass).
    std::vector<std::string> unknown;
    uint64_t unknownchecked = 0;
};
constexpr size_t SHAPECACHE = 256;
lazytable<guardshape, SHAPECACHE> shapes;

guardshape& shapeslot(const char* text) {
    auto a = reinterpret_cast<uintptr_t>(text);
    return shapes[((a >> 4) ^ (a >> 12)) & (SHAPECACHE - 1)]; // texts are 16-byte aligned
}

bool shape_or(guardshape& g, int depth, int& index);

// Reads one term or group at gp into it; false when the guard cannot be kept.
bool shape_item(guardshape& g, int depth, shapeitem& it) {
    const uchar* q = gp;
    if (*q == '-') ++q;
    if (std::isdigit(*q)) {
        if (*gp != '-') {
            // Digits naming an attribute make an attribute term, left to the
            // full reading.
            std::string name;
            for (const uchar* r = q; *r && compchar(*r) && *r != '.' && *r != VARBYTE; ++r)
                name += static_cast<char>(*r);
            if (lookup_attr(name.c_str())) return false;
            bool known = false;
            for (const std::string& u : g.unknown)
                if (u == name) known = true;
            if (!known) g.unknown.push_back(name);
        }
        int des = 0;
        const uchar* save = gp;
        designator(des);
        if (gp == save) return false;
        it.hasdes = true;
        it.des = des;
    }
    uchar c = *gp;
    if (c == '(') {
        ++gp;
        it.kind = '(';
        it.toodeep = depth >= MAXGROUPDEPTH;
        if (!shape_or(g, depth + 1, it.group)) return false;
        if (*gp == ')') ++gp;
    } else if (c == '"') {
        it.kind = '"';
        it.start = reinterpret_cast<const char*>(++gp);
        while (*gp && *gp != '"')
            ++gp;
        if (*gp == '"') {
            it.word.assign(it.start, reinterpret_cast<const char*>(gp));
            size_t stars = it.word.find('*');
            if (stars == std::string::npos) {
                it.wild = 'e';
            } else if (stars == 0 && it.word.find('*', 1) == std::string::npos) {
                it.wild = 's';
                it.word.erase(0, 1);
            } else {
                it.word.clear();
            }
            ++gp;
        }
    } else if (c == '*') {
        ++gp;
        it.kind = '*';
    } else if (c == '<' || c == T_PRE || c == T_IS) {
        return false;
    } else if (compchar(c)) {
        it.kind = 'a';
        it.start = reinterpret_cast<const char*>(gp);
        gp = skip_compound(gp);
    }
    if (!term_end(*gp)) {
        it.junk = true;
        while (!term_end(*gp))
            ++gp;
    }
    return true;
}

bool shape_or(guardshape& g, int depth, int& index) {
    shapeor alts;
    for (;;) {
        shapeand terms;
        for (;;) {
            shapeitem it;
            if (!shape_item(g, depth, it)) return false;
            terms.push_back(it);
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

// Reads the shape of `text` into g.
void shape_guard(guardshape& g, const char* text) {
    g.text = text;
    g.version = 0;
    g.plain = false;
    g.simple = false;
    g.groups.clear();
    g.top.clear();
    g.unknown.clear();
    g.unknownchecked = codepassnumber;
    gp = reinterpret_cast<const uchar*>(text);
    bool ok = true;
    for (;;) {
        int index = -1;
        if (!shape_or(g, 0, index)) {
            ok = false;
            break;
        }
        g.top.push_back(index);
        if (*gp != ')') break;
        ++gp;
    }
    if (!ok) {
        // Only the start is kept, so that the full reading is chosen at once.
        g.bytes.clear();
        for (const char* p = text; *p; ++p)
            g.bytes += *p;
        g.bytes += '\0';
        return;
    }
    g.plain = true;
    g.bytes.assign(text, static_cast<size_t>(reinterpret_cast<const char*>(gp) - text) + 1);
    g.simple = g.top.size() == 1;
    for (const shapeor& alts : g.groups)
        for (const shapeand& terms : alts)
            for (const shapeitem& it : terms)
                if (it.hasdes || it.junk || it.toodeep || it.kind == 0) g.simple = false;
}

bool eval_or(guardshape& g, int index, bool eval, int entry_des);

// The word pattern of a kept term against a word.
bool match_pattern(const shapeitem& it, const char* word) {
    if (it.wild == 'e') return std::strcmp(word, it.word.c_str()) == 0;
    if (it.wild == 's') {
        size_t n = std::strlen(word);
        size_t m = it.word.size();
        return n >= m && std::memcmp(word + n - m, it.word.data(), m) == 0;
    }
    return match_wild(it.start, word, '"', 0) != 0;
}

// The attribute term of a kept guard: its compound among the node's.
bool attribute_term(shapeitem& it, t_treenode* node) {
    attr_list list = node->attributes;
    if (MState == 1) list = node->dictionary ? node->dictionary->attributes : nullptr;
    if (coded_current(it.code)) return find_coded_again(it.code, list) != nullptr;
    const char* end = text_to_comp_array(it.start, 0);
    if (attr_index == 0) return false;
    code_compound(it.start, end, it.code);
    return find_attr(list) != nullptr;
}

bool eval_item(guardshape& g, shapeitem& it, bool eval, int& des) {
    if (it.hasdes) des = it.des;
    t_treenode* node = traverseleaves(current_node, des);
    bool r = false;
    switch (it.kind) {
    case '(':
        r = eval_or(g, it.group, eval && !it.toodeep, des);
        break;
    case '"':
        if (eval && node) r = match_pattern(it, node->morphed_word ? node->morphed_word : "");
        break;
    case '*':
        r = node != nullptr;
        break;
    case 'a':
        if (eval && node) r = attribute_term(it, node);
        break;
    default:
        break;
    }
    if (it.junk) r = false;
    return eval && r;
}

// Terms not evaluated have no effect (their designators count only for the
// terms after them in the same alternative), so they are not visited.
bool eval_or(guardshape& g, int index, bool eval, int entry_des) {
    if (!eval) return false;
    for (shapeand& terms : g.groups[static_cast<size_t>(index)]) {
        int des = entry_des;
        bool all = true;
        for (shapeitem& it : terms) {
            if (!eval_item(g, it, true, des)) {
                all = false;
                break;
            }
        }
        if (all) return true;
    }
    return false;
}

// g (kept for `text`) read again when a name it took for digits is now an
// attribute's.
guardshape& names_checked(guardshape& g, const char* text) {
    if (g.unknown.empty() || g.unknownchecked == codepassnumber) return g;
    for (const std::string& u : g.unknown) {
        if (lookup_attr(u.c_str())) {
            uint64_t version = g.version;
            shape_guard(g, text);
            g.version = version;
            return g;
        }
    }
    g.unknownchecked = codepassnumber;
    return g;
}

// The kept shape of `text`, read now if need be.
guardshape& shape_of(const char* text) {
    guardshape& g = shapeslot(text);
    if (g.text == text && !g.bytes.empty() &&
        std::strncmp(text, g.bytes.data(), g.bytes.size()) == 0)
        return names_checked(g, text);
    shape_guard(g, text);
    return g;
}

// eval_or for a simple guard: every term is about `node`.
bool simple_or(guardshape& g, int index, t_treenode* node) {
    for (shapeand& terms : g.groups[static_cast<size_t>(index)]) {
        bool all = true;
        for (shapeitem& it : terms) {
            bool r;
            switch (it.kind) {
            case 'a':
                r = node && attribute_term(it, node);
                break;
            case '"':
                r = node && match_pattern(it, node->morphed_word ? node->morphed_word : "");
                break;
            case '*':
                r = node != nullptr;
                break;
            default: // '('
                r = simple_or(g, it.group, node);
                break;
            }
            if (!r) {
                all = false;
                break;
            }
        }
        if (all) return true;
    }
    return false;
}

// Evaluates `text` whose kept shape is g.
int guard_value(guardshape& g, const char* text) {
    if (g.simple) {
        bool r = simple_or(g, g.top[0], current_node);
        gp = reinterpret_cast<const uchar*>(text + g.bytes.size() - 1);
        end_guard = reinterpret_cast<const char*>(gp);
        return r ? 1 : 0;
    }
    bool r = false;
    if (g.plain) {
        for (int index : g.top)
            if (eval_or(g, index, !r, 0)) r = true;
        gp = reinterpret_cast<const uchar*>(text + g.bytes.size() - 1);
        end_guard = reinterpret_cast<const char*>(gp);
        return r ? 1 : 0;
    }
    gp = reinterpret_cast<const uchar*>(text);
    group_depth = 0;
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

} // namespace

int m_guard(const char* text) {
    if (!text) {
        end_guard = text;
        return 0;
    }
    codepass within;
    return guard_value(shape_of(text), text);
}

int m_guard_stored(const char* text, uint64_t version) {
    if (!text) {
        end_guard = text;
        return 0;
    }
    codepass within;
    guardshape& g = shapeslot(text);
    if (g.text == text && version != 0 && g.version == version && !g.bytes.empty()) {
        if (!g.unknown.empty()) names_checked(g, text);
        if (g.simple) {
            bool r = simple_or(g, g.top[0], current_node);
            gp = reinterpret_cast<const uchar*>(text + g.bytes.size() - 1);
            end_guard = reinterpret_cast<const char*>(gp);
            return r ? 1 : 0;
        }
        return guard_value(g, text);
    }
    guardshape& h = shape_of(text);
    h.version = version;
    return guard_value(h, text);
}

bool eval_guard(t_treenode* node, const char* text, const char** after) {
    t_treenode* saved = current_node;
    current_node = node;
    int r = m_guard(text);
    current_node = saved;
    if (after) *after = end_guard && *end_guard == ':' ? end_guard + 1 : end_guard;
    return r != 0;
}

std::string checkguardkept() {
    std::string out;
    for (const guardshape& g : shapes) {
        if (!g.text || g.version == 0 || g.version != packrevision) continue;
        bool stored = false;
        for (int k = 0; k <= numrules && k < MAXRULES && !stored; ++k)
            for (const subrule* r = ruleheader[static_cast<size_t>(k)]; r && !stored; r = r->nextsub)
                stored = r->guard == g.text;
        if (!stored) {
            out += "a guard reading is kept for a text that is no rule's guard\n";
            continue;
        }
        if (std::strncmp(g.text, g.bytes.data(), g.bytes.size()) != 0)
            out += "guard " + std::string(g.text) + " is kept with other bytes\n";
    }
    return out;
}

void resetguards() {
    shapes.reset();
    resetattrcodes();
    current_node = nullptr;
    end_guard = nullptr;
    gp = nullptr;
    group_depth = 0;
}

} // namespace bormo
