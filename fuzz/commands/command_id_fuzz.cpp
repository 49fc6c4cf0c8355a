// Command ids come from the chrome page as any text. The tab number read from one must agree
// with a plain reading of the digits, and the zoom steps must stay on the ladder whatever the
// current factor is.
#include "core/commands.h"
#include "core/zoom.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

std::optional<std::uint64_t> reference_number(std::string_view id) {
    if (id.size() < 4 || id.substr(0, 3) != "tab") {
        return std::nullopt;
    }
    std::string_view digits = id.substr(3);
    if (digits.front() == '+') {
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    unsigned __int128 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > UINT64_MAX) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint64_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view id(reinterpret_cast<const char*>(data), size);
    if (corvane::tab_number(id) != reference_number(id)) {
        std::abort();
    }
    if (size >= sizeof(double)) {
        double factor = 0;
        std::memcpy(&factor, data, sizeof factor);
        for (const corvane::ZoomStep step :
             {corvane::ZoomStep::in, corvane::ZoomStep::out, corvane::ZoomStep::reset}) {
            const double next = corvane::next_zoom(factor, step);
            const auto& ladder = corvane::kZoomLadder;
            if (std::find(ladder.begin(), ladder.end(), next) == ladder.end()) {
                std::abort();
            }
        }
    }
    return 0;
}
