// Serving the pages: "/" the learner's page, "/teacher" the dashboard, and
// their scripts and styles under /static/.  Nothing is read from disk.
#include "serve/pages.hpp"

#include "serve/api.hpp"

namespace serve {

namespace {

// Columns: extension, content type.
constexpr const char* types[][2] = {
    {".html", "text/html; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".svg", "image/svg+xml"},
    {".png", "image/png"},
};
static_assert(sizeof(types) / sizeof(types[0]) == 5);

const page_file* find_page(const std::string& name) {
    for (const page_file& f : page_files())
        if (f.name == name) return &f;
    return nullptr;
}

void send_page(httplib::Response& res, const std::string& name) {
    const page_file* f = find_page(name);
    if (!f) {
        send_error(res, 404, "no such page", "path");
        return;
    }
    // The pages load nothing from elsewhere and run no inline script.
    res.set_header("Content-Security-Policy",
                   "default-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'; "
                   "connect-src 'self'; frame-ancestors 'none'");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_content(f->bytes, page_type(name).c_str());
}

} // namespace

std::string page_type(const std::string& name) {
    for (const auto& row : types) {
        const std::string ext = row[0];
        if (name.size() >= ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0) return row[1];
    }
    return "application/octet-stream";
}

void add_page_routes(httplib::Server& s, app&) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { send_page(res, "learner.html"); });
    s.Get("/teacher", [](const httplib::Request&, httplib::Response& res) { send_page(res, "teacher.html"); });
    s.Get(R"(/static/([a-z0-9_-]{1,40}\.[a-z]{1,4}))",
          [](const httplib::Request& req, httplib::Response& res) { send_page(res, req.matches[1]); });
}

} // namespace serve
