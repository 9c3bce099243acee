// Stored trees: writing the trees and lookups of a run as lines, reading them
// back, and the sentence hand-over to a driver program.
#include "bormo/storedtrees.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/reader.hpp"
#include "bormo/sentences.hpp"
#include "bormo/vline.hpp"
#include "editor/frontend.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"

namespace bormo {

std::array<char, SIGSIZE + 1> signature{};
int siglen = 0;
std::array<std::vector<std::string>, RECOVERROWS> recoveredstrings;
int nodetorecover = -1;
int nodecounter = 0;
int storedest = DEST_CORE;
driversendfn driversend = nullptr;

namespace {

const char* const CAUSE = "Unable to recover tree. Cause:";

// The path of the node being written; it may grow past the stored limit,
// which the reader refuses.
std::string path;

bool to_driver() {
    return storedest == DEST_DRIVER && driversend != nullptr;
}

// Places text at the top of the heap, cut to what fits, and transmits it.
void send_line(const std::string& text) {
    size_t n = text.size();
    if (oxa::avail + static_cast<int64_t>(n) + 1 > oxa::HEAPSIZE) oxa::garbage();
    int64_t room = oxa::HEAPSIZE - oxa::avail - 1;
    if (room < 0) return;
    if (static_cast<int64_t>(n) > room) n = static_cast<size_t>(room);
    std::memcpy(&oxa::textbase[oxa::avail], text.data(), n);
    oxa::textbase[oxa::avail + static_cast<int64_t>(n)] = 0;
    transmit();
}

// The attribute field of a lexical record written as value names: each
// encoded attribute its value's name, each blank ", "; signs are kept when
// `signs` is set.  `decoded` counts the attributes written.
std::string decode_field(const char* p, const char* end, bool signs, int& decoded) {
    std::string out;
    decoded = 0;
    while (p < end) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == ATTRCODE && p + 2 < end) {
            int type = static_cast<unsigned char>(p[1]);
            int value = static_cast<unsigned char>(p[2]);
            const char* name = att_get_name(type, value == BAREVALUE ? -1 : value);
            out += name ? name : "";
            ++decoded;
            p += 3;
        } else if (c == ' ') {
            out += ", ";
            ++p;
        } else {
            if (signs || (c != '<' && c != '>')) out += static_cast<char>(c);
            ++p;
        }
    }
    return out;
}

// Compound attributes read from value names ("a.b, c"), each component a new
// delay-table entry with the value named (a type name gives an open value).
attr_list names_to_attributes(const std::string& text) {
    attr_list list = nullptr;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string item;
        for (size_t i = start; i < comma; ++i)
            if (text[i] != ' ') item += text[i];
        if (!item.empty()) {
            text_to_comp_array(item.c_str(), 0);
            if (attr_index > 0) add_attr_to_list(&list, make_full_comp_attr());
        }
        start = comma + 1;
    }
    return list;
}

// The fields of a stored line, each without its '|' (quotes keep a '|').
std::vector<std::string> split_fields(const std::string& line) {
    std::vector<std::string> out;
    std::string f;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == '|' && !quoted) {
            out.push_back(f);
            f.clear();
        } else {
            f += c;
        }
    }
    if (!f.empty()) out.push_back(f);
    return out;
}

void storeleaves(t_treenode* n) {
    for (; n; n = n->sibling) {
        if (n->son)
            storeleaves(n->son);
        else
            storenode(n, STORE_LEAVES);
    }
}

void walk(t_treenode* node, int style) {
    for (bool first = true; node; node = node->sibling, first = false) {
        if (!first) path += 'R';
        siglen = static_cast<int>(std::min<size_t>(path.size(), SIGSIZE));
        std::memcpy(signature.data(), path.data(), static_cast<size_t>(siglen));
        signature[static_cast<size_t>(siglen)] = 0;
        storenode(node, style);
        if (node->son) {
            size_t keep = path.size();
            path += 'S';
            walk(node->son, style);
            path.resize(keep);
        }
    }
}

