// The deeper comparisons of error analysis: morphological variants, words
// related through tags and phonological spellings, with their data files.
#include "bormo/variants.hpp"

#include <cstdlib>
#include <cstring>
#include <string>

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

void clear_mrdata() {
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

void merror_readtables(const char* file) {
    (void)file;
}
void tag_readtables(const char* file) {
    (void)file;
}
void phon_readtables(const char* file) {
    (void)file;
}
void print_merror_tables() {}

// ------------------------------------------------------------ variants

void mrmodify() {}
void make_variants(t_treenode* leaf) {
    (void)leaf;
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

int compare_var(const char* word, t_treenode* leaf, std::array<std::string, NBREAKUP>& out) {
    (void)word;
    (void)leaf;
    (void)out;
    return 0;
}

// ------------------------------------------------------------ tags

t_treenode* err_gen_syn(t_treenode* leaf, const char* tag, int field) {
    (void)leaf;
    (void)tag;
    (void)field;
    return nullptr;
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
        t_treenode* cands = err_gen_syn(leaf, t->tag, t->field);
        bool found = false;
        for (t_treenode* c = cands; c && !found; c = c->sibling)
            if (strdiff(err_expected(c).c_str(), word) == 0) found = true;
        err_kill_syn(cands);
        if (found) {
            cell->matchclass = t->tag_int;
            return;
        }
    }
}

// ------------------------------------------------------------ phonology

void err_match_phono(const char* word, t_treenode* leaf, lexdiff* cell) {
    (void)word;
    (void)leaf;
    (void)cell;
    if (!phontablelist) return;
}

// ------------------------------------------------------------ enumeration

void generate_enumerations() {}

void vreadipa() {}
void vreadmerror() {}
void vreadtags() {}
void venummorph() {
    generate_enumerations();
}

void resetvariants() {
    clear_mrdata();
    clear_tag_tables();
    clear_phon_tables();
}

} // namespace bormo
