#include "platform/web_view.h"

namespace corvane::platform {

std::optional<OpenIn> link_click_target(unsigned button, bool control, bool shift) {
    constexpr unsigned kMiddleButton = 2;
    if (button == kMiddleButton || control) {
        return shift ? OpenIn::foreground_tab : OpenIn::background_tab;
    }
    if (shift) {
        return OpenIn::window;
    }
    return std::nullopt;
}

} // namespace corvane::platform
