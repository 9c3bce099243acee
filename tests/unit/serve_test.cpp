// The classroom server's modules on their own: text at the edge, reading
// the feedback block, rate limits, the adaptive choice and the storage.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <sqlite3.h>

#include "serve/adaptive.hpp"
#include "serve/grading.hpp"
#include "serve/ratelimit.hpp"
#include "serve/storage.hpp"
#include "serve/text.hpp"

namespace serve_test {

using namespace serve;

TEST(ServeText, Utf8Validity) {
    struct row {
        const char* text;
        bool valid;
    };
    const row rows[] = {
        {"", true},
        {"caf\xc3\xa9 \xc3\xa0 \xc3\xa7", true},
        {"\xe2\x80\x99", true},
        {"\xf0\x9f\x98\x80", true},
        {"caf\xe9", false},           // Latin-1
        {"\xc0\xaf", false},          // overlong
        {"\xed\xa0\x80", false},      // a surrogate
        {"\xc3", false},              // cut short
        {"\xf4\x90\x80\x80", false},  // above U+10FFFF
    };
    for (const row& r : rows)
        EXPECT_EQ(utf8_valid(r.text), r.valid) << r.text;
}

TEST(ServeText, Latin1BothWays) {
    std::string out;
    uint32_t bad = 0;
    ASSERT_TRUE(utf8_to_latin1("l\xe2\x80\x99\xc3\xa9t\xc3\xa9 \xc3\xa0", out, bad));
    EXPECT_EQ(out, "l'\xe9t\xe9 \xe0");
    EXPECT_EQ(latin1_to_utf8(out), "l'\xc3\xa9t\xc3\xa9 \xc3\xa0");
    EXPECT_FALSE(utf8_to_latin1("le \xe4\xb8\xad", out, bad));
    EXPECT_EQ(bad, 0x4e2du);
    EXPECT_EQ(utf8_length("\xc3\xa9t\xc3\xa9"), 3u);
}

TEST(ServeText, RandomAndRevision) {
    EXPECT_EQ(random_hex(16).size(), 32u);
    EXPECT_NE(random_hex(16), random_hex(16));
    char name[] = "/tmp/oxa-serve-revXXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(name) << "one";
    const std::string a = files_revision({name});
    EXPECT_EQ(a.size(), 16u);
    EXPECT_EQ(files_revision({name}), a);
    std::ofstream(name) << "two";
    EXPECT_NE(files_revision({name}), a);
    EXPECT_EQ(files_revision({std::string(name) + ".missing"}), "");
    std::remove(name);
}

TEST(ServeGrading, ReadsTheBlock) {
    const feedback f = parse_feedback({
        "FEEDBACK SCORE : 7",
        "OK les/les",
        "FORM portes/porte  plural expected, singular typed",
        "ACCENT \xe9t\xe9/ete  accent",
        "MISSING grises",
        "EXTRA mai",
        "CASE le/Le  capital letter",
        "***",
    });
    EXPECT_EQ(f.score, 7);
    ASSERT_EQ(f.findings.size(), 6u);
    struct row {
        const char *cls, *expected, *typed, *explanation;
    };
    const row rows[] = {
        {"OK", "les", "les", "right"},
        {"FORM", "portes", "porte", "plural expected, singular typed"},
        {"ACCENT", "\xe9t\xe9", "ete", "accent"},
        {"MISSING", "grises", "", "missing word"},
        {"EXTRA", "", "mai", "word not expected"},
        {"CASE", "le", "Le", "capital letter"},
    };
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(f.findings[i].cls, rows[i].cls);
        EXPECT_EQ(f.findings[i].expected, rows[i].expected);
        EXPECT_EQ(f.findings[i].typed, rows[i].typed);
        EXPECT_EQ(f.findings[i].explanation, rows[i].explanation);
    }
    EXPECT_EQ(expected_words(f), 5u); // every line but EXTRA
}

