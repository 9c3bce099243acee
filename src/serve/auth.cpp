// Tokens: the teacher's, set at start, and each learner's, given at joining.
#include "serve/api.hpp"

namespace serve {

bool same_secret(const std::string& a, const std::string& b) {
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    return diff == 0;
}

std::string bearer(const httplib::Request& req) {
    const std::string h = req.get_header_value("Authorization");
    const std::string scheme = "Bearer ";
    if (h.size() <= scheme.size() || h.compare(0, scheme.size(), scheme) != 0) return "";
    return h.substr(scheme.size());
}

bool require_teacher(app& a, const httplib::Request& req, httplib::Response& res) {
    const std::string t = bearer(req);
    if (t.empty()) {
        send_error(res, 401, "a teacher token is needed", "Authorization");
        return false;
    }
    if (same_secret(t, a.teacher_token)) return true;
    if (t.size() <= 128 && a.db->find_learner(t)) {
        send_error(res, 403, "this call is for the teacher", "Authorization");
        return false;
    }
    send_error(res, 401, "unknown token", "Authorization");
    return false;
}

std::optional<learner_record> require_learner(app& a, const httplib::Request& req, httplib::Response& res) {
    const std::string t = bearer(req);
    if (t.empty()) {
        send_error(res, 401, "a learner token is needed", "Authorization");
        return std::nullopt;
    }
    if (same_secret(t, a.teacher_token)) {
        send_error(res, 403, "this call is for a learner", "Authorization");
        return std::nullopt;
    }
    std::optional<learner_record> l;
    if (t.size() <= 128) l = a.db->find_learner(t);
    if (!l) {
        send_error(res, 401, "unknown token", "Authorization");
        return std::nullopt;
    }
    if (!a.per_learner.allow("L" + std::to_string(l->id), monotonic_us())) {
        res.set_header("Retry-After", "1");
        send_error(res, 429, "too many requests for this learner; wait a moment", "Authorization");
        return std::nullopt;
    }
    return l;
}

std::optional<learner_call> learner_body(app& a, const httplib::Request& req, httplib::Response& res) {
    std::optional<learner_record> l = require_learner(a, req, res);
    if (!l) return std::nullopt;
    learner_call call{std::move(*l), json()};
    if (!read_body(req, res, call.body)) return std::nullopt;
    if (const auto c = a.db->find_class(call.learner.class_code); c && !c->open) {
        send_error(res, 403, "this class is closed", "class");
        return std::nullopt;
    }
    return call;
}

} // namespace serve
