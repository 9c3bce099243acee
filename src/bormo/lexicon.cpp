// Terminals and lexicon.
#include "bormo/lexicon.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/hashing.hpp"
#include "bormo/lazytable.hpp"
#include "bormo/lextrans.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/syntax.hpp"
#include "bormo/vline.hpp"
#include "editor/frontend.hpp"

namespace bormo {

std::array<std::string, MAXTERMINALS> terminal_table;
int terminal_count = 0;
recnode** dictionary = nullptr;
int dictterm = -1;
std::array<recnode*, MAXRESTORED> restoredlexarray{};
int lastrestored = 0;
std::array<lex_comp, MAXLEXCOMP> lexatt{};
int lexatt_index = 0;
std::array<recnode*, MAXCANDIDATES> nodearray{};
std::array<long, MAXCANDIDATES> prob_array{};
recnode* const* candnodes = nodearray.data();
// Entries of nodearray from here on have never been written since the last
// reset (they are null).
namespace {
int nodeshigh = 0;
}
const long* candsums = prob_array.data();
int numnodes = 0;
long prob_tot = 0;
long lexerrors = 0;
long lexentries = 0;

namespace {

int lastterm = -1; // the terminal found last by lookup_terminal

// Candidate sets of recent look-ups, keyed by the terminal name and
// everything the look-up requires, written as codes (`lookupkey`).  A set is
// used again only for the pack revision it was collected at: adding or
// removing an entry, changing a frequency or the terminals is a change of
// the pack.
struct candidates {
    uint64_t stamp = 0; // packrevision when collected; 0 for a slot never used
    std::uint64_t hash = 0;
    std::size_t keylen = 0;
    std::vector<std::uint64_t> key; // the key in words, the last padded with zeros
    std::vector<recnode*> nodes;
    std::vector<long> sums;
};
constexpr std::size_t CANDSLOTS = 1024; // a power of two
constexpr std::size_t MAXCANDUSED = CANDSLOTS / 4 * 3;
constexpr std::size_t MAXKEPT = std::size_t{1} << 18; // candidates kept in all sets
lazytable<candidates, CANDSLOTS> candcache;
std::size_t candused = 0; // slots ever filled since the last wipe
std::size_t candkept = 0; // room taken by the kept sets, in candidates

// The candidate arrays as the candidates of the last look-up.
void candidates_collected() {
    candnodes = nodearray.data();
    candsums = prob_array.data();
}

// Empties every slot and gives their memory back.
void wipe_candidates() {
    candidates_collected();
    for (candidates& c : candcache) {
        c.stamp = 0;
        c.keylen = 0;
        std::vector<std::uint64_t>().swap(c.key);
        std::vector<recnode*>().swap(c.nodes);
        std::vector<long>().swap(c.sums);
    }
    candused = 0;
    candkept = 0;
}

// Where the first fields of each entry in the lexicon lists start, noted
// when the entry is stored, so that a field is found without walking the
// attribute codes again.  Fields never move in place (a frequency change
// rewrites four digits over four), and the table is wiped whenever entries
// are freed.  An open table keyed by the entry's text; a null text marks a
// free slot.
constexpr int MARKEDFIELDS = 8;
struct fieldmark {
    const char* record = nullptr;
    std::array<std::uint16_t, MARKEDFIELDS> start{}; // offset of field k + 1
};
std::vector<fieldmark> fieldmarks; // empty, or a power of two in size
std::size_t fieldmarked = 0;

std::size_t mark_home(const char* record) {
    return static_cast<std::size_t>(mixaddress(record) >> 32) & (fieldmarks.size() - 1);
}

void wipe_fieldmarks() {
    fieldmarks.clear();
    fieldmarked = 0;
}

void put_fieldmark(std::vector<fieldmark>& table, const fieldmark& m) {
    std::size_t i = mark_home(m.record);
    while (table[i].record)
        i = (i + 1) & (table.size() - 1);
    table[i] = m;
}

const char* field_walk(const char* p, int n, int from);

// Notes the fields of a stored entry (at most MAXENTRYLEN characters long).
void add_fieldmark(const char* record) {
    if ((fieldmarked + 1) * 2 > fieldmarks.size()) {
        std::vector<fieldmark> old;
        old.swap(fieldmarks);
        fieldmarks.assign(old.empty() ? 256 : old.size() * 2, fieldmark{});
        for (const fieldmark& m : old)
            if (m.record) put_fieldmark(fieldmarks, m);
    }
    fieldmark m;
    m.record = record;
    const char* p = record;
    for (int k = 0; k < MARKEDFIELDS; ++k) {
        if (k > 0) p = field_walk(p, k + 1, k);
        m.start[k] = static_cast<std::uint16_t>(p - record);
    }
    put_fieldmark(fieldmarks, m);
    ++fieldmarked;
}

// The noted fields of a stored entry, or null for any other text.
const fieldmark* marks_of(const char* record) {
    if (fieldmarked == 0) return nullptr;
    for (std::size_t i = mark_home(record);; i = (i + 1) & (fieldmarks.size() - 1)) {
        const fieldmark& m = fieldmarks[i];
        if (m.record == record) return &m;
        if (!m.record) return nullptr;
    }
}

constexpr int POSITIONLEN = 39; // characters of field 1 shown in error lines

// Counts a lexicon error; only the first ones are written.
void lexerr(const char* a, const std::string& b = "", const char* c = "") {
    ++lexerrors;
    if (lexerrors <= MAXLEXERRORS) v_err(a, b.c_str(), c);
}

void free_list(recnode* n) {
    while (n) {
        recnode* p = n->previous;
        delete[] n->recordptr;
        delete n;
        n = p;
    }
}

char* copy_text(const std::string& s) {
    char* t = new char[s.size() + 1];
    std::memcpy(t, s.data(), s.size());
    t[s.size()] = 0;
    return t;
}

// The word of an entry (or a pattern): the text between its opening and
// closing quotes, or up to '|' when it has no opening quote.
std::string word_of(const char* s) {
    std::string w;
    if (*s == '"') {
        ++s;
        while (*s && *s != '"')
            w += *s++;
    } else {
        while (*s && *s != '|')
            w += *s++;
    }
    return w;
}

} // namespace

// ---------------------------------------------------------------- terminals

void read_terminals(const char* name) {
    packload loading;
    pack_changed();
    file_operation = "terminals input";
    file_position.clear();
    openfile(name, 0);
    while (v_peep() != T_EOF) {
        int t = v_peep();
        if (t == T_IDENT) {
            const char* id = identbuf.data();
            if (lookup_terminal(id) >= 0) {
                v_err("Repeated terminal", id, "");
            } else if (terminal_count >= MAXTERMINALS) {
                v_err("Too many terminals", id, "");
            } else {
                terminal_table[terminal_count++] = id;
            }
        } else {
            v_err("Unexpected symbol", tok2str(t).c_str(), "");
        }
        v_next();
    }
    file_operation.clear();
}

int lookup_terminal(const char* symbol) {
    if (!symbol) return -1;
    size_t len = 0;
    while (symbol[len] && symbol[len] != '|')
        ++len;
    auto same = [&](int i) {
        const std::string& t = terminal_table[i];
        return t.size() == len && t.compare(0, len, symbol, len) == 0;
    };
    if (lastterm >= 0 && lastterm < terminal_count && same(lastterm)) return lastterm;
    for (int i = 0; i < terminal_count; ++i)
        if (same(i)) return lastterm = i;
    return -1;
}

void clear_terminals() {
    pack_changed();
    for (int i = 0; i < terminal_count; ++i)
        terminal_table[i].clear();
    terminal_count = 0;
    lastterm = -1;
}

// ---------------------------------------------------------------- lexicon file

void initdict() {
    clearlexicon();
    pack_changed();
    dictterm = terminal_count;
    dictionary = new recnode*[dictterm > 0 ? dictterm : 1]();
}

void clearlexicon() {
    lt_cancel_run(); // a lexical transformation run walks the lists
    if (dictionary) {
        for (int i = 0; i < dictterm; ++i)
            free_list(dictionary[i]);
        delete[] dictionary;
    }
    dictionary = nullptr;
    dictterm = -1;
    lexerrors = 0;
    pack_changed();
    wipe_candidates();
    wipe_fieldmarks();
    numnodes = 0;
    prob_tot = 0;
}

void clearrecoveredlexicon() {
    if (lastrestored > 0) pack_changed();
    for (int i = 0; i < lastrestored; ++i) {
        delete[] restoredlexarray[i]->recordptr;
        delete restoredlexarray[i];
        restoredlexarray[i] = nullptr;
    }
    lastrestored = 0;
}

namespace {

// Builds the encoded attribute field from its compounds: sorted by the type
// of the first component, each followed by a blank, then '|'.
void store_attributes(std::string& text, std::vector<std::string>& comps) {
    auto firsttype = [](const std::string& c) {
        size_t k = c.find(static_cast<char>(ATTRCODE));
        return k + 1 < c.size() ? static_cast<unsigned char>(c[k + 1]) : 0;
    };
    std::stable_sort(comps.begin(), comps.end(), [&](const std::string& a, const std::string& b) {
        return firsttype(a) < firsttype(b);
    });
    for (const auto& c : comps) {
        text += c;
        text += ' ';
    }
    text += '|';
    comps.clear();
}

// A compound of the attribute field is built token by token: a component,
// with an optional sign, starts it or follows a '.', and '.' joins two
// components.  A '.' or sign out of place is reported and left out, so that
// the stored field keeps its encoded form.
bool component_expected(const std::string& comp) {
    return comp.empty() || comp.back() == '.' || comp.back() == '<' || comp.back() == '>';
}

// Ends the compound being built: a dangling '.' or sign is reported and left
// out, and what remains joins the field's compounds.
void end_compound(std::string& comp, std::vector<std::string>& comps) {
    if (!comp.empty() && component_expected(comp)) {
        lexerr("Unexpected character in attribute field", tok2str(comp.back()));
        while (!comp.empty() && component_expected(comp))
            comp.pop_back();
    }
    if (!comp.empty()) comps.push_back(comp);
    comp.clear();
}

void store_frequency(std::string& text, long freq, bool seen) {
    char buf[24];
    if (!seen) freq = 1;
    std::snprintf(buf, sizeof buf, "%04ld|", std::min(freq, 9999L));
    text += buf;
}

void skip_line() {
    while (v_peep() != T_NEWLINE && v_peep() != T_EOF)
        v_next();
    if (v_peep() == T_NEWLINE) v_next();
}

} // namespace

int readentry(int linktolexicon) {
    std::string text;
    std::string termname;
    std::vector<std::string> comps;
    std::string comp;
    int field = 1;
    bool any = false;
    long freq = 0;
    bool freqseen = false;
    bool rejected = false;
    file_position.clear();
    while (!rejected) {
        int t = v_peep();
        if (t == T_NEWLINE || t == T_EOF) break;
        any = true;
        const char* id = identbuf.data();
        if (t == '|') {
            if (field == 3) {
                end_compound(comp, comps);
                if (comps.size() > MAXLEXCOMP) {
                    lexerr("Too many compounds in attribute field");
                    rejected = true;
                    break;
                }
                store_attributes(text, comps);
            } else if (field == 4) {
                store_frequency(text, freq, freqseen);
            } else {
                text += '|';
            }
            ++field;
        } else if (field == 3) {
            if (t == T_IDENT) {
                if (!lookup_attr(id)) {
                    lexerr("Unknown attribute", id);
                    rejected = true;
                    break;
                }
                // Components written side by side (blanks are dropped)
                // belong to one compound.
                if (!component_expected(comp)) comp += '.';
                comp += static_cast<char>(ATTRCODE);
                comp += static_cast<char>(att_class);
                comp += static_cast<char>(att_value < 0 ? BAREVALUE : att_value);
            } else if ((t == '.' && !component_expected(comp)) ||
                       ((t == '<' || t == '>') && (comp.empty() || comp.back() == '.'))) {
                comp += static_cast<char>(t);
            } else if (t == ',') {
                end_compound(comp, comps);
            } else {
                lexerr("Unexpected character in attribute field", tok2str(t));
            }
        } else if (field == 4) {
            if (t == T_IDENT && !freqseen) {
                freqseen = true;
                freq = 0;
                for (const char* p = id; std::isdigit(static_cast<unsigned char>(*p)); ++p)
                    freq = std::min(freq * 10 + (*p - '0'), 100000L);
            }
        } else {
            if (t == T_IDENT)
                text += id;
            else
                text += static_cast<char>(t);
            if (field == 1) v_setposition(text.substr(0, POSITIONLEN));
            // The terminal is the whole field as stored, so that an entry is
            // never filed under a name its field 2 does not hold.
            if (field == 2 && termname.size() < POSITIONLEN)
                termname += (t == T_IDENT ? std::string(id) : std::string(1, static_cast<char>(t)))
                                .substr(0, POSITIONLEN - termname.size());
        }
        if (text.size() > MAXENTRYLEN) {
            lexerr("Entry is too long");
            rejected = true;
            break;
        }
        v_next();
    }
    if (rejected) {
        skip_line();
        return 0;
    }
    if (v_peep() == T_NEWLINE) v_next();
    if (!any) return 0;
    if (field < 3) {
        lexerr("Entry has fewer than two complete fields");
        return 0;
    }
    int term = lookup_terminal(termname.c_str());
    if (term < 0) {
        lexerr("Terminal not found:", termname);
        return 0;
    }
    // Close an unfinished field, then add the missing ones.
    if (field == 3 && (!comp.empty() || !comps.empty())) {
        end_compound(comp, comps);
        store_attributes(text, comps);
        ++field;
    } else if (field == 4 && freqseen) {
        store_frequency(text, freq, true);
        ++field;
    } else if (text.back() != '|') {
        text += '|';
        ++field;
    }
    for (; field <= 6; ++field) {
        if (field == 4)
            store_frequency(text, 0, false);
        else
            text += '|';
    }
    if (text.compare(0, 2, "\\r") == 0) text.erase(0, 2);
    if (text.size() > MAXENTRYLEN) {
        lexerr("Entry is too long");
        return 0;
    }
    recnode* node;
    try {
        node = new recnode{nullptr, copy_text(text)};
    } catch (const std::bad_alloc&) {
        lexerr("Inadequate working space");
        return 0;
    }
    if (linktolexicon) {
        if (!dictionary || term >= dictterm) {
            delete[] node->recordptr;
            delete node;
            lexerr("Terminal not found:", termname);
            return 0;
        }
        try {
            add_fieldmark(node->recordptr);
        } catch (const std::bad_alloc&) {
            delete[] node->recordptr;
            delete node;
            lexerr("Inadequate working space");
            return 0;
        }
        node->previous = dictionary[term];
        dictionary[term] = node;
        pack_changed();
    } else {
        if (lastrestored >= MAXRESTORED) {
            delete[] node->recordptr;
            delete node;
            lexerr("Too many restored entries");
            return 0;
        }
        node->previous = lastrestored > 0 ? restoredlexarray[lastrestored - 1] : nullptr;
        restoredlexarray[lastrestored++] = node;
        pack_changed();
    }
    return 1;
}

void readdict(const char* name) {
    packload loading;
    if (dictterm < 0) initdict();
    file_operation = "lexicon input";
    file_position.clear();
    lexerrors = 0;
    lexentries = 0;
    openfile(name, 1);
    while (v_peep() != T_EOF) {
        if (readentry(1)) {
            ++lexentries;
            if (lexentries % 100 == 0) {
                char buf[64];
                std::snprintf(buf, sizeof buf, "Lexical Entries Processed: %ld", lexentries);
                oxa::progress(buf);
            }
        }
    }
    file_position.clear();
    v_printf(MSGCORE, "Total Words: %ld. Number of Errors: %ld", lexentries, lexerrors);
    file_operation.clear();
}

// ---------------------------------------------------------------- fields

namespace {

// The bytes that stop a walk through a field: the field end, the end of the
// text and, in the attribute field, a code.
constexpr std::array<bool, 256> stop_table(bool codes) {
    std::array<bool, 256> t{};
    t['|'] = true;
    t[0] = true;
    if (codes) t[ATTRCODE] = true;
    return t;
}
constexpr std::array<bool, 256> fieldstop = stop_table(false);
constexpr std::array<bool, 256> codestop = stop_table(true);

bool stops(const std::array<bool, 256>& table, const char* p) {
    return table[static_cast<unsigned char>(*p)];
}

// The position of field n, walking from field `from` at p.
const char* field_walk(const char* p, int n, int from) {
    for (int f = from; f < n; ++f) {
        if (f != 3) {
            while (!stops(fieldstop, p))
                ++p;
        } else {
            // A code and the two bytes after it (which may hold any value,
            // '|' too) are stepped over together.
            for (;;) {
                while (!stops(codestop, p))
                    ++p;
                if (static_cast<unsigned char>(*p) != ATTRCODE) break;
                ++p;
                if (!*p) return p;
                ++p;
                if (!*p) return p;
                ++p;
            }
        }
        if (!*p) return p;
        ++p;
    }
    return p;
}

} // namespace

const char* getfieldptr(const char* record, int n) {
    if (!record) return "";
    if (n >= 2) {
        if (const fieldmark* m = marks_of(record)) {
            if (n <= MARKEDFIELDS) return record + m->start[n - 1];
            return field_walk(record + m->start[MARKEDFIELDS - 1], n, MARKEDFIELDS);
        }
    }
    return field_walk(record, n, 1);
}

char* getfieldptr(char* record, int n) {
    if (!record) return nullptr;
    return const_cast<char*>(getfieldptr(static_cast<const char*>(record), n));
}

int getfrequency(const char* record) {
    const char* p = getfieldptr(record, 4);
    int f = 0;
    while (std::isdigit(static_cast<unsigned char>(*p)))
        f = f * 10 + (*p++ - '0');
    return f;
}

recnode* exactword(const char* word, recnode* list) {
    if (!word) return nullptr;
    std::string pattern = word_of(word);
    for (recnode* n = list; n; n = n->previous) {
        std::string w = word_of(n->recordptr);
        if (match_wild(pattern.c_str(), w.c_str(), '\0', '\0')) return n;
    }
    return nullptr;
}

// ---------------------------------------------------------------- matching

void locate_comp(const char* record) {
    lexatt_index = 0;
    const char* p = getfieldptr(record, 3);
    while (*p && *p != '|' && lexatt_index < MAXLEXCOMP) {
        lex_comp c{p, 0};
        while (*p && *p != ' ' && *p != '|') {
            if (static_cast<unsigned char>(*p) == ATTRCODE) {
                ++c.count;
                for (int k = 0; k < 3 && *p; ++k)
                    ++p;
            } else {
                ++p;
            }
        }
        if (c.count > 0) lexatt[lexatt_index++] = c;
        if (*p == ' ') ++p;
    }
}

namespace {

// The type of the first component of compound i of the entry.
int first_type(int i) {
    const char* p = lexatt[i].start;
    while (*p && static_cast<unsigned char>(*p) != ATTRCODE)
        ++p;
    return *p ? static_cast<unsigned char>(p[1]) : 0;
}

} // namespace

int match_comp(int i) {
    if (lexatt[i].count != attr_index) return 0;
    const char* p = lexatt[i].start;
    for (int k = 0; k < attr_index; ++k)
        attr[k].lttmp = -1;
    for (int k = 0; k < attr_index; ++k) {
        int sign = 0;
        while (*p == '.')
            ++p;
        if (*p == '<' || *p == '>') sign = *p++;
        if (static_cast<unsigned char>(*p) != ATTRCODE || !p[1] || !p[2]) return 0;
        int type = static_cast<unsigned char>(p[1]);
        int value = static_cast<unsigned char>(p[2]);
        p += 3;
        if (type != attr[k].type) return 0;
        if (value == BAREVALUE) continue;
        if (attr[k].value == -1) {
            attr[k].lttmp = value;
            continue;
        }
        if (!valid(sign, type, value, attr[k].value)) return 0;
    }
    return 1;
}

namespace {

// The entry's compounds in `lexatt` against the compound in the working array.
int match_working_array() {
    if (attr_index == 0) return 1;
    for (int i = 0; i < lexatt_index; ++i) {
        if (attr[0].type < first_type(i)) return 0;
        if (match_comp(i)) {
            if (MState == 1)
                for (int k = 0; k < attr_index; ++k)
                    if (attr[k].lttmp != -1) lt_delayed[attr[k].ltindex].choice = attr[k].lttmp;
            return 1;
        }
    }
    return 0;
}

} // namespace

int match_attr(const char* record, attr_list list) {
    locate_comp(record);
    for (attr_list l = list; l; l = l->next) {
        if (MState == 1)
            lt_decompose_comp_attr(l->first);
        else
            decompose_comp_attr(l->first);
        if (!match_working_array()) return 0;
    }
    return 1;
}

int match_single_attr(const char* record) {
    locate_comp(record);
    return match_working_array();
}

// ---------------------------------------------------------------- choice

namespace {

// A required compound, decomposed once per look-up.
struct requirement {
    int count;
    std::array<int, MAXCOMP> type;
    std::array<int, MAXCOMP> value;
};

// Whether an entry offers every required compound (the rules of match_attr,
// without noting proposals, which only matter in the lexical-transformation
// state).
bool offers(const char* rec, const std::vector<requirement>& reqs) {
    if (reqs.empty()) return true;
    const char* p = rec;
    for (int f = 1; f < 3; ++f) {
        while (*p && *p != '|')
            ++p;
        if (!*p) return false;
        ++p;
    }
    std::array<const char*, MAXLEXCOMP> start;
    std::array<int, MAXLEXCOMP> count;
    std::array<int, MAXLEXCOMP> first;
    int n = 0;
    while (*p && *p != '|' && n < MAXLEXCOMP) {
        start[n] = p;
        count[n] = 0;
        first[n] = 0;
        while (*p && *p != ' ' && *p != '|') {
            if (static_cast<unsigned char>(*p) == ATTRCODE) {
                if (!p[1] || !p[2]) return false;
                if (count[n]++ == 0) first[n] = static_cast<unsigned char>(p[1]);
                p += 3;
            } else {
                ++p;
            }
        }
        if (count[n] > 0) ++n;
        if (*p == ' ') ++p;
    }
    for (const requirement& r : reqs) {
        bool matched = false;
        for (int i = 0; i < n && !matched; ++i) {
            if (r.type[0] < first[i]) return false;
            if (count[i] != r.count) continue;
            const char* q = start[i];
            matched = true;
            for (int k = 0; k < r.count && matched; ++k) {
                int sign = 0;
                while (*q == '.')
                    ++q;
                if (*q == '<' || *q == '>') sign = *q++;
                int type = static_cast<unsigned char>(q[1]);
                int value = static_cast<unsigned char>(q[2]);
                q += 3;
                if (type != r.type[k])
                    matched = false;
                else if (value == BAREVALUE || r.value[k] == -1 || value == r.value[k])
                    continue;
                else if (!sign || !valid(sign, type, value, r.value[k]))
                    matched = false;
            }
        }
        if (!matched) return false;
    }
    return true;
}

} // namespace

namespace {

// A look-up written as codes, the key of its candidate set: the terminal name
// and a 0; each required compound as its number of components (one byte),
// then type and value per component (two bytes each); a 0; the word pattern
// and the field restrictions, each behind a byte telling whether it is
// present.  Written into a fixed buffer, so that a look-up whose set is kept
// allocates nothing.
struct lookupkey {
    static constexpr std::size_t SIZE = 512;
    std::array<unsigned char, SIZE + 8> text; // room to pad the last word
    std::size_t len = 0;

