// Sentence assembly.
#include "bormo/sentences.hpp"

#include <array>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/indirection.hpp"
#include "bormo/morphology.hpp"
#include "bormo/reader.hpp"
#include "bormo/vline.hpp"
#include "editor/frontend.hpp"

namespace bormo {

namespace {

// Every tree row runs fields 5 then 6; the phonology row 22 then 23.
constexpr std::array<std::array<int, NPASSCOLS>, NPASSROWS> default_passes() {
    std::array<std::array<int, NPASSCOLS>, NPASSROWS> t{};
    for (int i = 0; i < NPASSROWS; ++i) {
        t[i][1] = i == NPASSROWS - 1 ? 22 : 5;
        t[i][2] = i == NPASSROWS - 1 ? 23 : 6;
    }
    return t;
}

// The first leaf of a tree: down through first children.
t_treenode* first_leaf(t_treenode* tree) {
    while (tree && tree->son)
        tree = tree->son;
    return tree;
}

} // namespace

std::array<char, SENTSIZE> sentbuf{};
std::array<char, SENTSIZE> sentbuf2{};
std::array<std::array<int, NPASSCOLS>, NPASSROWS> morph_passes = default_passes();

// ------------------------------------------------------------------ lookups

void fill_word(t_treenode* leaf) {
    if (!leaf || !leaf->dictionary) return;
    t_dict_lookup* d = leaf->dictionary;
    d->pointed_at = 1;
    if (d->vf == -1) d->vf = leaf->vf;
    if (!d->class_ && leaf->name) {
        size_t n = std::strlen(leaf->name);
        if (n < d->shortclass.size()) {
            std::memcpy(d->shortclass.data(), leaf->name, n + 1);
            d->class_ = d->shortclass.data();
        } else {
            d->class_ = strdup_(leaf->name);
        }
    }
    combine_attr_list(&d->attributes, leaf->attributes);
    if (!d->preferredchoice && leaf->preferredchoice)
        d->preferredchoice = strdup_(leaf->preferredchoice);
    if (leaf->indirections && leaf->indirections->indir_node) {
        t_indirection ind = leaf->indirections->indir_node;
        char* r =
            insert_restriction(leaf->restrictions, ind->tag ? ind->tag : "\"*\"", ind->fieldnum);
        std::free(leaf->restrictions);
        leaf->restrictions = r;
    }
    if (leaf->restrictions) {
        char* merged =
            d->fields ? merge_restr(leaf->restrictions, d->fields) : strdup_(leaf->restrictions);
        std::free(d->fields);
        d->fields = merged;
    }
}

void fill_all_words(t_treenode* tree, int from) {
    for (t_treenode* leaf = first_leaf(tree); leaf; leaf = leaf->right)
        if (leaf->dictionary && leaf->index >= from) fill_word(leaf);
}

// ------------------------------------------------------------------ one tree

void new_extract_sentence(t_treenode* tree) {
    // The words joined by one blank straight into sentbuf; `total` counts
    // the whole sentence, kept or not.
    size_t total = 0;
    auto put = [&total](char c) {
        if (total < SENTSIZE - 1) sentbuf[total] = c;
        ++total;
    };
    for (t_treenode* leaf = first_leaf(tree); leaf; leaf = leaf->right) {
        if (!leaf->morphed_word || !*leaf->morphed_word) continue;
        if (total > 0) put(' ');
        for (const char* w = leaf->morphed_word; *w; ++w)
            put(*w);
    }
    size_t n = total;
    if (n >= SENTSIZE) {
        n = SENTSIZE - 1;
        v_printf(MSGCORE, "Sentence cut to %d characters", SENTSIZE - 1);
    }
    sentbuf[n] = 0;
}

void postmorph() {
    bool dropspace = false;
    bool capitalise = false;
    size_t out = 0;
    for (const char* p = sentbuf.data(); *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '^') {
            while (out > 0 && sentbuf2[out - 1] == ' ')
                --out;
            dropspace = true;
        } else if (c == '`') {
            capitalise = true;
        } else if (c == ' ') {
            if (!dropspace && !capitalise && out < SENTSIZE - 1) sentbuf2[out++] = ' ';
        } else {
            if (capitalise && ((c >= 'a' && c <= 'z') || (c >= 224 && c <= 254))) c -= 32;
            if (out < SENTSIZE - 1) sentbuf2[out++] = static_cast<char>(c);
            dropspace = false;
            capitalise = false;
        }
    }
    sentbuf2[out] = 0;
}

void finish(t_treenode* tree, int treenumber, const char* label) {
    oxa::progress("Processing Indirections");
    process_indirections(tree);
    int row = treenumber >= 0 && treenumber < NPASSROWS ? treenumber : 0;
    for (int k = 1; k < NPASSCOLS && morph_passes[row][k] != 0; ++k)
        morph_tree(tree, morph_passes[row][k]);
    new_extract_sentence(tree);
    oxa::progress("Post Morphology");
    postmorph();
    // "%s : %s" with the label and the sentence, cut at 1023 characters as
    // v_printf cuts.
    std::array<char, 1024> line;
    size_t n = 0;
    for (const char* part : {label ? label : "", " : ", static_cast<const char*>(sentbuf2.data())})
        for (; *part && n < line.size() - 1; ++part)
            line[n++] = *part;
    line[n] = '\0';
    v_print(MSGCORE, line.data());
}

// --------------------------------------------------------- sentence commands

void sentence_to_core(int n, int corefile) {
    if (n < 0 || n >= NTREES || !genSentences[n]) {
        char msg[64];
        std::snprintf(msg, sizeof msg, "sentence %i does not exist", n);
        oxa::diserr(msg);
        return;
    }
    v_print(corefile, genSentences[n]);
}

int bor_comp() {
    for (int i = 1; i < NTREES; ++i)
        if (genSentences[i] && match_wild(genSentences[i], response.data(), 0, 0)) return i;
    return 0;
}

void resetsentences() {
    sentbuf.fill(0);
    sentbuf2.fill(0);
    morph_passes = default_passes();
}

} // namespace bormo
