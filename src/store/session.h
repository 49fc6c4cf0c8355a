#pragma once

// Session capture: the browser's non-private windows turned into SessionWindow records for
// save_session. The browser core describes its windows through the small views below (see
// session_views in core/windows.cpp), so the capture runs without a display. The views borrow
// the strings; they live only for the call.

#include "store/records.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Asks a live web view for its current URL; std::nullopt when the view cannot say.
using LiveUrl = std::function<std::optional<std::string>()>;

struct SessionTabView {
    std::string_view url;   // the tab's stored URL
    std::string_view title; // the tab's title
    LiveUrl live_url;       // empty while the tab sleeps (no web view)
};

struct SessionWindowView {
    bool is_private = false;
    std::vector<SessionTabView> tabs; // in tab-strip order
    std::uint64_t active = 0;         // the window's active tab index, as it stands
};

// One SessionTab per tab, in order. The URL is the live view's current one when it answers with
// something other than "" or "about:blank", else the stored URL.
std::vector<SessionTab> session_tabs(std::span<const SessionTabView> tabs);

// One SessionWindow per non-private window, in order; `active` is kept unchecked.
std::vector<SessionWindow> collect_session_windows(std::span<const SessionWindowView> windows);

} // namespace corvane
