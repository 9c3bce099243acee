#include "packs/packs.hpp"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace oxa::packs {

namespace fs = std::filesystem;

namespace {

bool isdir(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

// The pack's files in loading order with their commands' two letters.
struct packfile {
    const char* name;
    const char* command;
    bool required;
};
const packfile packfiles[] = {
    {"attributes", "AT", true}, {"terminals", "TM", true}, {"lexicon", "LE", true},
    {"morphology", "MO", false}, {"tables", "TB", false},  {"syntax", "SY", true},
    {"tags", "TG", false},       {"merrors", "MR", false}, {"phonology", "IP", false},
};

// The longest file name the editor takes.
constexpr size_t NAMELIMIT = 48;

} // namespace

std::vector<std::string> searchpath(const char* envpacks, const std::string& programdir) {
    std::vector<std::string> path;
    const std::string list = envpacks ? envpacks : "";
    size_t from = 0;
    while (from <= list.size()) {
        size_t colon = list.find(':', from);
        if (colon == std::string::npos) colon = list.size();
        if (colon > from) path.push_back(list.substr(from, colon - from));
        from = colon + 1;
    }
    if (programdir.empty()) return path;
    const fs::path above = fs::path(programdir).parent_path();
    path.push_back((above / "share" / "oxa" / "packs").string());
    // A program run from its build folder in a checkout: the example packs.
    std::error_code ec;
    if (fs::exists(fs::path(programdir) / "CMakeCache.txt", ec) && isdir(above / "examples"))
        path.push_back((above / "examples").string());
    return path;
}

std::string findpack(const std::string& arg, const std::vector<std::string>& path) {
    if (arg.empty()) return "";
    if (isdir(arg)) return arg;
    if (arg.find('/') != std::string::npos || arg == "..") return "";
    for (const std::string& folder : path) {
        const fs::path p = fs::path(folder) / arg;
        if (isdir(p)) return p.string();
    }
    return "";
}

std::vector<std::string> packnames(const std::vector<std::string>& path) {
    std::vector<std::string> names;
    for (const std::string& folder : path) {
        std::error_code ec;
        for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
            if (isdir(e.path()) && fs::exists(e.path() / "syntax", ec))
                names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string notfound(const std::string& arg, const std::vector<std::string>& path) {
    if (arg.find('/') != std::string::npos) return "no directory " + arg;
    std::string text = "no pack " + arg;
    const std::vector<std::string> names = packnames(path);
    if (names.empty()) return text + " (no packs installed; set OXA_PACKS or give a directory)";
    text += " (packs:";
    for (const std::string& n : names) text += " " + n;
    return text + ")";
}

bool loadkeys(const std::string& dir, std::string& keys, std::string& error) {
    keys.clear();
    for (const packfile& f : packfiles) {
        const fs::path p = fs::path(dir) / f.name;
        std::error_code ec;
        if (!fs::is_regular_file(p, ec)) {
            if (!f.required) continue;
            error = "the pack " + dir + " has no file named " + f.name;
            return false;
        }
        const std::string name = fs::absolute(p, ec).string();
        if (name.size() > NAMELIMIT) {
            error = "the path " + name + " is longer than the editor's 48 characters";
            return false;
        }
        keys += std::string("\x03") + f.command + name + "\r";
    }
    return true;
}

std::string selfpath(const char* argv0) {
    std::string buf(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n > 0) return buf.substr(0, static_cast<size_t>(n));
    return argv0 ? argv0 : "";
}

std::string programdir(const char* argv0) {
    const std::string self = selfpath(argv0);
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

} // namespace oxa::packs
