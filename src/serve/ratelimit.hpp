// Rate limits: a token bucket per key (a learner token, a client address),
// refilled at `rate` requests a second and holding at most one second's worth.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace serve {

class rate_limiter {
  public:
    explicit rate_limiter(double rate) : rate_(rate) {}
    // True when a request under `key` at `now_us` (microseconds) may go on.
    bool allow(const std::string& key, int64_t now_us);
    double rate() const { return rate_; }
    void set_rate(double rate) { rate_ = rate; } // before any request

  private:
    struct bucket {
        double tokens;
        int64_t last_us;
    };
    double rate_;
    std::mutex lock_;
    std::unordered_map<std::string, bucket> buckets_;
    int64_t last_sweep_us_ = 0;
};

int64_t monotonic_us();

} // namespace serve
