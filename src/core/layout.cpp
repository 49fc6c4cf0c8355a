#include "core/layout.h"

#include <algorithm>
#include <cmath>

namespace corvane {

double pane_height(double wanted, double content_height) {
    // The pane never takes more than three quarters of the window, so some page stays visible.
    // A stored height that is not a number leaves the three quarters.
    const double most = 0.75 * content_height;
    return std::isnan(wanted) ? most : std::min(wanted, most);
}

WindowLayout compute_layout(const LayoutInput& input) {
    const double w = input.width;
    const double h = input.height;
    const double strip = input.findbar_open ? strip_height_with_findbar : strip_height;
    const double pane = input.devtools_height ? pane_height(*input.devtools_height, h) : 0.0;

    WindowLayout layout;
    layout.chrome = {0, 0, w, input.overlay_open ? h : strip};
    layout.tab = {0, strip, w, std::max(h - strip - pane, 0.0)};
    if (input.devtools_height) {
        layout.devtools = platform::Rect{0, h - pane, w, pane};
    }
    if (input.page_fullscreen) {
        layout.tab = {0, 0, w, h};
    }
    return layout;
}

} // namespace corvane
