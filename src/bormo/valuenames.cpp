// Display names of attribute values: the names file reader and the look-up.
#include "bormo/valuenames.hpp"

#include <fstream>
#include <sstream>

#include "bormo/vline.hpp"
#include "editor/encoding.hpp"
#include "editor/params.hpp"

namespace bormo {

std::vector<value_name> value_names;
std::string value_names_file;

namespace {

bool code_char(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c >= 0xC0;
}

} // namespace

std::string single_byte(const std::string& text) {
    oxa::Utf8Scan scan;
    scan.feed(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    scan.finish();
    if (scan.encoding() != oxa::ENC_UTF8) return text;
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t k = 0; k < text.size();) {
        uint32_t cp = 0;
        const int n = oxa::utf8decode(p + k, text.size() - k, cp);
        if (n <= 0) {
            ++k;
            continue;
        }
        out += cp <= oxa::MAXTEXTCHAR ? static_cast<char>(cp) : '?';
        k += static_cast<size_t>(n);
    }
    return out;
}

std::vector<value_name> parse_value_names(const std::string& text,
                                          std::vector<std::pair<int, std::string>>& bad) {
    std::vector<value_name> out;
    int line = 1;
    size_t p = 0;
    const size_t n = text.size();
    auto blank = [&](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (p < n) {
        // One line: blanks, comments in braces (which may span lines), then
        // code "name", then nothing more.
        const int at = line;
        std::string code, name;
        bool quoted = false, ok = true;
        std::string what;
        while (p < n && text[p] != '\n') {
            const char c = text[p];
            if (blank(c)) {
                ++p;
            } else if (c == '{') {
                while (p < n && text[p] != '}') {
                    if (text[p] == '\n') ++line;
                    ++p;
                }
                if (p < n) ++p;
            } else if (c == '"' && !code.empty() && !quoted) {
                const size_t close = text.find('"', p + 1);
                const size_t eol = text.find('\n', p + 1);
                if (close == std::string::npos || (eol != std::string::npos && close > eol)) {
                    what = "closing quote missing";
                    ok = false;
                    p = eol == std::string::npos ? n : eol;
                    break;
                }
                name = text.substr(p + 1, close - p - 1);
                quoted = true;
                p = close + 1;
            } else if (code_char(static_cast<unsigned char>(c)) && code.empty() && !quoted) {
                while (p < n && code_char(static_cast<unsigned char>(text[p])))
                    code += text[p++];
            } else {
                if (ok) what = std::string("unexpected '") + c + "'";
                ok = false;
                ++p;
            }
        }
        if (p < n) ++p, ++line;
        if (!ok) {
            bad.emplace_back(at, what);
        } else if (!code.empty() && !quoted) {
            bad.emplace_back(at, "code " + code + " has no name");
        } else if (!code.empty() && name.empty()) {
            bad.emplace_back(at, "empty name for " + code);
        } else if (!code.empty()) {
            bool repeated = false;
            for (const value_name& v : out)
                repeated = repeated || v.code == code;
            if (repeated)
                bad.emplace_back(at, "code " + code + " named twice");
            else
                out.push_back({code, name});
        }
    }
    return out;
}

int read_value_names(const char* file) {
    value_names.clear();
    value_names_file.clear();
    std::ifstream in(file ? file : "", std::ios::binary);
    if (!in) {
        v_printf(MSGCORE, "ERROR names input %s cannot be read", file ? file : "");
        return -1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<std::pair<int, std::string>> bad;
    value_names = parse_value_names(single_byte(text.str()), bad);
    value_names_file = file;
    for (const auto& [line, what] : bad)
        v_printf(MSGCORE, "ERROR names input %s:%d %s", file, line, what.c_str());
    return static_cast<int>(bad.size());
}

const std::string* find_value_name(const std::string& code) {
    for (const value_name& v : value_names)
        if (v.code == code) return &v.name;
    return nullptr;
}

std::string display_name(const std::string& code) {
    const std::string* n = find_value_name(code);
    return n ? *n : code;
}

void vreadnames() {
    read_value_names(oxa::curfile.data());
}

void resetvaluenames() {
    value_names.clear();
    value_names_file.clear();
}

} // namespace bormo