// ------------------------------------------------------------------ reading

// Longest path the reader accepts: the tokenizer's identifier, within the
// path buffer.
constexpr size_t MAXPATH = std::min<size_t>(MAXIDENT, SIGSIZE);

// Whether every node path of the full trees in the file fits.
bool paths_fit(const char* filename) {
    FILE* f = std::fopen(filename, "r");
    if (!f) return true;
    bool fits = true;
    bool full = false;
    std::string line;
    for (int c = std::fgetc(f);; c = std::fgetc(f)) {
        if (c != '\n' && c != EOF) {
            line += static_cast<char>(c);
            continue;
        }
        if (line == "%") break;
        if (!line.empty() && line[0] == '$') {
            full = line.size() > 1 && line[1] == 't';
        } else if (full) {
            size_t bar = line.find('|');
            if (bar != std::string::npos && bar > MAXPATH) fits = false;
        }
        line.clear();
        if (c == EOF || !fits) break;
    }
    std::fclose(f);
    return fits;
}

int row_of(long number) {
    if (number >= 0 && number < NTREES) return static_cast<int>(number);
    if (number == OLDROOTNUMBER) return OLDROOTROW;
    return -1;
}

t_treenode*& tree_of_row(int row) {
    static t_treenode* none = nullptr;
    if (row == 0) return root;
    if (row == OLDROOTROW) return oldroot;
    if (row > 0 && row < NTREES) return rootPtrs[static_cast<size_t>(row)];
    none = nullptr;
    return none;
}

void make_root(int row) {
    t_treenode*& t = tree_of_row(row);
    if (t) return;
    if (row == 0)
        t = makenode("ROOT");
    else if (row == OLDROOTROW)
        t = makenode("OLDROOT");
    else
        t = makenode(tree_roots[static_cast<size_t>(row)].rulename);
}

// The rest of the current line as text: identifiers as their text, every
// other token as its character.  The line end is consumed.
std::string rest_of_line() {
    std::string text;
    for (;;) {
        int t = v_peep();
        if (t == T_EOF) break;
        if (t == T_NEWLINE) {
            v_next();
            break;
        }
        if (t == T_IDENT)
            text += identbuf.data();
        else if (t == T_PERCENT)
            text += '%';
        else
            text += static_cast<char>(t);
        v_next();
    }
    return text;
}

// Gives a node the fields of a stored line from field `f` on (name already used).
void fill_node(t_treenode* node, const std::vector<std::string>& fields, size_t f) {
    if (f < fields.size()) {
        purge_attr_list(&node->attributes);
        node->attributes = names_to_attributes(fields[f]);
    }
    // fields[f + 1] is the indirection count: not restored.
    if (f + 2 < fields.size()) {
        std::string w = fields[f + 2];
        if (w.size() >= 2 && w.front() == '"' && w.back() == '"') w = w.substr(1, w.size() - 2);
        if (!w.empty()) {
            std::free(node->morphed_word);
            node->morphed_word = strdup_(w.c_str());
        }
    }
    if (f + 3 < fields.size() && fields[f + 3].compare(0, 4, "LEX_") == 0) {
        const char* digits = fields[f + 3].c_str() + 4;
        char* end = nullptr;
        long n = std::strtol(digits, &end, 10);
        if (end != digits && n >= 0 && n < DICTSIZE) {
            node->dictionary = &dict_table[static_cast<size_t>(n)];
            node->index = static_cast<int>(n);
        }
    }
}

