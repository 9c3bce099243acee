// oxa-serve: arguments, the packs' workers, the database, the teacher
// token, then the server until SIGTERM or SIGINT.  Started as
// `oxa-serve --worker DIR` it is one pack's engine worker instead.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "packs/packs.hpp"
#include "serve/api.hpp"
#include "serve/engine_worker.hpp"
#include "serve/log.hpp"
#include "serve/text.hpp"
#include "version.hpp"

namespace {

const char* const usage =
    "usage: oxa-serve --pack DIR [--pack DIR ...] [options]\n"
    "Serves the classroom: a JSON API and the learner's and teacher's pages\n"
    "over the language packs given, keeping every answer in a database.\n"
    "  --pack PACK         a language pack: a directory (its name: the last part of\n"
    "                      it), or the name of a pack in $OXA_PACKS (colon-separated\n"
    "                      folders) or share/oxa/packs beside oxa-serve\n"
    "  --db FILE           the SQLite database (default classroom.db)\n"
    "  --listen ADDR:PORT  where to listen (default 127.0.0.1:8080; port 0: any free port)\n"
    "  --token-file F      read the teacher token from F, or write a new one there\n"
    "  --names LANGUAGE    the feedback's names of forms from each pack's\n"
    "                      names-LANGUAGE file (default english)\n"
    "  --workers N         engine processes per pack (default 2)\n"
    "  --threads N         request threads (default 32)\n"
    "  --learner-rate N    requests a second per learner (default 20; 0: no limit)\n"
    "  --address-rate N    requests a second per client address (default 2000; 0: no limit)\n"
    "  -h, --help          this text\n"
    "  --version           the version\n"
    "Stops on SIGTERM or SIGINT after the requests in flight.\n";

int usageerror(const std::string& why) {
    std::fprintf(stderr, "oxa-serve: %s\n%s", why.c_str(), usage);
    return 2;
}

bool number(const char* s, long lo, long hi, long& out) {
    char* end;
    errno = 0;
    out = std::strtol(s, &end, 10);
    return *s && !*end && errno == 0 && out >= lo && out <= hi;
}

std::string basename_of(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    const size_t slash = dir.rfind('/');
    return slash == std::string::npos ? dir : dir.substr(slash + 1);
}

// The teacher token from `path`, or a new one written there (mode 0600).
bool teacher_token(const std::string& path, std::string& token, std::string& error) {
    if (path.empty()) {
        token = serve::random_hex(16);
        return true;
    }
    std::ifstream in(path);
    if (in) {
        std::getline(in, token);
        while (!token.empty() && (token.back() == '\r' || token.back() == ' '))
            token.pop_back();
        if (token.size() < 16 || token.size() > 128) {
            error = path + ": the token must hold 16 to 128 characters";
            return false;
        }
        return true;
    }
    token = serve::random_hex(16);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    const std::string line = token + "\n";
    if (fd < 0 || write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        error = path + ": " + strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    close(fd);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    using namespace serve;
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--worker") == 0)
        return run_worker(argv[2], argc == 4 ? argv[3] : "english", 3, 4);

    std::vector<std::string> packs;
    std::string db = "classroom.db", host = "127.0.0.1", tokenfile;
    long port = 8080, workers = 2, threads = 32, learner_rate = 20, address_rate = 2000;
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        const auto needs = [&](const char* what) { return usageerror(a + " needs " + what); };
        if (a == "-h" || a == "--help") {
            std::fputs(usage, stdout);
            return 0;
        } else if (a == "--version") {
            oxa::printversion("oxa-serve");
            return 0;
        } else if (a == "--pack") {
            if (!v) return needs("a directory");
            packs.push_back(v);
        } else if (a == "--db") {
            if (!v) return needs("a file name");
            db = v;
        } else if (a == "--token-file") {
            if (!v) return needs("a file name");
            tokenfile = v;
        } else if (a == "--listen") {
            const std::string s = v ? v : "";
            const size_t colon = s.rfind(':');
            if (colon == std::string::npos || colon == 0 || !number(s.c_str() + colon + 1, 0, 65535, port))
                return needs("ADDR:PORT");
            host = s.substr(0, colon);
        } else if (a == "--names") {
            if (!v || !valid_language(v)) return needs("a language name in lower-case letters");
            worker_language = v;
        } else if (a == "--workers") {
            if (!v || !number(v, 1, 16, workers)) return needs("a number from 1 to 16");
        } else if (a == "--threads") {
            if (!v || !number(v, 1, 1024, threads)) return needs("a number from 1 to 1024");
        } else if (a == "--learner-rate") {
            if (!v || !number(v, 0, 1000000, learner_rate)) return needs("a number from 0 to 1000000");
        } else if (a == "--address-rate") {
            if (!v || !number(v, 0, 1000000, address_rate)) return needs("a number from 0 to 1000000");
        } else {
            return usageerror("unknown argument " + a);
        }
        ++i;
    }
    if (packs.empty()) return usageerror("no pack given (--pack DIR)");

    worker_program = oxa::packs::selfpath(argv[0]);

    // SIGTERM and SIGINT are taken by one thread that stops the server; no
    // other thread sees them.  A worker's death must not end the server.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
    signal(SIGPIPE, SIG_IGN);

    app a;
    a.per_learner.set_rate(static_cast<double>(learner_rate));
    a.per_address.set_rate(static_cast<double>(address_rate));
    std::string error;
    const std::vector<std::string> searched =
        oxa::packs::searchpath(std::getenv("OXA_PACKS"), oxa::packs::programdir(argv[0]));
    for (const std::string& given : packs) {
        struct stat st;
        const std::string dir = oxa::packs::findpack(given, searched);
        if (dir.empty()) return usageerror(oxa::packs::notfound(given, searched));
        const std::string name = basename_of(dir);
        if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return usageerror("no directory " + dir);
        if (a.packs.count(name)) return usageerror("two packs named " + name);
        a.packs[name] = std::make_unique<pack_workers>(name, dir, static_cast<int>(workers));
    }
    {
        // The workers load their packs side by side.
        std::vector<std::thread> starting;
        std::vector<std::string> errors(a.packs.size());
        size_t k = 0;
        for (auto& [name, p] : a.packs) {
            starting.emplace_back([&p = p, &e = errors[k]] { p->start(e); });
            ++k;
        }
        for (std::thread& t : starting)
            t.join();
        for (const std::string& e : errors)
            if (!e.empty()) {
                std::fprintf(stderr, "oxa-serve: %s\n", e.c_str());
                return 1;
            }
    }
    a.db = open_sqlite(db, error);
    if (!a.db) {
        std::fprintf(stderr, "oxa-serve: %s: %s\n", db.c_str(), error.c_str());
        return 1;
    }
    if (!teacher_token(tokenfile, a.teacher_token, error)) {
        std::fprintf(stderr, "oxa-serve: %s\n", error.c_str());
        return 1;
    }
    // A first class, so that learners can join at once.
    std::string code;
    for (const class_record& c : a.db->classes())
        if (c.open && code.empty()) code = c.code;
    if (code.empty()) {
        for (int tries = 0; tries < 20 && code.empty(); ++tries) {
            const std::string c = new_class_code();
            if (a.db->add_class({c, "Class", true, now_ms()})) code = c;
        }
    }

    httplib::Server server;
    const long nthreads = threads;
    server.new_task_queue = [nthreads] { return new httplib::ThreadPool(static_cast<size_t>(nthreads)); };
    build_server(server, a);
    int bound = -1;
    if (port == 0)
        bound = server.bind_to_any_port(host);
    else if (server.bind_to_port(host, static_cast<int>(port)))
        bound = static_cast<int>(port);
    if (bound < 0) {
        std::fprintf(stderr, "oxa-serve: cannot listen on %s:%ld\n", host.c_str(), port);
        return 1;
    }
    const std::string url = "http://" + (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
                            std::to_string(bound) + "/";
    std::printf("oxa-serve %s: listening on %s\n", OXA_VERSION, url.c_str());
    std::printf("teacher token: %s\n", a.teacher_token.c_str());
    std::printf("class code: %s\n", code.c_str());
    std::printf("learners: %s   teacher: %steacher\n", url.c_str(), url.c_str());
    std::fflush(stdout);

    std::thread stopper([&server, stopping] {
        int sig = 0;
        sigwait(&stopping, &sig);
        log_line(std::string("stopping on ") + (sig == SIGTERM ? "SIGTERM" : "SIGINT"));
        server.stop();
    });
    server.listen_after_bind();
    // listen returns after stop(); the thread pool has finished the requests
    // in flight.  A stop that did not come from a signal releases the stopper.
    if (server.is_running()) server.stop();
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    a.packs.clear();
    a.db.reset();
    log_line("stopped");
    return 0;
}
