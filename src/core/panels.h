#pragma once

// The data of the chrome page's popovers and sheets, sent when the page opens one.

#include "core/app.h"

#include "json/compact_writer.h"
#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The text the about sheet shows for the engine.
inline constexpr std::string_view kEngineDescription = "WebKitGTK (system engine)";

// The history panel shows this many of the most recent entries.
inline constexpr std::size_t kHistoryPanelLimit = 1500;

// Calls the page function panel with the name and the data of that panel; a name that is not
// one of the seven panels gets no answer. Opening the downloads panel clears the downloads dot
// of every window first.
void send_panel(App& app, std::size_t window, std::string_view name);

// The panels' item lists, each item an object with its keys in byte order. The two that can be
// long are written straight into the page call's text.
// The most recent entries first (equal times in stored order), at most kHistoryPanelLimit.
void history_json(json::RecordWriter& out, const std::vector<HistoryEntry>& history);
// Newest first.
void bookmarks_json(json::RecordWriter& out, const std::vector<Bookmark>& bookmarks);
// Newest first: an item's position is the index revealDownload sends back.
nlohmann::json downloads_json(const std::vector<Download>& downloads);
// The search engines in table order, each with its id and name.
nlohmann::json engines_json();

} // namespace corvane
