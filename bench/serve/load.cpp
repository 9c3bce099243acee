// Load on a running oxa-serve: LEARNERS learners join its class and each
// answers ANSWERS exercises of PACK, over CONNECTIONS kept-alive
// connections.  Prints answers a second and the latency of an answer.  With
// ACKED, the id of each acknowledged answer is written there, one a line, as
// soon as it comes (for the test that kills the server under this load).
//
//     oxa-serve-load PORT CLASS PACK [LEARNERS ANSWERS CONNECTIONS [ACKED]]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

using nlohmann::json;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: oxa-serve-load PORT CLASS PACK [LEARNERS ANSWERS CONNECTIONS [ACKED]]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string code = argv[2], pack = argv[3];
    const int learners = argc > 4 ? std::atoi(argv[4]) : 200;
    const int answers = argc > 5 ? std::atoi(argv[5]) : 20;
    const int connections = argc > 6 ? std::atoi(argv[6]) : 40;
    FILE* acked = argc > 7 ? std::fopen(argv[7], "w") : nullptr;
    if (argc > 7 && !acked) {
        std::perror(argv[7]);
        return 2;
    }
    std::mutex acked_lock;
    static const char* responses[] = {"le chat noir", "les portes grises", "la porte grise", "il mange", "je suis ici"};

    std::vector<std::string> tokens;
    {
        httplib::Client c("127.0.0.1", port);
        for (int i = 0; i < learners; ++i) {
            auto r = c.Post("/api/v1/learners", json{{"class", code}, {"name", "L" + std::to_string(i)}}.dump(),
                            "application/json");
            if (!r || r->status != 201) {
                std::fprintf(stderr, "oxa-serve-load: joining failed\n");
                return 1;
            }
            tokens.push_back(json::parse(r->body)["learner"]);
        }
    }
    std::vector<std::vector<double>> latencies(static_cast<size_t>(connections));
    std::atomic<int> failures{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int k = 0; k < connections; ++k)
        threads.emplace_back([&, k] {
            httplib::Client c("127.0.0.1", port);
            c.set_keep_alive(true);
            c.set_tcp_nodelay(true);
            for (int n = 0; n < answers; ++n)
                for (int i = k; i < learners; i += connections) {
                    httplib::Headers h = {{"Authorization", "Bearer " + tokens[static_cast<size_t>(i)]}};
                    auto ex = c.Post("/api/v1/exercises", h, json{{"pack", pack}}.dump(), "application/json");
                    if (!ex || ex->status != 201) {
                        if (++failures <= 3)
                            std::fprintf(stderr, "oxa-serve-load: exercise: %s\n",
                                         ex ? (std::to_string(ex->status) + " " + ex->body).c_str()
                                            : httplib::to_string(ex.error()).c_str());
                        continue;
                    }
                    const std::string id = json::parse(ex->body)["id"];
                    const auto t0 = std::chrono::steady_clock::now();
                    auto a = c.Post("/api/v1/exercises/" + id + "/answers", h,
                                    json{{"response", responses[(n + i) % 5]}}.dump(), "application/json");
                    const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - t0;
                    if (!a || a->status != 201) {
                        if (++failures <= 3)
                            std::fprintf(stderr, "oxa-serve-load: answer: %s\n",
                                         a ? (std::to_string(a->status) + " " + a->body).c_str()
                                           : httplib::to_string(a.error()).c_str());
                    } else {
                        latencies[static_cast<size_t>(k)].push_back(ms.count());
                        if (acked) {
                            const json body = json::parse(a->body, nullptr, false);
                            std::lock_guard<std::mutex> hold(acked_lock);
                            std::fprintf(acked, "%lld\n", body.value("answer", 0LL));
                            std::fflush(acked);
                        }
                    }
                }
        });
    for (auto& t : threads)
        t.join();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::vector<double> all;
    for (auto& l : latencies)
        all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    if (all.empty()) return 1;
    std::printf("oxa-serve load: %d learners x %d answers (%d connections), pack %s\n", learners, answers,
                connections, pack.c_str());
    std::printf("  answers/s      %.0f   (%zu answers in %.1f s, each after making its exercise; %d failed)\n",
                static_cast<double>(all.size()) / elapsed.count(), all.size(), elapsed.count(), failures.load());
    std::printf("  answer latency p50 %.1f ms   p99 %.1f ms\n", all[all.size() / 2],
                all[std::min(all.size() - 1, all.size() * 99 / 100)]);
    return failures.load() ? 1 : 0;
}
