// Token buckets.
#include "serve/ratelimit.hpp"

#include <algorithm>
#include <chrono>

namespace serve {

int64_t monotonic_us() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool rate_limiter::allow(const std::string& key, int64_t now_us) {
    if (rate_ <= 0) return true; // 0: no limit
    std::lock_guard<std::mutex> hold(lock_);
    // Full buckets hold nothing worth keeping: drop them once a minute, so
    // that a stream of new keys cannot grow the table without end.
    if (now_us - last_sweep_us_ > 60'000'000) {
        for (auto i = buckets_.begin(); i != buckets_.end();)
            i = now_us - i->second.last_us > 1'000'000 ? buckets_.erase(i) : std::next(i);
        last_sweep_us_ = now_us;
    }
    auto [it, fresh] = buckets_.try_emplace(key, bucket{std::max(rate_, 1.0), now_us});
    bucket& b = it->second;
    if (!fresh) {
        b.tokens = std::min(std::max(rate_, 1.0), b.tokens + rate_ * static_cast<double>(now_us - b.last_us) / 1e6);
        b.last_us = now_us;
    }
    if (b.tokens < 1.0) return false;
    b.tokens -= 1.0;
    return true;
}

} // namespace serve
