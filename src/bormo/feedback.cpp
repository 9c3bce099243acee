// Learner feedback: the typed words normalised, each pair of an expected and
// a typed word classified, the least-cost alignment, and the block written
// to corefile 17.
#include "bormo/feedback.hpp"

#include <algorithm>
#include <climits>
#include <cstring>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/valuenames.hpp"
#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "bormo/wordpairs.hpp"
#include "editor/params.hpp"

namespace bormo {

int grade_on = 0;

namespace {

} // namespace

// english, french
const std::array<phrase_row, 25> phrase_table = {{
    {"capital letter", "majuscule"},
    {"capital letter; final punctuation", "majuscule ; ponctuation finale"},
    {"final punctuation", "ponctuation finale"},
    {"accent", "accent"},
    {"accent: %1 written for %2", "accent : %1 \xe9" "crit pour %2"},
    {"misspelt: %1 for %2 (letters swapped)", "faute de frappe : %1 pour %2 (lettres invers\xe9" "es)"},
    {"misspelt: %1 left out", "faute de frappe : %1 oubli\xe9"},
    {"misspelt: %1 added", "faute de frappe : %1 en trop"},
    {"misspelt: %1 typed for %2", "faute de frappe : %1 tap\xe9 pour %2"},
    {"misspelt", "mal orthographi\xe9"},
    {"spelt as it sounds", "\xe9" "crit comme il se prononce"},
    {"spelt as it sounds: %1", "\xe9" "crit comme il se prononce : %1"},
    {"%1 written for %2", "%1 \xe9" "crit pour %2"},
    {"related word (%1)", "mot apparent\xe9 (%1)"},
    {"%1 expected", "%1 attendu"},
    {"%1 typed", "%1 tap\xe9"},
    {"%1 is the form here", "%1 est la forme ici"},
    {"%1 is the form before %2", "%1 est la forme devant %2"},
    {"the form here is %1", "la forme ici est %1"},
    {"irregular word: %1, not a regular ending", "mot irr\xe9gulier : %1, pas une terminaison r\xe9guli\xe8re"},
    {"another word: %1 for %2", "un autre mot : %1 pour %2"},
    {"words in the wrong order", "mots dans le mauvais ordre"},
    {"missing word", "mot manquant"},
    {"extra word", "mot en trop"},
    {"%1: %2", "%1 : %2"},
}};
static_assert(phrase_table.size() == static_cast<size_t>(SAY_VALUES) + 1);

// name, learner's words (English, French), counted
const std::array<finding_row, 13> finding_table = {{
    {"OK", "right", "juste", false},
    {"ACCENT", "wrong accent", "mauvais accent", true},
    {"SOUND", "sounds right, spelt wrong", "bon son, mauvaise orthographe", true},
    {"FORM", "right word, wrong form", "bon mot, mauvaise forme", true},
    {"WORD", "another word", "un autre mot", true},
    {"RELATED", "a related word", "un mot apparent\xe9", true},
    {"SPELLING", "misspelt", "mal orthographi\xe9", true},
    {"ORDER", "words in the wrong order", "mots dans le mauvais ordre", true},
    {"MISSING", "missing word", "mot manquant", true},
    {"EXTRA", "extra word", "mot en trop", true},
    {"CASE", "capital letter (not counted)", "majuscule (non compt\xe9" "e)", false},
    {"PUNCTUATION", "punctuation (not counted)", "ponctuation (non compt\xe9" "e)", false},
    {"UNRELATED", "unrelated word", "mot sans rapport", true},
}};
static_assert(finding_table.size() == static_cast<size_t>(Finding::UNRELATED) + 1);

namespace {

bool is_upper(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 192 && c <= 222 && c != 215);
}

bool is_final_punctuation(char c) {
    return c == '.' || c == '!' || c == '?' || c == ';' || c == ':' || c == ',';
}

// The elided words that French glues to the next word.
constexpr const char* elisions[] = {"j'", "l'", "qu'", "n'", "c'", "s'", "d'"};

// The length of an elided word at the start of `w` (capital allowed), or 0
// when `w` does not start with one or holds nothing after it.
size_t elision_length(const std::string& w) {
    for (const char* e : elisions) {
        const size_t n = strlen(e);
        if (w.size() <= n) continue;
        bool same = true;
        for (size_t k = 0; k < n && same; ++k) {
            unsigned char c = static_cast<unsigned char>(w[k]);
            if (k == 0 && is_upper(c)) c = static_cast<unsigned char>(c + 32);
            same = c == static_cast<unsigned char>(e[k]);
        }
        if (same) return n;
    }
    return 0;
}

std::vector<std::string> split_blanks(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\n') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// ---- what the pack knows about a word

// A Latin-1 letter without its accent.
unsigned char unaccented(unsigned char c) {
    if (c < 0xC0) return c;
    static const char folded[] = "AAAAAAACEEEEIIIIDNOOOOO*OUUUUYTs"
                                 "aaaaaaaceeeeiiiidnooooo/ouuuuyty";
    return static_cast<unsigned char>(folded[c - 0xC0]);
}

std::string without_accents(const std::string& w) {
    std::string out = w;
    for (char& c : out)
        c = static_cast<char>(unaccented(static_cast<unsigned char>(c)));
    return out;
}

std::string lower(const std::string& w) {
    std::string out = w;
    for (char& c : out)
        if (is_upper(static_cast<unsigned char>(c))) c = static_cast<char>(c + 32);
    return out;
}

bool code_char(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c >= 0xC0;
}

std::vector<std::string> codes_in(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : text) {
        if (code_char(static_cast<unsigned char>(c))) {
            cur += c;
        } else if (!cur.empty()) {
            out.push_back(cur);
            cur.clear();
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// The quoted texts of a rule or table text.
void quoted_texts(const char* text, std::vector<std::string>& out) {
    for (const char* p = text; p && *p; ++p) {
        if (*p != '"') continue;
        const char* close = strchr(p + 1, '"');
        if (!close) return;
        out.emplace_back(p + 1, close);
        p = close;
    }
}

const char* record_of(const t_treenode* leaf) {
    return leaf && leaf->dictionary && leaf->dictionary->error == 0 ? leaf->dictionary->dictionary
                                                                    : nullptr;
}

// Field n of a record: the quoted word it begins with, or its text up to '|'.
std::string field_text(const char* record, int n) {
    if (!record) return "";
    const char* f = getfieldptr(record, n);
    if (!f) return "";
    if (*f == '"') {
        const char* close = strchr(f + 1, '"');
        return close ? std::string(f + 1, close) : "";
    }
    const char* end = f;
    while (*end && *end != '|')
        ++end;
    return std::string(f, end);
}

// The values an entry's attribute field names (bare types left out).
std::vector<std::string> record_values(const char* record) {
    std::vector<std::string> out;
    const char* f = record ? getfieldptr(record, 3) : nullptr;
    for (const char* p = f; p && *p && *p != '|'; ++p) {
        if (static_cast<unsigned char>(*p) != ATTRCODE || !p[1] || !p[2]) continue;
        const int type = static_cast<unsigned char>(p[1]);
        const int value = static_cast<unsigned char>(p[2]);
        if (value != BAREVALUE) out.emplace_back(att_get_name(type, value));
        p += 2;
    }
    return out;
}

// A value code's type name, or "" when the code is no value.
std::string type_of(const std::string& value) {
    if (!lookup_attr(value.c_str()) || att_value < 1) return "";
    return att_get_name(att_class, -1);
}

// "number: plural expected, singular typed" for each type whose values
// differ between the two lists; values of a type on one side only are
// named alone.
std::string values_detail(const std::vector<std::string>& expected,
                          const std::vector<std::string>& typed) {
    std::vector<std::string> types;
    for (const std::vector<std::string>* side : {&expected, &typed})
        for (const std::string& v : *side) {
            const std::string t = type_of(v);
            if (!t.empty() && std::find(types.begin(), types.end(), t) == types.end())
                types.push_back(t);
        }
    std::string out;
    for (const std::string& t : types) {
        std::string e, y;
        for (const std::string& v : expected)
            if (type_of(v) == t) e = v;
        for (const std::string& v : typed)
            if (type_of(v) == t) y = v;
        if (e == y) continue;
        if (!out.empty()) out += "; ";
        std::string values;
        if (!e.empty()) values += say(SAY_VALUE_EXPECTED, display_name(e));
        if (!e.empty() && !y.empty()) values += ", ";
        if (!y.empty()) values += say(SAY_VALUE_TYPED, display_name(y));
        out += say(SAY_VALUES, display_name(t), values);
    }
    return out;
}

// The types a learner may get wrong for the leaf's class: its row of the
// morphological error file.
std::vector<int> learner_types(const t_treenode* leaf) {
    const char* cls = leaf && leaf->dictionary ? leaf->dictionary->class_ : nullptr;
    const int term = cls ? lookup_terminal(cls) : -1;
    std::vector<int> wanted;
    if (term >= 0 && term < MRTERMS)
        for (const mrpair& p : mrdata[static_cast<size_t>(term)]) {
            if (p.type == 0) break;
            wanted.push_back(p.type);
        }
    return wanted;
}

// The concrete values of a leaf of the types a learner may get wrong for
// its class, as display names.
std::string leaf_values(const t_treenode* leaf) {
    std::string out;
    const std::vector<int> wanted = learner_types(leaf);
    for (attr_list l = leaf ? leaf->attributes : nullptr; l; l = l->next)
        for (comp_attr c = l->first; c; c = c->another) {
            if (c->index < 0 || c->index >= DELAYSIZE) continue;
            const t_delay& d = delayed[static_cast<size_t>(c->index)];
            if (d.choice < 1 || std::find(wanted.begin(), wanted.end(), d.class_) == wanted.end())
                continue;
            if (!out.empty()) out += ", ";
            out += display_name(att_get_name(d.class_, d.choice));
        }
    return out;
}

std::string quote(const std::string& w) {
    return "\"" + w + "\"";
}

// What the pack's morphology can put at the end of a word: the quoted texts
// of every rule and table, up to four letters.
std::vector<std::string> pack_endings() {
    std::vector<std::string> all;
    for (int k = 0; k <= numrules && k < MAXRULES; ++k)
        for (const subrule* r = ruleheader[static_cast<size_t>(k)]; r; r = r->nextsub)
            quoted_texts(r->mexp, all);
    for (const table* t = tablelist; t; t = t->next)
        quoted_texts(t->elements, all);
    std::vector<std::string> out;
    for (const std::string& e : all)
        if (e.size() <= 4 && e.find('^') == std::string::npos && e.find('\'') == std::string::npos &&
            std::find(out.begin(), out.end(), e) == out.end())
            out.push_back(e);
    return out;
}

// Whether `typed` is `word`, or its stem (the word less up to two final
// letters, at least `least` letters kept) with one of the pack's endings,
// the stem's last letter doubled or not.
bool regular_form_of(const std::string& word, const std::string& typed,
                     const std::vector<std::string>& endings, size_t least) {
    if (word.empty()) return false;
    if (typed == word) return true;
    for (size_t cut = 0; cut <= 2 && cut < word.size(); ++cut) {
        const size_t keep = word.size() - cut;
        if (keep < least && keep < word.size()) continue;
        if (typed.compare(0, keep, word, 0, keep) != 0) continue;
        std::string rest = typed.substr(keep);
        if (std::find(endings.begin(), endings.end(), rest) != endings.end()) return true;
        if (!rest.empty() && rest[0] == word[keep - 1]) {
            rest.erase(0, 1);
            if (std::find(endings.begin(), endings.end(), rest) != endings.end()) return true;
        }
    }
    return false;
}

size_t common_prefix(const std::string& a, const std::string& b) {
    size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    return n;
}

// What a one-edit slip did.
std::string slip_detail(const std::string& e, const std::string& t) {
    const size_t head = common_prefix(e, t);
    size_t tail = 0;
    while (tail < e.size() - head && tail < t.size() - head &&
           e[e.size() - 1 - tail] == t[t.size() - 1 - tail])
        ++tail;
    const std::string gone = e.substr(head, e.size() - head - tail);
    const std::string put = t.substr(head, t.size() - head - tail);
    if (gone.size() == 2 && put.size() == 2 && gone[0] == put[1] && gone[1] == put[0])
        return say(SAY_SWAPPED, quote(put), quote(gone));
    if (put.empty()) return say(SAY_LEFT_OUT, quote(gone));
    if (gone.empty()) return say(SAY_ADDED, quote(put));
    return say(SAY_TYPED_FOR, quote(put), quote(gone));
}

std::string accent_detail(const std::string& e, const std::string& t) {
    for (size_t k = 0; k < e.size() && k < t.size(); ++k)
        if (e[k] != t[k])
            return say(SAY_ACCENT_FOR, quote(t.substr(k, 1)), quote(e.substr(k, 1)));
    return say(SAY_ACCENT);
}

std::string sound_detail(const pair_cell& cell) {
    std::string out;
    for (uint32_t k = 0; k < cell.phono_n; ++k) {
        const std::string_view b = pairs_text(wordpairs.refs[cell.phono_at + k]);
        const size_t slash = b.find('/');
        if (slash == std::string_view::npos) continue;
        if (!out.empty()) out += ", ";
        out += say(SAY_WRITTEN_FOR, quote(std::string(b.substr(slash + 1))),
                   quote(std::string(b.substr(0, slash))));
    }
    return out.empty() ? say(SAY_SOUNDS) : say(SAY_SOUNDS_AS, out);
}

std::string related_detail(int tag_int) {
    const tag_table* t = find_tag(tag_int);
    return say(SAY_RELATED, display_name(t && t->tag ? t->tag : "?"));
}

// The reading of a variant that explains the difference best: the one that
// changes the fewest values; "" when the variant differs in no value.
std::string variant_detail(const pair_cell& cell) {
    std::string best;
    size_t fewest = SIZE_MAX;
    for (uint32_t k = 0; k < cell.variant_n; ++k) {
        const std::string b(pairs_text(wordpairs.refs[cell.variant_at + k]));
        const size_t slash = b.find('/');
        const std::vector<std::string> e = codes_in(b.substr(0, slash));
        const std::vector<std::string> t =
            slash == std::string::npos ? std::vector<std::string>{} : codes_in(b.substr(slash + 1));
        if (e.size() + t.size() == 0 || e.size() + t.size() >= fewest) continue;
        const std::string d = values_detail(e, t);
        if (d.empty()) continue;
        fewest = e.size() + t.size();
        best = d;
    }
    return best;
}

// The words the leaf's own rules and tables can give (for an article:
// "a" and "an"; "le", "la", "l'").
std::vector<std::string> own_forms(const char* record) {
    auto field_of = [&](int f) {
        const char* field = getfieldptr(record, f);
        if (!field) return std::string();
        const char* end = strchr(field, '|');
        return end ? std::string(field, end) : std::string(field);
    };
    // The texts to read: the word and the two passes, the rules they call,
    // and the fields those name with '#' (an irregular form's field).
    std::vector<std::string> texts = {field_of(1), field_of(5), field_of(6)};
    std::vector<std::string> out;
    for (size_t n = 0; n < texts.size() && n < 12; ++n) {
        const std::string text = texts[n];
        quoted_texts(text.c_str(), out);
        for (size_t k = 0; k < text.size(); ++k) {
            if (text[k] == '$') {
                size_t j = k + 1;
                while (j < text.size() && code_char(static_cast<unsigned char>(text[j])))
                    ++j;
                for (const subrule* r = find_mrule(text.substr(k + 1, j - k - 1).c_str()); r;
                     r = r->nextsub)
                    texts.emplace_back(r->mexp ? r->mexp : "");
            } else if (text[k] == '#' && k + 1 < text.size() && text[k + 1] > '1' &&
                       text[k + 1] <= '9') {
                texts.push_back(field_of(atoi(text.c_str() + k + 1)));
            } else if (text[k] == '(' && k > 0) {
                size_t j = k;
                while (j > 0 && code_char(static_cast<unsigned char>(text[j - 1])))
                    --j;
                if (const table* t = find_table(text.substr(j, k - j).c_str()))
                    quoted_texts(t->elements, out);
            }
        }
    }
    for (std::string& w : out)
        w.erase(std::remove(w.begin(), w.end(), '^'), w.end());
    return out;
}

// The entries of the leaf's class whose word is `typed`, or gives `typed`
// with the pack's endings; the leaf's own entry left out.
struct class_match {
    const char* record = nullptr;
    bool exact = false; // the entry's own word
};
std::vector<class_match> same_class(const t_treenode* leaf, const std::string& typed,
                                    const std::vector<std::string>& endings) {
    std::vector<class_match> out;
    const char* own = record_of(leaf);
    const int term = lookup_terminal(leaf->dictionary->class_);
    if (term < 0 || !dictionary || term > dictterm) return out;
    for (const recnode* n = dictionary[term]; n; n = n->previous) {
        if (!n->recordptr || n->recordptr == own) continue;
        const std::string w = field_text(n->recordptr, 1);
        if (w == typed) {
            out.push_back({n->recordptr, true});
        } else if (regular_form_of(w, typed, endings, 3)) {
            out.push_back({n->recordptr, false});
        } else {
            // An irregular form the entry keeps in its own fields ("went").
            const std::vector<std::string> forms = own_forms(n->recordptr);
            if (std::find(forms.begin(), forms.end(), typed) != forms.end())
                out.push_back({n->recordptr, false});
        }
    }
    return out;
}

// One pair as the feedback's rules see it: expected word `e` (a piece of
// leaf `li`'s word, or all of it when `whole`), followed by `next` in the
// sentence, against typed word `w`.  What the rules share is worked out once.
struct pair_view {
    const std::string& e;
    size_t li;
    t_treenode* leaf;
    bool whole;
    const std::string& next;
    const typed_word& w;
    const std::vector<std::string>& endings;
    const char* record;
    std::string base; // the entry's word
    bool others_known = false;
    std::vector<class_match> others_found;

    const std::string& t() const { return w.text; }
    bool variant() const { return pair_variant(li, w.column); }
    const pair_cell& cell() const { return pair_at(li, w.column); }
    const std::vector<class_match>& others() {
        if (!others_known) others_found = same_class(leaf, t(), endings);
        others_known = true;
        return others_found;
    }
    std::string form_here() const {
        const std::string here = leaf_values(leaf);
        return say(SAY_THE_FORM, quote(e) + (here.empty() ? "" : " (" + here + ")"));
    }
};

// The entry's own forms, kept per leaf for the tree in the work area.
std::vector<std::vector<std::string>> forms_of_leaf;
std::vector<bool> forms_known;
const std::vector<std::string>& leaf_forms(size_t li, const char* record) {
    if (forms_of_leaf.size() <= li) {
        forms_of_leaf.resize(li + 1);
        forms_known.resize(li + 1);
    }
    if (!forms_known[li]) forms_of_leaf[li] = own_forms(record);
    forms_known[li] = true;
    return forms_of_leaf[li];
}

bool same_as_typed(pair_view& p, std::string&) {
    return p.w.raw == p.e;
}
bool capital_only(pair_view& p, std::string& d) {
    if (p.w.text != p.e || !p.w.capital) return false;
    d = say(p.w.punctuation ? SAY_CAPITAL_STOP : SAY_CAPITAL);
    return true;
}
bool punctuation_only(pair_view& p, std::string& d) {
    if (p.w.text != p.e) return false;
    d = say(SAY_STOP);
    return true;
}
bool capital_inside(pair_view& p, std::string& d) {
    if (lower(p.t()) != p.e) return false;
    d = say(SAY_CAPITAL);
    return true;
}
bool accent_only(pair_view& p, std::string& d) {
    if (p.t().size() != p.e.size() || without_accents(p.t()) != without_accents(p.e)) return false;
    d = accent_detail(p.e, p.t());
    return true;
}
// Two neighbouring letters swapped: a slip, whatever else it makes.
bool letters_swapped(pair_view& p, std::string& d) {
    const std::string& e = p.e;
    const std::string& t = p.t();
    if (e.size() != t.size() || e.size() < 3 || feedback_distance(e, t) != 1) return false;
    size_t differ = 0;
    for (size_t k = 0; k < e.size(); ++k)
        differ += e[k] != t[k] ? 1 : 0;
    if (differ != 2) return false;
    d = slip_detail(e, t);
    return true;
}
// Another form of the same entry, its values named.
bool named_variant(pair_view& p, std::string& d) {
    if (!p.variant()) return false;
    d = variant_detail(p.cell());
    return !d.empty();
}
// The same sound spelt otherwise.
bool same_sound(pair_view& p, std::string& d) {
    if (!pair_phono(p.li, p.w.column) || p.cell().phono_error) return false;
    d = sound_detail(p.cell());
    return true;
}
// A form the entry's own rules and tables give (a/an, le/l').
bool own_form(pair_view& p, std::string& d) {
    const std::vector<std::string>& forms = leaf_forms(p.li, p.record);
    if (!p.variant() && std::find(forms.begin(), forms.end(), p.t()) == forms.end()) return false;
    d = p.next.empty() ? say(SAY_FORM_HERE, quote(p.e)) : say(SAY_FORM_BEFORE, quote(p.e), quote(p.next));
    return true;
}
// Another entry of the class that differs only in values (he/she): the
// same word in another gender, number, person or case.
bool other_values(pair_view& p, std::string& d) {
    for (const class_match& m : p.others()) {
        if (!m.exact) continue;
        const std::vector<std::string> mine = record_values(p.record);
        const std::vector<std::string> theirs = record_values(m.record);
        // Values of the types a learner may get wrong for the class only.
        const std::vector<int> wanted = learner_types(p.leaf);
        auto counts = [&](const std::string& v) {
            return lookup_attr(v.c_str()) && att_value >= 1 &&
                   std::find(wanted.begin(), wanted.end(), att_class) != wanted.end();
        };
        std::vector<std::string> e_only, t_only;
        for (const std::string& v : mine)
            if (std::find(theirs.begin(), theirs.end(), v) == theirs.end() && counts(v))
                e_only.push_back(v);
        for (const std::string& v : theirs)
            if (std::find(mine.begin(), mine.end(), v) == mine.end() && counts(v))
                t_only.push_back(v);
        bool paired = !e_only.empty() && e_only.size() == t_only.size();
        for (const std::string& v : e_only) {
            bool has = false;
            for (const std::string& u : t_only)
                has = has || type_of(u) == type_of(v);
            paired = paired && has;
        }
        if (paired) {
            d = values_detail(e_only, t_only);
            return true;
        }
    }
    return false;
}
// A form the pack's regular rules would make.
bool regular_form(pair_view& p, std::string& d) {
    if (!regular_form_of(p.base, p.t(), p.endings, 2)) return false;
    d = p.variant() || p.e == p.base ? p.form_here()
                                     : say(SAY_IRREGULAR, p.form_here());
    return true;
}
bool one_slip(pair_view& p, std::string& d) {
    if (p.e.size() < 3 || feedback_distance(p.e, p.t()) != 1) return false;
    d = slip_detail(p.e, p.t());
    return true;
}
// Another ending on the word's stem.
bool other_ending(pair_view& p, std::string& d) {
    const size_t stem = common_prefix(p.base, p.e);
    if (stem < 3 || p.t().size() <= stem || p.t().compare(0, stem, p.e, 0, stem) != 0) return false;
    d = p.form_here();
    return true;
}
bool related_by_tag(pair_view& p, std::string& d) {
    const int tag = pair_tag(p.li, p.w.column);
    if (tag < CLASS_TAG) return false;
    d = related_detail(tag);
    return true;
}
bool pointing_back(pair_view& p, std::string& d) {
    const int tag = pair_tag_back(p.li, p.w.column);
    if (tag < 0) return false;
    d = related_detail(tag);
    return true;
}
bool other_entry(pair_view& p, std::string& d) {
    for (const class_match& m : p.others())
        if (m.exact) {
            d = say(SAY_ANOTHER, quote(field_text(m.record, 1)), quote(p.base));
            return true;
        }
    return false;
}
bool misspelt(pair_view& p, std::string& d) {
    if (!feedback_misspelt(p.e, p.t())) return false;
    d = say(SAY_MISSPELT);
    return true;
}
bool like_other_entry(pair_view& p, std::string& d) {
    if (p.others().empty()) return false;
    d = say(SAY_ANOTHER, quote(field_text(p.others().front().record, 1)), quote(p.base));
    return true;
}

// The feedback's classes in the order they are tried: the first row whose
// test holds gives the pair its class and explanation; a pair no row takes
// is unrelated.  Rows that read the leaf's lexical entry are tried only for
// a leaf's whole word with an entry.
struct feedback_rule {
    Finding finding;
    bool needs_entry;
    bool (*holds)(pair_view& p, std::string& detail);
};
// class, needs the entry, test
constexpr std::array<feedback_rule, 18> feedback_rules = {{
    {Finding::OK, false, same_as_typed},
    {Finding::CASE, false, capital_only},
    {Finding::PUNCTUATION, false, punctuation_only},
    {Finding::CASE, false, capital_inside},
    {Finding::ACCENT, false, accent_only},
    {Finding::SPELLING, false, letters_swapped},
    {Finding::FORM, true, named_variant},
    {Finding::SOUND, true, same_sound},
    {Finding::FORM, true, own_form},
    {Finding::FORM, true, other_values},
    {Finding::FORM, true, regular_form},
    {Finding::SPELLING, false, one_slip},
    {Finding::FORM, true, other_ending},
    {Finding::RELATED, true, related_by_tag},
    {Finding::RELATED, true, pointing_back},
    {Finding::WORD, true, other_entry},
    {Finding::SPELLING, false, misspelt},
    {Finding::WORD, true, like_other_entry},
}};

void classify(pair_view& p, feedback_cell& c) {
    std::string detail;
    for (const feedback_rule& r : feedback_rules) {
        if (r.needs_entry && !p.record) continue;
        detail.clear();
        if (r.holds(p, detail)) {
            c.finding = r.finding;
            c.detail.assign(detail);
            return;
        }
    }
    c.finding = Finding::UNRELATED;
    c.detail.clear();
}

bool zero_cost_match(Finding f) {
    return f == Finding::OK || f == Finding::CASE || f == Finding::PUNCTUATION;
}

} // namespace

const char* finding_name(Finding f) {
    return finding_table[static_cast<size_t>(f)].name;
}

bool feedback_in_french() {
    const std::string& f = value_names_file;
    const size_t slash = f.find_last_of('/');
    return f.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, "names-french") == 0;
}

const char* finding_words(Finding f) {
    const finding_row& r = finding_table[static_cast<size_t>(f)];
    return feedback_in_french() ? r.words_french : r.words;
}

std::string say(Phrase p, const std::string& a, const std::string& b) {
    const phrase_row& r = phrase_table[static_cast<size_t>(p)];
    const char* text = feedback_in_french() ? r.french : r.english;
    std::string out;
    for (const char* c = text; *c; ++c) {
        if (c[0] == '%' && (c[1] == '1' || c[1] == '2')) {
            out += c[1] == '1' ? a : b;
            ++c;
        } else {
            out += *c;
        }
    }
    return out;
}

std::vector<typed_word> feedback_words(const char* response) {
    err_lex* words = err_make_words(response);
    std::vector<typed_word> out = feedback_words(words);
    err_free_words(words);
    return out;
}

std::vector<typed_word> feedback_words(const err_lex* words) {
    std::vector<typed_word> out;
    for (const err_lex* l = words; l; l = l->next) {
        const std::string& w = l->original_text;
        const size_t n = elision_length(w);
        if (n > 0) {
            out.push_back({w.substr(0, n), w.substr(0, n)});
            out.push_back({w.substr(n), w.substr(n)});
        } else {
            out.push_back({w, w});
        }
    }
    if (out.empty()) return out;
    typed_word& first = out.front();
    if (is_upper(static_cast<unsigned char>(first.text[0]))) {
        first.text[0] = static_cast<char>(static_cast<unsigned char>(first.text[0]) + 32);
        first.capital = true;
    }
    typed_word& last = out.back();
    size_t end = last.text.size();
    while (end > 0 && is_final_punctuation(last.text[end - 1]))
        --end;
    if (end > 0 && end < last.text.size()) {
        last.text.resize(end);
        last.punctuation = true;
    }
    return out;
}

int feedback_distance(const std::string& x, const std::string& y) {
    const size_t lx = x.size(), ly = y.size();
    std::vector<std::vector<int>> d(lx + 1, std::vector<int>(ly + 1));
    for (size_t i = 0; i <= lx; ++i)
        d[i][0] = static_cast<int>(i);
    for (size_t j = 0; j <= ly; ++j)
        d[0][j] = static_cast<int>(j);
    for (size_t i = 1; i <= lx; ++i)
        for (size_t j = 1; j <= ly; ++j) {
            int best = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                 d[i - 1][j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1])
                best = std::min(best, d[i - 2][j - 2] + 1);
            d[i][j] = best;
        }
    return d[lx][ly];
}

bool feedback_misspelt(const std::string& expected, const std::string& typed) {
    if (expected.empty() || typed.empty() || expected == typed) return false;
    const int d = feedback_distance(expected, typed);
    const int lx = static_cast<int>(expected.size()), ly = static_cast<int>(typed.size());
    if (lx < 3) return false;
    if (lx <= 5) return d <= 1;
    return d < lx / 2 && d < ly / 2;
}

feedback_costs current_feedback_costs() {
    feedback_costs c{};
    c.missing = std::max(vnomatchscore, 1);
    c.order = std::max(vorderscore, 1);
    c.lex = std::max(vsynscore, 1);
    c.morph = std::max(vmorphscore, 1);
    c.phon = std::max(vphonoscore, 1);
    c.spell = std::max(vapproxscore, 1);
    // A substitution never costs more than leaving the word out.
    for (int* k : {&c.order, &c.lex, &c.morph, &c.phon, &c.spell})
        *k = std::min(*k, c.missing);
    // Saturating: the costs come from the user and may be large.
    const long twice = 2L * c.missing;
    const long most = std::max({twice, static_cast<long>(c.order), static_cast<long>(c.lex),
                                static_cast<long>(c.morph), static_cast<long>(c.phon),
                                static_cast<long>(c.spell)});
    c.unrelated = static_cast<int>(std::min(most, static_cast<long>(INT_MAX / 4)));
    return c;
}

int finding_cost(Finding f, const feedback_costs& c) {
    switch (f) {
    case Finding::OK:
    case Finding::CASE:
    case Finding::PUNCTUATION:
        return 0;
    case Finding::FORM:
        return c.morph;
    case Finding::SPELLING:
        return c.spell;
    case Finding::ACCENT:
    case Finding::SOUND:
        return c.phon;
    case Finding::WORD:
    case Finding::RELATED:
        return c.lex;
    case Finding::MISSING:
    case Finding::EXTRA:
        return c.missing;
    case Finding::ORDER:
        return c.order;
    case Finding::UNRELATED:
        return c.unrelated;
    }
    return c.unrelated;
}

feedback_result feedback_align(const std::vector<std::string>& expected,
                               const std::vector<typed_word>& typed,
                               const std::vector<std::vector<feedback_cell>>& cells,
                               const feedback_costs& costs) {
    const size_t X = expected.size(), Y = typed.size();
    // Steps: 0 pair, 1 missing, 2 extra, 3 swap of two adjacent words.
    constexpr long INF = LONG_MAX / 4;
    std::vector<std::vector<long>> d(X + 1, std::vector<long>(Y + 1, INF));
    std::vector<std::vector<int>> step(X + 1, std::vector<int>(Y + 1, -1));
    d[0][0] = 0;
    for (size_t i = 0; i <= X; ++i)
        for (size_t j = 0; j <= Y; ++j) {
            long best = d[i][j];
            int how = step[i][j];
            auto offer = [&](long v, int s) {
                if (v < best) {
                    best = v;
                    how = s;
                }
            };
            if (i > 0 && j > 0 && cells[i - 1][j - 1].finding != Finding::UNRELATED)
                offer(d[i - 1][j - 1] + finding_cost(cells[i - 1][j - 1].finding, costs), 0);
            if (i > 1 && j > 1 && expected[i - 1] != expected[i - 2] &&
                zero_cost_match(cells[i - 2][j - 1].finding) &&
                zero_cost_match(cells[i - 1][j - 2].finding))
                offer(d[i - 2][j - 2] + costs.order, 3);
            // Between a missing and an extra word of equal cost, the side
            // that is ahead goes first, so that in a run of unrelated words
            // each expected word is followed by the word typed in its place.
            const bool expected_ahead = i * Y > j * X;
            if (expected_ahead) {
                if (i > 0) offer(d[i - 1][j] + costs.missing, 1);
                if (j > 0) offer(d[i][j - 1] + costs.missing, 2);
            } else {
                if (j > 0) offer(d[i][j - 1] + costs.missing, 2);
                if (i > 0) offer(d[i - 1][j] + costs.missing, 1);
            }
            d[i][j] = best;
            step[i][j] = how;
        }

    feedback_result r;
    r.costs = costs;
    r.score = static_cast<int>(std::min(d[X][Y], static_cast<long>(INT_MAX)));
    r.all_wrong = feedback_all_wrong(X, costs);
    size_t i = X, j = Y;
    while (i > 0 || j > 0) {
        const int s = step[i][j];
        if (s == 0) {
            const feedback_cell& c = cells[i - 1][j - 1];
            r.lines.push_back({c.finding, expected[i - 1], typed[j - 1].raw, c.detail});
            --i;
            --j;
        } else if (s == 3) {
            r.lines.push_back({Finding::ORDER, expected[i - 2] + " " + expected[i - 1],
                               typed[j - 2].raw + " " + typed[j - 1].raw,
                               say(SAY_ORDER)});
            i -= 2;
            j -= 2;
        } else if (s == 1) {
            r.lines.push_back({Finding::MISSING, expected[i - 1], "", say(SAY_MISSING)});
            --i;
        } else {
            r.lines.push_back({Finding::EXTRA, "", typed[j - 1].raw, say(SAY_EXTRA)});
            --j;
        }
    }
    std::reverse(r.lines.begin(), r.lines.end());
    return r;
}

int feedback_percent(int score, int all_wrong) {
    if (score <= 0) return 100;
    if (all_wrong <= 0 || score >= all_wrong) return 0;
    const long long left = static_cast<long long>(all_wrong - score) * 100 / all_wrong;
    return static_cast<int>(std::clamp<long long>(left, 1, 99));
}

int feedback_all_wrong(size_t expected_words, const feedback_costs& c) {
    const long long all = static_cast<long long>(expected_words) * c.missing;
    return static_cast<int>(std::min<long long>(all, INT_MAX));
}

std::vector<std::string> feedback_text(const feedback_result& r) {
    std::vector<std::string> out;
    out.push_back("FEEDBACK SCORE : " + std::to_string(r.score));
    out.push_back("FEEDBACK PERCENT : " + std::to_string(feedback_percent(r.score, r.all_wrong)));
    for (size_t k = 0; k < finding_table.size(); ++k) {
        const auto f = static_cast<Finding>(k);
        if (std::none_of(r.lines.begin(), r.lines.end(),
                         [&](const feedback_line& l) { return l.finding == f; }))
            continue;
        out.push_back("FEEDBACK CLASS " + std::string(finding_name(f)) + " " +
                      std::to_string(finding_cost(f, r.costs)) + " : " + finding_words(f));
    }
    for (const feedback_line& l : r.lines) {
        std::string s = finding_name(l.finding);
        s += ' ';
        if (l.finding == Finding::MISSING)
            s += l.expected;
        else if (l.finding == Finding::EXTRA)
            s += l.typed;
        else
            s += l.expected + "/" + l.typed;
        if (!l.detail.empty() && l.finding != Finding::OK) s += "  " + l.detail;
        out.push_back(s);
    }
    out.push_back("***");
    return out;
}

namespace {

// The feedback of the analysis under way: the typed words, the costs, and
// the best tree's lines so far; the cells are kept from tree to tree.
struct feedback_run {
    std::vector<typed_word> typed;
    feedback_costs costs{};
    std::vector<std::string> endings; // pack_endings()
    bool found = false;
    feedback_result best;
    std::vector<std::vector<feedback_cell>> cells;
};
feedback_run run;

} // namespace

void feedback_start(const err_lex* words, std::vector<std::string_view>& columns) {
    run.typed = feedback_words(words);
    run.costs = current_feedback_costs();
    run.endings = pack_endings();
    run.found = false;
    run.best = feedback_result{};
    for (typed_word& w : run.typed) {
        const auto at = std::find(columns.begin(), columns.end(), std::string_view(w.text));
        w.column = static_cast<size_t>(at - columns.begin());
        if (at == columns.end()) columns.emplace_back(w.text);
    }
}

void feedback_tree() {
    if (run.typed.empty()) return;
    // Expected words: each leaf's word, split where it holds a blank.
    std::vector<std::string> expected;
    std::vector<size_t> from;
    std::vector<bool> whole;
    for (size_t i = 0; i < pairs_leaves(); ++i) {
        const std::vector<std::string> pieces = split_blanks(std::string(pairs_expected(i)));
        for (const std::string& p : pieces) {
            expected.push_back(p);
            from.push_back(i);
            whole.push_back(pieces.size() == 1);
        }
    }
    forms_known.assign(forms_known.size(), false);
    run.cells.resize(expected.size());
    static const std::string none;
    for (size_t a = 0; a < expected.size(); ++a) {
        run.cells[a].resize(run.typed.size());
        t_treenode* leaf = pairs_leaf(from[a]);
        const char* record = whole[a] ? record_of(leaf) : nullptr;
        const std::string& next = a + 1 < expected.size() ? expected[a + 1] : none;
        for (size_t b = 0; b < run.typed.size(); ++b) {
            pair_view p{expected[a], from[a], leaf, whole[a], next, run.typed[b], run.endings, record,
                        record ? field_text(record, 1) : std::string(), false, {}};
            classify(p, run.cells[a][b]);
        }
    }
    run.cells.resize(expected.size());
    feedback_result r = feedback_align(expected, run.typed, run.cells, run.costs);
    if (!run.found || r.score < run.best.score) {
        run.best = std::move(r);
        run.found = true;
    }
}

void feedback_write() {
    if (!run.found) return;
    for (const std::string& line : feedback_text(run.best))
        v_print(FEEDBACKCORE, line.c_str());
}

void grade() {
    grade_on = oxa::param[1] != 0 ? 1 : 0;
}

void resetfeedback() {
    grade_on = 0;
    run = feedback_run{};
    forms_of_leaf.clear();
    forms_known.clear();
    resetvaluenames();
}

} // namespace bormo
