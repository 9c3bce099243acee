// The reference part of docs/editor.md is built from the command table and
// the default key map, that of docs/protocol.md from the wire table; the test
// fails when a document differs from its tables.
// With OXA_UPDATE_DOCS=1 it rewrites that part instead:
//   OXA_UPDATE_DOCS=1 build/unit_tests --gtest_filter='Docs*'
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/input.hpp"
#include "wire/protocol.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

// The source tree, defined in paths.cpp.
extern const char* const oxa_unit_source_dir;

namespace oxa {
namespace docs_test {

const std::string BEGINMARK = "<!-- BEGIN GENERATED REFERENCE: run OXA_UPDATE_DOCS=1 "
                              "build/unit_tests --gtest_filter='Docs*' to refresh -->";
const std::string ENDMARK = "<!-- END GENERATED REFERENCE -->";

// What each edit code with a key does.  Codes from 107 on belong to the
// procedure language and are described with it.
const std::map<int, std::string> keyhelp = {
    {1, "RETURN: new line or next field"},
    {5, "rub out the character left of the cursor"},
    {6, "ESC: prefix of the ESC keys"},
    {7, "prefix of the ESC [ keys"},
    {8, "ESC [ n ~: numbered key prefix"},
    {9, "ignored"},
    {10, "open a new line below"},
    {11, "copy the character above"},
    {12, "undo the last change to this corefile's text (a typed run, a command, a key's edit)"},
    {13, "resume a paused procedure or driver"},
    {14, "pause a procedure or driver"},
    {15, "stop the driver program"},
    {16, "acknowledge to the driver program"},
    {17, "cursor left"},
    {18, "cursor down"},
    {19, "cursor right"},
    {20, "cursor up"},
    {21, "command mode"},
    {22, "switch typing between overwrite and insert"},
    {23, "reformat the paragraph"},
    {24, "check the record at the cursor"},
    {25, "set or clear a star on the line (a block lies between the last two stars)"},
    {26, "move the block from corefile 0 below the cursor line"},
    {27, "delete the starred block into corefile 0"},
    {28, "page up"},
    {29, "switch typed letters to capitals or back"},
    {30, "page down"},
    {31, "find again, staying on the match"},
    {32, "find again, setting the result register"},
    {33, "set or clear a tab stop"},
    {34, "next tab stop"},
    {35, "copy the starred block into corefile 0"},
    {36, "redo what undo took back"},
    {37, "compare the answer with one sentence"},
    {38, "write a dump of the store to a new file whose name it asks for (debugging)"},
    {39, "global preselection"},
    {40, "restore the last deleted word"},
    {41, "type capture slot n (the digits that follow)"},
    {42, "compute"},
    {43, "compute"},
    {44, "compute"},
    {45, "compute"},
    {46, "compute"},
    {47, "merge expression"},
    {48, "merge text"},
    {49, "increment register"},
    {50, "clear register"},
    {51, "merge assignment"},
    {52, "show register"},
    {53, "matrix entry"},
    {54, "matrix record"},
    {55, "preview"},
    {56, "switch display output off or on"},
    {57, "matrix cursor"},
    {58, "insert a table row"},
    {59, "insert a table column"},
    {60, "row down"},
    {61, "row up"},
    {63, "count the matches"},
    {64, "test the cursor position"},
    {65, "restore the last deleted character"},
    {66, "start of line"},
    {67, "merge record"},
    {68, "end of line"},
    {69, "delete to end of line"},
    {70, "left margin at the cursor"},
    {71, "right margin at the cursor"},
    {72, "flush the line left"},
    {73, "flush the line right"},
    {74, "centre the line"},
    {75, "split the line"},
    {76, "join the next line"},
    {77, "repeat the character above"},
    {78, "repeat the rest of the line above"},
    {79, "delete word"},
    {80, "delete to end of word"},
    {81, "next word"},
    {82, "previous word"},
    {83, "star or unstar the column"},
    {84, "delete the rectangle"},
    {85, "insert the rectangle"},
    {86, "copy the rectangle"},
    {87, "insert blank columns"},
    {88, "overwrite with the rectangle"},
    {89, "copy and clear the rectangle"},
    {90, "copy, clear and overwrite the rectangle"},
    {91, "clear all stars"},
    {92, "flip the character's accent or case"},
    {93, "open n empty lines"},
    {94, "enter a picture line"},
    {95, "next number"},
    {96, "align the line on a character"},
    {97, "generate sentences"},
    {98, "resume the lexical transformation"},
    {99, "compare the answer"},
    {101, "wait 3 seconds"},
    {102, "copy generated sentence n here"},
    {103, "error analysis of the answer"},
    {104, "enumerate the variants"},
    {105, "word and sentence length tables"},
    {106, "semantic expression of the line"},
};

std::string bytename(int c) {
    if (c == 27)
        return "ESC";
    if (c == 127)
        return "DEL";
    if (c == ' ')
        return "Space";
    if (c < 32)
        return std::string("Ctrl-") + static_cast<char>(c + 64);
    return std::string(1, static_cast<char>(c));
}

std::string keyname(int k) {
    if (k >= NUMKEY)
        return "ESC [ " + std::to_string(k - NUMKEY) + " ~";
    if (k >= CSIKEY)
        return "ESC [ " + bytename(k - CSIKEY);
    if (k >= ESCKEY)
        return "ESC " + bytename(k - ESCKEY);
    return bytename(k);
}

// A key that types an accented letter; these have a table of their own.
bool accentkey(int k) {
    return k >= ESCKEY && k < NCHARMAP && intran[k] == C_LETTER && char_map[k] >= 128;
}

std::string latin1toutf8(unsigned char c) {
    if (c < 128)
        return std::string(1, static_cast<char>(c));
    std::string s;
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
    return s;
}

// A table cell may not hold a bare `|`.
std::string cell(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '|')
            out += "\\|";
        else
            out += c;
    }
    return out;
}

