#include "platform/startup_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

namespace corvane::platform {

void startup_mark(std::string_view name) {
    static const bool enabled = std::getenv("CORVANE_STARTUP_TRACE") != nullptr;
    if (!enabled) {
        return;
    }
    static std::mutex mutex;
    static std::set<std::string, std::less<>> seen;
    const std::lock_guard lock(mutex);
    if (!seen.emplace(name).second) {
        return;
    }
    const auto since_boot = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    std::fprintf(stderr, "startup-trace %.*s %lld\n", static_cast<int>(name.size()), name.data(),
                 static_cast<long long>(since_boot.count()));
}

} // namespace corvane::platform