    bool put(unsigned char c) {
        if (len >= SIZE) return false;
        text[len++] = c;
        return true;
    }
    bool put_text(const char* s, char stop) {
        for (; *s && *s != stop; ++s)
            if (!put(static_cast<unsigned char>(*s))) return false;
        return put(0);
    }
    // The caller has made sure of the room.
    void put_component(int type, int value) {
        std::uint32_t w = (static_cast<std::uint32_t>(type) & 0xFFFF) |
                          (static_cast<std::uint32_t>(value) & 0xFFFF) << 16;
        std::memcpy(&text[len], &w, 4);
        len += 4;
    }
    // Hashed eight bytes at a time, the last word padded with zeros.
    std::uint64_t hash() {
        std::memset(&text[len], 0, 8);
        std::uint64_t h = 0x9E3779B97F4A7C15ULL;
        for (std::size_t i = 0; i < len; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, &text[i], 8);
            h = (h ^ w) * 0xFF51AFD7ED558CCDULL;
            h ^= h >> 32;
        }
        return h;
    }
};

lookupkey key;

// Writes the key of a look-up from its terminal name (up to '|', as
// lookup_terminal reads it); false when it cannot be written: a compound too
// long for the working array, a number beyond two bytes, or too long a text.
bool make_key(const char* name, const t_dict_lookup* lookup) {
    key.len = 0;
    if (!key.put_text(name, '|')) return false;
    for (attr_list l = lookup->attributes; l; l = l->next) {
        // Room for the count and the most components the working array takes.
        if (key.len + 1 + 4 * MAXCOMP > lookupkey::SIZE) return false;
        std::size_t at = key.len++;
        int n = 0;
        for (comp_attr c = l->first; c; c = c->another) {
            if (++n > MAXCOMP) return false;
            const t_delay& d = delayed[c->index];
            // Numbers from -1 to 0x7FFF fit in two bytes.
            if (static_cast<unsigned>(d.class_) + 1u > 0x8000u ||
                static_cast<unsigned>(d.choice) + 1u > 0x8000u)
                return false;
            key.put_component(d.class_, d.choice);
        }
        if (n == 0)
            key.len = at; // an empty compound requires nothing
        else
            key.text[at] = static_cast<unsigned char>(n);
    }
    if (!key.put(0)) return false;
    if (!key.put(lookup->preferredchoice ? 1 : 0)) return false;
    if (lookup->preferredchoice && !key.put_text(lookup->preferredchoice, '\0')) return false;
    if (!key.put(lookup->fields ? 1 : 0)) return false;
    return !lookup->fields || key.put_text(lookup->fields, '\0');
}

// The slot holding the set of `key`, or the free slot where it belongs.
candidates& find_slot(std::uint64_t h) {
    std::size_t words = (key.len + 7) / 8;
    std::size_t i = h & (CANDSLOTS - 1);
    for (;;) {
        candidates& c = candcache[i];
        if (c.stamp == 0) return c;
        if (c.hash == h && c.keylen == key.len) {
            std::size_t k = 0;
            for (; k < words; ++k) {
                std::uint64_t w;
                std::memcpy(&w, &key.text[k * 8], 8);
                if (w != c.key[k]) break;
            }
            if (k == words) return c;
        }
        i = (i + 1) & (CANDSLOTS - 1);
    }
}

// The set of `key` when it is still current, else null.
const candidates* current_set(std::uint64_t h) {
    const candidates& c = find_slot(h);
    return c.stamp == packrevision ? &c : nullptr;
}

// Keeps the candidate arrays as the set of `key`.  When the table is three
// quarters full or the sets would take too much room, every set is dropped
// first.
void remember_set(std::uint64_t h) {
    candidates* c = &find_slot(h);
    std::size_t others = candkept - c->nodes.capacity(); // room of the other sets
    bool full = c->stamp == 0 && candused >= MAXCANDUSED;
    if (full || others + static_cast<std::size_t>(numnodes) > MAXKEPT) {
        wipe_candidates();
        c = &find_slot(h);
    }
    if (c->stamp == 0) ++candused;
    candkept -= c->nodes.capacity();
    c->stamp = packrevision;
    c->hash = h;
    c->keylen = key.len;
    c->key.resize((key.len + 7) / 8);
    std::memcpy(c->key.data(), key.text.data(), c->key.size() * 8);
    c->nodes.assign(nodearray.begin(), nodearray.begin() + numnodes);
    c->sums.assign(prob_array.begin(), prob_array.begin() + numnodes);
    candkept += c->nodes.capacity();
}

// Takes a kept set as the candidates, in place.  A collection leaves the
// working array holding the look-up's last compound; so does this.
void take_set(const candidates& c, const t_dict_lookup* lookup) {
    numnodes = static_cast<int>(c.nodes.size());
    candnodes = c.nodes.data();
    candsums = c.sums.data();
    prob_tot = numnodes ? candsums[numnodes - 1] : 0;
    attr_list last = lookup->attributes;
    if (last) {
        while (last->next)
            last = last->next;
        decompose_comp_attr(last->first);
    }
}

// Collects the candidates by walking the terminal's list.
void collect(t_dict_lookup* lookup, int term) {
    std::string pattern;
    if (lookup->preferredchoice) pattern = word_of(lookup->preferredchoice);
    // Outside the lexical-transformation state the requirements are the same
    // for every entry: decompose them once.
    bool once = MState != 1;
    // Kept from call to call so that a look-up allocates nothing.
    static std::vector<requirement> reqs;
    reqs.clear();
    if (once) {
        for (attr_list l = lookup->attributes; l; l = l->next) {
            decompose_comp_attr(l->first);
            requirement r{};
            r.count = attr_index;
            for (int k = 0; k < attr_index; ++k) {
                r.type[k] = attr[k].type;
                r.value[k] = attr[k].value;
            }
            if (r.count > 0) reqs.push_back(r);
        }
    }
    for (recnode* n = dictionary[term]; n && numnodes < MAXCANDIDATES - 1; n = n->previous) {
        const char* rec = n->recordptr;
        if (lookup->preferredchoice &&
            !match_wild(pattern.c_str(), word_of(rec).c_str(), '\0', '\0'))
            continue;
        if (once ? !offers(rec, reqs) : !match_attr(rec, lookup->attributes)) continue;
        if (lookup->fields && !match_lsp(lookup->fields, rec)) continue;
        prob_tot += getfrequency(rec);
        nodearray[numnodes] = n;
        nodeshigh = std::max(nodeshigh, numnodes + 1);
        prob_array[numnodes] = prob_tot;
        ++numnodes;
    }
}

// Draws the entry among the candidates of the last collection.
void choose(t_dict_lookup* lookup) {
    if (numnodes == 0 || prob_tot == 0) {
        lookup->dictionary = nullptr;
        lookup->error = 3;
        return;
    }
    long r = getrandom(static_cast<int>(prob_tot));
    const long* it = std::upper_bound(candsums, candsums + numnodes, r);
    recnode* chosen = candnodes[it - candsums];
    apply_vf_single(chosen->recordptr, lookup->vf);
    lookup->dictionary = chosen->recordptr;
    lookup->error = 0;
}

} // namespace

