#pragma once

// The text of the four store files, and the settings object of the settings panel.
//
// Writing: compact JSON, members in declaration order, an empty list as "[]".
// Reading: one strict JSON value (json/strict_reader.h); a record may be an object (unknown
// members skipped, every field required) or an array of its fields in declaration order of
// exact length. Settings keys are all optional, each falling back to its own default; a settings
// array may hold 0 to 7 values. A file with any refused value gives std::nullopt as a whole: no
// setting of it is kept and one bad record empties its whole list.

#include "store/records.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

std::string write_settings(const Settings& settings);
std::string write_history(const std::vector<HistoryEntry>& history);
std::string write_bookmarks(const std::vector<Bookmark>& bookmarks);
std::string write_session(const std::vector<SessionWindow>& session);

std::optional<Settings> read_settings(std::string_view text);
std::optional<std::vector<HistoryEntry>> read_history(std::string_view text);
std::optional<std::vector<Bookmark>> read_bookmarks(std::string_view text);
std::optional<std::vector<SessionWindow>> read_session(std::string_view text);

// All seven settings with the JSON types they have in "settings.json". As a key-ordered value
// it is written with its keys in byte order.
nlohmann::json settings_to_json(const Settings& settings);

} // namespace corvane
