// Command ids come from the chrome page as any text. The tab number read from one must be a
// plain reading of the digits after "tab" (one "+" allowed), and the zoom steps must stay on the
// ladder whatever the current factor is.
#include "core/commands.h"
#include "core/zoom.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view id(reinterpret_cast<const char*>(data), size);
    std::optional<std::uint64_t> expected;
    if (id.starts_with("tab")) {
        const std::string_view digits = id.substr(id.starts_with("tab+") ? 4 : 3);
        std::uint64_t value = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size()) {
            expected = value;
        }
    }
    bool ok = corvane::tab_number(id) == expected;
    double factor = 0;
    std::memcpy(&factor, data, std::min(size, sizeof factor));
    for (const auto step :
         {corvane::ZoomStep::in, corvane::ZoomStep::out, corvane::ZoomStep::reset}) {
        ok = ok && std::ranges::count(corvane::kZoomLadder, corvane::next_zoom(factor, step)) == 1;
    }
    if (!ok) {
        std::abort();
    }
    return 0;
}
