#include "core/panels.h"

#include "address/search_engines.h"
#include "address/suggestions.h"
#include "address/url_classify.h"
#include "core/downloads.h"
#include "core/page_calls.h"
#include "engine/engine_config.h"
#include "engine/website_data.h"
#include "protocol/chrome_state.h"
#include "protocol/page_call.h"
#include "shield/shield_rules.h"
#include "store/store_json.h"
#include "url/utf8.h"

#include <algorithm>
#include <optional>

namespace corvane {

namespace {

constexpr std::uint64_t kBytesPerMiB = 1024 * 1024;
// About what one history item takes as text, so the output grows once.
constexpr std::size_t kWrittenItemBytes = 256;

// A history or bookmark item, members in byte order; `last` for history items only.
void write_page_item(json::RecordWriter& out, const std::string& url, const std::string& title,
                     std::optional<std::uint64_t> last) {
    out.begin_object().key("display").string(display_url(url)).key("favicon");
    if (std::optional<std::string> favicon = default_favicon_url(url)) {
        out.string(*favicon);
    } else {
        out.null();
    }
    if (last) {
        out.key("last").number(*last);
    }
    out.key("title").string(title).key("url").string(url).end_object();
}

// A list panel's page call, written in one buffer: the history can be long.
template <typename Records>
std::string list_panel_script(std::string_view name, const Records& records,
                              void (*write_items)(json::RecordWriter&, const Records&)) {
    json::RecordWriter out(ui_page_call_head("panel") + page_call_arg(name) + ",");
    out.reserve(std::min(records.size(), kHistoryPanelLimit) * kWrittenItemBytes);
    out.begin_object().key("items");
    write_items(out, records);
    std::string script = out.end_object().take();
    script += ')';
    return script;
}

std::string_view security_name(const Tab* tab, std::string_view url, bool newtab) {
    const bool secure_connection =
        tab != nullptr && tab->webview && tab->webview->has_secure_connection();
    const SecurityState state = state_security(newtab, url, secure_connection);
    if (state == SecurityState::Internal) {
        return "internal";
    }
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
    return {{"certificateRefused",
             active != nullptr && active->webview && active->webview->certificate_refused()},
            {"enabled", app.store.settings.block_trackers},
            {"host", newtab ? std::string() : host},
            {"memoryMB", webkit_memory_bytes(app.platform->system()) / kBytesPerMiB},
            {"newtab", newtab},
            {"rules", shield_rule_count()},
            {"sec", security_name(active, url, newtab)},
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
    return nlohmann::json{{"items", downloads_json(app.downloads)}};
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
    if (name == "settings") {
        return settings_panel_json(app);
    }
    if (name == "downloads") {
        return downloads_panel_json(app);
    }
    return std::nullopt;
}

std::optional<std::string> panel_script(App& app, std::size_t window, std::string_view name) {
    if (name == "history") {
        return list_panel_script(name, app.store.history, history_json);
    }
    if (name == "bookmarks") {
        return list_panel_script(name, app.store.bookmarks, bookmarks_json);
    }
    if (std::optional<nlohmann::json> data = panel_data(app, window, name)) {
        return ui_page_call("panel", name, *data);
    }
    return std::nullopt;
}

} // namespace

void history_json(json::RecordWriter& out, const std::vector<HistoryEntry>& history) {
    // Newest first; equal times keep their stored order. The keys are unique, so picking the
    // kept ones and sorting only those gives the order a stable sort of all would.
    std::vector<std::pair<std::uint64_t, std::size_t>> order; // (age rank, stored position)
    order.reserve(history.size());
    for (std::size_t i = 0; i < history.size(); ++i) {
        order.emplace_back(UINT64_MAX - history[i].last, i);
    }
    const auto kept =
        order.begin() + static_cast<std::ptrdiff_t>(std::min(order.size(), kHistoryPanelLimit));
    std::nth_element(order.begin(), kept, order.end());
    std::sort(order.begin(), kept);
    out.begin_array();
    for (auto it = order.begin(); it != kept; ++it) {
        const HistoryEntry& entry = history[it->second];
        write_page_item(out, entry.url, entry.title, entry.last);
    }
    out.end_array();
}

void bookmarks_json(json::RecordWriter& out, const std::vector<Bookmark>& bookmarks) {
    out.begin_array();
    for (auto it = bookmarks.rbegin(); it != bookmarks.rend(); ++it) {
        write_page_item(out, it->url, it->title, std::nullopt);
    }
    out.end_array();
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
    if (std::optional<std::string> script = panel_script(app, window, name)) {
        app.windows[window].chrome->evaluate_script(*script);
    }
}

} // namespace corvane
