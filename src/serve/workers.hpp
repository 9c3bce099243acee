// The per-pack workers, seen from the server: each pack has its own worker
// processes (started once, loaded once, fed over pipes); a request waits for
// a free worker of its pack; a worker that dies is restarted with a log line
// and the request is tried once more.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace serve {

class worker_process {
  public:
    worker_process(std::string pack, std::string dir) : pack_(std::move(pack)), dir_(std::move(dir)) {}
    ~worker_process();
    bool start(std::string& error); // spawns and waits for the ready line
    // One request and its reply; false when the worker died or cannot start.
    bool call(const nlohmann::json& req, nlohmann::json& reply);
    pid_t pid() const { return pid_; }

  private:
    bool exchange(const std::string& line, std::string& reply);
    void reap(bool log);
    std::string pack_, dir_;
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1;
    std::string buffered_;
};

class pack_workers {
  public:
    pack_workers(std::string name, std::string dir, int count);
    bool start(std::string& error);
    // Sends to a free worker; a dead worker is restarted and the request
    // sent again once.  False when no worker could answer.
    bool call(const nlohmann::json& req, nlohmann::json& reply);
    const std::string& name() const { return name_; }
    const std::string& dir() const { return dir_; }
    std::string revision();
    std::vector<pid_t> pids();
    int load_errors = 0;

  private:
    std::string name_, dir_, revision_;
    std::vector<std::unique_ptr<worker_process>> all_;
    std::vector<worker_process*> idle_;
    std::mutex lock_;
    std::condition_variable freed_;
};

// The files a pack directory holds, in loading order.
std::vector<std::string> pack_files(const std::string& dir);

// The command a worker is started with: this program and "--worker DIR
// LANGUAGE", the language of the display names (english by default).
extern std::string worker_program;
extern std::string worker_language;

} // namespace serve