TEST(ServeGrading, EmptyAndRepeatedBlocks) {
    EXPECT_EQ(parse_feedback({}).score, -1);
    EXPECT_EQ(expected_words(parse_feedback({})), 0u);
    // A second block replaces the first; lines that are no finding are skipped.
    const feedback f = parse_feedback({"FEEDBACK SCORE : 3", "EXTRA x", "***", "FEEDBACK SCORE : 0", "OK a/a",
                                       "note: something", "***"});
    EXPECT_EQ(f.score, 0);
    ASSERT_EQ(f.findings.size(), 1u);
    EXPECT_EQ(expected_words(parse_feedback({"ORDER le chat/chat le  words in the wrong order", "MISSING x"})), 3u);
    // The percent line that follows the score is no finding.
    const feedback p = parse_feedback({"FEEDBACK SCORE : 3", "FEEDBACK PERCENT : 90", "FORM a/b  why", "***"});
    EXPECT_EQ(p.score, 3);
    ASSERT_EQ(p.findings.size(), 1u);
    EXPECT_EQ(expected_words(p), 1u);
}

TEST(ServeRateLimit, BucketRefills) {
    rate_limiter r(2);
    EXPECT_TRUE(r.allow("a", 0));
    EXPECT_TRUE(r.allow("a", 0));
    EXPECT_FALSE(r.allow("a", 0));
    EXPECT_TRUE(r.allow("b", 0)); // keys are apart
    EXPECT_FALSE(r.allow("a", 400'000));
    EXPECT_TRUE(r.allow("a", 500'000)); // one more after half a second
    rate_limiter none(0);
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(none.allow("a", 0));
}

TEST(ServeAdaptive, ChoosesTheCandidateWithMostWeakPoints) {
    const weak_points weak = weak_points_of({
        R"([{"class":"FORM","expected":"portes","typed":"porte","explanation":""},
            {"class":"OK","expected":"les","typed":"les","explanation":""}])",
        R"([{"class":"MISSING","expected":"Portes","typed":"","explanation":""},
            {"class":"EXTRA","expected":"","typed":"x","explanation":""}])",
        "not json",
    });
    ASSERT_EQ(weak.words.size(), 1u);
    EXPECT_EQ(weak.words.at("portes"), 2);
    EXPECT_TRUE(weak.forms.empty());
    const choice c = choose({{{"le", "chat"}, {}}, {{"les", "portes."}, {}}, {{"les", "portes", "portes"}, {}}}, weak);
    EXPECT_EQ(c.index, 2u);
    EXPECT_EQ(c.score, 4);
    EXPECT_EQ(choose({{{"a"}, {}}, {{"b"}, {}}}, weak).index, 0u); // a tie: the first
}

TEST(ServeAdaptive, FormsMissedDecideWhenWordsDoNot) {
    // A history of plurals given in the singular and one imperfect in the
    // present: no candidate holds a missed word, so the forms decide.
    const weak_points weak = weak_points_of({
        R"([{"class":"FORM","expected":"portes","typed":"porte","explanation":"","forms":["pl"]}])",
        R"([{"class":"FORM","expected":"chats","typed":"chat","explanation":"","forms":["pl"]},
            {"class":"FORM","expected":"mangeait","typed":"mange","explanation":"","forms":["impf"]},
            {"class":"OK","expected":"les","typed":"les","explanation":"","forms":["masc"]}])",
    });
    EXPECT_EQ(weak.forms, (std::map<std::string, int>{{"impf", 1}, {"pl", 2}}));
    const std::vector<candidate> candidates = {
        {{"il", "mangeait"}, {"p3", "sg", "impf"}},               // 1
        {{"elles", "dorment"}, {"p3", "pl", "fem", "pres"}},      // 2
        {{"je", "vois", "des", "chiens"}, {"p1", "pl", "pl"}},    // 4
        {{"tu", "chantes"}, {"p2", "sg", "pres"}},                // 0
    };
    const choice c = choose(candidates, weak);
    EXPECT_EQ(c.index, 2u);
    EXPECT_EQ(c.score, 4);
    // The same history gives the same choice; without it, the first.
    EXPECT_EQ(choose(candidates, weak_points_of({})).index, 0u);
}

