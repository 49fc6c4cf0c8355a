#include "core/layout.h"

#include <algorithm>

namespace corvane {

WindowLayout compute_layout(const LayoutInput& input) {
    const double w = input.width;
    const double h = input.height;
    const double strip = input.findbar_open ? strip_height_with_findbar : strip_height;
    // The pane never takes more than three quarters of the window, so some page stays visible.
    const double pane = input.devtools_height ? std::min(*input.devtools_height, 0.75 * h) : 0.0;

    WindowLayout layout;
    layout.chrome = {0, 0, w, input.overlay_open ? h : strip};
    layout.tab = {0, strip, w, std::max(h - strip - pane, 0.0)};
    if (input.devtools_height) {
        layout.devtools = platform::Rect{0, h - pane, w, pane};
    }
    return layout;
}

} // namespace corvane
