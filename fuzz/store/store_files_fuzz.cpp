// Feeds arbitrary bytes to the four store file readers. Whatever a reader accepts must be
// well-formed JSON, and must survive writing and reading back unchanged.
#include "store/store_json.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

namespace {

template <typename Value>
void check(std::string_view text, std::optional<Value> (*read)(std::string_view),
           std::string (*write)(const Value&)) {
    const auto value = read(text);
    if (!value) {
        return;
    }
    const std::string written = write(*value);
    if (!nlohmann::json::accept(text) || read(written) != value ||
        write(*read(written)) != written) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check(text, &corvane::read_settings, &corvane::write_settings);
    check(text, &corvane::read_history, &corvane::write_history);
    check(text, &corvane::read_bookmarks, &corvane::write_bookmarks);
    check(text, &corvane::read_session, &corvane::write_session);
    return 0;
}
