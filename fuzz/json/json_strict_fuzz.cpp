// Feeds arbitrary bytes to the strict reader. It must decide every text exactly as nlohmann's own
// lexer does under the same rules (parse_strict_with_nlohmann): the same acceptance and the same
// value, number kinds and the bits of every double included. What it accepts must be JSON that
// nlohmann's plain parser accepts too, within the depth limit, and its compact text must read
// back equal. The same bytes as one string must be written alike by RecordWriter and
// write_compact.

#include "exactly_equal.h"

#include "json/compact_writer.h"
#include "json/nlohmann_reader.h"
#include "json/strict_reader.h"
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using corvane::json::Json;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::size_t depth_of(const Json& value) {
    std::size_t deepest = 0;
    if (value.is_structured()) {
        for (const auto& child : value) {
            deepest = std::max(deepest, depth_of(child));
        }
        return deepest + 1;
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane::json;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RecordWriter writer;
    require(writer.string(text).take() == write_compact(Json(std::string(text))));

    // A small limit reaches the depth check with short inputs.
    constexpr std::size_t kDepth = 8;
    const auto value = parse_strict(text, kDepth);
    const auto reference = parse_strict_with_nlohmann(text, kDepth);
    require(value.has_value() == reference.has_value());
    if (!value) {
        return 0;
    }
    require(exactly_equal(*value, *reference));
    require(Json::accept(text));
    require(depth_of(*value) <= kDepth);
    const std::string written = write_compact(*value);
    const auto again = parse_strict(written, kDepth);
    require(again && *again == *value);
    require(write_compact(*again) == written);
    return 0;
}
