#include "core/panels.h"

#include "core/page_calls.h"
#include "engine/engine_config.h"

#include <nlohmann/json.hpp>
#include <optional>

namespace corvane {

namespace {

std::optional<nlohmann::json> panel_data(std::string_view name) {
    if (name == "about") {
        return nlohmann::json{{"engine", kEngineDescription}, {"version", kBrowserVersion}};
    }
    if (name == "clear") {
        return nlohmann::json::object();
    }
    // FIXME: the data of the "shield", "history", "bookmarks", "downloads" and "settings" panels
    // comes with the panels feature; until then those requests get no answer.
    return std::nullopt;
}

} // namespace

void send_panel(App& app, std::size_t window, std::string_view name) {
    if (std::optional<nlohmann::json> data = panel_data(name)) {
        call_ui_page(*app.windows[window].chrome, "panel", {name, std::move(*data)});
    }
}

} // namespace corvane