void rebuild_tree(int row) {
    t_treenode* tree = tree_of_row(row);
    if (!tree) return;
    for (const std::string& line : recoveredstrings[static_cast<size_t>(row)]) {
        std::vector<std::string> fields = split_fields(line);
        if (fields.size() < 2) continue;
        t_treenode* node = nullptr;
        size_t f;
        if (fields[0] == "TREE") {
            if (fields.size() < 4) continue;
            const std::string& p = fields[1];
            f = 4;
            if (p == "N") {
                node = tree;
                purge_attr_list(&node->attributes);
            } else {
                t_treenode* at = tree;
                for (size_t i = 0; at && i + 1 < p.size(); ++i)
                    at = p[i] == 'S' ? at->son : p[i] == 'R' ? at->sibling : nullptr;
                char last = p.empty() ? 0 : p.back();
                t_treenode** slot = !at           ? nullptr
                                    : last == 'S' ? &at->son
                                    : last == 'R' ? &at->sibling
                                                  : nullptr;
                if (!slot || *slot) {
                    v_err(CAUSE, "Invalid node path: ", p.c_str());
                    continue;
                }
                node = makenode(fields[3].c_str());
                *slot = node;
            }
        } else {
            f = 2;
            node = makenode(fields[1].c_str());
            t_treenode** tail = &tree->son;
            while (*tail)
                tail = &(*tail)->sibling;
            *tail = node;
        }
        fill_node(node, fields, f);
    }
    thread(tree);
}

} // namespace

// ------------------------------------------------------------------ writing

// No tree at all: neither a generated or recovered ROOT nor any numbered
// tree (a recovered set of QUESTION/ANSWER trees has no ROOT).
int there_has_been_no_generation() {
    if (root) return 0;
    for (int i = 1; i < NTREES; ++i)
        if (rootPtrs[static_cast<size_t>(i)]) return 0;
    return 1;
}

void transmit() {
    const char* text = reinterpret_cast<const char*>(&oxa::textbase[oxa::avail]);
    if (to_driver()) {
        size_t n = strnlen(text, static_cast<size_t>(oxa::HEAPSIZE - oxa::avail));
        std::string line(text, n);
        line += '\n';
        driversend(line.data(), line.size());
    } else {
        v_line(oxa::corenum, oxa::K_TEXT);
    }
}

void store(int style, int destination) {
    if (there_has_been_no_generation()) return;
    if (style < STORE_LEAVES || style > STORE_INDENTED) style = STORE_FULL;
    storedest = destination;
    send_line("$u");
    bool numbered = false;
    for (int i = 1; i < NTREES; ++i)
        if (rootPtrs[static_cast<size_t>(i)]) numbered = true;
    if (numbered) {
        for (int i = 1; i < NTREES; ++i)
            if (rootPtrs[static_cast<size_t>(i)])
                storesingle(rootPtrs[static_cast<size_t>(i)], i, style);
    } else {
        if (oldroot) storesingle(oldroot, OLDROOTNUMBER, style);
        storesingle(root, 0, style);
    }
    storelexicon();
    send_line("%");
    if (style == STORE_FULL && to_driver()) send_line("=");
    storedest = DEST_CORE;
}

void storesingle(t_treenode* tree, int number, int style) {
    if (!tree) return;
    char header[32];
    std::snprintf(header, sizeof header, "$%c %d", style == STORE_LEAVES ? 'l' : 't', number);
    send_line(header);
    if (style == STORE_LEAVES)
        storeleafnodes(tree);
    else
        storetree(tree, style);
}

void storetree(t_treenode* node, int style) {
    if (!node) return;
    path.clear();
    siglen = 0;
    signature[0] = 0;
    // The tree's root is written alone: its siblings belong to no tree.
    storenode(node, style);
    if (node->son) {
        path = "S";
        walk(node->son, style);
    }
    path.clear();
}

void storeleafnodes(t_treenode* tree) {
    if (!tree) return;
    // A tree of one node is its own leaf.
    if (!tree->son)
        storenode(tree, STORE_LEAVES);
    else
        storeleaves(tree->son);
}

void storenode(t_treenode* node, int style) {
    if (!node) return;
    std::string line;
    if (style == STORE_FULL) {
        line += path.empty() ? "N" : path;
        line += "|G|";
    } else if (style == STORE_INDENTED) {
        for (char c : path)
            if (c == 'S') line += "  ";
    }
    line += node->name ? node->name : "";
    line += '|';
    char* attrs = print_attr_list(node->attributes);
    line += attrs;
    std::free(attrs);
    line += '|';
    line += std::to_string(indirect_count(node->indirections));
    line += "|\"";
    line += node->morphed_word ? node->morphed_word : "";
    line += "\"|";
    if (node->dictionary) line += "LEX_" + std::to_string(node->index);
    line += '|';
    send_line(line);
}

