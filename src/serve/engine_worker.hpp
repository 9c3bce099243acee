// The engine worker: a process that loads one pack once and then answers
// requests, one JSON object a line, read from one descriptor and answered on
// another.  The engine's state is per process, so one worker serves one pack
// and a request sees nothing of another pack.
//
// Requests and replies (strings UTF-8):
//   {"op":"generate","seed":S,"kind":K}       -> {"prompt":..,"expected":..}
//   {"op":"grade","seed":S,"kind":K,"response":R}
//        -> {"prompt":..,"expected":..,"percent":P,"feedback":[lines],"report":[lines],
//            "forms":[[codes of the values each finding names as wrong]..]}
//   {"op":"words","seeds":[S..],"kind":K}
//        -> {"words":[[expected words]..],"forms":[[codes of their values]..]}
//   anything refused                          -> {"error":..}
// The first line a worker writes is {"ready":true,"errors":N} once loaded.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace serve {

// Exercise kinds.  Columns: name, tree whose sentence is the prompt, tree
// the answer is compared with (0 ROOT, 1 QUESTION, 2 ANSWER; -1: ANSWER
// when the pack has that tree, else ROOT).
struct kind_row {
    const char* name;
    int prompt_tree;
    int expected_tree;
};
constexpr kind_row kinds[] = {
    {"statement", -1, -1},
    {"question", 1, -1},
};
static_assert(sizeof(kinds) / sizeof(kinds[0]) == 2);
const kind_row* find_kind(const std::string& name);

// Runs a worker on the pack in `dir` until `in` ends; returns the exit status.
// `language` picks the pack's names-<language> file, whose display names the
// feedback uses instead of the attribute codes ("plural expected", not "pl
// expected"); without that file the codes show.
int run_worker(const std::string& dir, const std::string& language, int in, int out);

// One request, for the worker loop and for tests that load a pack in-process.
void load_pack_here(const std::string& dir, const std::string& language, int& errors);

// A language name as it may end a names file's name: 1 to 32 lower-case letters.
bool valid_language(const std::string& language);
nlohmann::json handle_request(const nlohmann::json& req);

} // namespace serve
