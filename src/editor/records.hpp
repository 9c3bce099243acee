// Record lines: fields separated by `|`, field 1 before the first bar.
//
// The cursor's field is located by `findfield` (with `fieldlen`), declared
// with the painter that shows it (paint.hpp): `fieldnum`, `recptr` and
// `fieldsiz`.  `locatefield` (lines.hpp) gives the offset of a field's
// start within a line.  The helpers here read any record line without
// moving the cursor.
#pragma once

#include <cstdint>
#include <string>

#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/store.hpp"

namespace oxa {

constexpr unsigned char FIELDSEP = '|';

// True for a line that holds record text (kind 1).
bool isrecord(const LINE* line);
// Number of fields of a line: one more than its bars (0 for a line without
// text).
int32_t fieldcount(const LINE* line);
// Field `field` (from 1) of a line: the offset of its first byte within the
// line and its length.  False when the line has fewer fields.
bool fieldspan(const LINE* line, int32_t field, int32_t& offset, int32_t& length);
// The bytes of field `field` ("" when the line has fewer fields).
std::string fieldtext(const LINE* line, int32_t field);

} // namespace oxa
