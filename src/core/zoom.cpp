#include "core/zoom.h"

#include "core/page_calls.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

// Keeps a factor that is on the ladder (give or take rounding) from counting as between steps.
constexpr double kLadderMargin = 0.001;

} // namespace

double next_zoom(double current, ZoomStep step) {
    switch (step) {
    case ZoomStep::in: {
        const double above = current + kLadderMargin;
        const auto it = std::find_if(kZoomLadder.begin(), kZoomLadder.end(),
                                     [above](double factor) { return factor > above; });
        return it == kZoomLadder.end() ? kZoomLadder.back() : *it;
    }
    case ZoomStep::out: {
        const double below = current - kLadderMargin;
        const auto it = std::find_if(kZoomLadder.rbegin(), kZoomLadder.rend(),
                                     [below](double factor) { return factor < below; });
        return it == kZoomLadder.rend() ? kZoomLadder.front() : *it;
    }
    case ZoomStep::reset:
        break;
    }
    return 1.0;
}

std::string zoom_toast_text(double factor) {
    return "Zoom " + std::to_string(std::lround(factor * 100.0)) + "%";
}

void zoom_active_tab(App& app, std::size_t window, ZoomStep step) {
    Tab* tab = app.windows[window].active_tab();
    if (tab != nullptr) {
        tab->zoom = next_zoom(tab->zoom, step);
        if (tab->webview) {
            tab->webview->set_zoom(tab->zoom);
        }
        show_toast(app.windows, window, zoom_toast_text(tab->zoom));
    }
    render(app, window);
}

} // namespace corvane
