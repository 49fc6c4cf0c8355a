#pragma once

#include "platform/geometry.h"

#include <optional>

namespace corvane {

// What decides where the web views of one window go.
struct LayoutInput {
    double width = 0;  // the window content's size in logical points
    double height = 0; // (physical size divided by the scale factor)
    bool findbar_open = false;
    bool overlay_open = false;
    std::optional<double> devtools_height; // set while the developer-tools pane exists
    bool page_fullscreen = false;          // the tab takes the whole window
};

struct WindowLayout {
    platform::Rect chrome;
    platform::Rect tab; // every awake tab shares it
    std::optional<platform::Rect> devtools;
};

// The chrome page's strip: tab strip 40 plus toolbar 46, and the find bar's 40 when it is open.
inline constexpr double strip_height = 86.0;
inline constexpr double strip_height_with_findbar = 126.0;

// The developer-tools pane's height: the wanted one, at most three quarters of the content.
double pane_height(double wanted, double content_height);

WindowLayout compute_layout(const LayoutInput& input);

} // namespace corvane
