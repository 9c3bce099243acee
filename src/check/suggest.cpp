// "Did you mean": a name that is not defined is compared with the names in
// scope by edit distance, and the closest are offered; an unknown attribute
// name is also shown with the values it could have meant.
#include "check/check.hpp"

#include <algorithm>

#include "bormo/attributes.hpp"

namespace check {

namespace {

// Names further than this from the misspelt one are not offered: one edit in
// a short name, two in a name of up to eight characters, three beyond.
size_t reach(const std::string& name) {
    return name.size() <= 4 ? 1 : name.size() <= 8 ? 2 : 3;
}

constexpr size_t MAXOFFERED = 3;  // names offered at one distance
constexpr size_t MAXLISTED = 12;  // names listed when none is close

std::string listed(const std::vector<std::string>& names, size_t most) {
    std::string s;
    for (size_t i = 0; i < names.size() && i < most; i++)
        s += (i ? ", " : "") + names[i];
    if (names.size() > most) s += ", ...";
    return s;
}

} // namespace

size_t editdistance(const std::string& a, const std::string& b) {
    // Insertions, deletions, changes and swaps of two neighbours cost one each.
    const size_t n = a.size(), m = b.size();
    std::vector<std::vector<size_t>> d(n + 1, std::vector<size_t>(m + 1));
    for (size_t i = 0; i <= n; i++)
        d[i][0] = i;
    for (size_t j = 0; j <= m; j++)
        d[0][j] = j;
    for (size_t i = 1; i <= n; i++)
        for (size_t j = 1; j <= m; j++) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[n][m];
}

std::vector<std::string> closest(const std::string& name, const std::vector<std::string>& names) {
    size_t best = reach(name) + 1;
    std::vector<std::string> out;
    for (const std::string& n : names) {
        if (n == name || n.empty()) continue;
        const size_t d = editdistance(name, n);
        if (d > reach(name) || d > best) continue;
        if (d < best) out.clear();
        best = d;
        if (std::find(out.begin(), out.end(), n) == out.end()) out.push_back(n);
    }
    std::sort(out.begin(), out.end());
    if (out.size() > MAXOFFERED) out.resize(MAXOFFERED);
    return out;
}

std::string didyoumean(const std::string& name, const std::vector<std::string>& names) {
    std::vector<std::string> c = closest(name, names);
    if (c.empty()) return "";
    std::string s = " (did you mean ";
    for (size_t i = 0; i < c.size(); i++)
        s += (i == 0 ? "" : i + 1 == c.size() ? " or " : ", ") + c[i];
    return s + "?)";
}

std::vector<std::string> attributenames() {
    std::vector<std::string> names;
    for (int t = 1; t < bormo::total_types; t++) {
        const bormo::attr_table_entry& e = bormo::attr_table[static_cast<size_t>(t)];
        names.emplace_back(e.type.data());
        for (int v = 1; v < e.entries; v++)
            if (e.list[static_cast<size_t>(v)]) names.emplace_back(e.list[static_cast<size_t>(v)]);
    }
    return names;
}

std::string attributehint(const std::string& name) {
    if (bormo::total_types <= 1) return "";
    std::vector<std::string> c = closest(name, attributenames());
    if (c.empty()) {
        std::vector<std::string> types;
        for (int t = 1; t < bormo::total_types; t++)
            types.emplace_back(bormo::attr_table[static_cast<size_t>(t)].type.data());
        return " (the attribute types are " + listed(types, MAXLISTED) + ")";
    }
    // Then the values of each type an offered name is or belongs to.
    std::string s = didyoumean(name, c);
    s.pop_back(); // the closing parenthesis
    std::vector<int> shown;
    for (const std::string& n : c) {
        if (!bormo::lookup_attr(n.c_str())) continue;
        const int t = bormo::att_class;
        if (std::find(shown.begin(), shown.end(), t) != shown.end()) continue;
        shown.push_back(t);
        const bormo::attr_table_entry& e = bormo::attr_table[static_cast<size_t>(t)];
        std::vector<std::string> values;
        for (int v = 1; v < e.entries; v++)
            if (e.list[static_cast<size_t>(v)]) values.emplace_back(e.list[static_cast<size_t>(v)]);
        s += std::string(shown.size() == 1 ? " " : "; ") + e.type.data() + ": " + listed(values, MAXLISTED);
    }
    return s + ")";
}

} // namespace check
