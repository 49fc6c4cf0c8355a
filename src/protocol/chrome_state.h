#pragma once

// The state object that the chrome page's render function receives: everything the chrome
// shows about one window, rebuilt whole and pushed after every visible change. The core fills
// these plain values from the window, its tabs, the settings and the bookmarks; the rules for
// the derived members are the helpers below.

#include "address/url_classify.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One tab of the strip, from the tab's stored fields (never its live web view).
struct TabItem {
    std::optional<std::string> favicon; // null when the tab has none
    std::string host;                   // display_host of url
    std::uint64_t id = 0;
    bool loading = false;
    bool newtab = false;   // is_newtab_url(url)
    bool sleeping = false; // the tab has no web view
    std::string title;
    std::string url;
};

struct ChromeState {
    std::uint64_t active = 0; // the active tab's id
    bool bookmarked = false;  // false on a new tab page
    bool can_back = false;
    bool can_forward = false;
    bool downloads_unseen = false;
    bool fullscreen = false;
    std::string host; // display_host of url
    bool loading = false;
    bool newtab = false; // is_newtab_url(url)
    bool private_window = false;
    SecurityState sec = SecurityState::None; // state_security(newtab, url, secure_connection)
    bool shield_active = false;              // shield_active_for(...)
    std::vector<TabItem> tabs;               // in strip order
    std::string url;                         // shown_url(...)
    double zoom = 1.0;
};

// The platform name the chrome page adapts to.
inline constexpr std::string_view kChromePlatform = "linux";

// Empty, or beginning with "corvane://newtab/".
bool is_newtab_url(std::string_view url);

// The address shown for the active tab: what its live web view reports, unless there is no view,
// the view reports nothing, "" or "about:blank"; then the stored URL.
std::string shown_url(std::optional<std::string_view> live_url, std::string_view stored_url);

// Shield protects the host when it is on and no allowlist entry equals the host or is a parent
// domain of it ("example.com" exempts "news.example.com" but not "badexample.com").
bool shield_active_for(bool block_trackers, std::span<const std::string> allowlist,
                       std::string_view host);

// "internal" for a new tab page, else the security state of the URL; but an https page that did
// not come over a connection the engine accepted (an error page for a refused certificate or a
// failed load) is insecure: it claims no protection.
SecurityState state_security(bool newtab, std::string_view url, bool secure_connection);

nlohmann::json tab_item_json(const TabItem& item);
nlohmann::json chrome_state_json(const ChromeState& state);

// The page call that renders this state.
std::string render_script(const ChromeState& state);

} // namespace corvane
