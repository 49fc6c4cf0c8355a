#include "protocol/chrome_state.h"

#include "protocol/page_call.h"

namespace corvane {

using nlohmann::json;

bool is_newtab_url(std::string_view url) {
    return url.empty() || url.starts_with("corvane://newtab/");
}

std::string shown_url(std::optional<std::string_view> live_url, std::string_view stored_url) {
    if (live_url && !live_url->empty() && *live_url != "about:blank") {
        return std::string(*live_url);
    }
    return std::string(stored_url);
}

bool shield_active_for(bool block_trackers, std::span<const std::string> allowlist,
                       std::string_view host) {
    if (!block_trackers) {
        return false;
    }
    for (const auto& entry : allowlist) {
        if (host == entry) {
            return false;
        }
        const bool parent = host.size() > entry.size() && host.ends_with(entry) &&
                            host[host.size() - entry.size() - 1] == '.';
        if (parent) {
            return false;
        }
    }
    return true;
}

SecurityState state_security(bool newtab, std::string_view url, bool secure_connection) {
    if (newtab) {
        return SecurityState::Internal;
    }
    const SecurityState state = security_state(url);
    return state == SecurityState::Secure && !secure_connection ? SecurityState::Insecure : state;
}

json tab_item_json(const TabItem& item) {
    json object = json::object();
    object["favicon"] = item.favicon ? json(*item.favicon) : json(nullptr);
    object["host"] = item.host;
    object["id"] = item.id;
    object["loading"] = item.loading;
    object["newtab"] = item.newtab;
    object["sleeping"] = item.sleeping;
    object["title"] = item.title;
    object["url"] = item.url;
    return object;
}

json chrome_state_json(const ChromeState& state) {
    json tabs = json::array();
    for (const auto& item : state.tabs) {
        tabs.push_back(tab_item_json(item));
    }
    json object = json::object();
    object["active"] = state.active;
    object["bookmarked"] = state.bookmarked;
    object["canBack"] = state.can_back;
    object["canForward"] = state.can_forward;
    object["downloadsUnseen"] = state.downloads_unseen;
    object["fullscreen"] = state.fullscreen;
    object["host"] = state.host;
    object["loading"] = state.loading;
    object["newtab"] = state.newtab;
    object["platform"] = kChromePlatform;
    object["private"] = state.private_window;
    object["sec"] = security_state_name(state.sec);
    object["shieldActive"] = state.shield_active;
    object["tabs"] = std::move(tabs);
    object["url"] = state.url;
    object["zoom"] = state.zoom;
    return object;
}

std::string render_script(const ChromeState& state) {
    return ui_page_call("render", chrome_state_json(state));
}

} // namespace corvane