char* outputrecord(const char* record) {
    if (!record) return strdup_("");
    std::string out;
    const char* p = record;
    for (int field = 1; *p; ++field) {
        const char* end = std::strchr(p, '|');
        if (!end) end = p + std::strlen(p);
        if (field == 3) {
            int decoded = 0;
            std::string names = decode_field(p, end, true, decoded);
            if (decoded > 0 && names.size() > 2) names.resize(names.size() - 2);
            out += names;
        } else {
            out.append(p, end);
        }
        if (*end == '|') {
            out += '|';
            p = end + 1;
        } else {
            p = end;
        }
    }
    return strdup_(out.c_str());
}

void storelexicon() {
    send_line("$L");
    for (int i = 0; i < d_table_count && i < DICTSIZE; ++i) {
        const t_dict_lookup& d = dict_table[static_cast<size_t>(i)];
        std::string line = "{LEX_" + std::to_string(i) + "} ";
        const char* cls = d.class_ ? d.class_ : "";
        if (d.dictionary) {
            char* rec = outputrecord(d.dictionary);
            line += rec;
            std::free(rec);
        } else if (d.error == 3) {
            line += std::string("*no lexical entry found for ") + cls;
        } else if (d.error == 1) {
            line += std::string("*terminal not found ") + cls;
        } else {
            line += "*unused";
        }
        send_line(line);
    }
}

// ------------------------------------------------------------------ reading

