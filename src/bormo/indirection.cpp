// Indirection: following the pointer lists of a lexical record.
#include "bormo/indirection.hpp"

#include <cstdlib>
#include <cstring>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/reader.hpp"
#include "bormo/vline.hpp"

namespace bormo {

std::array<std::string, MAXINDITEMS> ind_items{};
int ind_count = 0;
std::array<char, POINTERSIZE> ind_pointer{};
std::array<char, CATSIZE> ind_category{};

namespace {

void add_item(const std::string& s) {
    if (ind_count < MAXINDITEMS) ind_items[ind_count++] = s;
}

// Copies s into a fixed buffer, cutting what does not fit.
template <size_t N> void set_buffer(std::array<char, N>& buf, const std::string& s) {
    size_t n = s.size() < N - 1 ? s.size() : N - 1;
    std::memcpy(buf.data(), s.data(), n);
    buf[n] = 0;
}

const char* tag_text(const char* tag) {
    return tag ? tag : "";
}

} // namespace

std::string record_text(const char* record) {
    std::string out;
    for (const char* p = record; p && *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == ATTRCODE && p[1] && p[2]) {
            int type = static_cast<unsigned char>(p[1]);
            int value = static_cast<unsigned char>(p[2]);
            out += att_get_name(type, value == BAREVALUE ? -1 : value);
            p += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

const char* locate_strings(const char* text) {
    ind_count = 0;
    enum { TAG, POINTER, CATEGORY } state = TAG;
    const char* p = text ? text : "";
    if (*p == '"') {
        add_item("");
        state = POINTER;
    }
    std::string cur;
    bool quoted = false;
    for (;; ++p) {
        char c = *p;
        if (quoted && c != 0) {
            cur += c;
            if (c == '"') quoted = false;
            continue;
        }
        bool end = c == 0 || c == '|' || c == ';';
        if (c == '"') {
            quoted = true;
            cur += c;
        } else if (c == ',' || c == '/' || c == ':' || end) {
            if (state == TAG) {
                add_item(cur);
                state = POINTER;
            } else if (state == POINTER) {
                if (!cur.empty() || !end) {
                    add_item(cur);
                    if (c == '/' || c == ':') {
                        state = CATEGORY;
                    } else {
                        add_item("");
                    }
                }
            } else {
                add_item(cur);
                state = POINTER;
            }
            cur.clear();
            if (end) break;
        } else if (c != ' ') {
            cur += c;
        }
    }
    return *p == ';' ? p + 1 : p;
}

const char* forward_next_tag(const char* text) {
    bool quoted = false;
    const char* p = text ? text : "";
    for (; *p; ++p) {
        if (*p == '"') quoted = !quoted;
        if (quoted) continue;
        if (*p == ';') return p + 1;
        if (*p == '|') break;
    }
    v_print(MSGCORE, "[Indirection] Unexpected end of lexical entry");
    return p;
}

void findtag(const char* record, int n, const char* tag) {
    ind_pointer[0] = 0;
    ind_category[0] = 0;
    std::string rec = record_text(record);
    const char* field = n >= 1 ? getfieldptr(record, n) : "";
    if (*field == 0) {
        v_printf(MSGCORE, "Field %d does not exist in %s", n, rec.c_str());
        return;
    }
    const char* p = field;
    bool found = false;
    while (*p && *p != '|') {
        const char* next = locate_strings(p);
        const std::string& t = ind_count > 0 ? ind_items[0] : std::string();
        if (t == tag_text(tag)) {
            found = true;
            break;
        }
        if (next == p) break;
        p = next;
    }
    if (!found) {
        v_printf(MSGCORE, "Tag %s not present in field %d of %s", tag_text(tag), n, rec.c_str());
        return;
    }
    int k = ind_count / 2;
    if (k == 0) {
        v_printf(MSGCORE, "No pointers found for tag %s, field %d in %s", tag_text(tag), n,
                 rec.c_str());
        return;
    }
    int r = getrandom(k);
    const std::string& ptr = ind_items[1 + 2 * r];
    // The pointer without its quotes (a pointer written without them is taken whole).
    bool quoted = ptr.size() >= 2 && ptr.front() == '"' && ptr.back() == '"';
    set_buffer(ind_pointer, quoted ? ptr.substr(1, ptr.size() - 2) : ptr);
    set_buffer(ind_category, 2 + 2 * r < ind_count ? ind_items[2 + 2 * r] : std::string());
}

attr_list construct_attr_indir(t_treenode* node, const char* text) {
    attr_list list = nullptr;
    const char* p = text ? text : "";
    if (*p == '[') ++p;
    while (*p && *p != ']') {
        std::string item;
        while (*p && *p != ',' && *p != ']')
            item += *p++;
        if (*p == ',') ++p;
        size_t b = item.find_first_not_of(' ');
        if (b == std::string::npos) continue;
        item = item.substr(b);
        if (item[0] == '!') {
            text_to_comp_array(item.c_str() + 1, 1);
            if (attr_index == 0 || !node) continue;
            comp_attr have = find_attr(node->attributes);
            if (have) add_attr_to_list(&list, dup_decon_comp_attr(have));
        } else {
            text_to_comp_array(item.c_str(), 1);
            if (attr_index == 0) continue;
            comp_attr c = make_comp_attr();
            if (c) add_attr_to_list(&list, c);
        }
    }
    return list;
}

void process_indirect_ops(t_treenode* leaf) {
    if (!leaf) return;
    for (indir_list l = leaf->indirections; l; l = l->next) {
        t_indirection ind = l->indir_node;
        if (!ind) continue;
        if (!leaf->dictionary) return;
        const char* record = leaf->dictionary->dictionary;
        if (!record) {
            v_printf(MSGCORE, "wrong tag or field number? tag %s in field %d", tag_text(ind->tag),
                     ind->fieldnum);
            return;
        }
        findtag(record, ind->fieldnum, ind->tag);
        if (ind_pointer[0] == 0) {
            v_printf(MSGCORE, "No proper pointer obtained: tag %s, field %d in %s",
                     tag_text(ind->tag), ind->fieldnum, record_text(record).c_str());
            return;
        }
        if (d_table_count >= DICTSIZE) return; // no free lookup: the leaf keeps its word
        attr_list fresh = ind->attributes ? construct_attr_indir(leaf, ind->attributes) : nullptr;
        std::string category = ind_category.data();
        if (category.empty()) {
            // The old word's own terminal category: the identifier opening field 2.
            const char* f2 = getfieldptr(record, 2);
            while (*f2 == ' ')
                ++f2;
            while (*f2 && *f2 != '|' && *f2 != ' ')
                category += *f2++;
        }
        int at = d_table_count++;
        t_dict_lookup& e = dict_table[at];
        e.class_ = strdup_(category.c_str());
        e.dictionary = nullptr;
        e.attributes = fresh;
        e.preferredchoice = strdup_(ind_pointer.data());
        e.error = 0;
        e.fields = nullptr;
        e.pointed_at = 1;
        e.vf = -1;
        e.lspseq = nullptr;
        leaf->dictionary = &e;
        leaf->index = at;
        purge_attr_list(&leaf->attributes);
        leaf->attributes = duplicate_attr_list(fresh);
        getdictent(&e);
        if (e.error != 0) {
            v_err("Unable to match indirection pointer", "", "");
            v_printf(MSGCORE, "category: %s, pointer: %s, error number: %d", e.class_,
                     e.preferredchoice, e.error);
            return;
        }
    }
}

void process_indirections(t_treenode* tree) {
    if (!tree) return;
    if (!tree->son) {
        process_indirect_ops(tree);
        return;
    }
    for (t_treenode* n = tree->son; n; n = n->sibling)
        process_indirections(n);
}

void resetindirection() {
    for (auto& s : ind_items)
        s.clear();
    ind_count = 0;
    ind_pointer[0] = 0;
    ind_category[0] = 0;
}

} // namespace bormo
