#include "editor/records.hpp"

#include "editor/lines.hpp"

namespace oxa {

namespace {
constexpr int32_t DEFAULTLEN = 5;
constexpr char DEFAULTTYPE = 'c';

// The default layout: field n at row (n-1) div 6 + 3, column 8 x ((n-1) mod 6) + 2.
constexpr std::array<int32_t, MAXFIELDS + 1> defaultrows() {
    std::array<int32_t, MAXFIELDS + 1> a{};
    for (int32_t n = 1; n <= MAXFIELDS; ++n) a[n] = (n - 1) / 6 + 3;
    return a;
}
constexpr std::array<int32_t, MAXFIELDS + 1> defaultcols() {
    std::array<int32_t, MAXFIELDS + 1> a{};
    for (int32_t n = 1; n <= MAXFIELDS; ++n) a[n] = 8 * ((n - 1) % 6) + 2;
    return a;
}
template <typename T> constexpr std::array<T, MAXFIELDS + 1> filled(T v) {
    std::array<T, MAXFIELDS + 1> a{};
    a.fill(v);
    return a;
}
} // namespace

int32_t fieldnum = 1;
int64_t recptr = 0;
int32_t fieldsiz = 0;
int32_t numfields = 10;
std::array<int32_t, MAXFIELDS + 1> frow = defaultrows();
std::array<int32_t, MAXFIELDS + 1> fcol = defaultcols();
std::array<int32_t, MAXFIELDS + 1> maxfieldlen = filled<int32_t>(DEFAULTLEN);
std::array<char, MAXFIELDS + 1> ftype = filled<char>(DEFAULTTYPE);

void findfield() {
    const LINE* l = cur().lnptr;
    int32_t col = cur().curcol;
    int32_t upto = col - 1; // bytes before the cursor that lie inside the line
    if (upto > l->length) upto = l->length;
    if (l->object == K_EMPTY || l->object == K_PICTURE || upto < 0) upto = 0;
    fieldnum = 1;
    int32_t start = 0;
    for (int32_t i = 0; i < upto; ++i) {
        if (textbase[l->index + i] == '|') {
            ++fieldnum;
            start = i + 1;
        }
    }
    recptr = l->index + start;
    fieldlen();
}

void fieldlen() {
    const LINE* l = cur().lnptr;
    fieldsiz = 0;
    if (l->object == K_EMPTY || l->object == K_PICTURE) return;
    int64_t end = l->index + l->length;
    for (int64_t p = recptr; p < end && textbase[p] != '|'; ++p) ++fieldsiz;
}

int32_t fieldmax(int32_t n) { return (n >= 1 && n <= MAXFIELDS) ? maxfieldlen[n] : DEFAULTLEN; }

char fieldtype(int32_t n) { return (n >= 1 && n <= MAXFIELDS) ? ftype[n] : DEFAULTTYPE; }

void resetrecords() {
    fieldnum = 1;
    recptr = 0;
    fieldsiz = 0;
    numfields = 10;
    frow = defaultrows();
    fcol = defaultcols();
    maxfieldlen = filled<int32_t>(DEFAULTLEN);
    ftype = filled<char>(DEFAULTTYPE);
}

} // namespace oxa
