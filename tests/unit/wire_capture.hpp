// Captures what the transmitter writes (the wire bytes) and every message that
// reaches it (also the ones it drops), for tests of the display code.
#pragma once

#include <string>
#include <vector>

#include "editor/frontend.hpp"

namespace oxatest {

struct WireCapture {
    static inline std::string wire;
    static inline std::vector<std::string> msgs;

    static void sink(const char* data, size_t len) { wire.append(data, len); }
    static void trace(const char* msg) { msgs.emplace_back(msg); }

    // Call after oxa::resetfrontend(), which puts standard output back.
    static void install() {
        wire.clear();
        msgs.clear();
        oxa::xvsink = sink;
        oxa::xvtrace = trace;
    }
    static void clear() {
        wire.clear();
        msgs.clear();
    }
    // The wire bytes split into lines at CR LF (each line must end in CR LF).
    static std::vector<std::string> lines() {
        std::vector<std::string> out;
        size_t start = 0;
        for (size_t p; (p = wire.find("\r\n", start)) != std::string::npos; start = p + 2)
            out.push_back(wire.substr(start, p - start));
        if (start != wire.size()) out.push_back("<unterminated>" + wire.substr(start));
        return out;
    }
};

} // namespace oxatest
