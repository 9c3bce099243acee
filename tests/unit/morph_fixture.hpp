// Shared fixture of the morphology and indirection tests: an attribute file,
// hand-built tree nodes with their lookups, and the leaf thread.
#pragma once

#include "bormo_fixture.hpp"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/indirection.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"

class MorphFixture : public BormoTest {
  protected:
    std::vector<bormo::t_treenode*> nodes;
    std::vector<std::unique_ptr<bormo::t_dict_lookup>> lookups;

    void SetUp() override {
        BormoTest::SetUp();
        bormo::resetmorphology();
        bormo::resetindirection();
        bormo::resetlexicon();
        bormo::resetgencommands();
        bormo::readattr(file("attr", "number ( sg , pl ) person ( first , second , third ) "
                                     "gender ( masc , fem ) %")
                            .c_str());
    }

    void TearDown() override {
        for (bormo::t_treenode* n : nodes) {
            free(n->name);
            free(n->morphed_word);
            bormo::purge_attr_list(&n->attributes);
            bormo::indir_purge_list(&n->indirections);
            free(n);
        }
        for (auto& l : lookups)
            bormo::purge_attr_list(&l->attributes);
        bormo::resetmorphology();
        bormo::resetindirection();
        bormo::resetlexicon();
        BormoTest::TearDown();
    }

    // A compound of fresh delay entries from its text ("sg.third"; a bare type is open).
    static bormo::comp_attr comp(const char* text) {
        bormo::text_to_comp_array(text, 1);
        return bormo::make_comp_attr();
    }

    // A leaf with a word, its compounds and, when `record` is given, a lookup
    // that found that record (`error` otherwise 3).
    bormo::t_treenode* leaf(const char* word, std::initializer_list<const char*> attrs,
                            const char* record = nullptr) {
        auto* n = static_cast<bormo::t_treenode*>(calloc(1, sizeof(bormo::t_treenode)));
        n->name = bormo::strdup_("N");
        n->morphed_word = bormo::strdup_(word);
        n->vf = -1;
        for (const char* a : attrs)
            bormo::add_attr_to_list(&n->attributes, comp(a));
        auto lk = std::make_unique<bormo::t_dict_lookup>();
        *lk = bormo::t_dict_lookup{};
        lk->dictionary = const_cast<char*>(record);
        lk->error = record ? 0 : 3;
        lk->vf = -1;
        n->dictionary = lk.get();
        lookups.push_back(std::move(lk));
        nodes.push_back(n);
        return n;
    }

    // A root whose children are the given leaves, threaded left to right.
    bormo::t_treenode* tree(std::initializer_list<bormo::t_treenode*> leaves) {
        auto* r = static_cast<bormo::t_treenode*>(calloc(1, sizeof(bormo::t_treenode)));
        r->name = bormo::strdup_("ROOT");
        r->morphed_word = bormo::strdup_("");
        r->vf = -1;
        nodes.push_back(r);
        bormo::t_treenode* prev = nullptr;
        for (bormo::t_treenode* l : leaves) {
            if (prev) {
                prev->right = l;
                prev->sibling = l;
            } else {
                r->right = l;
                r->son = l;
            }
            l->left = prev;
            prev = l;
        }
        return r;
    }

    // The value of the first component of a node's first compound (-1 open).
    static int first_value(bormo::t_treenode* n) {
        return bormo::delayed[n->attributes->first->index].choice;
    }
};