void locate_matches(t_dict_lookup* lookup, int term) {
    candidates_collected();
    numnodes = 0;
    prob_tot = 0;
    if (!dictionary || term < 0 || term >= dictterm) return;
    // Sets are kept outside the lexical-transformation state only.
    if (MState == 1 || !make_key(terminal_table[term].c_str(), lookup)) {
        collect(lookup, term);
        return;
    }
    std::uint64_t h = key.hash();
    if (const candidates* c = current_set(h)) {
        take_set(*c, lookup);
        return;
    }
    collect(lookup, term);
    remember_set(h);
}

void getdictent(t_dict_lookup* lookup) {
    // A kept set is found by the terminal's name, before the name is looked up.
    if (MState != 1 && dictionary && lookup->class_ && make_key(lookup->class_, lookup)) {
        if (const candidates* c = current_set(key.hash())) {
            take_set(*c, lookup);
            choose(lookup);
            return;
        }
    }
    int term = lookup_terminal(lookup->class_);
    if (term < 0) {
        lookup->dictionary = nullptr;
        lookup->error = 1;
        return;
    }
    locate_matches(lookup, term);
    choose(lookup);
}

void getwords(int start) {
    for (int i = std::max(start, 0); i < d_table_count; ++i) {
        t_dict_lookup& d = dict_table[i];
        if (d.pointed_at != 1 || !d.class_ || !*d.class_) continue;
        getdictent(&d);
        if (d.error == 3)
            v_err("No lexical entry found for", d.class_, "");
        else if (d.error == 1)
            v_err("Terminal not found:", d.class_, "");
        else if (d.dictionary && static_cast<unsigned char>(d.dictionary[0]) == T_ILT)
            d.lspseq = ilt_create_lsps(d.dictionary); // its lookups join the table
    }
    scan_ilts(start);
}

