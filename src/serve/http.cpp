// The edge: JSON out, errors named by field, bodies and fields checked.
#include "serve/api.hpp"
#include "serve/text.hpp"

namespace serve {

void send_json(httplib::Response& res, const json& body, int status) {
    res.status = status;
    // The dump escapes every quote and control character and keeps UTF-8.
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json; charset=utf-8");
}

void send_error(httplib::Response& res, int status, const std::string& message, const std::string& field) {
    json e = {{"error", message}};
    if (!field.empty()) e["field"] = field;
    send_json(res, e, status);
}

bool read_body(const httplib::Request& req, httplib::Response& res, json& body) {
    if (req.body.size() > max_body) {
        send_error(res, 413, "the body is over 64 KB", "body");
        return false;
    }
    if (!utf8_valid(req.body)) {
        send_error(res, 400, "the body is not valid UTF-8", "body");
        return false;
    }
    body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        send_error(res, 400, "the body is not a JSON object", "body");
        return false;
    }
    return true;
}

bool text_field(const json& body, const char* name, size_t max, bool required, std::string& out,
                httplib::Response& res) {
    out.clear();
    const auto it = body.find(name);
    if (it == body.end() || it->is_null()) {
        if (required) send_error(res, 400, std::string(name) + " is missing", name);
        return !required;
    }
    if (!it->is_string()) {
        send_error(res, 400, std::string(name) + " must be a string", name);
        return false;
    }
    std::string s = it->get<std::string>();
    if (!utf8_valid(s)) { // a \ud800 escape decodes to no character
        send_error(res, 400, std::string(name) + " is not valid UTF-8", name);
        return false;
    }
    if (utf8_length(s) > max) {
        send_error(res, 413, std::string(name) + " is over " + std::to_string(max) + " characters", name);
        return false;
    }
    for (char& c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u == '\t' || u == '\n' || u == '\r') c = ' ';
        else if (u < 0x20 || u == 0x7f) {
            send_error(res, 400, std::string(name) + " holds a control character", name);
            return false;
        }
    }
    const size_t from = s.find_first_not_of(' ');
    if (from == std::string::npos) {
        send_error(res, 400, std::string(name) + " is empty", name);
        return false;
    }
    out = s.substr(from, s.find_last_not_of(' ') - from + 1);
    return true;
}

bool integer_field(const json& body, const char* name, int64_t lo, int64_t hi, bool& present, int64_t& out,
                   httplib::Response& res) {
    const auto it = body.find(name);
    present = it != body.end() && !it->is_null();
    if (!present) return true;
    if (!it->is_number_integer() || it->get<int64_t>() < lo || it->get<int64_t>() > hi ||
        (it->is_number_unsigned() && it->get<uint64_t>() > static_cast<uint64_t>(hi))) {
        send_error(res, 400,
                   std::string(name) + " must be a whole number from " + std::to_string(lo) + " to " +
                       std::to_string(hi),
                   name);
        return false;
    }
    out = it->get<int64_t>();
    return true;
}

} // namespace serve
