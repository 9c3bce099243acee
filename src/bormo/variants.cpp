// The deeper comparisons of error analysis: morphological variants, words
// related through tags and phonological spellings, with their data files.
#include "bormo/variants.hpp"

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

void merror_readtables(const char* file) {
    (void)file;
}

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

void generate_enumerations() {}

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
