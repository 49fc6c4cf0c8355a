#pragma once

// The data of the chrome page's popovers and sheets, sent when the page opens one.

#include "core/app.h"

#include <cstddef>
#include <string_view>

namespace corvane {

// The text the about sheet shows for the engine.
inline constexpr std::string_view kEngineDescription = "WebKitGTK (system engine)";

// Calls the page function panel with the name and the data of that panel; a name that is not
// one of the seven panels gets no answer.
void send_panel(App& app, std::size_t window, std::string_view name);

} // namespace corvane