std::string paramword(char type, char qual) {
    switch (type) {
    case 'c': return "text";
    case 'd': return std::string("digit 0-") + qual;
    case 'e': return "RETURN";
    case 'f': return "file";
    case 'g': return qual == 'L' ? "last line" : "first line";
    case 'h': return "line";
    case 'i': return "number";
    case 'j': return "signed number";
    case 'k': return "letter";
    }
    return "?";
}

std::string paramtext(const CMDSPEC& row) {
    std::string out;
    const char* d = row.defstr;
    for (const char* p = row.paramtype; p[0] && p[1]; p += 2) {
        std::string def;
        while (*d && *d != '|')
            def += *d++;
        if (*d == '|')
            d++;
        if (!out.empty())
            out += " \\| ";
        out += paramword(p[0], p[1]);
        if (!def.empty())
            out += " = " + def;
    }
    return out;
}

// The generated part of the guide.
std::string reference() {
    resetinput();
    std::ostringstream o;
    o << BEGINMARK << "\n\n### Commands\n\n"
      << "Type the two letters, then the parameters separated by `|`, then RETURN. "
         "A parameter left out takes the default after `=`.\n\n"
      << "| Command | Type | Parameters | Prompt | What it does |\n"
      << "|---|---|---|---|---|\n";
    for (const CMDSPEC& row : commands) {
        std::string name = row.name;
        if (name == "**")
            break;
        EXPECT_NE(row.help, nullptr) << "no description of " << name;
        std::string what = row.help != nullptr ? row.help : "";
        // Keeping the text is the whole work of FUNCTION (a function-key
        // string), MERGE (the merge string) and EXPRESSION.
        bool stores = false;
        for (const char* p = row.paramtype; p[0] && p[1]; p += 2)
            stores |= p[0] == 'c' && (p[1] == '0' || p[1] == '3' || p[1] == '4');
        // A file checker only tests the name; other checkers do the work.
        bool checkonly = !row.checker || row.checker == fpr || row.checker == fpw ||
                         row.checker == faw || row.checker == fpx;
        if (!row.cmdop && !stores && checkonly)
            what = "(Not available in this version.) " + what;
        std::string typed = name.substr(0, 2);
        for (const CMDSPEC& earlier : commands) {
            if (&earlier == &row)
                break;
            if (std::strncmp(earlier.name, row.name, 2) == 0)
                typed += " (taken by " + std::string(earlier.name) + ")";
        }
        o << "| " << name << " | `" << typed << "` | " << paramtext(row) << " | "
          << (row.prompt ? cell(row.prompt) : "") << " | " << cell(what) << " |\n";
    }
    o << "\n### Keys\n\n"
      << "The default key map. Keys marked * do nothing on plain text in this version.\n\n"
      << "| Code | Keys | Action |\n|---|---|---|\n";
    for (int code = 0; code < NCODES; code++) {
        std::string keys;
        for (int k = 0; k < NKEYS; k++) {
            if (intran[k] != code || (k >= 32 && k < 127) || accentkey(k))
                continue;
            if (!keys.empty())
                keys += ", ";
            keys += "`" + keyname(k) + "`";
        }
        if (keys.empty() || code == 0 || code >= C_PATTTEST)
            continue;
        auto help = keyhelp.find(code);
        EXPECT_NE(help, keyhelp.end()) << "no description of edit code " << code;
        std::string what = help == keyhelp.end() ? "" : help->second;
        bool editop = code < NEDITCODES && code > C_IGNORE &&
                      (code < C_RESUME || code > C_ACK) && code != C_RETURN &&
                      code != C_RUBOUT;
        if (editop && edittable[code].operatn[0] == noop)
            what += " *";
        o << "| " << code << " | " << cell(keys) << " | " << cell(what) << " |\n";
    }
    o << "\n### Accented letters\n\n| Keys | Letter |\n|---|---|\n";
    for (int k = ESCKEY; k < NCHARMAP; k++)
        if (accentkey(k))
            o << "| `" << keyname(k) << "` | " << latin1toutf8(char_map[k]) << " |\n";
    o << "\n" << ENDMARK;
    return o.str();
}

