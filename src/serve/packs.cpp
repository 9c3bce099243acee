// GET /api/v1/packs: the packs served and their revisions.
#include "serve/api.hpp"

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

pack_workers* pack_field(app& a, const json& body, httplib::Response& res) {
    const auto it = body.find("pack");
    if (it == body.end() || !it->is_string()) {
        send_error(res, 400, "pack must name a pack", "pack");
        return nullptr;
    }
    const auto p = a.packs.find(it->get<std::string>());
    if (p == a.packs.end()) {
        send_error(res, 404, "unknown pack", "pack");
        return nullptr;
    }
    return p->second.get();
}

} // namespace serve
