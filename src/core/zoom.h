#pragma once

// Page zoom of the active tab, one ladder step at a time.

#include "core/app.h"

#include <array>
#include <cstddef>
#include <string>

namespace corvane {

enum class ZoomStep { in, out, reset };

// Ascending; the first and last factors bound what the zoom commands produce.
inline constexpr std::array<double, 13> kZoomLadder{0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                                    1.25, 1.5,  1.75, 2.0, 2.5, 3.0};

// The factor one step from current. A factor on the ladder moves a full step; one between two
// factors moves to the nearer one in that direction.
double next_zoom(double current, ZoomStep step);

// "Zoom 110%": the factor as a whole percentage, halves rounded away from zero.
std::string zoom_toast_text(double factor);

// Sets the active tab's zoom (and its view's, when awake), shows the toast and renders. A window
// without an active tab is only rendered.
void zoom_active_tab(App& app, std::size_t window, ZoomStep step);

} // namespace corvane
