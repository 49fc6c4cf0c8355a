#include "store/session.h"

namespace corvane {

namespace {

std::string tab_url(const SessionTabView& tab) {
    if (tab.live_url) {
        // A view that has not begun its first load still shows about:blank; the stored URL is
        // the one the tab is meant to show.
        if (auto live = tab.live_url(); live && !live->empty() && *live != "about:blank") {
            return std::move(*live);
        }
    }
    return std::string(tab.url);
}

} // namespace

std::vector<SessionTab> session_tabs(std::span<const SessionTabView> tabs) {
    std::vector<SessionTab> result;
    result.reserve(tabs.size());
    for (const SessionTabView& tab : tabs) {
        result.push_back({tab_url(tab), std::string(tab.title)});
    }
    return result;
}

std::vector<SessionWindow> collect_session_windows(std::span<const SessionWindowView> windows) {
    std::vector<SessionWindow> result;
    for (const SessionWindowView& window : windows) {
        if (window.is_private) {
            continue;
        }
        result.push_back({session_tabs(window.tabs), window.active});
    }
    return result;
}

} // namespace corvane