void apply_vf_single(char* entry, int n) {
    if (!entry || n == -1) return;
    char* p = getfieldptr(entry, 4);
    for (int k = 0; k < 4; ++k)
        if (!std::isdigit(static_cast<unsigned char>(p[k]))) return;
    int f = (p[0] - '0') * 1000 + (p[1] - '0') * 100 + (p[2] - '0') * 10 + (p[3] - '0');
    if (n >= 0)
        f = n;
    else if (n == -2)
        f += 5;
    else if (n == -3)
        f *= 2;
    else if (n == -4)
        f /= 2;
    f = std::min(f, 9999);
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04d", f);
    if (std::memcmp(p, buf, 4) != 0) pack_changed();
    std::memcpy(p, buf, 4);
}

// ---------------------------------------------------------------- listing

namespace {

// An entry with its attribute field written as names.
std::string readable_entry(const char* rec) {
    std::string out;
    const char* f3 = getfieldptr(rec, 3);
    const char* f4 = getfieldptr(rec, 4);
    out.append(rec, f3 - rec);
    for (const char* p = f3; p < f4; ++p) {
        if (static_cast<unsigned char>(*p) == ATTRCODE && p + 2 < f4) {
            int type = static_cast<unsigned char>(p[1]);
            int value = static_cast<unsigned char>(p[2]);
            out += att_get_name(type, value == BAREVALUE ? -1 : value);
            p += 2;
        } else {
            out += *p;
        }
    }
    out += f4;
    return out;
}

} // namespace

