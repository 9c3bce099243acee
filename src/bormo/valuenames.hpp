// Display names of attribute values and types: what a learner reads in the
// feedback instead of the pack's codes ("imperfect" for impf).  A pack keeps
// one names file per interface language (names-english, names-french), each
// line a code and its name in double quotes:
//
//     { comment }
//     impf "imperfect"
//     tense "tense"
//
// The file loaded last is the one in use; a code without a name shows as
// itself.
#pragma once

#include <string>
#include <vector>

namespace bormo {

struct value_name {
    std::string code;
    std::string name;
};

extern std::vector<value_name> value_names; // the loaded names, in file order
extern std::string value_names_file;        // the file they came from, empty when none

// Loads a names file; each bad line is reported in corefile 7 as
// "ERROR names input <file>:<line> <what>" and skipped.  Returns the number
// of bad lines (-1 when the file cannot be read).
int read_value_names(const char* file);
// Reads names from a text (the reader above, and oxa-check, use it); bad
// lines are handed to `bad` with their line number.
std::vector<value_name> parse_value_names(const std::string& text,
                                          std::vector<std::pair<int, std::string>>& bad);

// A names file's text in the store's single bytes: UTF-8 decoded, a
// character beyond them as '?'; any other text as it is.
std::string single_byte(const std::string& text);

// The name of a code, or null when it has none.
const std::string* find_value_name(const std::string& code);
// The name of a code, or the code itself.
std::string display_name(const std::string& code);

void vreadnames();      // VNAMES
void resetvaluenames(); // start-up and tests

} // namespace bormo
