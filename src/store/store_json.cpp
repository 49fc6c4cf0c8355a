#include "store/store_json.h"

#include "json/compact_writer.h"
#include "json/record_reader.h"
#include <array>

namespace corvane {

using json::field;
using json::Json;
using json::OrderedJson;

// Record readers for the element types of lists. They live in this namespace, beside the
// records, so json::read_value of a list finds them.
static bool read_value(const Json& value, SessionTab& into);
static bool read_value(const Json& value, HistoryEntry& into);
static bool read_value(const Json& value, Bookmark& into);
static bool read_value(const Json& value, SessionWindow& into);

namespace {

constexpr std::array kSettingsFields{
    field<&Settings::search_engine>("search_engine"),
    field<&Settings::block_trackers>("block_trackers"),
    field<&Settings::https_only>("https_only"),
    field<&Settings::sleep_after_mins>("sleep_after_mins"),
    field<&Settings::max_awake_tabs>("max_awake_tabs"),
    field<&Settings::restore_session>("restore_session"),
    field<&Settings::shield_allowlist>("shield_allowlist"),
};

constexpr std::array kHistoryFields{
    field<&HistoryEntry::url>("url"),
    field<&HistoryEntry::title>("title"),
    field<&HistoryEntry::visits>("visits"),
    field<&HistoryEntry::last>("last"),
};

constexpr std::array kBookmarkFields{
    field<&Bookmark::url>("url"),
    field<&Bookmark::title>("title"),
    field<&Bookmark::added>("added"),
};

constexpr std::array kSessionTabFields{
    field<&SessionTab::url>("url"),
    field<&SessionTab::title>("title"),
};

constexpr std::array kSessionWindowFields{
    field<&SessionWindow::tabs>("tabs"),
    field<&SessionWindow::active>("active"),
};

std::optional<Json> parse_file(std::string_view text) {
    return json::parse_strict(text, json::kMaxDepth);
}

template <typename Record>
std::optional<std::vector<Record>> read_list(std::string_view text) {
    const auto value = parse_file(text);
    std::vector<Record> list;
    if (!value || !json::read_value(*value, list)) {
        return std::nullopt;
    }
    return list;
}

OrderedJson to_ordered(const SessionTab& tab) {
    return OrderedJson{{"url", tab.url}, {"title", tab.title}};
}

OrderedJson to_ordered(const HistoryEntry& entry) {
    return OrderedJson{
        {"url", entry.url}, {"title", entry.title}, {"visits", entry.visits}, {"last", entry.last}};
}

OrderedJson to_ordered(const Bookmark& bookmark) {
    return OrderedJson{{"url", bookmark.url}, {"title", bookmark.title}, {"added", bookmark.added}};
}

OrderedJson to_ordered(const SessionWindow& window);

template <typename Record>
OrderedJson list_to_ordered(const std::vector<Record>& list) {
    OrderedJson array = OrderedJson::array();
    array.get_ref<OrderedJson::array_t&>().reserve(list.size());
    for (const Record& record : list) {
        array.push_back(to_ordered(record));
    }
    return array;
}

OrderedJson to_ordered(const SessionWindow& window) {
    return OrderedJson{{"tabs", list_to_ordered(window.tabs)}, {"active", window.active}};
}

} // namespace

static bool read_value(const Json& value, SessionTab& into) {
    return json::read_record(value, kSessionTabFields, into, json::Missing::reject);
}
static bool read_value(const Json& value, HistoryEntry& into) {
    return json::read_record(value, kHistoryFields, into, json::Missing::reject);
}
static bool read_value(const Json& value, Bookmark& into) {
    return json::read_record(value, kBookmarkFields, into, json::Missing::reject);
}
static bool read_value(const Json& value, SessionWindow& into) {
    return json::read_record(value, kSessionWindowFields, into, json::Missing::reject);
}

std::string write_settings(const Settings& settings) {
    // Built member by member: OrderedJson keeps this order, which is the declaration order.
    OrderedJson object = OrderedJson::object();
    object["search_engine"] = settings.search_engine;
    object["block_trackers"] = settings.block_trackers;
    object["https_only"] = settings.https_only;
    object["sleep_after_mins"] = settings.sleep_after_mins;
    object["max_awake_tabs"] = settings.max_awake_tabs;
    object["restore_session"] = settings.restore_session;
    object["shield_allowlist"] = settings.shield_allowlist;
    return json::write_compact(object);
}

std::string write_history(const std::vector<HistoryEntry>& history) {
    return json::write_compact(list_to_ordered(history));
}

std::string write_bookmarks(const std::vector<Bookmark>& bookmarks) {
    return json::write_compact(list_to_ordered(bookmarks));
}

std::string write_session(const std::vector<SessionWindow>& session) {
    return json::write_compact(list_to_ordered(session));
}

std::optional<Settings> read_settings(std::string_view text) {
    const auto value = parse_file(text);
    Settings settings;
    if (!value ||
        !json::read_record(*value, kSettingsFields, settings, json::Missing::keep_default)) {
        return std::nullopt;
    }
    return settings;
}

std::optional<std::vector<HistoryEntry>> read_history(std::string_view text) {
    return read_list<HistoryEntry>(text);
}

std::optional<std::vector<Bookmark>> read_bookmarks(std::string_view text) {
    return read_list<Bookmark>(text);
}

std::optional<std::vector<SessionWindow>> read_session(std::string_view text) {
    return read_list<SessionWindow>(text);
}

nlohmann::json settings_to_json(const Settings& settings) {
    return nlohmann::json{
        {"search_engine", settings.search_engine},
        {"block_trackers", settings.block_trackers},
        {"https_only", settings.https_only},
        {"sleep_after_mins", settings.sleep_after_mins},
        {"max_awake_tabs", settings.max_awake_tabs},
        {"restore_session", settings.restore_session},
        {"shield_allowlist", settings.shield_allowlist},
    };
}

} // namespace corvane
