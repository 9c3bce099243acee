// The deeper comparisons of error analysis: morphological variants, words
// related through tags and phonological spellings, with their data files.
#include "bormo/variants.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/reader.hpp"
#include "bormo/sentences.hpp"
#include "bormo/vline.hpp"
#include "editor/commands.hpp"
#include "editor/frontend.hpp"

namespace bormo {

std::array<std::array<mrpair, MRPAIRS + 1>, MRTERMS> mrdata{};
std::array<mrmod_row, MRTERMS> mrmod{};
tag_table* taglist = nullptr;
phontable* phontablelist = nullptr;

// ------------------------------------------------------------ uninstallers

// Whether mrdata or mrmod may hold anything since they were last cleared
// (both start cleared): the start-up reset leaves them untouched.
namespace {
bool mrwritten = false;
}

void clear_mrdata() {
    if (!mrwritten) return;
    mrwritten = false;
    for (auto& row : mrdata)
        for (mrpair& p : row)
            p = {0, 0};
    mrmod = {};
}

void clear_tag_tables() {
    while (taglist) {
        tag_table* n = taglist->next;
        free(taglist->tag);
        delete taglist;
        taglist = n;
    }
}

void clear_phon_tables() {
    while (phontablelist) {
        phontable* n = phontablelist->next;
        free(phontablelist->tablename);
        free(phontablelist->elements);
        delete phontablelist;
        phontablelist = n;
    }
}

const tag_table* find_tag(int tag_int) {
    for (const tag_table* t = taglist; t; t = t->next)
        if (t->tag_int == tag_int) return t;
    return nullptr;
}

// ------------------------------------------------------------ readers

namespace {

// Reads a quoted string whose opening quote is at the head of the queue;
// stops at the closing quote or the end of the input.
std::string read_quoted() {
    std::string s;
    v_next();
    for (int t = v_peep(); t != T_QUOTE && t != T_EOF; t = v_peep()) {
        if (t == T_IDENT)
            s += identbuf.data();
        else if (t > 0 && t < 256 && t != T_NEWLINE)
            s += static_cast<char>(t);
        v_next();
    }
    if (v_peep() == T_QUOTE) v_next();
    return s;
}

// Skips one expected single-character token, with an error line when absent.
void expect(int ch) {
    if (v_peep() == ch) {
        v_next();
        return;
    }
    const std::string want(1, static_cast<char>(ch));
    v_err("Expected", want.c_str(), tok2str(v_peep()).c_str());
}

} // namespace

void tag_readtables(const char* file) {
    file_operation = "tag info input";
    file_position.clear();
    openfile(file, 0);
    tag_table** tail = &taglist;
    int number = CLASS_TAG;
    while (v_peep() != T_EOF) {
        int t = v_peep();
        if (t != T_IDENT) {
            v_err("Unexpected symbol", tok2str(t).c_str(), "");
            v_next();
            continue;
        }
        std::string name = identbuf.data();
        file_position = name;
        v_next();
        expect('(');
        int field = 0;
        if (v_peep() == T_IDENT) {
            field = atoi(identbuf.data());
            v_next();
        }
        if (field <= 0) v_err("Field number missing for tag", name.c_str(), "");
        expect(')');
        if (field <= 0) continue;
        auto* tag = new tag_table{strdup_(name.c_str()), number++, field, nullptr};
        *tail = tag;
        tail = &tag->next;
    }
    file_operation.clear();
    file_position.clear();
}

void phon_readtables(const char* file) {
    file_operation = "phon table input";
    file_position.clear();
    openfile(file, 0);
    phontable** tail = &phontablelist;
    while (v_peep() != T_EOF) {
        int t = v_peep();
        if (t == '(' || t == T_PERCENT) {
            v_next();
            continue;
        }
        if (t != T_QUOTE) {
            v_err("Unexpected symbol", tok2str(t).c_str(), "");
            v_next();
            continue;
        }
        std::string symbol = read_quoted();
        file_position = "table " + symbol;
        while (v_peep() == '(' || v_peep() == T_PERCENT)
            v_next();
        std::string elements;
        int count = 0;
        while (v_peep() == T_QUOTE) {
            elements += read_quoted() + "|";
            ++count;
            if (v_peep() == ',') v_next();
        }
        expect(')');
        if (symbol.empty()) {
            v_err("Empty ipa symbol", "", "");
            continue;
        }
        auto* table =
            new phontable{strdup_(symbol.c_str()), strdup_(elements.c_str()), count, nullptr};
        *tail = table;
        tail = &table->next;
    }
    file_operation.clear();
    file_position.clear();
}
namespace {

// Drops pairs repeated or covered by an every-value pair of their type, after
// sorting by type and then value.
int tidy_pairs(std::vector<mrpair>& pairs) {
    std::sort(pairs.begin(), pairs.end(), [](const mrpair& a, const mrpair& b) {
        return a.type != b.type ? a.type < b.type : a.value < b.value;
    });
    std::vector<mrpair> out;
    for (const mrpair& p : pairs) {
        if (!out.empty() && out.back().type == p.type &&
            (out.back().value == p.value || out.back().value == -1))
            continue;
        out.push_back(p);
    }
    pairs = out;
    return static_cast<int>(pairs.size());
}

// A new fixed delay entry of the given type and value, or -1 when the table is full.
int fixed_delay(int type, int value) {
    if (delayptr >= DELAYSIZE) return -1;
    delayed[delayptr] = {type, value, 1};
    return delayptr++;
}

// The leaf's single-component attribute of a type, or null.
attr_list single_of_type(attr_list l, int type) {
    for (; l; l = l->next)
        if (l->first && !l->first->another && delayed[l->first->index].class_ == type) return l;
    return nullptr;
}

} // namespace

void merror_readtables(const char* file) {
    file_operation = "morph error input";
    file_position.clear();
    openfile(file, 0);
    while (v_peep() != T_EOF) {
        int t = v_peep();
        if (t != T_IDENT) {
            v_err("Unexpected symbol", tok2str(t).c_str(), "");
            v_next();
            continue;
        }
        std::string name = identbuf.data();
        file_position = name;
        int term = lookup_terminal(name.c_str());
        if (term < 0 || term >= MRTERMS) v_err("Terminal not in terminal list", name.c_str(), "");
        v_next();
        expect('(');
        std::vector<mrpair> pairs;
        bool full = false;
        while (v_peep() == T_IDENT) {
            std::string a = identbuf.data();
            if (!lookup_attr(a.c_str())) {
                v_err("Attribute not in attribute list", a.c_str(), "");
            } else if (static_cast<int>(pairs.size()) >= MRPAIRS) {
                if (!full) v_err("Maximum allowable types/values for a terminal", a.c_str(), "");
                full = true;
            } else {
                pairs.push_back({att_class, att_value});
            }
            v_next();
        }
        expect(')');
        if (term < 0 || term >= MRTERMS) continue;
        int n = tidy_pairs(pairs);
        mrwritten = true;
        for (int k = 0; k < n; ++k)
            mrdata[term][k] = pairs[k];
        mrdata[term][n] = {0, 0};
    }
    file_operation.clear();
    file_position.clear();
}

void print_merror_tables() {
    for (int t = 0; t < terminal_count && t < MRTERMS; ++t) {
        v_print(MSGCORE, terminal_table[t].c_str());
        for (int k = 0; k <= MRPAIRS; ++k) {
            v_printf(MSGCORE, "%d", mrdata[t][k].type);
            if (mrdata[t][k].type == 0) break;
            v_printf(MSGCORE, "%d", mrdata[t][k].value);
        }
    }
}

void mrmodify() {
    mrwritten = true;
    for (int t = 0; t < MRTERMS; ++t) {
        mrmod_row& row = mrmod[t];
        row = {};
        int slot = -1, lasttype = 0;
        for (int k = 0; k < MRPAIRS && mrdata[t][k].type != 0; ++k) {
            const mrpair p = mrdata[t][k];
            if (p.type != lasttype) {
                if (slot + 1 >= MRTYPES) break;
                ++slot;
                lasttype = p.type;
                row.ntypes = slot + 1;
            }
            int from = p.value, to = p.value;
            if (p.value == -1) {
                from = 1;
                to = (p.type > 0 && p.type < MAXTYPES) ? attr_table[p.type].entries - 1 : 0;
            }
            for (int v = from; v <= to && row.nvalues[slot] < MRVALUES; ++v) {
                int d = fixed_delay(p.type, v);
                if (d < 0) return;
                row.values[slot][row.nvalues[slot]++] = d;
            }
        }
    }
}

void make_variants(t_treenode* leaf) {
    free_variants(leaf);
    if (!leaf || !leaf->name) return;
    const int term = lookup_terminal(leaf->name);
    if (term < 0 || term >= MRTERMS || mrmod[term].ntypes == 0) return;
    const mrmod_row& row = mrmod[term];
    std::array<int, MRTYPES> c{};
    for (;;) {
        // The next combination, the last slot turning fastest.
        int s = row.ntypes - 1;
        while (s >= 0 && c[s] == row.nvalues[s]) {
            c[s] = 0;
            --s;
        }
        if (s < 0) return; // back to the unchanged combination
        ++c[s];
        attr_list attrs = duplicate_attr_list(leaf->attributes);
        auto* v = new morphvar{};
        for (int k = 0; k < row.ntypes; ++k) {
            if (c[k] == 0) continue;
            const int d = row.values[k][c[k] - 1];
            if (attr_list l = single_of_type(attrs, delayed[d].class_)) {
                l->first->index = d;
            } else {
                comp_attr ca = create_comp_attr();
                ca->index = d;
                add_attr_to_list(&attrs, ca);
            }
            v->attrcomb[++v->attrcomb[0]] = d;
        }
        t_treenode* copy = copy_node(leaf);
        purge_attr_list(&copy->attributes);
        copy->attributes = attrs;
        free(copy->morphed_word);
        copy->morphed_word = strdup_("");
        morph_word(copy, 5);
        morph_word(copy, 6);
        v->variant = strdup_(copy->morphed_word ? copy->morphed_word : "");
        purge_node(copy);
        v->next = leaf->mvar;
        leaf->mvar = v;
    }
}

void all_variants(t_treenode* tree) {
    for (t_treenode* l = tree ? tree->right : nullptr; l; l = l->right)
        make_variants(l);
}

void free_variants(t_treenode* leaf) {
    while (leaf && leaf->mvar) {
        morphvar* n = leaf->mvar->next;
        free(leaf->mvar->variant);
        delete leaf->mvar;
        leaf->mvar = n;
    }
}

namespace {

bool delay_less(int a, int b) {
    const t_delay &x = delayed[a], &y = delayed[b];
    return x.class_ != y.class_ ? x.class_ < y.class_ : x.choice < y.choice;
}

// Set comparison of two ordered value lists: 0 equal, 1 a lies within b,
// 2 b lies within a, 3 neither.
int contains(const difference& a, const difference& b) {
    int bits = 0, i = 0, j = 0;
    while (i < a.ltind && j < b.ltind) {
        const t_delay &x = delayed[a.left[i]], &y = delayed[b.left[j]];
        if (x.class_ == y.class_ && x.choice == y.choice) {
            ++i;
            ++j;
        } else if (delay_less(a.left[i], b.left[j])) {
            bits |= 2;
            ++i;
        } else {
            bits |= 1;
            ++j;
        }
    }
    if (i < a.ltind) bits |= 2;
    if (j < b.ltind) bits |= 1;
    return bits;
}

// The text of a list of delay indices as an attribute list.
std::string values_text(const std::array<int, NDIFF>& v, int n) {
    comp_attr c = nullptr;
    for (int k = 0; k < n; ++k)
        add_comp_attr(&c, v[k]);
    char* t = print_comp_attr(c);
    std::string s = t ? t : "";
    free(t);
    purge_comp_attr(&c);
    return s;
}

} // namespace

int compare_var(const char* word, t_treenode* leaf, std::array<std::string, NBREAKUP>& out) {
    if (!word || !leaf) return 0;
    int found = 0;
    difference* kept = nullptr;
    for (morphvar* v = leaf->mvar; v; v = v->next) {
        if (!v->variant || strcmp(v->variant, word) != 0) continue;
        found = 1;
        auto* d = new difference{};
        for (int k = 1; k <= v->attrcomb[0] && k < NATTRCOMB; ++k) {
            const int vi = v->attrcomb[k];
            attr_list l = single_of_type(leaf->attributes, delayed[vi].class_);
            if (l && delayed[l->first->index].choice == delayed[vi].choice) continue;
            if (d->ltind < NDIFF) d->left[d->ltind++] = vi;
            if (l && d->rtind < NDIFF) d->right[d->rtind++] = l->first->index;
        }
        std::sort(d->left.begin(), d->left.begin() + d->ltind, delay_less);
        bool drop = false;
        for (difference** p = &kept; *p;) {
            const int r = contains(*d, **p);
            if (r == 0 || r == 2) { // equals or contains a kept one
                drop = true;
                break;
            }
            if (r == 1) { // a kept one contains it
                difference* gone = *p;
                *p = gone->nextdiff;
                delete gone;
                continue;
            }
            p = &(*p)->nextdiff;
        }
        if (drop) {
            delete d;
        } else {
            d->nextdiff = kept;
            kept = d;
        }
    }
    int n = 0;
    while (kept) {
        difference* next = kept->nextdiff;
        if (n < NBREAKUP)
            out[n++] =
                values_text(kept->right, kept->rtind) + "/" + values_text(kept->left, kept->ltind);
        delete kept;
        kept = next;
    }
    return found;
}

// ------------------------------------------------------------ tags

namespace {

bool blankc(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// The word list of the clause of `tag` in a lexical field, or null when the
// field has no such clause (or an error was reported).
const char* err_findtag(const char* f, const char* tag, bool quiet = false) {
    const char* p = f;
    bool clauses = false; // a clause has been passed over
    for (;;) {
        while (*p && blankc(*p))
            ++p;
        if (!*p) {
            // A record that ends before this field simply has no clause
            // for the tag; one whose clauses the end cuts off is faulty.
            if (clauses && !quiet)
                v_err("[Indirection] Unexpected end of lexical entry", tag, "");
            return nullptr;
        }
        clauses = true;
        if (*p == '|') return nullptr;
        const char* clause = p;
        std::string name;
        if (*p != '"') {
            while (*p && *p != ':' && *p != ';' && *p != '|' && !blankc(*p))
                name += *p++;
            while (*p && blankc(*p))
                ++p;
            if (*p == '|') {
                if (!quiet) v_err("Indirection not found", tag, "");
                return nullptr;
            }
        }
        if (*p == ':' && name == tag) return p + 1;
        // Skip the rest of the clause, quotes included.
        (void)clause;
        bool quoted = false;
        while (*p && (quoted || (*p != ';' && *p != '|'))) {
            if (*p == '"') quoted = !quoted;
            ++p;
        }
        if (*p == ';') ++p;
    }
}

struct word_choice {
    std::string word;
    std::string category; // empty: the leaf's
};

// The quoted words of a clause, each optionally followed by "/" and a category.
bool err_get_word_choices(const char* p, std::vector<word_choice>& out, bool quiet = false) {
    for (;;) {
        while (*p && blankc(*p))
            ++p;
        if (*p != '"') return true;
        ++p;
        word_choice w;
        while (*p && *p != '"') {
            if (*p == '|') {
                if (!quiet) v_err("[Indirection] Closing quote missing", "", "");
                return false;
            }
            w.word += *p++;
        }
        if (*p == '"') ++p;
        if (*p == '/') {
            ++p;
            while (*p && *p != ',' && *p != ':' && *p != ';' && *p != '|' && !blankc(*p))
                w.category += *p++;
        }
        out.push_back(w);
        while (*p && blankc(*p))
            ++p;
        if (*p != ',' && *p != ':') return true;
        ++p;
    }
}

// A copy of the leaf looked up on `entry` (a fresh lookup entry, which the
// caller releases); the copy keeps the leaf's word or starts empty.
t_treenode* candidate_of(t_treenode* leaf, recnode* entry, bool keep_word) {
    t_treenode* c = copy_node(leaf);
    if (!keep_word) {
        free(c->morphed_word);
        c->morphed_word = strdup_("");
    }
    c->left = leaf->left;
    c->right = leaf->right;
    std::string cls;
    for (const char* f = getfieldptr(entry->recordptr, 2);
         *f && *f != '|' && !blankc(*f) && *f != ','; ++f)
        cls += *f;
    t_dict_lookup& d = dict_table[d_table_count];
    d.class_ = strdup_(cls.c_str());
    d.dictionary = entry->recordptr;
    d.error = 0;
    d.pointed_at = 1;
    d.vf = -1;
    c->dictionary = &d;
    c->index = d_table_count++;
    return c;
}

// The word of a lexical record: its first field without the quotes.
std::string record_word(const char* record) {
    std::string w;
    const char* p = record ? record : "";
    if (*p == '"') ++p;
    for (; *p && *p != '"' && *p != '|'; ++p)
        w += *p;
    return w;
}

} // namespace

std::vector<std::pair<std::string, std::string>> tag_clause_words(const char* record,
                                                                  const char* tag, int field) {
    std::vector<std::pair<std::string, std::string>> out;
    if (!record || !tag || field <= 0) return out;
    const char* words = err_findtag(getfieldptr(record, field), tag, true);
    std::vector<word_choice> choices;
    if (!words || !err_get_word_choices(words, choices, true)) return out;
    for (const word_choice& w : choices)
        out.emplace_back(w.word, w.category);
    return out;
}

int err_match_syn_back(const char* word, t_treenode* leaf) {
    if (!word || !leaf || !leaf->dictionary || !leaf->dictionary->dictionary || !dictionary)
        return -1;
    const std::string base = record_word(leaf->dictionary->dictionary);
    const std::string cls = leaf->dictionary->class_ ? leaf->dictionary->class_ : "";
    for (const tag_table* t = taglist; t; t = t->next) {
        for (int term = 0; term < dictterm; ++term) {
            for (recnode* r = dictionary[term]; r; r = r->previous) {
                if (r->recordptr == leaf->dictionary->dictionary) continue;
                bool points = false;
                for (const auto& [w, cat] : tag_clause_words(r->recordptr, t->tag, t->field))
                    if (w == base && (cat.empty() || cat == cls)) points = true;
                if (!points || d_table_count >= DICTSIZE) continue;
                const int mark = d_table_count;
                t_treenode* c = candidate_of(leaf, r, false);
                morph_word(c, 5);
                morph_word(c, 6);
                const bool found = strdiff(err_expected(c).c_str(), word) == 0;
                purge_node(c);
                purgelookups(mark);
                if (found) return t->tag_int;
            }
        }
    }
    return -1;
}

t_treenode* err_gen_syn(t_treenode* leaf, const char* tag, int field) {
    if (!leaf || !tag || field <= 0 || !leaf->dictionary || !leaf->dictionary->dictionary)
        return nullptr;
    const char* words = err_findtag(getfieldptr(leaf->dictionary->dictionary, field), tag);
    if (!words) return nullptr;
    std::vector<word_choice> choices;
    if (!err_get_word_choices(words, choices) || choices.empty()) return nullptr;
    t_treenode* head = nullptr;
    t_treenode** tail = &head;
    for (size_t k = 0; k < choices.size(); ++k) {
        const std::string cat = choices[k].category.empty()
                                    ? (leaf->dictionary->class_ ? leaf->dictionary->class_ : "")
                                    : choices[k].category;
        const int term = lookup_terminal(cat.c_str());
        recnode* entry = nullptr;
        if (term >= 0 && term < dictterm && dictionary)
            for (recnode* r = dictionary[term]; r && !entry; r = r->previous) {
                const char* w = r->recordptr;
                if (w && *w == '"') ++w;
                const size_t n = choices[k].word.size();
                if (w && strncmp(w, choices[k].word.c_str(), n) == 0 &&
                    (w[n] == '"' || w[n] == '|'))
                    entry = r;
            }
        if (!entry || d_table_count >= DICTSIZE) {
            v_err("Indirection not found", choices[k].word.c_str(), cat.c_str());
            err_kill_syn(head);
            return nullptr;
        }
        t_treenode* c = candidate_of(leaf, entry, k == 0);
        *tail = c;
        tail = &c->sibling;
    }
    for (t_treenode* c = head; c; c = c->sibling) {
        morph_word(c, 5);
        morph_word(c, 6);
    }
    return head;
}

void err_kill_syn(t_treenode* list) {
    while (list) {
        t_treenode* n = list->sibling;
        list->sibling = nullptr;
        purge_node(list);
        list = n;
    }
}

void err_match_syn(const char* word, t_treenode* leaf, lexdiff* cell) {
    for (const tag_table* t = taglist; t; t = t->next) {
        const int mark = d_table_count; // the candidates' lookups are released below
        t_treenode* cands = err_gen_syn(leaf, t->tag, t->field);
        bool found = false;
        for (t_treenode* c = cands; c && !found; c = c->sibling)
            if (strdiff(err_expected(c).c_str(), word) == 0) found = true;
        err_kill_syn(cands);
        purgelookups(mark);
        if (found) {
            cell->matchclass = t->tag_int;
            return;
        }
    }
}

// ------------------------------------------------------------ phonology

namespace {

// The spellings of a table, in table order.
std::vector<std::string> spellings(const phontable* t) {
    std::vector<std::string> out;
    std::string cur;
    for (const char* p = t->elements ? t->elements : ""; *p; ++p) {
        if (*p == '|') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += *p;
        }
    }
    return out;
}

} // namespace

int match_ipastr(const char* word, const std::vector<std::vector<std::string>>& alts, size_t sym,
                 std::vector<std::string>& chosen) {
    if (sym == alts.size()) return *word == '\0';
    for (const std::string& sp : alts[sym]) {
        if (sp.empty() || strncmp(word, sp.c_str(), sp.size()) != 0) continue;
        chosen[sym] = sp;
        if (match_ipastr(word + sp.size(), alts, sym + 1, chosen)) return 1;
    }
    return 0;
}

std::string ipa_form(t_treenode* leaf) {
    if (!leaf || !leaf->dictionary) return "";
    char* saved = leaf->morphed_word;
    leaf->morphed_word = strdup_("");
    for (int k = 1; k < NPASSCOLS && morph_passes[21][k] != 0; ++k)
        morph_word(leaf, morph_passes[21][k]);
    std::string ipa = leaf->morphed_word ? leaf->morphed_word : "";
    free(leaf->morphed_word);
    leaf->morphed_word = saved;
    return ipa;
}

void err_match_phono(const char* word, t_treenode* leaf, lexdiff* cell) {
    if (!phontablelist || !word) return;
    const std::string ipa = ipa_form(leaf);
    if (ipa.empty()) return;
    if (ipa.size() > static_cast<size_t>(NIPA)) return; // beyond the work arrays
    std::vector<std::vector<std::string>> alts;
    for (char c : ipa) {
        const phontable* t = phontablelist;
        while (t && !(t->tablename && t->tablename[0] == c))
            t = t->next;
        if (!t) {
            v_print(MSGCORE, "ipa symbol has no entry in phonology tables");
            return;
        }
        alts.push_back(spellings(t));
    }
    std::vector<std::string> resp(alts.size()), expd(alts.size());
    if (!match_ipastr(word, alts, 0, resp)) return;
    cell->matchclass = CLASS_PHONO;
    const std::string expected = err_expected(leaf);
    if (!match_ipastr(expected.c_str(), alts, 0, expd)) {
        cell->error[0] =
            "ERROR: correct word does not match ipa string, though student response does";
        return;
    }
    int n = 0;
    for (size_t k = 0; k < alts.size() && n < NBREAKUP; ++k)
        if (expd[k] != resp[k]) cell->breakup[n++] = expd[k] + "/" + resp[k];
}

// ------------------------------------------------------------ enumeration

void generate_enumerations() {
    if (!root) {
        oxa::diserr("Error: ROOT tree does not exist");
        return;
    }
    oxa::progress("Beginning enumerations");
    mrmodify();
    all_variants(root);
    for (t_treenode* l = root->right; l; l = l->right) {
        if (!l->morphed_word || !*l->morphed_word) continue;
        v_print(MSGCORE, "");
        v_printf(MSGCORE, "ORIGINAL WORD: %s", l->morphed_word);
        v_print(MSGCORE, "");
        v_print(MSGCORE, "Morphological variations:     Attribute list:");
        for (const morphvar* v = l->mvar; v; v = v->next) {
            std::array<int, NDIFF> vals{};
            int n = 0;
            for (int k = 1; k <= v->attrcomb[0] && k < NATTRCOMB; ++k)
                vals[n++] = v->attrcomb[k];
            v_printf(MSGCORE, "%s;%s", values_text(vals, n).c_str(), v->variant);
        }
        v_print(MSGCORE, "");
    }
    oxa::clearhelp();
}

void vreadipa() {
    uninstall(VF_IP);
    clear_phon_tables();
    phon_readtables(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 'p');
    installed |= VF_IP;
}

void vreadmerror() {
    uninstall(VF_MR);
    clear_mrdata();
    merror_readtables(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 'e');
    installed |= VF_MR;
}

void vreadtags() {
    uninstall(VF_TG);
    clear_tag_tables();
    tag_readtables(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 'g');
    installed |= VF_TG;
}
void venummorph() {
    generate_enumerations();
}

void resetvariants() {
    clear_mrdata();
    clear_tag_tables();
    clear_phon_tables();
}

} // namespace bormo
