// The checker's findings and the three ways of printing them: the compiler
// convention FILE:LINE:COLUMN, JSON lines for tools, and errors only.
#include "check/check.hpp"

namespace check {

std::vector<Diagnostic> findings;

namespace {

constexpr const char* sevname[] = {"error", "warning"};

} // namespace

std::string jsonstring(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c >= 0x80) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string utf8(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x80) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void report(const std::string& file, int line, int col, Severity sev, const std::string& message) {
    findings.push_back({file, line, col, sev, message});
}

int errorcount() {
    int n = 0;
    for (const Diagnostic& d : findings)
        n += d.sev == S_ERROR;
    return n;
}

int warningcount() {
    return static_cast<int>(findings.size()) - errorcount();
}

std::string format_text(const Diagnostic& d) {
    std::string where = d.file.empty() ? std::string("oxa-check") : d.file;
    where += ":" + std::to_string(d.line) + ":" + std::to_string(d.col);
    return utf8(where + ": " + sevname[d.sev] + ": " + d.message);
}

std::string format_json(const Diagnostic& d) {
    return "{\"file\":" + jsonstring(d.file) + ",\"line\":" + std::to_string(d.line) +
           ",\"column\":" + std::to_string(d.col) + ",\"severity\":\"" + sevname[d.sev] +
           "\",\"message\":" + jsonstring(d.message) + "}";
}

void printfindings(FILE* out, bool json, bool quiet) {
    for (const Diagnostic& d : findings) {
        if (quiet && d.sev != S_ERROR) continue;
        std::string s = json ? format_json(d) : format_text(d);
        fprintf(out, "%s\n", s.c_str());
    }
}

void resetdiagnostics() {
    findings.clear();
}

} // namespace check