void printlex() {
    if (!dictionary) return;
    for (int t = 0; t < dictterm; ++t)
        for (recnode* n = dictionary[t]; n; n = n->previous)
            v_print(MSGCORE, readable_entry(n->recordptr).c_str());
}

void vary_frequency(const char* text) {
    v_printf(MSGCORE, "VF %s", text);
    std::string conv = convert_nodetext(text);
    size_t n = 0;
    while (n < conv.size() && (std::isalnum(static_cast<unsigned char>(conv[n])) ||
                               conv[n] == '_' || static_cast<unsigned char>(conv[n]) >= 0xC0))
        ++n;
    std::string name = conv.substr(0, n);
    int term = lookup_terminal(name.c_str());
    if (term < 0) {
        oxa::diserr("terminal class not found");
        return;
    }
    int saved_delay = delayptr;
    int saved_lookups = d_table_count;
    t_treenode* node = makenode(name.c_str());
    if (!node) return;
    add_attachments(node, conv.c_str() + n, ATT_CF);
    dict_lookup lookup{};
    lookup.class_ = node->name;
    lookup.attributes = node->attributes;
    lookup.preferredchoice = node->preferredchoice;
    lookup.fields = node->restrictions;
    lookup.vf = node->vf;
    locate_matches(&lookup, term);
    char question[80];
    std::snprintf(question, sizeof question, "%d matches; <RETN> continues, <DEL> aborts",
                  numnodes);
    if (oxa::diserr(question) == 1) {
        std::vector<recnode*> found(candnodes, candnodes + numnodes);
        for (recnode* r : found)
            apply_vf_single(r->recordptr, node->vf);
        if (oxa::diserr("Display matches? <RETN> yes, <DEL> no") == 1)
            for (recnode* r : found)
                v_print(MSGCORE, readable_entry(r->recordptr).c_str());
    }
    purge_node(node);
    if (d_table_count > saved_lookups) purgelookups(saved_lookups);
    delayptr = saved_delay;
}

