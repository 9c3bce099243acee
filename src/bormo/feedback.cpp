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
#include "editor/params.hpp"

namespace bormo {

int grade_on = 0;

namespace {

} // namespace

// name, learner's words, counted
const std::array<finding_row, 13> finding_table = {{
    {"OK", "right", false},
    {"ACCENT", "wrong accent", true},
    {"SOUND", "sounds right, spelt wrong", true},
    {"FORM", "right word, wrong form", true},
    {"WORD", "another word", true},
    {"RELATED", "a related word", true},
    {"SPELLING", "misspelt", true},
    {"ORDER", "words in the wrong order", true},
    {"MISSING", "missing word", true},
    {"EXTRA", "extra word", true},
    {"CASE", "capital letter (not counted)", false},
    {"PUNCTUATION", "punctuation (not counted)", false},
    {"UNRELATED", "unrelated word", true},
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
        out += display_name(t) + ": ";
        if (!e.empty()) out += display_name(e) + " expected";
        if (!e.empty() && !y.empty()) out += ", ";
        if (!y.empty()) out += display_name(y) + " typed";
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
        return "misspelt: " + quote(put) + " for " + quote(gone) + " (letters swapped)";
    if (put.empty()) return "misspelt: " + quote(gone) + " left out";
    if (gone.empty()) return "misspelt: " + quote(put) + " added";
    return "misspelt: " + quote(put) + " typed for " + quote(gone);
}

std::string accent_detail(const std::string& e, const std::string& t) {
    for (size_t k = 0; k < e.size() && k < t.size(); ++k)
        if (e[k] != t[k])
            return "accent: " + quote(t.substr(k, 1)) + " written for " + quote(e.substr(k, 1));
    return "accent";
}

std::string sound_detail(const lexdiff& cell) {
    std::string out;
    for (const std::string& b : cell.breakup) {
        if (b.empty()) break;
        const size_t slash = b.find('/');
        if (slash == std::string::npos) continue;
        if (!out.empty()) out += ", ";
        out += quote(b.substr(slash + 1)) + " written for " + quote(b.substr(0, slash));
    }
    return out.empty() ? "spelt as it sounds" : "spelt as it sounds: " + out;
}

std::string related_detail(int tag_int) {
    const tag_table* t = find_tag(tag_int);
    return std::string("related word (") + display_name(t && t->tag ? t->tag : "?") + ")";
}

// The reading of a variant that explains the difference best: the one that
// changes the fewest values; "" when the variant differs in no value.
std::string variant_detail(const std::array<std::string, NBREAKUP>& breakup) {
    std::string best;
    size_t fewest = SIZE_MAX;
    for (const std::string& b : breakup) {
        if (b.empty()) break;
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

struct word_context {
    std::vector<std::string> endings; // pack_endings()
};

// Expected word `e` (a piece of `leaf`'s word, or all of it when `whole`),
// followed by `next` in the sentence, against typed word `w`.
feedback_cell classify(const std::string& e, t_treenode* leaf, bool whole, const std::string& next,
                       const typed_word& w, const word_context& ctx) {
    feedback_cell c;
    auto found = [&](Finding f, std::string detail) {
        c.finding = f;
        c.detail = std::move(detail);
        return c;
    };
    if (w.raw == e) return found(Finding::OK, "");
    if (w.text == e)
        return found(w.capital ? Finding::CASE : Finding::PUNCTUATION,
                     w.capital ? (w.punctuation ? "capital letter; final punctuation" : "capital letter")
                               : "final punctuation");
    const std::string& t = w.text;
    if (lower(t) == e) return found(Finding::CASE, "capital letter");
    if (without_accents(t) == without_accents(e) && t.size() == e.size())
        return found(Finding::ACCENT, accent_detail(e, t));
    const char* record = whole ? record_of(leaf) : nullptr;
    if (!record) {
        if (feedback_distance(e, t) == 1 && e.size() >= 3) return found(Finding::SPELLING, slip_detail(e, t));
        if (feedback_misspelt(e, t)) return found(Finding::SPELLING, "misspelt");
        return c;
    }
    const std::string base = field_text(record, 1);
    // Two neighbouring letters swapped: a slip, whatever else it makes.
    if (e.size() == t.size() && e.size() >= 3 && feedback_distance(e, t) == 1 &&
        std::count_if(e.begin(), e.end(), [&, k = size_t{0}](char ch) mutable {
            return ch != t[k++];
        }) == 2)
        return found(Finding::SPELLING, slip_detail(e, t));
    const std::string where = next.empty() ? "here" : "before " + quote(next);

    // Another form of the same entry.
    std::array<std::string, NBREAKUP> breakup;
    const bool variant = compare_var(t.c_str(), leaf, breakup) != 0;
    if (variant) {
        const std::string d = variant_detail(breakup);
        if (!d.empty()) return found(Finding::FORM, d);
    }
    // The same sound spelt otherwise.
    lexdiff cell{};
    cell.error[0] = "none";
    cell.matchclass = CLASS_NONE;
    err_match_phono(t.c_str(), leaf, &cell);
    if (cell.matchclass == CLASS_PHONO && cell.error[0] == "none")
        return found(Finding::SOUND, sound_detail(cell));

    const std::vector<std::string> forms = own_forms(record);
    if (variant || std::find(forms.begin(), forms.end(), t) != forms.end())
        return found(Finding::FORM, quote(e) + " is the form " + where);

    // Another entry of the class that differs only in values (he/she).
    const std::vector<class_match> others = same_class(leaf, t, ctx.endings);
    for (const class_match& m : others) {
        if (!m.exact) continue;
        const std::vector<std::string> mine = record_values(record);
        const std::vector<std::string> theirs = record_values(m.record);
        // Values of the types a learner may get wrong for the class only.
        const std::vector<int> wanted = learner_types(leaf);
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
        // Only values of the same types on both sides: the same word in
        // another gender, number, person or case.
        bool paired = !e_only.empty() && e_only.size() == t_only.size();
        for (const std::string& v : e_only) {
            bool has = false;
            for (const std::string& u : t_only)
                has = has || type_of(u) == type_of(v);
            paired = paired && has;
        }
        if (paired) return found(Finding::FORM, values_detail(e_only, t_only));
    }

    // A form the pack's regular rules would make, or another ending on the
    // word's stem.
    const size_t stem = common_prefix(base, e);
    const std::string here = leaf_values(leaf);
    const std::string form_here =
        "the form here is " + quote(e) + (here.empty() ? "" : " (" + here + ")");
    if (regular_form_of(base, t, ctx.endings, 2))
        return found(Finding::FORM, variant || e == base ? form_here
                                                         : "irregular word: " + form_here +
                                                               ", not a regular ending");
    if (feedback_distance(e, t) == 1 && e.size() >= 3) return found(Finding::SPELLING, slip_detail(e, t));
    if (stem >= 3 && t.size() > stem && t.compare(0, stem, e, 0, stem) == 0)
        return found(Finding::FORM, form_here);

    cell.matchclass = CLASS_NONE;
    err_match_syn(t.c_str(), leaf, &cell);
    if (cell.matchclass >= CLASS_TAG) return found(Finding::RELATED, related_detail(cell.matchclass));
    const int back = err_match_syn_back(t.c_str(), leaf);
    if (back >= 0) return found(Finding::RELATED, related_detail(back));

    for (const class_match& m : others)
        if (m.exact)
            return found(Finding::WORD, "another word: " + quote(field_text(m.record, 1)) + " for " +
                                            quote(base));
    if (feedback_misspelt(e, t)) return found(Finding::SPELLING, "misspelt");
    if (!others.empty())
        return found(Finding::WORD, "another word: " + quote(field_text(others.front().record, 1)) +
                                        " for " + quote(base));
    return c;
}

bool zero_cost_match(Finding f) {
    return f == Finding::OK || f == Finding::CASE || f == Finding::PUNCTUATION;
}

} // namespace

const char* finding_name(Finding f) {
    return finding_table[static_cast<size_t>(f)].name;
}

std::vector<typed_word> feedback_words(const char* response) {
    std::vector<typed_word> out;
    for (const std::string& w : split_blanks(response ? response : "")) {
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
                               "words in the wrong order"});
            i -= 2;
            j -= 2;
        } else if (s == 1) {
            r.lines.push_back({Finding::MISSING, expected[i - 1], "", "missing word"});
            --i;
        } else {
            r.lines.push_back({Finding::EXTRA, "", typed[j - 1].raw, "extra word"});
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

void write_feedback(const char* response) {
    const std::vector<typed_word> typed = feedback_words(response);
    if (typed.empty()) return;
    const feedback_costs costs = current_feedback_costs();
    const word_context ctx{pack_endings()};
    bool found = false;
    feedback_result best;
    for (int j = 1; j < NROOTSET && j < NTREES; ++j) {
        t_treenode* tree = rootPtrs[static_cast<size_t>(j)];
        if (!rootset[static_cast<size_t>(j)] || !tree) continue;
        // Expected words: each leaf's word, split where it holds a blank.
        std::vector<std::string> expected;
        std::vector<t_treenode*> from;
        std::vector<bool> whole;
        for (t_treenode* l = tree->right; l; l = l->right) {
            const std::vector<std::string> pieces = split_blanks(err_expected(l));
            for (const std::string& p : pieces) {
                expected.push_back(p);
                from.push_back(l);
                whole.push_back(pieces.size() == 1);
            }
        }
        std::vector<std::vector<feedback_cell>> cells(expected.size(),
                                                      std::vector<feedback_cell>(typed.size()));
        for (size_t a = 0; a < expected.size(); ++a)
            for (size_t b = 0; b < typed.size(); ++b)
                cells[a][b] = classify(expected[a], from[a], whole[a],
                                       a + 1 < expected.size() ? expected[a + 1] : "", typed[b], ctx);
        feedback_result r = feedback_align(expected, typed, cells, costs);
        if (!found || r.score < best.score) {
            best = std::move(r);
            found = true;
        }
    }
    if (!found) return;
    for (const std::string& line : feedback_text(best))
        v_print(FEEDBACKCORE, line.c_str());
}

void grade() {
    grade_on = oxa::param[1] != 0 ? 1 : 0;
}

void resetfeedback() {
    grade_on = 0;
    resetvaluenames();
}

} // namespace bormo
