// What every handler shares: the server's state, and the edge where a
// request is checked and an answer or an error is sent.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "serve/ratelimit.hpp"
#include "serve/storage.hpp"
#include "serve/workers.hpp"

namespace serve {

using nlohmann::json;

// Limits on what a client may send.
constexpr size_t max_body = 64 * 1024;   // bytes of a request body
constexpr size_t max_response = 1000;    // characters of an answer
constexpr size_t max_name = 60;          // characters of a class or learner name
constexpr int64_t max_seed = 2147483647; // seeds run from 1 to this
constexpr int adaptive_candidates = 8;   // seeds the next exercise is chosen from
constexpr size_t adaptive_history = 30;  // recent answers it looks at

struct app {
    std::unique_ptr<storage> db;
    std::map<std::string, std::unique_ptr<pack_workers>> packs;
    std::string teacher_token;
    rate_limiter per_learner{20};
    rate_limiter per_address{2000};
};

// ---- Answers and errors (http.cpp) ----

void send_json(httplib::Response& res, const json& body, int status = 200);
// {"error": message, "field": field} with the status.
void send_error(httplib::Response& res, int status, const std::string& message, const std::string& field);

// The body as a JSON object; otherwise an error is sent and false returned.
bool read_body(const httplib::Request& req, httplib::Response& res, json& body);
// A text field: present when required, a string, well-formed, without
// control characters, 1..max characters once blanks at its ends are taken
// off.  False after sending an error naming the field.
bool text_field(const json& body, const char* name, size_t max, bool required, std::string& out,
                httplib::Response& res);
// An integer field within [lo, hi]; `present` tells whether it was given.
bool integer_field(const json& body, const char* name, int64_t lo, int64_t hi, bool& present, int64_t& out,
                   httplib::Response& res);

// ---- Who is asking (auth.cpp) ----

// The bearer token of the request, empty when none.
std::string bearer(const httplib::Request& req);
// Teacher calls: 401 without a token or with an unknown one, 403 with a learner's.
bool require_teacher(app& a, const httplib::Request& req, httplib::Response& res);
// Learner calls: the learner, or nullopt after 401/403/429 was sent.
std::optional<learner_record> require_learner(app& a, const httplib::Request& req, httplib::Response& res);
// Comparison that takes the same time wherever the texts differ.
bool same_secret(const std::string& a, const std::string& b);

// What every learner's call with a body checks first: the token, the body as
// a JSON object and the learner's class still open.  Nullopt after an error
// was sent.
struct learner_call {
    learner_record learner;
    json body;
};
std::optional<learner_call> learner_body(app& a, const httplib::Request& req, httplib::Response& res);
// The same for a call on a pack (packs.cpp): the body's "pack" (a pack
// served) and "kind" (statement when absent) read as well.
struct pack_call : learner_call {
    pack_workers* pack = nullptr;
    std::string kind;
};
std::optional<pack_call> learner_pack_call(app& a, const httplib::Request& req, httplib::Response& res);

// ---- The resources ----

void add_pack_routes(httplib::Server& s, app& a);
void add_class_routes(httplib::Server& s, app& a);
void add_learner_routes(httplib::Server& s, app& a);
void add_exercise_routes(httplib::Server& s, app& a);
void add_answer_routes(httplib::Server& s, app& a);
void add_page_routes(httplib::Server& s, app& a);

// Makes and stores an exercise from a worker's reply (exercises.cpp); the
// adaptive choice (learners.cpp) uses it too.
bool make_exercise(app& a, const learner_record& l, const std::string& pack, const std::string& kind,
                   int64_t seed, httplib::Response& res, json& out);
// A random join code: letters and digits that cannot be mistaken for each other.
std::string new_class_code();
// The answer as the API shows it.
json answer_json(const answer_record& r);

// Every route, the request log and the error pages on one server.
void build_server(httplib::Server& s, app& a);

} // namespace serve
