// Classes: made by the teacher, joined by learners with their code; the
// teacher's summary, answers and CSV export; opening and closing.
#include <ctime>

#include "serve/api.hpp"
#include "serve/text.hpp"

namespace serve {

namespace {

} // namespace

std::string new_class_code() {
    static const char alphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789"; // 32 symbols
    const std::string r = random_hex(6);
    std::string code;
    for (size_t i = 0; i < 6; ++i)
        code += alphabet[std::stoi(r.substr(2 * i, 2), nullptr, 16) % 32];
    return code;
}

namespace {

json class_json(const class_record& c) {
    return {{"code", c.code}, {"name", c.name}, {"open", c.open}, {"created", c.created}};
}

// One CSV field: quoted, quotes doubled, and a leading = + - @ taken as text
// by spreadsheets.
std::string csv(const std::string& s) {
    std::string out = "\"";
    if (!s.empty() && (s[0] == '=' || s[0] == '+' || s[0] == '-' || s[0] == '@')) out += '\'';
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string iso_time(int64_t ms) {
    const time_t secs = static_cast<time_t>(ms / 1000);
    struct tm t;
    gmtime_r(&secs, &t);
    char buf[32];
    strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &t);
    return buf;
}

// The class named in the path, or null after 404.
std::optional<class_record> path_class(app& a, const httplib::Request& req, httplib::Response& res) {
    const std::string code = req.matches[1];
    std::optional<class_record> c = a.db->find_class(code);
    if (!c) send_error(res, 404, "unknown class", "class");
    return c;
}

} // namespace

void add_class_routes(httplib::Server& s, app& a) {
    s.Post("/api/v1/classes", [&a](const httplib::Request& req, httplib::Response& res) {
        if (!require_teacher(a, req, res)) return;
        json body;
        std::string name;
        if (!read_body(req, res, body) || !text_field(body, "name", max_name, true, name, res)) return;
        for (int tries = 0; tries < 20; ++tries) {
            class_record c{new_class_code(), name, true, now_ms()};
            if (a.db->add_class(c)) {
                send_json(res, class_json(c), 201);
                return;
            }
        }
        send_error(res, 500, "no free class code", "");
    });
    s.Get("/api/v1/classes", [&a](const httplib::Request& req, httplib::Response& res) {
        if (!require_teacher(a, req, res)) return;
        json list = json::array();
        for (const class_record& c : a.db->classes())
            list.push_back(class_json(c));
        send_json(res, {{"classes", list}});
    });
    s.Get(R"(/api/v1/classes/([A-Za-z0-9]{1,16})/summary)", [&a](const httplib::Request& req, httplib::Response& res) {
        if (!require_teacher(a, req, res)) return;
        const auto c = path_class(a, req, res);
        if (!c) return;
        json list = json::array();
        for (const learner_summary& l : a.db->class_summary(c->code))
            list.push_back({{"id", l.id}, {"name", l.name}, {"answers", l.answers}, {"percent", l.percent},
                            {"last_seen", l.last_seen}});
        send_json(res, {{"class", class_json(*c)}, {"learners", list}});
    });
    s.Post(R"(/api/v1/classes/([A-Za-z0-9]{1,16})/(open|close))", [&a](const httplib::Request& req, httplib::Response& res) {
        if (!require_teacher(a, req, res)) return;
        const auto c = path_class(a, req, res);
        if (!c) return;
        const bool open = req.matches[2] == "open";
        a.db->set_class_open(c->code, open);
        class_record now = *c;
        now.open = open;
        send_json(res, class_json(now));
    });
    s.Get(R"(/api/v1/classes/([A-Za-z0-9]{1,16})/answers)", [&a](const httplib::Request& req, httplib::Response& res) {
        if (!require_teacher(a, req, res)) return;
        const auto c = path_class(a, req, res);
        if (!c) return;
        json list = json::array();
        for (const answer_record& r : a.db->class_answers(c->code))
            list.push_back(answer_json(r));
        send_json(res, {{"answers", list}});
    });
    s.Get(R"(/api/v1/classes/([A-Za-z0-9]{1,16})/answers\.csv)", [&a](const httplib::Request& req, httplib::Response& res) {
        if (!require_teacher(a, req, res)) return;
        const auto c = path_class(a, req, res);
        if (!c) return;
        std::string out = "time,learner,pack,revision,seed,kind,exercise,prompt,response,expected,score,percent,"
                          "mistakes\r\n";
        for (const answer_record& r : a.db->class_answers(c->code)) {
            std::string mistakes;
            const json f = json::parse(r.findings, nullptr, false);
            if (f.is_array())
                for (const json& w : f)
                    if (w.value("class", "") != "OK") mistakes += (mistakes.empty() ? "" : " ") + w.value("class", "");
            for (const std::string& field :
                 {iso_time(r.time), r.learner_name, r.pack, r.revision, std::to_string(r.seed), r.kind, r.exercise,
                  r.prompt, r.response, r.expected, std::to_string(r.score), std::to_string(r.percent), mistakes})
                out += csv(field) + ",";
            out.back() = '\r';
            out += "\n";
        }
        res.set_header("Content-Disposition", "attachment; filename=\"answers-" + c->code + ".csv\"");
        res.set_content(out, "text/csv; charset=utf-8");
    });
}

} // namespace serve
