// The storage on SQLite: WAL mode, a numbered schema moved forward by
// migrations at start, one connection used under a lock, its statements
// prepared once.
//
// Durability: WAL with synchronous=NORMAL writes the log before a commit
// returns, so every commit survives a crash of the server (kill -9 included)
// and an answer is acknowledged only after that; a crash of the machine may
// lose the last commits before a checkpoint syncs them.  (Syncing each
// commit, FULL, costs about 2 ms here and halved the answers a second.)
// Answers are committed in groups: those arriving while a group commits
// wait and go together in the next transaction, each acknowledged once its
// group is committed.
#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

#include "serve/storage.hpp"

namespace serve {

int64_t now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

namespace {

// Migration i brings the schema from version i to i + 1.
constexpr const char* migrations[] = {
    "CREATE TABLE classes(code TEXT PRIMARY KEY, name TEXT NOT NULL, open INTEGER NOT NULL,"
    " created INTEGER NOT NULL);"
    "CREATE TABLE learners(id INTEGER PRIMARY KEY, token TEXT UNIQUE NOT NULL, name TEXT NOT NULL,"
    " class TEXT NOT NULL REFERENCES classes(code), joined INTEGER NOT NULL);"
    "CREATE TABLE exercises(id TEXT PRIMARY KEY, learner INTEGER NOT NULL REFERENCES learners(id),"
    " pack TEXT NOT NULL, revision TEXT NOT NULL, seed INTEGER NOT NULL, kind TEXT NOT NULL,"
    " prompt TEXT NOT NULL, created INTEGER NOT NULL);"
    "CREATE TABLE answers(id INTEGER PRIMARY KEY, exercise TEXT NOT NULL REFERENCES exercises(id),"
    " learner INTEGER NOT NULL REFERENCES learners(id), class TEXT NOT NULL, pack TEXT NOT NULL,"
    " revision TEXT NOT NULL, seed INTEGER NOT NULL, kind TEXT NOT NULL, response TEXT NOT NULL,"
    " expected TEXT NOT NULL, findings TEXT NOT NULL, score INTEGER NOT NULL,"
    " percent INTEGER NOT NULL, time INTEGER NOT NULL);"
    "CREATE INDEX answers_learner ON answers(learner, id);"
    "CREATE INDEX answers_class ON answers(class, id);",
};
constexpr int schema_version = 1;
static_assert(sizeof(migrations) / sizeof(migrations[0]) == schema_version);

// One prepared statement: made for the occasion and finalised when it goes
// out of scope, or one of the connection's kept statements, reset then.
class statement {
  public:
    statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &st_, nullptr); }
    explicit statement(sqlite3_stmt* kept) : st_(kept), kept_(true) {}
    ~statement() {
        if (!kept_) {
            sqlite3_finalize(st_);
        } else if (st_) {
            sqlite3_reset(st_);
            sqlite3_clear_bindings(st_);
        }
    }
    statement(const statement&) = delete;
    statement& operator=(const statement&) = delete;
    bool ok() const { return st_ != nullptr; }
    statement& bind(int i, const std::string& s) {
        sqlite3_bind_text(st_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return *this;
    }
    statement& bind(int i, int64_t v) {
        sqlite3_bind_int64(st_, i, v);
        return *this;
    }
    int step() { return st_ ? sqlite3_step(st_) : SQLITE_ERROR; }
    std::string text(int i) {
        const unsigned char* t = sqlite3_column_text(st_, i);
        return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(st_, i)))
                 : std::string();
    }
    int64_t integer(int i) { return sqlite3_column_int64(st_, i); }

  private:
    sqlite3_stmt* st_ = nullptr;
    bool kept_ = false;
};

constexpr const char* answer_columns =
    "a.id, a.exercise, a.learner, l.name, a.class, a.pack, a.revision, a.seed, a.kind, e.prompt,"
    " a.response, a.expected, a.findings, a.score, a.percent, a.time"
    " FROM answers a JOIN learners l ON l.id = a.learner JOIN exercises e ON e.id = a.exercise";

answer_record read_answer(statement& s) {
    answer_record a;
    a.id = s.integer(0);
    a.exercise = s.text(1);
    a.learner = s.integer(2);
    a.learner_name = s.text(3);
    a.class_code = s.text(4);
    a.pack = s.text(5);
    a.revision = s.text(6);
    a.seed = s.integer(7);
    a.kind = s.text(8);
    a.prompt = s.text(9);
    a.response = s.text(10);
    a.expected = s.text(11);
    a.findings = s.text(12);
    a.score = static_cast<int>(s.integer(13));
    a.percent = static_cast<int>(s.integer(14));
    a.time = s.integer(15);
    return a;
}

