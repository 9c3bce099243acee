// Answers: graded by the engine on the exercise replayed from its seed,
// stored, and acknowledged once committed.
#include "serve/api.hpp"
#include "serve/grading.hpp"
#include "serve/text.hpp"

namespace serve {

namespace {

std::string hex4(uint32_t cp) {
    char buf[16];
    snprintf(buf, sizeof buf, "U+%04X", cp);
    return buf;
}

} // namespace

void add_answer_routes(httplib::Server& s, app& a) {
    s.Post(R"(/api/v1/exercises/([0-9a-f]{1,64})/answers)", [&a](const httplib::Request& req, httplib::Response& res) {
        const std::optional<learner_call> c = learner_body(a, req, res);
        if (!c) return;
        const learner_record* l = &c->learner;
        const auto e = a.db->find_exercise(req.matches[1]);
        if (!e || e->learner != l->id) {
            send_error(res, 404, "unknown exercise", "exercise");
            return;
        }
        std::string response;
        if (!text_field(c->body, "response", max_response, true, response, res)) return;
        std::string latin;
        uint32_t bad = 0;
        if (!utf8_to_latin1(response, latin, bad)) {
            send_error(res, 400, "the response holds a character the pack cannot use (" + hex4(bad) + ")", "response");
            return;
        }
        const auto p = a.packs.find(e->pack);
        if (p == a.packs.end() || p->second->revision() != e->revision) {
            send_error(res, 404, "this exercise's pack revision is no longer served", "exercise");
            return;
        }
        json reply;
        if (!p->second->call({{"op", "grade"},
                              {"seed", e->seed},
                              {"kind", e->kind},
                              {"revision", e->revision},
                              {"response", response}},
                             reply)) {
            send_error(res, 503, "the pack's worker did not answer; try again", "pack");
            return;
        }
        if (reply.contains("error")) {
            send_error(res, 404, "this exercise's pack revision is no longer served", "exercise");
            return;
        }
        const feedback f = parse_feedback(reply.value("feedback", std::vector<std::string>{}));
        // The forms the worker found named in each finding travel with it.
        const json forms = reply.value("forms", json::array());
        json findings = json::array();
        for (size_t i = 0; i < f.findings.size(); ++i) {
            const finding& w = f.findings[i];
            json one = {{"class", w.cls}, {"expected", w.expected}, {"typed", w.typed},
                        {"explanation", w.explanation}};
            if (i < forms.size() && forms[i].is_array() && !forms[i].empty()) one["forms"] = forms[i];
            findings.push_back(one);
        }
        answer_record r;
        r.exercise = e->id;
        r.learner = l->id;
        r.learner_name = l->name;
        r.class_code = l->class_code;
        r.pack = e->pack;
        r.revision = e->revision;
        r.seed = e->seed;
        r.kind = e->kind;
        r.prompt = e->prompt;
        r.response = response;
        r.expected = reply.value("expected", "");
        r.findings = findings.dump();
        r.score = f.score;
        r.percent = reply.value("percent", 0);
        r.time = now_ms();
        if (!a.db->add_answer(r)) {
            send_error(res, 500, "the answer could not be stored; send it again", "");
            return;
        }
        send_json(res,
                  {{"answer", r.id},
                   {"exercise", r.exercise},
                   {"score", r.score},
                   {"percent", r.percent},
                   {"findings", findings},
                   {"expected", r.expected},
                   {"response", r.response},
                   {"report", reply.value("report", json::array())},
                   {"time", r.time}},
                  201);
    });
}

} // namespace serve
