// GET /api/v1/packs: the packs served and their revisions.
#include "serve/api.hpp"
#include "serve/engine_worker.hpp"

namespace serve {

void add_pack_routes(httplib::Server& s, app& a) {
    s.Get("/api/v1/packs", [&a](const httplib::Request&, httplib::Response& res) {
        json list = json::array();
        for (auto& [name, p] : a.packs) {
            json kinds = json::array({"statement", "question"});
            list.push_back({{"name", name}, {"revision", p->revision()}, {"kinds", kinds}});
        }
        send_json(res, {{"packs", list}});
    });
}

std::optional<pack_call> learner_pack_call(app& a, const httplib::Request& req, httplib::Response& res) {
    std::optional<learner_call> l = learner_body(a, req, res);
    if (!l) return std::nullopt;
    pack_call call{std::move(*l), nullptr, ""};
    const auto it = call.body.find("pack");
    if (it == call.body.end() || !it->is_string()) {
        send_error(res, 400, "pack must name a pack", "pack");
        return std::nullopt;
    }
    const auto p = a.packs.find(it->get<std::string>());
    if (p == a.packs.end()) {
        send_error(res, 404, "unknown pack", "pack");
        return std::nullopt;
    }
    call.pack = p->second.get();
    if (!text_field(call.body, "kind", 16, false, call.kind, res)) return std::nullopt;
    if (call.kind.empty()) call.kind = "statement";
    if (!find_kind(call.kind)) {
        send_error(res, 400, "kind must be statement or question", "kind");
        return std::nullopt;
    }
    return call;
}

} // namespace serve
