// Exercises: made from (pack, revision, seed, kind) and replayable from it.
#include "serve/api.hpp"
#include "serve/engine_worker.hpp"
#include "serve/text.hpp"

namespace serve {

namespace {

json exercise_json(const exercise_record& e) {
    return {{"id", e.id},     {"pack", e.pack}, {"revision", e.revision}, {"seed", e.seed},
            {"kind", e.kind}, {"prompt", e.prompt}};
}

int64_t random_seed() {
    const std::string r = random_hex(4);
    return static_cast<int64_t>(std::stoul(r, nullptr, 16) % (uint64_t{1} << 30)) * 2 + 1;
}

} // namespace

bool make_exercise(app& a, const learner_record& l, const std::string& pack, const std::string& kind,
                   int64_t seed, httplib::Response& res, json& out) {
    pack_workers& p = *a.packs.at(pack);
    const std::string revision = p.revision();
    json reply;
    if (!p.call({{"op", "generate"}, {"seed", seed}, {"kind", kind}, {"revision", revision}}, reply)) {
        send_error(res, 503, "the pack's worker did not answer; try again", "pack");
        return false;
    }
    if (reply.contains("error")) {
        if (reply["error"] == "revision")
            send_error(res, 503, "the pack's files changed on disk; restart the server to serve them", "pack");
        else
            send_error(res, 400, reply["error"].get<std::string>(), "kind");
        return false;
    }
    exercise_record e{random_hex(12), l.id, pack, revision, seed, kind, reply.value("prompt", ""), now_ms()};
    if (!a.db->add_exercise(e)) {
        send_error(res, 500, "the exercise could not be stored", "");
        return false;
    }
    out = exercise_json(e);
    return true;
}

void add_exercise_routes(httplib::Server& s, app& a) {
    s.Post("/api/v1/exercises", [&a](const httplib::Request& req, httplib::Response& res) {
        const std::optional<pack_call> c = learner_pack_call(a, req, res);
        if (!c) return;
        bool given = false;
        int64_t seed = 0;
        if (!integer_field(c->body, "seed", 1, max_seed, given, seed, res)) return;
        if (!given) seed = random_seed();
        json out;
        if (make_exercise(a, c->learner, c->pack->name(), c->kind, seed, res, out)) send_json(res, out, 201);
    });
    // The exercise again, generated anew from its seed: the teacher sees the
    // expected answer too, the learner who had it only the prompt.
    s.Get(R"(/api/v1/exercises/([0-9a-f]{1,64}))", [&a](const httplib::Request& req, httplib::Response& res) {
        const std::string t = bearer(req);
        const bool teacher = !t.empty() && same_secret(t, a.teacher_token);
        std::optional<learner_record> l;
        if (!teacher && !(l = require_learner(a, req, res))) return;
        const auto e = a.db->find_exercise(req.matches[1]);
        if (!e || (l && e->learner != l->id)) {
            send_error(res, 404, "unknown exercise", "exercise");
            return;
        }
        json out = exercise_json(*e);
        const auto p = a.packs.find(e->pack);
        json reply;
        if (p == a.packs.end() || p->second->revision() != e->revision ||
            !p->second->call({{"op", "generate"}, {"seed", e->seed}, {"kind", e->kind}, {"revision", e->revision}},
                             reply) ||
            reply.contains("error")) {
            send_error(res, 404, "this exercise's pack revision is no longer served", "exercise");
            return;
        }
        out["replayed_prompt"] = reply.value("prompt", "");
        if (teacher) out["expected"] = reply.value("expected", "");
        send_json(res, out);
    });
}

} // namespace serve
