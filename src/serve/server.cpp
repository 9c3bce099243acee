// The server as a whole: limits, the per-address rate limit, every route,
// JSON for every error httplib itself raises, and the request log.
#include <chrono>

#include "serve/api.hpp"
#include "serve/log.hpp"

namespace serve {

namespace {

thread_local int64_t request_start_us = 0;

} // namespace

void build_server(httplib::Server& s, app& a) {
    s.set_payload_max_length(max_body);
    s.set_keep_alive_timeout(2);
    s.set_keep_alive_max_count(1000); // a client keeps its connection for a whole session
    s.set_tcp_nodelay(true); // a reply is never held back waiting for an acknowledgement
    s.set_read_timeout(10, 0);
    s.set_write_timeout(10, 0);
    s.set_pre_routing_handler([&a](const httplib::Request& req, httplib::Response& res) {
        request_start_us = monotonic_us();
        res.set_header("Cache-Control", "no-store");
        if (!a.per_address.allow(req.remote_addr, request_start_us)) {
            res.set_header("Retry-After", "1");
            send_error(res, 429, "too many requests from this address; wait a moment", "address");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    add_pack_routes(s, a);
    add_class_routes(s, a);
    add_learner_routes(s, a);
    add_exercise_routes(s, a);
    add_answer_routes(s, a);
    add_page_routes(s, a);
    // Errors raised before a handler ran (no route, body too large, bad request).
    s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return;
        switch (res.status) {
        case 404: send_error(res, 404, "no such resource", "path"); break;
        case 413: send_error(res, 413, "the body is over 64 KB", "body"); break;
        case 405: send_error(res, 405, "method not allowed", "method"); break;
        default: send_error(res, res.status, "bad request", ""); break;
        }
    });
    s.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        send_error(res, 500, "internal error", "");
    });
    // Time, method, path, status, milliseconds: never a token or a body.
    s.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        const double ms = request_start_us ? static_cast<double>(monotonic_us() - request_start_us) / 1000.0 : 0.0;
        char buf[32];
        snprintf(buf, sizeof buf, "%.1f", ms);
        log_line(log_safe(req.method, 16) + " " + log_safe(req.path) + " " + std::to_string(res.status) + " " + buf +
                 " ms");
    });
}

} // namespace serve
