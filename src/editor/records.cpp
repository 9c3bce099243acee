// Record lines: reading their fields.
#include "editor/records.hpp"

namespace oxa {

namespace {

bool holdstext(const LINE* line) {
    return line != nullptr && line->object != K_EMPTY && line->object != K_PICTURE &&
           line->object != K_DEAD;
}

} // namespace

bool isrecord(const LINE* line) {
    return line != nullptr && line->object == K_RECORD;
}

int32_t fieldcount(const LINE* line) {
    if (!holdstext(line)) return 0;
    int32_t n = 1;
    for (int32_t i = 0; i < line->length; ++i)
        if (textbase[line->index + i] == FIELDSEP) ++n;
    return n;
}

bool fieldspan(const LINE* line, int32_t field, int32_t& offset, int32_t& length) {
    offset = 0;
    length = 0;
    if (!holdstext(line) || field < 1) return false;
    int32_t n = 1;
    int32_t start = 0;
    for (int32_t i = 0; i <= line->length; ++i) {
        if (i < line->length && textbase[line->index + i] != FIELDSEP) continue;
        if (n == field) {
            offset = start;
            length = i - start;
            return true;
        }
        ++n;
        start = i + 1;
    }
    return false;
}

std::string fieldtext(const LINE* line, int32_t field) {
    int32_t offset, length;
    if (!fieldspan(line, field, offset, length)) return "";
    return std::string(reinterpret_cast<const char*>(&textbase[line->index + offset]),
                       static_cast<size_t>(length));
}

} // namespace oxa
