#include "store/store_json.h"

#include "json/compact_writer.h"
#include "json/record_reader.h"
#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

using json::field;
using json::Node;

// Record readers for the element types of lists. They live in this namespace, beside the
// records, so json::read_value of a list finds them.
static bool read_value(Node value, SessionTab& into);
static bool read_value(Node value, HistoryEntry& into);
static bool read_value(Node value, Bookmark& into);
static bool read_value(Node value, SessionWindow& into);

namespace {

void write_value(json::RecordWriter& out, const std::string& text) {
    out.string(text);
}
void write_value(json::RecordWriter& out, bool flag) {
    out.boolean(flag);
}
void write_value(json::RecordWriter& out, std::uint32_t number) {
    out.number(number);
}
void write_value(json::RecordWriter& out, const std::vector<std::string>& list) {
    out.begin_array();
    for (const std::string& text : list) {
        out.string(text);
    }
    out.end_array();
}

// One row per setting: how it is read, written to "settings.json" and given to the settings
// panel.
struct SettingField {
    json::Field<Settings> field;
    void (*write)(json::RecordWriter& out, const Settings& settings);
    nlohmann::json (*value)(const Settings& settings);
};

template <auto Member>
constexpr SettingField setting(std::string_view key) {
    return {field<Member>(key),
            [](json::RecordWriter& out, const Settings& settings) {
                write_value(out, settings.*Member);
            },
            [](const Settings& settings) {
                return nlohmann::json(settings.*Member);
            }};
}

// In declaration order, which is the order of the file.
constexpr std::array kSettings{
    setting<&Settings::search_engine>("search_engine"),
    setting<&Settings::block_trackers>("block_trackers"),
    setting<&Settings::https_only>("https_only"),
    setting<&Settings::sleep_after_mins>("sleep_after_mins"),
    setting<&Settings::max_awake_tabs>("max_awake_tabs"),
    setting<&Settings::restore_session>("restore_session"),
    setting<&Settings::shield_allowlist>("shield_allowlist"),
};

constexpr auto kSettingsFields = [] {
    std::array<json::Field<Settings>, kSettings.size()> fields{};
    for (std::size_t i = 0; i < kSettings.size(); ++i) {
        fields[i] = kSettings[i].field;
    }
    return fields;
}();

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

// The records are read straight from the parsed text, without a Json tree in between.
std::optional<json::Document> parse_file(std::string_view text) {
    return json::parse_document(text, json::kMaxDepth);
}

template <typename Record>
std::optional<std::vector<Record>> read_list(std::string_view text) {
    const auto document = parse_file(text);
    std::vector<Record> list;
    if (!document || !json::read_value(document->root(), list)) {
        return std::nullopt;
    }
    return list;
}

void write_record(json::RecordWriter& out, const SessionTab& tab) {
    out.begin_object().key("url").string(tab.url).key("title").string(tab.title).end_object();
}

void write_record(json::RecordWriter& out, const HistoryEntry& entry) {
    out.begin_object().key("url").string(entry.url).key("title").string(entry.title);
    out.key("visits").number(entry.visits).key("last").number(entry.last).end_object();
}

void write_record(json::RecordWriter& out, const Bookmark& bookmark) {
    out.begin_object().key("url").string(bookmark.url).key("title").string(bookmark.title);
    out.key("added").number(bookmark.added).end_object();
}

void write_record(json::RecordWriter& out, const SessionWindow& window);

template <typename Record>
void write_list(json::RecordWriter& out, const std::vector<Record>& list) {
    out.begin_array();
    for (const Record& record : list) {
        write_record(out, record);
    }
    out.end_array();
}

void write_record(json::RecordWriter& out, const SessionWindow& window) {
    out.begin_object().key("tabs");
    write_list(out, window.tabs);
    out.key("active").number(window.active).end_object();
}

template <typename Record>
std::string list_text(const std::vector<Record>& list) {
    json::RecordWriter out;
    write_list(out, list);
    return out.take();
}

} // namespace

static bool read_value(Node value, SessionTab& into) {
    return json::read_record(value, kSessionTabFields, into, json::Missing::reject);
}
static bool read_value(Node value, HistoryEntry& into) {
    return json::read_record(value, kHistoryFields, into, json::Missing::reject);
}
static bool read_value(Node value, Bookmark& into) {
    return json::read_record(value, kBookmarkFields, into, json::Missing::reject);
}
static bool read_value(Node value, SessionWindow& into) {
    return json::read_record(value, kSessionWindowFields, into, json::Missing::reject);
}

std::string write_settings(const Settings& settings) {
    json::RecordWriter out;
    out.begin_object();
    for (const SettingField& row : kSettings) {
        out.key(row.field.key);
        row.write(out, settings);
    }
    out.end_object();
    return out.take();
}

std::string write_history(const std::vector<HistoryEntry>& history) {
    return list_text(history);
}

std::string write_bookmarks(const std::vector<Bookmark>& bookmarks) {
    return list_text(bookmarks);
}

std::string write_session(const std::vector<SessionWindow>& session) {
    return list_text(session);
}

std::optional<Settings> read_settings(std::string_view text) {
    const auto document = parse_file(text);
    Settings settings;
    if (!document || !json::read_record(document->root(), kSettingsFields, settings,
                                        json::Missing::keep_default)) {
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
    nlohmann::json object = nlohmann::json::object();
    for (const SettingField& row : kSettings) {
        object[std::string(row.field.key)] = row.value(settings);
    }
    return object;
}

} // namespace corvane
