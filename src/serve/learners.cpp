// Learners: joining a class, one's own history, and the adaptive next
// exercise.
#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "serve/adaptive.hpp"
#include "serve/api.hpp"
#include "serve/engine_worker.hpp"
#include "serve/text.hpp"

namespace serve {

json answer_json(const answer_record& r) {
    json findings = json::parse(r.findings, nullptr, false);
    if (findings.is_discarded()) findings = json::array();
    return {{"id", r.id},           {"exercise", r.exercise}, {"learner", r.learner_name},
            {"pack", r.pack},       {"revision", r.revision}, {"seed", r.seed},
            {"kind", r.kind},       {"prompt", r.prompt},     {"response", r.response},
            {"expected", r.expected}, {"score", r.score},     {"percent", r.percent},
            {"findings", findings}, {"time", r.time}};
}

void add_learner_routes(httplib::Server& s, app& a) {
    s.Post("/api/v1/learners", [&a](const httplib::Request& req, httplib::Response& res) {
        json body;
        std::string code, name;
        if (!read_body(req, res, body) || !text_field(body, "class", 16, true, code, res) ||
            !text_field(body, "name", max_name, true, name, res))
            return;
        std::transform(code.begin(), code.end(), code.begin(), [](unsigned char c) { return std::toupper(c); });
        const std::optional<class_record> c = a.db->find_class(code);
        if (!c) {
            send_error(res, 404, "unknown class code", "class");
            return;
        }
        if (!c->open) {
            send_error(res, 403, "this class is closed", "class");
            return;
        }
        learner_record l{0, random_hex(24), name, c->code, now_ms()};
        if (!a.db->add_learner(l)) {
            send_error(res, 500, "the learner could not be stored", "");
            return;
        }
        send_json(res, {{"learner", l.token}, {"name", l.name}, {"class", c->code}, {"class_name", c->name}}, 201);
    });
    s.Get("/api/v1/learners/me/history", [&a](const httplib::Request& req, httplib::Response& res) {
        const auto l = require_learner(a, req, res);
        if (!l) return;
        json list = json::array();
        for (const answer_record& r : a.db->learner_answers(l->id, 500))
            list.push_back(answer_json(r));
        send_json(res, {{"name", l->name}, {"class", l->class_code}, {"answers", list}});
    });
    s.Post("/api/v1/learners/me/next", [&a](const httplib::Request& req, httplib::Response& res) {
        const std::optional<pack_call> c = learner_pack_call(a, req, res);
        if (!c) return;
        const learner_record* l = &c->learner;
        pack_workers* p = c->pack;
        const std::string& kind = c->kind;
        const std::vector<answer_record> recent = a.db->learner_answers(l->id, adaptive_history);
        std::vector<std::string> findings;
        for (const answer_record& r : recent)
            if (r.pack == p->name()) findings.push_back(r.findings);
        const int64_t last = recent.empty() ? 0 : recent.front().id;
        const std::vector<int64_t> seeds = candidate_seeds(l->id, p->name(), kind, last);
        json reply;
        if (!p->call({{"op", "words"}, {"seeds", seeds}, {"kind", kind}, {"revision", p->revision()}}, reply) ||
            !reply.contains("words")) {
            send_error(res, 503, "the pack's worker did not answer; try again", "pack");
            return;
        }
        std::vector<candidate> candidates;
        const json forms = reply.value("forms", json::array());
        for (size_t i = 0; i < reply["words"].size(); ++i)
            candidates.push_back({reply["words"][i].get<std::vector<std::string>>(),
                                  i < forms.size() ? forms[i].get<std::vector<std::string>>()
                                                   : std::vector<std::string>{}});
        const weak_points weak = weak_points_of(findings);
        const choice ch = choose(candidates, weak);
        json out;
        if (!make_exercise(a, *l, p->name(), kind, seeds[ch.index], res, out)) return;
        out["adaptive"] = {{"candidates", seeds.size()}, {"weak_points_met", ch.score}};
        send_json(res, out, 201);
    });
}

} // namespace serve