class sqlite_storage : public storage {
  public:
    explicit sqlite_storage(sqlite3* db) : db_(db) {}
    ~sqlite_storage() override {
        for (auto& [sql, st] : kept_)
            sqlite3_finalize(st);
        sqlite3_close(db_);
    }

    bool add_class(const class_record& c) override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept("INSERT INTO classes(code, name, open, created) VALUES(?, ?, ?, ?)");
        s.bind(1, c.code).bind(2, c.name).bind(3, int64_t{c.open}).bind(4, c.created);
        classes_.erase(c.code);
        return s.step() == SQLITE_DONE;
    }
    std::optional<class_record> find_class(const std::string& code) override {
        std::lock_guard<std::mutex> hold(lock_);
        if (const auto it = classes_.find(code); it != classes_.end()) return it->second;
        statement s = kept("SELECT code, name, open, created FROM classes WHERE code = ?");
        s.bind(1, code);
        if (s.step() != SQLITE_ROW) return std::nullopt;
        const class_record c{s.text(0), s.text(1), s.integer(2) != 0, s.integer(3)};
        remember(classes_, code, c);
        return c;
    }
    std::vector<class_record> classes() override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept("SELECT code, name, open, created FROM classes ORDER BY created, code");
        std::vector<class_record> out;
        while (s.step() == SQLITE_ROW)
            out.push_back({s.text(0), s.text(1), s.integer(2) != 0, s.integer(3)});
        return out;
    }
    bool set_class_open(const std::string& code, bool open) override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept("UPDATE classes SET open = ? WHERE code = ?");
        s.bind(1, int64_t{open}).bind(2, code);
        classes_.erase(code);
        return s.step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
    }
    bool add_learner(learner_record& l) override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept("INSERT INTO learners(token, name, class, joined) VALUES(?, ?, ?, ?)");
        s.bind(1, l.token).bind(2, l.name).bind(3, l.class_code).bind(4, l.joined);
        if (s.step() != SQLITE_DONE) return false;
        l.id = sqlite3_last_insert_rowid(db_);
        return true;
    }
    std::optional<learner_record> find_learner(const std::string& token) override {
        std::lock_guard<std::mutex> hold(lock_);
        if (const auto it = learners_.find(token); it != learners_.end()) return it->second;
        statement s = kept("SELECT id, token, name, class, joined FROM learners WHERE token = ?");
        s.bind(1, token);
        if (s.step() != SQLITE_ROW) return std::nullopt;
        const learner_record l{s.integer(0), s.text(1), s.text(2), s.text(3), s.integer(4)};
        remember(learners_, token, l);
        return l;
    }
    bool add_exercise(const exercise_record& e) override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept("INSERT INTO exercises(id, learner, pack, revision, seed, kind, prompt, created)"
                         " VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        s.bind(1, e.id).bind(2, e.learner).bind(3, e.pack).bind(4, e.revision).bind(5, e.seed);
        s.bind(6, e.kind).bind(7, e.prompt).bind(8, e.created);
        return s.step() == SQLITE_DONE;
    }
    std::optional<exercise_record> find_exercise(const std::string& id) override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept("SELECT id, learner, pack, revision, seed, kind, prompt, created"
                         " FROM exercises WHERE id = ?");
        s.bind(1, id);
        if (s.step() != SQLITE_ROW) return std::nullopt;
        return exercise_record{s.text(0), s.integer(1), s.text(2), s.text(3),
                               s.integer(4), s.text(5), s.text(6), s.integer(7)};
    }
    bool add_answer(answer_record& a) override {
        pending_answer me{&a};
        std::unique_lock<std::mutex> hold(group_lock_);
        queue_.push_back(&me);
        while (!me.done) {
            if (committing_) {
                group_done_.wait(hold);
                continue;
            }
            // No group is committing: this thread commits all that wait.
            committing_ = true;
            std::vector<pending_answer*> group;
            group.swap(queue_);
            hold.unlock();
            commit_group(group);
            hold.lock();
            for (pending_answer* p : group)
                p->done = true;
            committing_ = false;
            group_done_.notify_all();
        }
        return me.stored;
    }
    std::vector<answer_record> learner_answers(int64_t learner, size_t limit) override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept((std::string("SELECT ") + answer_columns +
                          " WHERE a.learner = ? ORDER BY a.id DESC LIMIT ?").c_str());
        s.bind(1, learner).bind(2, static_cast<int64_t>(limit));
        std::vector<answer_record> out;
        while (s.step() == SQLITE_ROW)
            out.push_back(read_answer(s));
        return out;
    }
    std::vector<answer_record> class_answers(const std::string& code) override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept((std::string("SELECT ") + answer_columns + " WHERE a.class = ? ORDER BY a.id").c_str());
        s.bind(1, code);
        std::vector<answer_record> out;
        while (s.step() == SQLITE_ROW)
            out.push_back(read_answer(s));
        return out;
    }
    std::vector<learner_summary> class_summary(const std::string& code) override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept("SELECT l.id, l.name, COUNT(a.id), COALESCE(SUM(a.percent), 0),"
                         " COALESCE(MAX(a.time), l.joined) FROM learners l"
                         " LEFT JOIN answers a ON a.learner = l.id WHERE l.class = ?"
                         " GROUP BY l.id ORDER BY l.id");
        s.bind(1, code);
        std::vector<learner_summary> out;
        while (s.step() == SQLITE_ROW) {
            learner_summary l;
            l.id = s.integer(0);
            l.name = s.text(1);
            l.answers = static_cast<int>(s.integer(2));
            l.percent = l.answers ? static_cast<int>(s.integer(3) / l.answers) : 0;
            l.last_seen = s.integer(4);
            out.push_back(l);
        }
        return out;
    }
    int64_t answer_count() override {
        std::lock_guard<std::mutex> hold(lock_);
        statement s = kept("SELECT COUNT(*) FROM answers");
        return s.step() == SQLITE_ROW ? s.integer(0) : 0;
    }

  private:
    struct pending_answer {
        answer_record* a;
        bool stored = false;
        bool done = false;
    };

    // The kept statement for `sql`, prepared on first use (under lock_).
    statement kept(const std::string& sql) {
        sqlite3_stmt*& st = kept_[sql];
        if (!st) sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr);
        return statement(st);
    }

    // Learners and classes found, kept in memory: a learner never changes;
    // a class is forgotten when it changes.  Bounded: emptied when full.
    static constexpr size_t remembered = 100000;
    template <class T>
    static void remember(std::unordered_map<std::string, T>& m, const std::string& key, const T& value) {
        if (m.size() >= remembered) m.clear();
        m.emplace(key, value);
    }

    bool run(const char* sql) {
        statement s = kept(sql);
        return s.step() == SQLITE_DONE;
    }

    // One transaction for the group, committed before it returns.
    void commit_group(const std::vector<pending_answer*>& group) {
        std::lock_guard<std::mutex> hold(lock_);
        bool began = run("BEGIN");
        for (pending_answer* p : group) {
            answer_record& a = *p->a;
            statement s = kept("INSERT INTO answers(exercise, learner, class, pack, revision, seed, kind,"
                               " response, expected, findings, score, percent, time)"
                               " VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
            s.bind(1, a.exercise).bind(2, a.learner).bind(3, a.class_code).bind(4, a.pack);
            s.bind(5, a.revision).bind(6, a.seed).bind(7, a.kind).bind(8, a.response);
            s.bind(9, a.expected).bind(10, a.findings).bind(11, int64_t{a.score});
            s.bind(12, int64_t{a.percent}).bind(13, a.time);
            p->stored = s.step() == SQLITE_DONE;
            if (p->stored) a.id = sqlite3_last_insert_rowid(db_);
        }
        if (began && !run("COMMIT")) {
            run("ROLLBACK");
            began = false;
        }
        if (!began)
            for (pending_answer* p : group)
                p->stored = false;
    }

    sqlite3* db_;
    std::mutex lock_;
    std::unordered_map<std::string, sqlite3_stmt*> kept_;
    std::unordered_map<std::string, learner_record> learners_;
    std::unordered_map<std::string, class_record> classes_;
    std::mutex group_lock_;
    std::condition_variable group_done_;
    std::vector<pending_answer*> queue_;
    bool committing_ = false;
};

