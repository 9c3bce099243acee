// What the server keeps: classes, learners, exercises and answers, behind
// one narrow interface, so that another database can stand in for SQLite
// without touching the handlers.  Every call is safe from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace serve {

struct class_record {
    std::string code; // the join code
    std::string name;
    bool open = true; // learners may join and answer
    int64_t created = 0;
};

struct learner_record {
    int64_t id = 0;
    std::string token;
    std::string name;
    std::string class_code;
    int64_t joined = 0;
};

// An exercise is replayable from (pack, revision, seed, kind).
struct exercise_record {
    std::string id;
    int64_t learner = 0;
    std::string pack;
    std::string revision;
    int64_t seed = 0;
    std::string kind;
    std::string prompt;
    int64_t created = 0;
};

struct answer_record {
    int64_t id = 0;
    std::string exercise;
    int64_t learner = 0;
    std::string learner_name;
    std::string class_code;
    std::string pack;
    std::string revision;
    int64_t seed = 0;
    std::string kind;
    std::string prompt;
    std::string response;
    std::string expected;
    std::string findings; // JSON array
    int score = 0;
    int percent = 0;
    int64_t time = 0; // milliseconds since the epoch
};

struct learner_summary {
    int64_t id = 0;
    std::string name;
    int answers = 0;
    int percent = 0;       // average, rounded down; 0 without answers
    int64_t last_seen = 0; // time of the last answer, else of joining
};

class storage {
  public:
    virtual ~storage() = default;
    virtual bool add_class(const class_record& c) = 0; // false: the code is taken
    virtual std::optional<class_record> find_class(const std::string& code) = 0;
    virtual std::vector<class_record> classes() = 0;
    virtual bool set_class_open(const std::string& code, bool open) = 0;
    virtual bool add_learner(learner_record& l) = 0; // sets l.id
    virtual std::optional<learner_record> find_learner(const std::string& token) = 0;
    virtual bool add_exercise(const exercise_record& e) = 0;
    virtual std::optional<exercise_record> find_exercise(const std::string& id) = 0;
    // Returns only once the answer is committed; sets a.id.
    virtual bool add_answer(answer_record& a) = 0;
    // Newest first, at most `limit`.
    virtual std::vector<answer_record> learner_answers(int64_t learner, size_t limit) = 0;
    // Oldest first.
    virtual std::vector<answer_record> class_answers(const std::string& code) = 0;
    virtual std::vector<learner_summary> class_summary(const std::string& code) = 0;
    virtual int64_t answer_count() = 0;
};

// SQLite in WAL mode at `path`, its schema brought up to date.  Null, with
// `error` set, when the database cannot be opened or migrated.
std::unique_ptr<storage> open_sqlite(const std::string& path, std::string& error);

int64_t now_ms();

} // namespace serve
