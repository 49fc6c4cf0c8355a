// Chrome page messages come from a web page: any bytes must be refused or decoded, never crash.
#include "protocol/ui_msg.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const auto msg = corvane::parse_ui_msg(body);
    if (msg) {
        // Whatever was accepted decodes the same way again and names a known variant.
        const auto again = corvane::parse_ui_msg(body);
        if (!again || again->index() != msg->index() || body.size() > corvane::kMaxUiMsgBytes ||
            corvane::ui_msg_variant_from_str(corvane::ui_msg_wire_name(*msg)) != msg->index()) {
            std::abort();
        }
    }
    return 0;
}