void restorenode(const char* filename) {
    if (!filename || !*filename) {
        v_printf(MSGCORE, "%s filename not specified.", CAUSE);
        return;
    }
    FILE* probe = std::fopen(filename, "r");
    if (!probe) {
        v_printf(MSGCORE, "%s filename [%s] does not exist or insufficient access", CAUSE,
                 filename);
        return;
    }
    std::fclose(probe);

    // The whole generation state goes.
    clear_GP();
    purge_all_trees();
    for (auto& s : genSentences) {
        std::free(s);
        s = nullptr;
    }
    clearrecoveredlexicon();
    purgelookups(0);
    d_table_count = 0;
    for (auto& r : recoveredstrings)
        r.clear();
    nodetorecover = -1;
    nodecounter = 0;

    // A path is read as one identifier, so a longer one would come back cut:
    // such a set is refused before anything is built.
    file_operation = "stored tree input";
    file_position.clear();
    if (!paths_fit(filename)) {
        v_err(CAUSE, "Node path too long.", "");
        return;
    }

    // Restored records by entry number.  The tokenizer drops the braced
    // number as a comment, so an entry's number is its line's place in the
    // lexicon section, which is how the writer numbers them.
    std::array<char*, DICTSIZE> restored{};
    int lexline = 0;
    int section = 0;
    bool failed = false;

    openfile(filename, 1);
    while (!failed) {
        int t = v_peep();
        if (t == T_EOF || t == T_PERCENT) break;
        if (t == T_NEWLINE) {
            v_next();
            continue;
        }
        if (t == '$') {
            v_next();
            if (v_peep() != T_IDENT) {
                v_err(CAUSE, "Invalid identifier encountered.", "");
                failed = true;
                break;
            }
            std::string id = identbuf.data();
            v_next();
            if (id == "t" || id == "l") {
                section = id[0];
                std::string num = rest_of_line();
                char* end = nullptr;
                long n = std::strtol(num.c_str(), &end, 10);
                int row = (end != num.c_str()) ? row_of(n) : -1;
                if (row < 0) {
                    v_err(CAUSE, "Invalid tree number: ", num.c_str());
                    failed = true;
                    break;
                }
                nodetorecover = row;
                nodecounter = static_cast<int>(recoveredstrings[static_cast<size_t>(row)].size());
                make_root(row);
            } else {
                if (id == "u" || id == "L") section = id[0];
                if (id == "L") lexline = 0;
                rest_of_line();
            }
            continue;
        }
        if (section == 't' || section == 'l') {
            std::string line = rest_of_line();
            if (nodetorecover < 0) continue;
            auto& rows = recoveredstrings[static_cast<size_t>(nodetorecover)];
            if (nodecounter >= RECOVERLINES) {
                v_err(CAUSE, "Too many node lines in one tree.", "");
                failed = true;
                break;
            }
            rows.push_back(std::string(section == 't' ? "TREE|" : "LIST|") + line);
            ++nodecounter;
        } else if (section == 'L') {
            if (t == '*') {
                rest_of_line();
            } else if (lexline >= DICTSIZE) {
                v_err(CAUSE, "Too many lexical entries.", "");
                failed = true;
                break;
            } else {
                int before = lastrestored;
                if (readentry(0) && lastrestored > before)
                    restored[static_cast<size_t>(lexline)] =
                        restoredlexarray[static_cast<size_t>(lastrestored - 1)]->recordptr;
            }
            ++lexline;
        } else {
            rest_of_line();
        }
    }
    closefile();
    if (failed) return;

    // Lookups.
    for (int m = 0; m < DICTSIZE; ++m) {
        char* rec = restored[static_cast<size_t>(m)];
        if (!rec) continue;
        t_dict_lookup& d = dict_table[static_cast<size_t>(m)];
        d.dictionary = rec;
        d.pointed_at = 1;
        d.preferredchoice = nullptr;
        d.fields = nullptr;
        d.lspseq = nullptr;
        d.error = 0;
        d.vf = -1;
        const char* f2 = getfieldptr(rec, 2);
        const char* f2end = std::strchr(f2, '|');
        release_class(d);
        d.class_ = strdup_(std::string(f2, f2end ? f2end : f2 + std::strlen(f2)).c_str());
        const char* f3 = getfieldptr(rec, 3);
        const char* f3end = std::strchr(f3, '|');
        int decoded = 0;
        std::string names = decode_field(f3, f3end ? f3end : f3 + std::strlen(f3), false, decoded);
        purge_attr_list(&d.attributes);
        d.attributes = names_to_attributes(names);
        // Every restored entry lies below the count, gaps included.
        d_table_count = m + 1;
    }

    // Trees, then their sentences.
    for (int row = 0; row < RECOVERROWS; ++row)
        rebuild_tree(row);
    for (int i = 0; i < NTREES; ++i) {
        t_treenode* tree = tree_of_row(i);
        if (!tree) continue;
        new_extract_sentence(tree);
        postmorph();
        std::free(genSentences[static_cast<size_t>(i)]);
        genSentences[static_cast<size_t>(i)] = strdup_(sentbuf2.data());
    }
    nodetorecover = -1;
}

void talk(int treenumber) {
    if (!driversend || treenumber < 0 || treenumber >= NTREES) return;
    const char* s = genSentences[static_cast<size_t>(treenumber)];
    if (!s) return;
    std::string text = "START";
    text += s;
    text += "END\n";
    driversend(text.data(), text.size());
}

void vstoretree() {
    if (there_has_been_no_generation()) {
        oxa::diserr("No generated sentence");
        return;
    }
    store(oxa::param[1], oxa::param[2]);
    oxa::redisplay = oxa::RP_ALL;
}

void vrestoretree() {
    restorenode(oxa::picstring.data());
    oxa::redisplay = oxa::RP_ALL;
}

void vtalk() {
    talk(oxa::param[1]);
}

void resetstoredtrees() {
    signature.fill(0);
    siglen = 0;
    for (auto& r : recoveredstrings)
        r.clear();
    nodetorecover = -1;
    nodecounter = 0;
    storedest = DEST_CORE;
    driversend = nullptr;
    path.clear();
}

} // namespace bormo
