#include "core/settings_changes.h"

#include "address/search_engines.h"
#include "core/newtab_data.h"
#include "core/page_calls.h"
#include "engine/shield_wiring.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace corvane {

namespace {

// What a change did: dropped (nothing happens at all) or kept, with the value stored or, for
// the two numbers, left as it was.
enum class Outcome { dropped, kept };

struct NumberRange {
    std::uint64_t low;
    std::uint64_t high;
};

// Only digits without sign, fraction or exponent give an unsigned JSON number.
bool store_number(std::uint32_t& field, const nlohmann::json& value, NumberRange range) {
    if (!value.is_number_unsigned()) {
        return false;
    }
    const auto number = value.get<std::uint64_t>();
    if (number < range.low || number > range.high) {
        return false;
    }
    field = static_cast<std::uint32_t>(number);
    return true;
}

Outcome set_search_engine(App& app, std::size_t /*window*/, const nlohmann::json& value) {
    if (!value.is_string()) {
        return Outcome::dropped;
    }
    const auto& id = value.get_ref<const std::string&>();
    const bool known = std::any_of(SEARCH_ENGINES.begin(), SEARCH_ENGINES.end(),
                                   [&](const SearchEngine& engine) { return engine.id == id; });
    if (!known) {
        return Outcome::dropped;
    }
    app.store.settings.search_engine = id;
    return Outcome::kept;
}

// Every awake tab gets the change at once, private windows included; sleeping tabs get it from
// the configuration of the web view they wake with.
Outcome set_block_trackers(App& app, std::size_t window, const nlohmann::json& value) {
    if (!value.is_boolean()) {
        return Outcome::dropped;
    }
    const bool on = value.get<bool>();
    app.store.settings.block_trackers = on;
    for (BrowserWindow& each : app.windows) {
        for (Tab& tab : each.tabs) {
            if (tab.webview) {
                apply_shield(app.engine, *tab.webview, on && app.shield_ready);
            }
        }
    }
    show_toast(app.windows, window, on ? "Shield on. Reload pages to apply it" : "Shield off");
    return Outcome::kept;
}

// Web views that exist keep their configuration; new ones are built with the new value.
Outcome set_https_only(App& app, std::size_t window, const nlohmann::json& value) {
    if (!value.is_boolean()) {
        return Outcome::dropped;
    }
    app.store.settings.https_only = value.get<bool>();
    call_ui_page(*app.windows[window].chrome, "toast", {"Applies to new tabs"});
    return Outcome::kept;
}

Outcome set_restore_session(App& app, std::size_t /*window*/, const nlohmann::json& value) {
    if (!value.is_boolean()) {
        return Outcome::dropped;
    }
    app.store.settings.restore_session = value.get<bool>();
    return Outcome::kept;
}

// A number out of range leaves the setting as it is, but the change still counts as made: the
// file is written and every window rendered.
Outcome set_sleep_after(App& app, std::size_t /*window*/, const nlohmann::json& value) {
    store_number(app.store.settings.sleep_after_mins, value, {0, 1440});
    return Outcome::kept;
}

Outcome set_max_awake(App& app, std::size_t /*window*/, const nlohmann::json& value) {
    store_number(app.store.settings.max_awake_tabs, value, {1, 50});
    return Outcome::kept;
}

struct SettingKey {
    std::string_view key;
    Outcome (*apply)(App&, std::size_t, const nlohmann::json&);
};

constexpr std::array<SettingKey, 6> kSettingKeys{{
    {"search_engine", set_search_engine},
    {"block_trackers", set_block_trackers},
    {"https_only", set_https_only},
    {"restore_session", set_restore_session},
    {"sleep_after_mins", set_sleep_after},
    {"max_awake_tabs", set_max_awake},
}};

} // namespace

void apply_setting(App& app, std::size_t window, std::string_view key, nlohmann::json value) {
    const auto row = std::find_if(kSettingKeys.begin(), kSettingKeys.end(),
                                  [key](const SettingKey& each) { return each.key == key; });
    if (row == kSettingKeys.end() || row->apply(app, window, value) == Outcome::dropped) {
        return;
    }
    app.store.settings_dirty = true;
    flush_store(app.store);
    update_newtab_snapshot(app);
    for (std::size_t each = 0; each < app.windows.size(); ++each) {
        render(app, each);
    }
}

} // namespace corvane
