// Finding and loading a pack's files with the engine's own readers.  While a
// file is read, every message line the reader writes is turned into a finding
// placed where the tokenizer stood, and every identifier read is noted with
// its place, so that the later checks can point into the files.
#include "check/check.hpp"

#include <sys/stat.h>

#include <cstring>

#include "bormo/attributes.hpp"
#include "bormo/engine.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/indirection.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/reader.hpp"
#include "bormo/sentences.hpp"
#include "bormo/syntax.hpp"
#include "bormo/transform.hpp"
#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "editor/frontend.hpp"
#include "editor/store.hpp"

namespace check {

std::string squeeze(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool startswith(const std::string& s, const std::string& p) {
    return s.compare(0, p.size(), p) == 0;
}

// Columns: file name in a pack directory, option, required.
const std::array<kindrow, NKINDS> kindtable = {{
    {"attributes", "--attributes", true},
    {"terminals", "--terminals", true},
    {"lexicon", "--lexicon", true},
    {"morphology", "--morphology", false},
    {"tables", "--tables", false},
    {"syntax", "--syntax", true},
    {"user", "--user", false},
    {"tags", "--tags", false},
    {"merrors", "--merrors", false},
    {"phonology", "--phonology", false},
}};
static_assert(kindtable.size() == NKINDS);

std::array<std::string, NKINDS> packfile;
std::array<std::vector<occurrence>, NKINDS> idents;
std::array<std::vector<occurrence>, NKINDS> items;
std::array<bool, NKINDS> cutshort{};

namespace {

int loading = -1; // kind of the file being read

// Where the lexicon entry being read began: its messages come at its end.
bormo::readpos entrystart{nullptr, 0, 0};
std::string entryword;

// The last reader finding, for folding the messages that follow on its line.
size_t lastreader = SIZE_MAX;
int folded = 0;

bool isfile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void nosink(const char*, size_t) {}

// ---- An unclosed quote in a file whose quotes may run across line ends ----

// In every file but the lexicon a quoted string goes on past the end of its
// line, so one quote left open pairs every later quote of the file wrongly
// and the tokenizer notices it far below, if at all.  The file is read again
// as plain text: the first string that runs past its line is where the
// mistake is.
struct quoteplace {
    int line = 0; // 0: none found
    int col = 0;
};

bool utf8text(const std::string& t) {
    bool wide = false;
    for (size_t i = 0; i < t.size(); i++) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        if (c < 0x80) continue;
        wide = true;
        int n = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (n < 0) return false;
        for (int k = 1; k <= n; k++)
            if (i + static_cast<size_t>(k) >= t.size() ||
                (static_cast<unsigned char>(t[i + static_cast<size_t>(k)]) & 0xC0) != 0x80)
                return false;
        i += static_cast<size_t>(n);
    }
    return wide;
}

quoteplace unclosedquote(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::string t;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        t.append(buf, n);
    std::fclose(f);
    const bool utf8 = utf8text(t);
    struct opened {
        int col;
        bool suspect; // holds what separates the elements of a list or a rule
    };
    std::vector<opened> online; // the strings opened on the current line
    int line = 1, col = 0;
    bool quoted = false, comment = false;
    for (size_t i = 0; i <= t.size(); i++) {
        const char c = i < t.size() ? t[i] : '\n';
        const bool end = i == t.size();
        if (c == '\n') {
            if (quoted) {
                // The string runs on: of the strings opened on this line, the
                // first that holds separators of a list or a rule is the
                // likely culprit.
                for (const opened& o : online)
                    if (o.suspect) return {line, o.col};
                return {line, online.back().col};
            }
            if (end) break;
            line++;
            col = 0;
            online.clear();
            continue;
        }
        if (!utf8 || (static_cast<unsigned char>(c) & 0xC0) != 0x80) col++;
        if (comment) {
            comment = c != '}';
        } else if (quoted) {
            if (c == '"') quoted = false;
            else if (c != 0 && std::strchr(",():;|", c)) online.back().suspect = true;
        } else if (c == '"') {
            quoted = true;
            online.push_back({col, false});
        } else if (c == '{') {
            comment = true;
        }
    }
    return {};
}

// The quote found for the file being loaded, and where its findings begin.
std::string quotefile;
quoteplace quoteat;
size_t loadfirst = 0;

void endfold() {
    if (lastreader != SIZE_MAX && folded > 0)
        findings[lastreader].message +=
            " (and " + std::to_string(folded) + " more on this line)";
    lastreader = SIZE_MAX;
    folded = 0;
}

void readerfinding(const bormo::readpos& at, Severity sev, const std::string& message) {
    std::string file = at.file ? at.file : "";
    if (file.empty()) file = packfile[static_cast<size_t>(loading)];
    if (lastreader != SIZE_MAX) {
        const Diagnostic& last = findings[lastreader];
        if (last.file == file && last.line == at.line) {
            folded++;
            return;
        }
    }
    endfold();
    report(file, at.line, at.col, sev, message);
    lastreader = findings.size() - 1;
}

// A message line written while a file is read.
void onload(int corefile, const char* text) {
    if (corefile != bormo::MSGCORE || loading < 0) return;
    std::string line = text;
    const std::string& op = bormo::file_operation;
    const std::string& pos = bormo::file_position;
    bormo::readpos at = bormo::v_intokenizer() ? bormo::v_charpos() : bormo::v_headpos();
    // A message at the end of an entry comes when the next line is already read.
    if (loading == K_LEXICON && !bormo::v_intokenizer() && entrystart.file && !pos.empty() &&
        (at.line != entrystart.line || !at.file || strcmp(at.file, entrystart.file) != 0))
        at = entrystart;
    // The tokenizer's own messages concern characters: the item is not named.
    std::string where = bormo::v_intokenizer() ? "" : squeeze(pos);
    std::string in = where.empty() ? "" : " (in " + where + ")";

    // The tokenizer's warnings: "<operation> warning: <character> <state>".
    std::string tw = op + " warning: ";
    if (!op.empty() && startswith(line, tw)) {
        std::string what = line.substr(tw.size());
        if (what.find("within quotes") != std::string::npos) {
            bormo::readpos q = bormo::v_openpos();
            if (loading != K_LEXICON && quotefile.empty()) {
                std::string file = q.file ? q.file : packfile[static_cast<size_t>(loading)];
                quoteplace u = unclosedquote(file);
                if (u.line > 0) {
                    quotefile = file;
                    quoteat = u;
                    cutshort[static_cast<size_t>(loading)] = true;
                }
            }
            if (!quotefile.empty()) return; // reported once the file is read
            std::string c = what.substr(0, what.find(" within quotes"));
            std::string tail = c == "EOF" ? "before the end of the file"
                               : c == "new line" ? "on its line"
                                                 : "before '" + c + "'";
            readerfinding(q, S_ERROR, "quote not closed " + tail + in);
        } else if (what.find("within comments") != std::string::npos && startswith(what, "EOF")) {
            readerfinding(bormo::v_openpos(), S_ERROR, "comment not closed before the end of the file");
        } else {
            readerfinding(at, S_WARNING, what + in);
        }
        return;
    }
    if (startswith(line, "* WARNING *")) {
        readerfinding(at, S_WARNING, squeeze(line.substr(11)));
        return;
    }
    if (!startswith(line, "ERROR ")) return; // progress and closing messages
    std::string rest = line.substr(6);
    if (startswith(rest, op + " ")) rest = rest.substr(op.size() + 1);
    if (!pos.empty() && startswith(rest, pos)) rest = rest.substr(pos.size());
    rest = squeeze(rest);
    Severity sev = S_ERROR;
    if (startswith(rest, "warning: very long")) sev = S_WARNING;
    if (rest.find("cannot be edited") != std::string::npos) {
        // "<file> line N: character U+XXXX cannot be edited": the place is ours.
        size_t u = rest.find("character U+");
        if (u != std::string::npos) rest = rest.substr(u);
        rest += ": it has no single-byte form";
        at = bormo::v_charpos();
    }
    // A name declared twice is found at the end of the file: point at its second place.
    const std::string dup = "Warning: attribute value ";
    if (startswith(rest, dup) && rest.size() > dup.size()) {
        std::string name = rest.substr(dup.size(), rest.find(' ', dup.size()) - dup.size());
        if (const occurrence* o = nthplace(K_ATTRIBUTES, name, 1)) {
            at.file = o->file.c_str();
            at.line = o->line;
            at.col = o->col;
        }
    }
    // An unknown attribute name: the close names and the values they hold.
    for (const char* unknown : {"Unknown attribute ", "Attribute not in attribute list "})
        if (startswith(rest, unknown) && rest.size() > strlen(unknown)) {
            std::string name = rest.substr(strlen(unknown));
            name = name.substr(0, name.find_first_of("./ "));
            rest += attributehint(name);
        }
    if (rest.find("Inappropriate") != std::string::npos && rest.find("EOF") != std::string::npos)
        rest += " (is the closing % missing?)";
    if (loading == K_SYNTAX || loading == K_USER)
        if (startswith(rest, "Improper token: char '='") || startswith(rest, "Improper token: token: TRANSFORMATION"))
            rest += " (is the % ending the rule before it missing?)";
    readerfinding(at, sev, rest + in);
}

void onident(const char* ident, const bormo::readpos& where) {
    if (loading < 0) return;
    idents[static_cast<size_t>(loading)].push_back(
        {ident, where.file ? where.file : "", where.line, where.col});
}

void onitem(const std::string& item, const bormo::readpos& where) {
    if (loading == K_LEXICON) {
        // Field 1 is set again as each of its characters is read.
        bool more = item.size() > entryword.size() && item.compare(0, entryword.size(), entryword) == 0;
        if (!more || entryword.empty()) {
            entrystart = bormo::v_charpos();
            entrystart.col = 1; // one entry a line
            items[K_LEXICON].push_back({"", entrystart.file ? entrystart.file : "", entrystart.line, 1});
        }
        entryword = item;
        // An entry's item is its word, without quotes.
        std::string word;
        for (char c : item)
            if (c != '"') word += c;
        if (!items[K_LEXICON].empty()) items[K_LEXICON].back().ident = word;
        return;
    }
    if (loading < 0) return;
    items[static_cast<size_t>(loading)].push_back(
        {item, where.file ? where.file : "", where.line, where.col});
}

// After a load whose file has an unclosed quote: what was found from the
// quote on came from strings paired wrongly and goes; the quote is reported
// where it opened.
void endquote() {
    if (quotefile.empty()) return;
    std::vector<Diagnostic> kept(findings.begin(), findings.begin() + static_cast<long>(loadfirst));
    for (size_t i = loadfirst; i < findings.size(); i++) {
        const Diagnostic& d = findings[i];
        bool after = d.line > quoteat.line || (d.line == quoteat.line && d.col >= quoteat.col);
        if (d.file != quotefile || !after) kept.push_back(d);
    }
    findings = kept;
    report(quotefile, quoteat.line, quoteat.col, S_ERROR,
           "quote not closed on its line (the rest of the file is not checked, nor the pack as a whole)");
    quotefile.clear();
    quoteat = {};
}

void load(int kind) {
    const std::string& f = packfile[static_cast<size_t>(kind)];
    if (f.empty()) return;
    loadfirst = findings.size();
    if (!isfile(f)) {
        report(f, 0, 0, S_ERROR, "cannot read the file");
        return;
    }
    using namespace bormo;
    loading = kind;
    const char* name = f.c_str();
    switch (kind) {
    case K_ATTRIBUTES:
        readattr(name);
        installed |= VF_AT;
        break;
    case K_TERMINALS:
        read_terminals(name);
        installed |= VF_TM;
        break;
    case K_LEXICON:
        if (!(installed & VF_TM)) {
            report(f, 0, 0, S_ERROR, "a lexicon needs a terminals file");
            break;
        }
        initdict();
        readdict(name);
        installed |= VF_LE;
        break;
    case K_MORPHOLOGY:
        new_readmorph(name);
        installed |= VF_MO;
        break;
    case K_TABLES:
        new_readtables(name);
        installed |= VF_TB;
        break;
    case K_SYNTAX:
        read_syntax(name);
        synstat = v_stat;
        installed |= VF_SY;
        break;
    case K_USER:
        read_syntax(name);
        userstat = v_stat;
        installed |= VF_US;
        break;
    case K_TAGS:
        tag_readtables(name);
        installed |= VF_TG;
        break;
    case K_MERRORS:
        merror_readtables(name);
        installed |= VF_MR;
        break;
    case K_PHONOLOGY:
        phon_readtables(name);
        installed |= VF_IP;
        break;
    default:
        break;
    }
    endfold();
    endquote();
    loading = -1;
    entrystart = {nullptr, 0, 0};
    entryword.clear();
}

} // namespace

void findfiles(const std::string& dir) {
    for (int k = 0; k < NKINDS; k++) {
        std::string& f = packfile[static_cast<size_t>(k)];
        if (!f.empty()) continue;
        std::string path = dir + "/" + kindtable[static_cast<size_t>(k)].filename;
        if (isfile(path)) f = path;
    }
}

void initengine() {
    oxa::resetfrontend();
    oxa::xvsink = nosink;
    oxa::resetstore();
    bormo::resetreader();
    bormo::resetattributes();
    bormo::resetengine();
    bormo::resetvline();
    bormo::resetexpansion();
    bormo::resetsentences();
    bormo::resetlexicon();
    bormo::resetsyntax();
    bormo::resetmorphology();
    bormo::resetindirection();
    bormo::resetguards();
    bormo::resetgencommands();
    bormo::resetvariants();
    bormo::resettransform();
    bormo::initbormo();
}

void loadpack() {
    for (int k = 0; k < NKINDS; k++) {
        const kindrow& row = kindtable[static_cast<size_t>(k)];
        if (row.required && packfile[static_cast<size_t>(k)].empty())
            report("", 0, 0, S_ERROR, std::string("no ") + row.filename + " file (" + row.option + ")");
    }
    bormo::v_printhook = onload;
    bormo::v_identhook = onident;
    bormo::v_itemhook = onitem;
    for (int k = 0; k < NKINDS; k++)
        load(k);
    bormo::v_printhook = nullptr;
    bormo::v_identhook = nullptr;
    bormo::v_itemhook = nullptr;
}

bool readwhole() {
    for (bool c : cutshort)
        if (c) return false;
    return true;
}

const occurrence* nthplace(int kind, const std::string& ident, int n) {
    for (const occurrence& o : idents[static_cast<size_t>(kind)])
        if (o.ident == ident && n-- == 0) return &o;
    return nullptr;
}

const occurrence* firstplace(int kind, const std::string& ident) {
    return nthplace(kind, ident, 0);
}

void resetload() {
    packfile.fill("");
    for (auto& v : idents)
        v.clear();
    for (auto& v : items)
        v.clear();
    loading = -1;
    lastreader = SIZE_MAX;
    folded = 0;
    cutshort.fill(false);
    quotefile.clear();
    quoteat = {};
}

} // namespace check