// Compares the generated part of a document with `want`; with
// OXA_UPDATE_DOCS=1 rewrites it instead.
void matchesdoc(const std::string& name, const std::string& want) {
    const std::string path = std::string(oxa_unit_source_dir) + "/docs/" + name;
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << path;
    std::stringstream buf;
    buf << in.rdbuf();
    std::string doc = buf.str();
    size_t b = doc.find(BEGINMARK);
    size_t e = doc.find(ENDMARK);
    ASSERT_NE(b, std::string::npos) << "begin marker missing in " << path;
    ASSERT_NE(e, std::string::npos) << "end marker missing in " << path;
    ASSERT_LT(b, e);
    e += ENDMARK.size();
    if (doc.compare(b, e - b, want) == 0)
        return;
    const char* upd = std::getenv("OXA_UPDATE_DOCS");
    if (upd && std::string(upd) == "1") {
        doc.replace(b, e - b, want);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << doc;
        ASSERT_TRUE(out.good()) << "cannot write " << path;
        return;
    }
    FAIL() << "docs/" << name << " is out of date with its tables; "
              "run OXA_UPDATE_DOCS=1 build/unit_tests --gtest_filter='Docs*'";
}

TEST(Docs, EditorGuideReferenceMatchesTheTables) {
    matchesdoc("editor.md", reference());
}

// The wire's messages, from the wire table.
std::string protocolreference() {
    std::ostringstream o;
    o << BEGINMARK << "\n\n"
      << "| Code | Fields after the code | Default stream | Full stream | Meaning |\n"
      << "|---|---|---|---|---|\n";
    for (const wire::message& m : wire::messages) {
        std::string code = m.code[0] != '\0' ? "`" + std::string(m.code) + "`" : "(any other line)";
        const char* fields = "";
        switch (m.fields) {
        case wire::shape::none: fields = "none"; break;
        case wire::shape::onechar: fields = "one byte"; break;
        case wire::shape::twochars: fields = "two bytes"; break;
        case wire::shape::text: fields = "text to the end of the line"; break;
        case wire::shape::rowflags: fields = "row `,` two flag bytes"; break;
        case wire::shape::rowtext: fields = "row, or row `,` text"; break;
        case wire::shape::field: fields = "row `,` column `,` length `,` text"; break;
        case wire::shape::position: fields = "row `,` column"; break;
        }
        const char* def = "dropped";
        const char* full = "whole";
        switch (m.where) {
        case wire::stream::both: def = "the fields alone"; break;
        case wire::stream::full: break;
        case wire::stream::framed: full = "around each output line"; break;
        case wire::stream::direct: def = full = "as it is"; break;
        }
        o << "| " << code << " | " << fields << " | " << def << " | " << full << " | "
          << cell(m.meaning) << " |\n";
    }
    o << "\n" << ENDMARK;
    return o.str();
}

TEST(Docs, ProtocolMatchesTheWireTable) {
    matchesdoc("protocol.md", protocolreference());
}

// Every keyed edit code has its description, and no description is left
// over from a key that is gone.  (A command's description is in its row.)
TEST(Docs, DescriptionsCoverTheTables) {
    resetinput();
    for (const auto& [code, what] : keyhelp) {
        bool keyed = false;
        for (int k = 0; k < NKEYS; k++)
            keyed |= intran[k] == code && !(k >= 32 && k < 127) && !accentkey(k);
        EXPECT_TRUE(keyed) << "description of edit code " << code << " which has no key";
    }
}

TEST(Docs, KeyNames) {
    EXPECT_EQ(keyname(ctl('C')), "Ctrl-C");
    EXPECT_EQ(keyname(127), "DEL");
    EXPECT_EQ(keyname(esckey('g')), "ESC g");
    EXPECT_EQ(keyname(esckey(ctl('K'))), "ESC Ctrl-K");
    EXPECT_EQ(keyname(csikey('A')), "ESC [ A");
    EXPECT_EQ(keyname(numkey(224)), "ESC [ 224 ~");
    EXPECT_EQ(latin1toutf8(0xE9), "\xC3\xA9");
}

} // namespace docs_test
} // namespace oxa
