// The comparison cells of one tree: the work area, the deeper comparisons run
// once per pair (the look-ups that depend on the leaf alone once per leaf),
// and the order in which the report's classes are tried.
#include "bormo/wordpairs.hpp"

#include <cstring>
#include <tuple>

#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "editor/frontend.hpp"

namespace bormo {

pair_grid wordpairs;

namespace {

pair_grid& g = wordpairs;

text_ref keep_fixed(std::string_view text) {
    text_ref r{static_cast<uint32_t>(g.fixed.size()), static_cast<uint32_t>(text.size())};
    g.fixed.append(text);
    g.fixed.push_back('\0');
    return r;
}

text_ref keep(std::string_view text) {
    text_ref r{static_cast<uint32_t>(g.arena.size()), static_cast<uint32_t>(text.size())};
    g.arena.append(text);
    return r;
}

std::string_view fixed_text(text_ref r) {
    return std::string_view(g.fixed.data() + r.at, r.len);
}

// The lines written to a corefile while a look-up runs are kept, so that
// each later use of its result writes them again.
void (*outer_hook)(int, const char*) = nullptr;
void keep_note(int corefile, const char* text) {
    g.notes.emplace_back(corefile, keep(text));
    if (outer_hook) outer_hook(corefile, text);
}
template <class Lookup> std::pair<uint32_t, uint32_t> noting(Lookup lookup) {
    const auto at = static_cast<uint32_t>(g.notes.size());
    outer_hook = v_printhook;
    v_printhook = keep_note;
    lookup();
    v_printhook = outer_hook;
    outer_hook = nullptr;
    return {at, static_cast<uint32_t>(g.notes.size()) - at};
}
void say_again(uint32_t at, uint32_t n) {
    std::string line;
    for (uint32_t k = at; k < at + n; ++k) {
        line.assign(pairs_text(g.notes[k].second));
        v_print(g.notes[k].first, line.c_str());
    }
}

void start_leaves(size_t n) {
    if (g.leaves.size() < n) g.leaves.resize(n);
    g.nleaves = n;
    g.cells.assign(n * g.columns.size(), pair_cell{});
    g.refs.clear();
    g.syn_tags.clear();
    g.tagged.clear();
    g.notes.clear();
    g.arena.clear();
}

void set_leaf(size_t i, t_treenode* leaf) {
    leaf_facts& f = g.leaves[i];
    std::vector<std::vector<std::string>> alts = std::move(f.alts);
    std::vector<uint32_t> rows = std::move(f.syn_rows);
    f = leaf_facts{};
    f.alts = std::move(alts);
    f.syn_rows = std::move(rows);
    f.syn_rows.clear();
    f.leaf = leaf;
    f.expected = keep_fixed(err_expected(leaf));
}

// The fixed arena holds the columns first; a new tree keeps them and drops
// the expected words of the last.
size_t columns_end = 0;

pair_cell& cell(size_t i, size_t j) {
    return g.cells[i * g.columns.size() + j];
}

// The words leaf i's entry gives through tag `t`, the k-th of the tag
// table: looked up the first time (its lines written then), kept after.
const tag_words& syn_row(size_t i, size_t k, const tag_table* t) {
    leaf_facts& f = g.leaves[i];
    if (k < f.syn_rows.size()) {
        const tag_words& w = g.syn_tags[f.syn_rows[k]];
        say_again(w.notes_at, w.notes_n);
        return w;
    }
    tag_words w;
    w.tag = t->tag_int;
    std::vector<std::string> words;
    std::tie(w.notes_at, w.notes_n) = noting([&] { words = syn_words(f.leaf, t); });
    w.words_at = static_cast<uint32_t>(g.refs.size());
    w.words_n = static_cast<uint32_t>(words.size());
    for (const std::string& s : words)
        g.refs.push_back(keep(s));
    f.syn_rows.push_back(static_cast<uint32_t>(g.syn_tags.size()));
    g.syn_tags.push_back(w);
    return g.syn_tags.back();
}

// The spellings of leaf i's IPA form: looked up the first time (its lines
// written then), kept after.
leaf_facts& phono_of(size_t i) {
    leaf_facts& f = g.leaves[i];
    if (f.phono_known) {
        say_again(f.phono_notes_at, f.phono_notes_n);
        return f;
    }
    f.phono_known = true;
    std::tie(f.phono_notes_at, f.phono_notes_n) =
        noting([&] { phono_alternatives(f.leaf, f.alts); });
    return f;
}

bool row_exact(size_t i, size_t j) {
    return pair_distance(i, j) == 0;
}
bool row_variant(size_t i, size_t j) {
    return pair_variant(i, j);
}
bool row_tag(size_t i, size_t j) {
    return pair_tag(i, j) != 0;
}
bool row_phono(size_t i, size_t j) {
    return pair_phono(i, j);
}
bool row_near(size_t i, size_t j) {
    return pair_distance(i, j) < NOMATCH;
}
bool row_always(size_t, size_t) {
    return true;
}

} // namespace

// class, message shown before the test, test
const std::array<report_row, 6> report_order = {{
    {CLASS_EXACT, nullptr, row_exact},
    {CLASS_MORPH, "Performing morphological analysis", row_variant},
    {CLASS_TAG, "Performing lexicon analysis", row_tag},
    {CLASS_PHONO, "Performing phonological analysis", row_phono},
    {CLASS_APPROX, nullptr, row_near},
    {CLASS_UNRELATED, nullptr, row_always},
}};

void pairs_columns(const std::vector<std::string_view>& texts) {
    g.fixed.clear();
    g.columns.clear();
    for (std::string_view t : texts)
        g.columns.push_back(keep_fixed(t));
    columns_end = g.fixed.size();
    g.nleaves = 0;
    g.cells.clear();
}

void pairs_tree(t_treenode* tree) {
    g.fixed.resize(columns_end);
    size_t n = 0;
    for (t_treenode* l = tree ? tree->right : nullptr; l; l = l->right)
        ++n;
    start_leaves(n);
    size_t i = 0;
    for (t_treenode* l = tree ? tree->right : nullptr; l; l = l->right)
        set_leaf(i++, l);
}

void pairs_single(t_treenode* leaf) {
    g.fixed.resize(columns_end);
    start_leaves(1);
    set_leaf(0, leaf);
}

size_t pairs_leaves() {
    return g.nleaves;
}
size_t pairs_columns_count() {
    return g.columns.size();
}
t_treenode* pairs_leaf(size_t i) {
    return g.leaves[i].leaf;
}
std::string_view pairs_text(text_ref r) {
    return std::string_view(g.arena.data() + r.at, r.len);
}
std::string_view pairs_expected(size_t i) {
    return fixed_text(g.leaves[i].expected);
}
std::string_view pairs_typed(size_t j) {
    return fixed_text(g.columns[j]);
}

int pair_distance(size_t i, size_t j) {
    pair_cell& c = cell(i, j);
    if (!(c.known & KNOWN_DISTANCE)) {
        c.known |= KNOWN_DISTANCE;
        c.distance = strdiff(pairs_expected(i).data(), pairs_typed(j).data());
    }
    return c.distance;
}

bool pair_variant(size_t i, size_t j) {
    pair_cell& c = cell(i, j);
    if (c.known & KNOWN_VARIANT) return c.variant;
    c.known |= KNOWN_VARIANT;
    for (std::string& b : g.breakup)
        b.clear();
    c.variant = compare_var(pairs_typed(j).data(), g.leaves[i].leaf, g.breakup) != 0;
    c.variant_at = static_cast<uint32_t>(g.refs.size());
    for (const std::string& b : g.breakup) {
        if (b.empty()) break;
        g.refs.push_back(keep(b));
    }
    c.variant_n = static_cast<uint32_t>(g.refs.size()) - c.variant_at;
    return c.variant;
}

int pair_tag(size_t i, size_t j) {
    pair_cell& c = cell(i, j);
    if (c.known & KNOWN_TAG) return c.tag;
    const std::string_view typed = pairs_typed(j);
    int found = 0;
    size_t k = 0;
    for (const tag_table* t = taglist; t && !found; t = t->next, ++k) {
        const tag_words& w = syn_row(i, k, t);
        for (uint32_t n = w.words_at; n < w.words_at + w.words_n && !found; ++n)
            if (!typed.empty() && pairs_text(g.refs[n]) == typed) found = w.tag;
    }
    c.known |= KNOWN_TAG;
    c.tag = found;
    return found;
}

bool pair_phono(size_t i, size_t j) {
    pair_cell& c = cell(i, j);
    if (c.known & KNOWN_PHONO) return c.phono;
    c.known |= KNOWN_PHONO;
    if (!phontablelist) return false;
    leaf_facts& f = phono_of(i);
    if (f.alts.empty()) return false;
    g.chosen_t.resize(f.alts.size());
    g.chosen_e.resize(f.alts.size());
    if (!match_ipastr(pairs_typed(j).data(), f.alts, 0, g.chosen_t)) return false;
    c.phono = true;
    if (!match_ipastr(pairs_expected(i).data(), f.alts, 0, g.chosen_e)) {
        c.phono_error = true;
        return true;
    }
    c.phono_at = static_cast<uint32_t>(g.refs.size());
    for (size_t k = 0; k < f.alts.size() && g.refs.size() - c.phono_at < NBREAKUP; ++k)
        if (g.chosen_e[k] != g.chosen_t[k]) {
            const text_ref e = keep(g.chosen_e[k]);
            keep("/");
            const text_ref t = keep(g.chosen_t[k]);
            g.refs.push_back({e.at, e.len + 1 + t.len});
        }
    c.phono_n = static_cast<uint32_t>(g.refs.size()) - c.phono_at;
    return true;
}

const pair_cell& pair_at(size_t i, size_t j) {
    return cell(i, j);
}

int pair_tag_back(size_t i, size_t j) {
    leaf_facts& f = g.leaves[i];
    if (!f.back_known) {
        f.back_known = true;
        f.back_at = static_cast<uint32_t>(g.tagged.size());
        for (const auto& [tag, word] : syn_back_words(f.leaf))
            g.tagged.emplace_back(tag, keep(word));
        f.back_n = static_cast<uint32_t>(g.tagged.size()) - f.back_at;
    }
    const std::string_view typed = pairs_typed(j);
    for (uint32_t k = f.back_at; k < f.back_at + f.back_n; ++k)
        if (!typed.empty() && pairs_text(g.tagged[k].second) == typed) return g.tagged[k].first;
    return -1;
}

int pair_matchclass(size_t i, size_t j) {
    for (const report_row& r : report_order) {
        if (r.progress) oxa::progress(r.progress);
        if (r.holds(i, j)) return r.matchclass == CLASS_TAG ? pair_tag(i, j) : r.matchclass;
    }
    return CLASS_UNRELATED;
}

void resetwordpairs() {
    g = pair_grid{};
    columns_end = 0;
}

} // namespace bormo
