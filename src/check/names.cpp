// The display names of a pack (names-<language> files): every value the
// learner feedback can name in a FORM explanation has a name in each file,
// and each file's lines are well formed.
#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "bormo/attributes.hpp"
#include "bormo/valuenames.hpp"
#include "bormo/variants.hpp"
#include "check/check.hpp"

namespace check {

namespace {

// The codes a FORM explanation can show: the types the morphological error
// file lists for some class, and all their values.
std::set<std::string> form_codes() {
    std::set<std::string> out;
    for (int t = 0; t < bormo::MRTERMS; ++t)
        for (const bormo::mrpair& p : bormo::mrdata[static_cast<size_t>(t)]) {
            if (p.type == 0) break;
            if (p.type < 1 || p.type >= bormo::total_types) continue;
            const auto& e = bormo::attr_table[static_cast<size_t>(p.type)];
            out.insert(e.type.data());
            for (int v = 1; v < e.entries; ++v)
                if (e.list[static_cast<size_t>(v)]) out.insert(e.list[static_cast<size_t>(v)]);
        }
    return out;
}

} // namespace

void checkvaluenames(const std::string& dir) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> files;
    while (const dirent* e = readdir(d))
        if (startswith(e->d_name, "names-")) files.push_back(dir + "/" + e->d_name);
    closedir(d);
    std::sort(files.begin(), files.end());
    if (files.empty()) return;
    const std::set<std::string> wanted = form_codes();
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        std::vector<std::pair<int, std::string>> bad;
        const auto names = bormo::parse_value_names(bormo::single_byte(text.str()), bad);
        for (const auto& [line, what] : bad)
            report(file, line, 0, S_ERROR, what);
        for (const std::string& code : wanted) {
            const bool named = std::any_of(names.begin(), names.end(),
                                           [&](const bormo::value_name& v) { return v.code == code; });
            if (!named)
                report(file, 0, 0, S_ERROR,
                       code + " has no display name (a learner may read it in a FORM explanation)");
        }
    }
}

} // namespace check