std::string convert_nodetext(const char* text) {
    std::string out;
    const char* p = text;
    bool quoted = false;
    while (*p) {
        char c = *p++;
        if (quoted) {
            out += c;
            if (c == '"') quoted = false;
            continue;
        }
        if (c == '"') {
            out += c;
            quoted = true;
        } else if (c == ' ') {
            continue;
        } else if (c == '/') {
            while (*p == ' ')
                ++p;
            char a = *p;
            if (a == '$') {
                out += static_cast<char>(SYN_FREQ);
                out += '-';
                ++p;
            } else if (a == '+') {
                out += static_cast<char>(SYN_FREQ);
                ++p;
            } else if (a == '@') {
                out += '@';
                ++p;
            } else if (std::isdigit(static_cast<unsigned char>(a))) {
                int n = 0;
                while (std::isdigit(static_cast<unsigned char>(*p)))
                    n = std::min(n * 10 + (*p++ - '0'), 255);
                out += '/';
                out += static_cast<char>(n);
            } else if (a == '"') {
                out += '"';
                quoted = true;
                ++p;
            } else if (a) {
                out += '/';
                out += a;
                ++p;
            } else {
                out += '/';
            }
        } else {
            out += c;
        }
    }
    out += ' ';
    return out;
}

std::string checklexiconkept() {
    std::string out;
    std::unordered_set<const recnode*> live;
    std::unordered_set<const char*> texts;
    for (int t = 0; dictionary && t < dictterm; ++t) {
        for (const recnode* n = dictionary[t]; n; n = n->previous) {
            live.insert(n);
            texts.insert(n->recordptr);
        }
    }
    for (size_t i = 0; candcache.made() && i < candcache.size(); ++i) {
        const candidates& c = candcache[i];
        if (c.stamp != packrevision) continue;
        long sum = 0;
        for (size_t k = 0; k < c.nodes.size(); ++k) {
            if (!live.count(c.nodes[k])) {
                out += "candidate set " + std::to_string(i) + ": candidate " + std::to_string(k) +
                       " is no entry of the lexicon\n";
                break;
            }
            sum += getfrequency(c.nodes[k]->recordptr);
            if (k >= c.sums.size() || c.sums[k] != sum) {
                out += "candidate set " + std::to_string(i) + ": sum " + std::to_string(k) +
                       " is not the frequencies' sum " + std::to_string(sum) + "\n";
                break;
            }
        }
    }
    size_t marked = 0;
    for (const fieldmark& m : fieldmarks) {
        if (!m.record) continue;
        ++marked;
        if (!texts.count(m.record)) {
            out += "field marks of a text that is no entry\n";
            continue;
        }
        const char* p = m.record;
        for (int k = 0; k < MARKEDFIELDS; ++k) {
            if (k > 0) p = field_walk(p, k + 1, k);
            if (m.start[k] != p - m.record) {
                out += "field " + std::to_string(k + 1) + " of " + word_of(m.record) +
                       " is not where it was marked\n";
                break;
            }
        }
    }
    if (marked != fieldmarked) out += "field marks counted wrong\n";
    return out;
}

void resetlexicon() {
    clearlexicon();
    clearrecoveredlexicon();
    clear_terminals();
    lexatt_index = 0;
    lexentries = 0;
    std::fill_n(nodearray.begin(), nodeshigh, nullptr);
    nodeshigh = 0;
    candidates_collected();
}

} // namespace bormo
