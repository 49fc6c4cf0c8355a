#include "core/panels.h"

#include "address/search_engines.h"
#include "address/suggestions.h"
#include "address/url_classify.h"
#include "core/downloads.h"
#include "core/page_calls.h"
#include "engine/engine_config.h"
#include "engine/website_data.h"
#include "protocol/chrome_state.h"
#include "shield/shield_rules.h"
#include "store/store_json.h"
#include "url/utf8.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace corvane {

namespace {

constexpr std::uint64_t kBytesPerMiB = 1024 * 1024;

nlohmann::json favicon_json(std::string_view url) {
    std::optional<std::string> favicon = default_favicon_url(url);
    return favicon ? nlohmann::json(std::move(*favicon)) : nlohmann::json(nullptr);
}

nlohmann::json page_item(const std::string& url, const std::string& title) {
    return {{"display", display_url(url)},
            {"favicon", favicon_json(url)},
            {"title", title},
            {"url", url}};
}

std::string_view security_name(std::string_view url, bool newtab) {
    if (newtab) {
        return "internal";
    }
    const SecurityState state = security_state(url);
    if (state == SecurityState::Secure) {
        return "secure";
    }
    return state == SecurityState::Insecure ? "insecure" : "local";
}

std::size_t sleeping_tabs(const App& app) {
    std::size_t count = 0;
    for (const BrowserWindow& window : app.windows) {
        count += static_cast<std::size_t>(std::count_if(
            window.tabs.begin(), window.tabs.end(), [](const Tab& tab) { return !tab.awake(); }));
    }
    return count;
}

nlohmann::json shield_json(const App& app, const BrowserWindow& window) {
    const Tab* active = window.active_tab();
    const std::string url = active != nullptr ? active->url : std::string();
    const std::string host = display_host(url);
    const bool newtab = url.starts_with(kNewTabUrl);
    return {{"enabled", app.store.settings.block_trackers},
            {"host", newtab ? std::string() : host},
            {"memoryMB", webkit_memory_bytes(app.platform->system()) / kBytesPerMiB},
            {"newtab", newtab},
            {"rules", shield_rule_count()},
            {"sec", security_name(url, newtab)},
            {"siteOn", shield_active_for(true, app.store.settings.shield_allowlist, host)},
            {"sleeping", sleeping_tabs(app)}};
}

nlohmann::json settings_panel_json(const App& app) {
    return {{"engines", engines_json()},
            {"settings", settings_to_json(app.store.settings)},
            {"version", kBrowserVersion}};
}

// The downloads dot goes out in every window before the list arrives.
nlohmann::json downloads_panel_json(App& app) {
    app.downloads_unseen = false;
    for (std::size_t each = 0; each < app.windows.size(); ++each) {
        render(app, each);
    }
    return {{"items", downloads_json(app.downloads)}};
}

std::optional<nlohmann::json> panel_data(App& app, std::size_t window, std::string_view name) {
    if (name == "about") {
        return nlohmann::json{{"engine", kEngineDescription}, {"version", kBrowserVersion}};
    }
    if (name == "clear") {
        return nlohmann::json::object();
    }
    if (name == "shield") {
        return shield_json(app, app.windows[window]);
    }
    if (name == "history") {
        return nlohmann::json{{"items", history_json(app.store.history)}};
    }
    if (name == "settings") {
        return settings_panel_json(app);
    }
    if (name == "bookmarks") {
        return nlohmann::json{{"items", bookmarks_json(app.store.bookmarks)}};
    }
    if (name == "downloads") {
        return downloads_panel_json(app);
    }
    return std::nullopt;
}

} // namespace

nlohmann::json history_json(const std::vector<HistoryEntry>& history) {
    std::vector<std::size_t> order(history.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const std::size_t kept = std::min(order.size(), kHistoryPanelLimit);
    // Newest first; equal times keep their stored order.
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(kept), order.end(),
                      [&history](std::size_t a, std::size_t b) {
                          return history[a].last != history[b].last
                                     ? history[a].last > history[b].last
                                     : a < b;
                      });
    nlohmann::json items = nlohmann::json::array();
    for (std::size_t i = 0; i < kept; ++i) {
        const HistoryEntry& entry = history[order[i]];
        nlohmann::json item = page_item(entry.url, entry.title);
        item["last"] = entry.last;
        items.push_back(std::move(item));
    }
    return items;
}

nlohmann::json bookmarks_json(const std::vector<Bookmark>& bookmarks) {
    nlohmann::json items = nlohmann::json::array();
    for (auto it = bookmarks.rbegin(); it != bookmarks.rend(); ++it) {
        items.push_back(page_item(it->url, it->title));
    }
    return items;
}

nlohmann::json downloads_json(const std::vector<Download>& downloads) {
    nlohmann::json items = nlohmann::json::array();
    for (auto it = downloads.rbegin(); it != downloads.rend(); ++it) {
        items.push_back({{"name", download_file_name(it->path)},
                         {"path", utf8_with_replacements(it->path)},
                         {"state", it->state},
                         {"url", it->url}});
    }
    return items;
}

nlohmann::json engines_json() {
    nlohmann::json items = nlohmann::json::array();
    for (const SearchEngine& engine : SEARCH_ENGINES) {
        items.push_back({{"id", engine.id}, {"name", engine.name}});
    }
    return items;
}

void send_panel(App& app, std::size_t window, std::string_view name) {
    if (std::optional<nlohmann::json> data = panel_data(app, window, name)) {
        call_ui_page(*app.windows[window].chrome, "panel", {name, std::move(*data)});
    }
}

} // namespace corvane