bool exec(sqlite3* db, const char* sql, std::string& error) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) == SQLITE_OK) return true;
    error = msg ? msg : "unknown database error";
    sqlite3_free(msg);
    return false;
}

} // namespace

std::unique_ptr<storage> open_sqlite(const std::string& path, std::string& error) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "cannot open the database";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    // WAL: a commit is one append to the log; a crashed process loses
    // nothing committed.  NORMAL syncs the log at checkpoints, which keeps
    // every commit through a crash of the server (see above).
    if (!exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;", error)) {
        sqlite3_close(db);
        return nullptr;
    }
    int version = 0;
    {
        statement s(db, "PRAGMA user_version");
        if (s.step() == SQLITE_ROW) version = static_cast<int>(s.integer(0));
    }
    if (version > schema_version) {
        error = "the database's schema (version " + std::to_string(version) + ") is newer than this program's";
        sqlite3_close(db);
        return nullptr;
    }
    for (int v = version; v < schema_version; ++v) {
        const std::string step = std::string("BEGIN; ") + migrations[v] +
                                 "; PRAGMA user_version = " + std::to_string(v + 1) + "; COMMIT;";
        if (!exec(db, step.c_str(), error)) {
            exec(db, "ROLLBACK", error);
            sqlite3_close(db);
            return nullptr;
        }
    }
    return std::make_unique<sqlite_storage>(db);
}

} // namespace serve