TEST(ServeAdaptive, CandidateSeedsAreReplayable) {
    const auto a = candidate_seeds(1, "french", "statement", 10);
    EXPECT_EQ(a, candidate_seeds(1, "french", "statement", 10));
    EXPECT_NE(a, candidate_seeds(1, "french", "statement", 11));
    EXPECT_NE(a, candidate_seeds(2, "french", "statement", 10));
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i] % 2, 1);
        EXPECT_GE(a[i], 1);
        EXPECT_LE(a[i], 2147483647);
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(a[i], a[j]);
    }
}

class ServeStorage : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/oxa-serve-dbXXXXXX";
        const int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        path = name;
        std::string error;
        db = open_sqlite(path, error);
        ASSERT_TRUE(db) << error;
    }
    void TearDown() override {
        db.reset();
        for (const char* ext : {"", "-wal", "-shm"})
            std::remove((path + ext).c_str());
    }
    std::string path;
    std::unique_ptr<storage> db;
};

TEST_F(ServeStorage, KeepsAClassItsLearnersAndTheirAnswers) {
    ASSERT_TRUE(db->add_class({"ABC234", "5B", true, 1}));
    EXPECT_FALSE(db->add_class({"ABC234", "again", true, 2})); // a code is unique
    learner_record ana{0, "tok-ana", "Ana", "ABC234", 5};
    learner_record bea{0, "tok-bea", "Bea", "ABC234", 6};
    ASSERT_TRUE(db->add_learner(ana));
    ASSERT_TRUE(db->add_learner(bea));
    EXPECT_EQ(db->find_learner("tok-ana")->name, "Ana");
    EXPECT_FALSE(db->find_learner("tok-nobody"));
    ASSERT_TRUE(db->add_exercise({"e1", ana.id, "french", "rev", 123, "statement", "le chat", 7}));
    EXPECT_EQ(db->find_exercise("e1")->seed, 123);
    for (int p : {100, 50}) {
        answer_record a;
        a.exercise = "e1";
        a.learner = ana.id;
        a.class_code = "ABC234";
        a.pack = "french";
        a.revision = "rev";
        a.seed = 123;
        a.kind = "statement";
        a.response = "le chat";
        a.findings = "[]";
        a.percent = p;
        a.time = 10 + p;
        ASSERT_TRUE(db->add_answer(a));
        EXPECT_GT(a.id, 0);
    }
    const auto mine = db->learner_answers(ana.id, 10);
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_EQ(mine[0].percent, 50); // newest first
    EXPECT_EQ(mine[0].prompt, "le chat");
    EXPECT_TRUE(db->learner_answers(bea.id, 10).empty());
    const auto summary = db->class_summary("ABC234");
    ASSERT_EQ(summary.size(), 2u);
    EXPECT_EQ(summary[0].answers, 2);
    EXPECT_EQ(summary[0].percent, 75);
    EXPECT_EQ(summary[0].last_seen, 110);
    EXPECT_EQ(summary[1].answers, 0);
    EXPECT_EQ(summary[1].last_seen, 6);
    EXPECT_TRUE(db->set_class_open("ABC234", false));
    EXPECT_FALSE(db->find_class("ABC234")->open);
    EXPECT_FALSE(db->set_class_open("NOPE", false));
    EXPECT_EQ(db->answer_count(), 2);
}

TEST_F(ServeStorage, ReopensAndRefusesANewerSchema) {
    ASSERT_TRUE(db->add_class({"K", "k", true, 1}));
    db.reset();
    std::string error;
    db = open_sqlite(path, error);
    ASSERT_TRUE(db) << error;
    EXPECT_TRUE(db->find_class("K")); // migrations do not run twice
    db.reset();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    EXPECT_FALSE(open_sqlite(path, error));
    EXPECT_NE(error.find("newer"), std::string::npos);
}

} // namespace serve_test
