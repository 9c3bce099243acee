// The language-file reader: a hand-written tokenizer over a stack of open
// files and a stack of macro texts, with a one-token look-ahead.
#include "bormo/reader.hpp"

#include <sys/stat.h>
#include <sys/time.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

#include "bormo/attributes.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/vline.hpp"
#include "editor/encoding.hpp"
#include "editor/params.hpp"

namespace bormo {

std::array<fileinf, MAXFILES> filestack{};
int fsptr = -1;
queuetype tokenq{{}, 0, -1, 0};
std::array<char, IDENTSIZE> identbuf{};
int iptr = 0;
int istate = 0;
int ccount = 0;
int lfret = 0;
macrodef* macrodict = nullptr;
std::array<const char*, MACRODEPTH + 1> macrostack{};
int macroptr = 0;
int v_errors = 0;
bool v_skiprest = false;
std::string file_operation;
std::string file_position;
int v_stat = 0;
unsigned long seed = 1;
pre_rule* pre_match = nullptr;
int pre_status = 0;
int attr_form = 0;
std::string bad_pst;
void (*v_identhook)(const char* ident, const readpos& where) = nullptr;
void (*v_itemhook)(const std::string& item, const readpos& where) = nullptr;

namespace {

// Positions: the column of each open file, where the last character came
// from, where the current word and the last quote began, and where each
// queued token began.  File names are kept once for the life of the program.
std::array<int, MAXFILES> filecol{};
readpos lastchar{"", 0, 0};
readpos wordstart{"", 0, 0};
readpos openstart{"", 0, 0};
std::array<readpos, QUEUESIZE> tokpos{};
bool intokenizer = false;

const char* keepname(const char* name) {
    static std::set<std::string> names;
    return names.insert(name ? name : "").first->c_str();
}

// Character classes of the tokenizer.
constexpr unsigned char C_WORD = 0x01; // part of a word (identifier or keyword)

constexpr std::array<unsigned char, 256> make_rclass() {
    std::array<unsigned char, 256> t{};
    for (int c = 'A'; c <= 'Z'; c++)
        t[c] = C_WORD;
    for (int c = 'a'; c <= 'z'; c++)
        t[c] = C_WORD;
    for (int c = '0'; c <= '9'; c++)
        t[c] = C_WORD;
    t['_'] = C_WORD;
    t['%'] = C_WORD;
    // The accented letters of French, upper and lower case.
    constexpr unsigned char accented[] = {0xC0, 0xC2, 0xC7, 0xC8, 0xC9, 0xCA, 0xCE,
                                          0xD4, 0xD9, 0xDB, 0xE0, 0xE2, 0xE7, 0xE8,
                                          0xE9, 0xEA, 0xEE, 0xF4, 0xF9, 0xFB};
    for (unsigned char c : accented)
        t[c] = C_WORD;
    // The ligatures oe and OE, at their single-byte places.
    t[0x9C] = t[0x8C] = C_WORD;
    return t;
}
constexpr std::array<unsigned char, 256> rclass = make_rclass();

// The character that ended a word naming a macro, delivered again once the
// macro's text is finished (NOCHAR when there is none).
constexpr int NOCHAR = -2;
std::array<int, MACRODEPTH + 1> macroafter{};
bool macro_pushed = false; // set by tokenize when it starts a macro text

long macrotext = 0; // characters delivered from macro texts in this load
int includes = 0;     // files opened by %INCLUDE in this load
long includedtext = 0; // characters read from included files in this load

// Gives up the rest of the load (every open file reads as ended) with one
// error line saying why.
void skiprest(const char* why) {
    v_printf(MSGCORE, "ERROR %s %s %s", file_operation.c_str(), file_position.c_str(), why);
    v_stat = 1;
    v_skiprest = true;
}

// Control bytes other than tab, newline and carriage return.  They would be
// taken for token codes, so they are dropped with a warning instead.
inline bool strayctl(int c) {
    return c >= 0 && c < 32 && c != '\t' && c != '\n' && c != '\r';
}

inline bool wordchar(int c) {
    return c >= 0 && c < 256 && (rclass[c] & C_WORD) != 0;
}

constexpr const char* statename[] = {"outside quotes/comments", "within quotes", "within comments"};

void warn(int c) {
    char what[8];
    const char* name = what;
    switch (c) {
    case '\t':
        name = "tab";
        break;
    case '\n':
        name = "new line";
        break;
    case '\r':
        name = "CR";
        break;
    case EOFCHAR:
        name = "EOF";
        break;
    default:
        if (c >= 0 && c < 32) { // a control byte is named in caret form
            what[0] = '^';
            what[1] = static_cast<char>(c + 64);
            what[2] = 0;
        } else {
            what[0] = static_cast<char>(c);
            what[1] = 0;
        }
        break;
    }
    v_printf(MSGCORE, "%s warning: %s %s", file_operation.c_str(), name, statename[istate]);
}

void enqueue(int code, const readpos& where) {
    if (tokenq.length >= QUEUESIZE) return;
    tokenq.tail = (tokenq.tail + 1) % QUEUESIZE;
    tokenq.queue[tokenq.tail] = static_cast<unsigned char>(code);
    tokpos[static_cast<size_t>(tokenq.tail)] = where;
    tokenq.length++;
}

void enqueue(int code) {
    enqueue(code, lastchar);
}

void clearqueue() {
    tokenq.length = 0;
    tokenq.head = 0;
    tokenq.tail = -1;
}

void clearword() {
    iptr = 0;
    identbuf[0] = 0;
}

void discard_macros() {
    while (macrodict) {
        macrodef* m = macrodict;
        macrodict = m->another;
        free(m->name);
        free(m->def);
        free(m);
    }
    macroptr = 0;
}

macrodef* find_macro(const char* name) {
    for (macrodef* m = macrodict; m; m = m->another)
        if (strcmp(m->name, name) == 0) return m;
    return nullptr;
}

// Closes every open file without a message.
void drop_files() {
    for (; fsptr >= 0; fsptr--) {
        fileinf& f = filestack[fsptr];
        if (f.fptr) fclose(f.fptr);
        free(f.f_name);
        f = {nullptr, nullptr, 0, false};
    }
    fsptr = -1;
}

// Opens a file for the tokenizer; refuses what is not a readable regular file.
// The name is held as text is (one byte a letter) and converted for the
// system as every file name is.
FILE* open_source(const char* path) {
    const std::string name = oxa::osname(path);
    struct stat st;
    if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    return fopen(name.c_str(), "r");
}

// Whether a language file is read as UTF-8: valid, with at least one
// multi-byte sequence.  Any other file is taken byte for byte.  The file is
// left at its start.
bool is_utf8(FILE* fp) {
    oxa::Utf8Scan scan;
    unsigned char buf[4096];
    size_t n;
    while (!scan.malformed() && (n = fread(buf, 1, sizeof buf, fp)) > 0)
        scan.feed(buf, n);
    scan.finish();
    rewind(fp);
    return scan.encoding() == oxa::ENC_UTF8;
}

// The rest of the UTF-8 sequence that `lead` opens, decoded.  A character the
// single-byte text cannot hold is reported as an error line and skipped
// (-1 is returned); a sequence that is not well formed (the file changed since
// it was checked) leaves its bytes to be read one by one.
int utf8char(fileinf& f, int lead) {
    const int len = oxa::utf8length(static_cast<unsigned char>(lead));
    unsigned char seq[4] = {static_cast<unsigned char>(lead)};
    int n = 1;
    for (; n < len; n++) {
        int c = getc(f.fptr);
        if (c == EOF) break;
        seq[n] = static_cast<unsigned char>(c);
        if (!oxa::utf8cont(c)) {
            ungetc(c, f.fptr);
            break;
        }
    }
    uint32_t cp = 0;
    if (len < 2 || n < len || oxa::utf8decode(seq, static_cast<size_t>(n), cp) != n) {
        for (int i = n - 1; i >= 1; i--)
            ungetc(seq[i], f.fptr);
        return lead;
    }
    const int sb = oxa::storebyte(cp);
    if (sb >= 0) return sb;
    v_err(oxa::beyondmessage(f.f_name ? f.f_name : "", {f.f_line, cp}).c_str(), "", "");
    return -1;
}

// End of the current file in any state: back to plain text in the including file.
void end_of_file() {
    closefile();
    istate = 0;
    if (fsptr < 0) discard_macros();
}

// %INCLUDE "path": the rest of the directive is read straight from the input.
void do_include() {
    int c;
    do
        c = getone();
    while (c != '"' && c != EOFCHAR);
    char path[INCLPATH + 1];
    int n = 0;
    if (c == '"') {
        while ((c = getone()) != '"' && c != EOFCHAR)
            if (n < INCLPATH) path[n++] = static_cast<char>(c);
    }
    path[n] = 0;
    if (fsptr >= MAXFILES - 1) {
        v_err("inclusion depth too great ", path, "");
        v_stat = 1;
        return;
    }
    if (++includes > MAXINCLUDES) {
        skiprest("too many included files, the rest of the file is skipped");
        return;
    }
    FILE* fp = open_source(path);
    if (!fp) {
        v_err("unable to open file: ", path, "");
        v_stat = 1;
        return;
    }
    fsptr++;
    filestack[fsptr] = {fp, strdup_(path), 1, is_utf8(fp)};
    filecol[fsptr] = 0;
}

// %define name definition-to-end-of-line
void do_define() {
    int c;
    do
        c = getone();
    while (c == ' ' || c == '\t');
    char name[MACRONAME + 1];
    int n = 0;
    while (wordchar(c)) {
        if (n < MACRONAME) name[n++] = static_cast<char>(c);
        c = getone();
    }
    name[n] = 0;
    // c, the character that ended the name, is consumed.  A newline there
    // makes the next line the definition.
    c = getone();
    while (c == ' ' || c == '\t')
        c = getone();
    char def[MACRODEF + 1];
    int d = 0;
    while (c != '\n' && c != EOFCHAR) {
        if (c != '\r' && d < MACRODEF) def[d++] = static_cast<char>(c);
        c = getone();
    }
    def[d] = 0;
    if (n == 0) return;
    macrodef* m = static_cast<macrodef*>(malloc(sizeof(macrodef)));
    m->name = strdup_(name);
    m->def = strdup_(def);
    m->another = macrodict;
    macrodict = m;
}

} // namespace

int getone() {
    if (v_skiprest) {
        macroptr = 0;
        return EOFCHAR;
    }
    while (macroptr > 0) {
        const char* p = macrostack[macroptr];
        if (*p) {
            // A macro that names itself more than once grows without end
            // within the depth limit: its text is bounded per load.
            if (++macrotext > MAXMACROTEXT) {
                skiprest("too much macro text, the rest of the file is skipped");
                macroptr = 0;
                return EOFCHAR;
            }
            macrostack[macroptr] = p + 1;
            return static_cast<unsigned char>(*p);
        }
        // The held-back character comes first; the finished text stays on the
        // stack until the next read, so that a macro named at the very end of
        // a macro text counts towards the expansion depth.
        int after = macroafter[macroptr];
        if (after != NOCHAR) {
            macroafter[macroptr] = NOCHAR;
            return after;
        }
        macroptr--;
    }
    if (fsptr < 0 || !filestack[fsptr].fptr) return EOFCHAR;
    fileinf& f = filestack[fsptr];
    int& col = filecol[static_cast<size_t>(fsptr)];
    for (;;) {
        lastchar = {keepname(f.f_name), f.f_line, col + 1};
        int c = getc(f.fptr);
        if (c == EOF || c == 0xFF) return EOFCHAR;
        if (fsptr > 0 && ++includedtext > MAXINCLUDEDTEXT) {
            skiprest("too much included text, the rest of the file is skipped");
            return EOFCHAR;
        }
        if (c == '\n') {
            f.f_line++;
            col = 0;
        } else {
            col++;
        }
        if (c < 0x80 || !f.utf8) return c;
        c = utf8char(f, c);
        if (c >= 0) return c;
    }
}

int str2tok(const char* word) {
    for (const tokenelement& t : tokentable) {
        if (t.token == T_END) break;
        if (strcmp(t.tokenword, word) == 0) return t.token;
    }
    return T_IDENT;
}

void tokenize() {
    if (iptr == 0) return;
    identbuf[iptr] = 0;
    int t = str2tok(identbuf.data());
    if (t == T_INCLUDE) {
        clearword();
        do_include();
        return;
    }
    if (t == T_DEFINE) {
        clearword();
        if (macroptr == 0) do_define();
        return;
    }
    if (t != T_IDENT) {
        clearword();
        enqueue(t, wordstart);
        return;
    }
    if (identbuf[0] == '%') {
        macrodef* m = find_macro(identbuf.data() + 1);
        if (m) {
            clearword();
            if (macroptr < MACRODEPTH) {
                macrostack[++macroptr] = m->def;
                macroafter[macroptr] = NOCHAR;
                macro_pushed = true;
            }
            return;
        }
    }
    enqueue(T_IDENT, wordstart);
    iptr = 0; // the text stays in identbuf until the token is consumed
}

namespace {

// Ends the current word before character c.  When the word started a macro
// text, c is held back and read again after that text, so the text stands
// exactly where the word stood; returns true then.
bool endword(int c) {
    macro_pushed = false;
    tokenize();
    if (!macro_pushed) return false;
    macro_pushed = false;
    macroafter[macroptr] = c;
    return true;
}

} // namespace

static void refill();

void replenish() {
    intokenizer = true;
    refill();
    intokenizer = false;
}

static void refill() {
    clearqueue();
    if (fsptr == -1) {
        discard_macros();
        enqueue(T_EOF);
        return;
    }
    int c = getone();
    switch (istate) {
    case 0:
        if (c == ' ' || c == '\t' || c == '\r') {
            endword(c);
        } else if (c == '\n') {
            if (endword(c)) break;
            if (lfret == 1) enqueue(T_NEWLINE);
        } else if (c == '"') {
            if (endword(c)) break;
            openstart = lastchar;
            enqueue(T_QUOTE);
            istate = 1;
            ccount = 0;
        } else if (c == '{') {
            if (endword(c)) break;
            openstart = lastchar;
            istate = 2;
            ccount = 0;
        } else if (c == '}') {
            if (endword(c)) break;
            warn(c);
            enqueue('}');
        } else if (c == EOFCHAR) {
            if (endword(c)) break;
            end_of_file();
        } else if (strayctl(c)) {
            if (endword(c)) break;
            warn(c);
        } else if (wordchar(c)) {
            if (iptr == 0) wordstart = lastchar;
            if (iptr >= MAXIDENT) {
                identbuf[MAXIDENT] = 0;
                v_err("identifier truncated: ", identbuf.data(), "");
            } else {
                identbuf[iptr++] = static_cast<char>(c);
                identbuf[iptr] = 0;
            }
        } else {
            if (endword(c)) break;
            enqueue(c);
        }
        break;
    case 1:
        ccount++;
        if (c == '\t' || c == '\r') {
            warn(c);
        } else if (c == '\n') {
            if (lfret == 1) {
                warn(c);
                enqueue(T_NEWLINE);
                istate = 0;
            }
        } else if (c == '"') {
            istate = 0;
            if (ccount > 80) v_err("warning: very long quoted string", "", "");
            enqueue(T_QUOTE);
        } else if (strayctl(c)) {
            warn(c);
        } else if (c == '{' || c == '|' || c == '}') {
            warn(c);
            enqueue(c);
        } else if (c == EOFCHAR) {
            warn(c);
            end_of_file();
        } else {
            enqueue(c);
        }
        break;
    default:
        ccount++;
        if (c == '}') {
            istate = 0;
            if (ccount > 300) v_err("warning: very long comment", "", "");
        } else if (c == '{' || c == '|') {
            warn(c);
        } else if (c == '\n') {
            if (lfret == 1) warn(c);
        } else if (c == EOFCHAR) {
            warn(c);
            end_of_file();
        }
        break;
    }
}

void openfile(const char* name, int lfr) {
    drop_files();
    discard_macros();
    v_errors = 0;
    v_skiprest = false;
    macrotext = 0;
    includes = 0;
    includedtext = 0;
    istate = 0;
    ccount = 0;
    clearword();
    clearqueue();
    lfret = lfr;
    FILE* fp = name ? open_source(name) : nullptr;
    if (fp) {
        fsptr = 0;
        filestack[0] = {fp, strdup_(name), 1, is_utf8(fp)};
        filecol[0] = 0;
    } else {
        v_err("unable to open file: ", name ? name : "", "");
        v_stat = 1;
    }
    while (tokenq.length == 0)
        replenish();
}

int v_peep() {
    return tokenq.length > 0 ? static_cast<int>(tokenq.queue[tokenq.head])
                             : static_cast<int>(T_EOF);
}

void v_next() {
    if (tokenq.length > 0) {
        if (tokenq.queue[tokenq.head] == T_IDENT) {
            if (v_identhook) v_identhook(identbuf.data(), tokpos[static_cast<size_t>(tokenq.head)]);
            identbuf[0] = 0;
        }
        tokenq.head = (tokenq.head + 1) % QUEUESIZE;
        tokenq.length--;
    }
    while (tokenq.length == 0)
        replenish();
}

void closefile() {
    if (fsptr < 0) return;
    fileinf& f = filestack[fsptr];
    if (f.fptr) fclose(f.fptr);
    v_printf(MSGCORE, "Finished reading %s from file '%s' [%d lines.]", file_operation.c_str(),
             f.f_name ? f.f_name : "", f.f_line - 1);
    free(f.f_name);
    f = {nullptr, nullptr, 0, false};
    fsptr--;
}

std::string tok2str(int code) {
    switch (code) {
    case T_IDENT:
        return std::string("identifier: ") + identbuf.data();
    case T_EOF:
        return "EOF";
    case T_NEWLINE:
        return "linefeed";
    case T_QUOTE:
        return "quote";
    default:
        break;
    }
    for (const tokenelement& t : tokentable) {
        if (t.token == T_END) break;
        if (t.token == code) return std::string("token: ") + t.tokenword;
    }
    char buf[16];
    snprintf(buf, sizeof buf, "char '%c'", static_cast<char>(code));
    return buf;
}

void testinput_file(const char* name) {
    file_operation = "test input";
    openfile(name, 1);
    while (v_peep() != T_EOF) {
        v_print(MSGCORE, tok2str(v_peep()).c_str());
        v_next();
    }
    v_print(MSGCORE, "end of input");
    file_operation.clear();
}

void testinput() {
    testinput_file(oxa::curfile.data());
}

void v_err(const char* a, const char* b, const char* c) {
    // While a file is read its error lines are bounded: after the last one
    // allowed, the rest of the file is skipped.
    if (fsptr >= 0) {
        if (v_skiprest) return;
        if (++v_errors > MAXERRORS) {
            skiprest("too many errors, the rest of the file is skipped");
            return;
        }
    }
    v_printf(MSGCORE, "ERROR %s %s %s %s %s", file_operation.c_str(), file_position.c_str(),
             a ? a : "", b ? b : "", c ? c : "");
}

char* strdup_(const char* s) {
    if (!s) return nullptr;
    size_t n = strlen(s) + 1;
    char* d = static_cast<char*>(malloc(n));
    memcpy(d, s, n);
    return d;
}

unsigned long clock_seed(unsigned long sec, unsigned long usec) {
    // Seconds and microseconds spread over all 32 bits (a multiplicative
    // hash each, then a final mix), so that the first draw of an unseeded
    // run can fall anywhere in its range.
    uint32_t h = static_cast<uint32_t>(sec) * 2654435761u;
    h ^= static_cast<uint32_t>(usec) * 2246822519u;
    h ^= h >> 15;
    h *= 2146121005u;
    h ^= h >> 13;
    return static_cast<unsigned long>(h | 1u);
}

void reseed(long sd) {
    if (sd != 0) {
        seed = static_cast<unsigned long>(sd);
    } else {
        struct timeval tv;
        gettimeofday(&tv, nullptr);
        seed = clock_seed(static_cast<unsigned long>(tv.tv_sec),
                          static_cast<unsigned long>(tv.tv_usec));
    }
    seed |= 1;
    v_printf(MSGCORE, "Setting random seed: %lu", seed);
}

int getrandom(int range) {
    seed = (seed * 3125UL) & 0xFFFFFFFFUL;
    int r = static_cast<int>(static_cast<double>(range) * static_cast<double>(seed) / 4294967296.0);
    if (r == range) r = range - 1;
    return r;
}

void printseed(int cr) {
    v_printf(cr, "Current random seed: %lu", seed);
}

// ---------------------------------------------------------------- matching

int match_wild(const char* pattern, const char* string, char pterm, char sterm) {
    const char* p = pattern;
    const char* s = string;
    const char* star = nullptr;  // pattern position just after the last '*'
    const char* begin = nullptr; // string position where the attempt after it began
    for (;;) {
        if (*s == sterm) {
            while (*p == '*')
                p++;
            return *p == pterm;
        }
        if (*p == '*') {
            star = ++p;
            begin = s;
            continue;
        }
        if (*p != pterm && *p == *s) {
            p++;
            s++;
            continue;
        }
        if (!star) return 0;
        p = star;
        s = ++begin;
    }
}

namespace {

// The position of field n (from 1) of a lexical record; the three-byte codes of
// the attribute field (0x19, type, value) are stepped over whole.
const char* field_at(const char* rec, int n) {
    if (!rec) return "";
    const char* p = rec;
    for (int f = 1; f < n; f++) {
        while (*p && *p != '|') {
            if (f == 3 && static_cast<unsigned char>(*p) == 0x19) {
                for (int k = 0; k < 3 && *p; k++)
                    p++;
            } else {
                p++;
            }
        }
        if (!*p) return p;
        p++;
    }
    return p;
}

// Splits text from p at any of `seps` outside double quotes, up to '|' or the
// end; calls fn(item) for each item until it returns true.  Returns whether
// some call returned true.
template <typename F> bool each_item(const char* p, const char* seps, F fn) {
    std::string item;
    bool quoted = false;
    for (;; p++) {
        char c = *p;
        if (c == 0 || (!quoted && c == '|') || (!quoted && strchr(seps, c) && c != 0)) {
            if (fn(item)) return true;
            item.clear();
            if (c == 0 || c == '|') return false;
            continue;
        }
        if (c == '"') quoted = !quoted;
        item += c;
    }
}

} // namespace

int match_list(const char* pattern, const char* list, char pterm) {
    if (!list || *list == 0 || *list == '|') return 0;
    return each_item(list, ",:;", [&](const std::string& item) {
        return match_wild(pattern, item.c_str(), pterm, 0) != 0;
    });
}

int match_pattlist(const char* patterns, const char* list) {
    bool all = true;
    each_item(patterns, ",", [&](const std::string& pat) {
        if (!match_list(pat.c_str(), list, 0)) all = false;
        return !all;
    });
    return all;
}

int match_lsp(const char* lsp, const char* entry) {
    const char* p = field_at(lsp, 4);
    const char* e = field_at(entry, 4);
    while (*p) {
        if (!*e) return 0;
        // Ends of the current subfields (outside double quotes).
        const char* pe = p;
        for (bool q = false; *pe && (q || *pe != '|'); pe++)
            if (*pe == '"') q = !q;
        const char* ee = e;
        for (bool q = false; *ee && (q || *ee != '|'); ee++)
            if (*ee == '"') q = !q;
        std::string pat(p, pe);
        std::string sub(e, ee);
        if (pat == "?") {
            // anything
        } else if (pat.empty()) {
            if (!sub.empty()) return 0;
        } else {
            sub += '|';
            pat += '|';
            if (!match_pattlist(pat.c_str(), sub.c_str())) return 0;
        }
        p = *pe ? pe + 1 : pe;
        e = *ee ? ee + 1 : ee;
    }
    return 1;
}

int testformatch(attr_list list, const char* text) {
    text_to_comp_array(text, 1);
    return find_attr(list) != nullptr;
}

int match_index(t_treenode* node, const char* text, int* size) {
    text_to_comp_array(text, 1);
    if (attr_index == 0) return -1;
    long index = 0;
    long sz = 1;
    if (all_values) {
        for (int i = 0; i < attr_index; i++) {
            int n = attr_table[attr[i].type].entries - 1;
            sz *= n;
            index = index * n + (attr[i].value - 1);
        }
        if (size) *size = static_cast<int>(sz);
        return static_cast<int>(index);
    }
    attr_list list = nullptr;
    if (node) {
        if (MState == 1)
            list = node->dictionary ? node->dictionary->attributes : nullptr;
        else
            list = node->attributes;
    }
    comp_attr found = find_attr(list);
    if (!found) {
        v_err("Table index attribute type not present in node", "", "");
        return -1;
    }
    int i = 0;
    for (comp_attr c = found; c && i < attr_index; c = c->another, i++) {
        if (attr[i].decon) continue;
        const t_delay& d = delay_entry(c->index);
        if (d.choice < 1) return -1; // a value still open cannot index a table
        int n = attr_table[d.class_].entries - 1;
        sz *= n;
        index = index * n + (d.choice - 1);
    }
    if (size) *size = static_cast<int>(sz);
    return static_cast<int>(index);
}

// ------------------------------------------------------ preselection resolution

const char* find_pst(const char* r, int decon_allowed) {
    pre_match = nullptr;
    if (!r) {
        pre_status = 2;
        return r;
    }
    if (static_cast<unsigned char>(*r) == T_PRE) r++;
    const char* end = text_to_comp_array(r, decon_allowed);
    if (!preselect_list) {
        pre_status = 1;
        return end;
    }
    if (attr_index == 0) {
        pre_status = 2;
        return end;
    }
    comp_attr key = make_full_comp_attr();
    char* printed = print_comp_attr(key);
    bad_pst = printed;
    free(printed);
    pre_match = look_for_attr(key, preselect_list);
    purge_comp_attr(&key);
    if (!pre_match)
        pre_status = 3;
    else if (pre_match->node == 0 || !pre_match->RHS)
        pre_status = 4;
    else if (!pre_match->RHS->dictionary || pre_match->RHS->dictionary->error)
        pre_status = 5;
    else
        pre_status = 6;
    return end;
}

const char* analyze_pre(const char* r) {
    if (!r) return r;
    if (static_cast<unsigned char>(*r) == T_IS) r++;
    if (static_cast<unsigned char>(*r) == T_PRE) {
        attr_form = 2;
        return find_pst(r, 1);
    }
    const char* after = text_to_comp_struct(r, 1);
    if (static_cast<unsigned char>(*after) == T_PRE) {
        attr_form = 1;
        const char* end = find_pst(after, 1);
        text_to_comp_array(r, 1);
        return end;
    }
    attr_form = 3;
    text_to_comp_array(r, 1);
    return after;
}

namespace {

// The lookup of the preselected word, when the match has one.
t_dict_lookup* preselected_lookup() {
    if (!pre_match || !pre_match->RHS) return nullptr;
    return pre_match->RHS->dictionary;
}

} // namespace

comp_attr attr_from_pre() {
    t_dict_lookup* lk = preselected_lookup();
    if (!lk) return nullptr;
    comp_attr have = find_attr(lk->attributes);
    if (have) return dup_decon_comp_attr(have);
    for (int i = 0; i < attr_index; i++)
        attr[i].lttmp = -1;
    if (!lk->dictionary || !match_single_attr(lk->dictionary)) {
        v_err("Preselection: ", "requested attribute not present in lexical entry for: ",
              bad_pst.c_str());
        return nullptr;
    }
    bool drawn = false;
    for (int i = 0; i < attr_index; i++) {
        if (attr[i].value != -1) continue;
        if (attr[i].lttmp > 0 && attr[i].lttmp != BAREVALUE) {
            attr[i].value = attr[i].lttmp;
            continue;
        }
        int t = attr[i].type;
        int n = (t > 0 && t < total_types) ? attr_table[t].entries - 1 : 0;
        if (n < 1) continue;
        attr[i].value = 1 + getrandom(n);
        drawn = true;
    }
    if (drawn) append_attr(&lk->attributes, make_full_comp_attr());
    return make_comp_attr();
}

int bool_from_pre() {
    t_dict_lookup* lk = preselected_lookup();
    if (!lk || !lk->dictionary) return 0;
    for (int i = 0; i < attr_index; i++)
        attr[i].lttmp = -1;
    return match_single_attr(lk->dictionary) ? 1 : 0;
}

void resetreader() {
    drop_files();
    discard_macros();
    clearqueue();
    clearword();
    istate = 0;
    ccount = 0;
    lfret = 0;
    macrostack.fill(nullptr);
    file_operation.clear();
    file_position.clear();
    v_stat = 0;
    v_errors = 0;
    v_skiprest = false;
    macrotext = 0;
    includes = 0;
    includedtext = 0;
    seed = 1;
    pre_match = nullptr;
    pre_status = 0;
    attr_form = 0;
    bad_pst.clear();
    filecol.fill(0);
    lastchar = wordstart = openstart = {"", 0, 0};
    tokpos.fill({"", 0, 0});
    intokenizer = false;
}

readpos v_headpos() {
    return tokenq.length > 0 ? tokpos[static_cast<size_t>(tokenq.head)] : lastchar;
}

readpos v_charpos() {
    return lastchar;
}

readpos v_openpos() {
    return openstart;
}

void v_setposition(const std::string& text) {
    file_position = text;
    if (v_itemhook) v_itemhook(text, v_headpos());
}

bool v_intokenizer() {
    return intokenizer;
}

} // namespace bormo
