#pragma once

// The records the store keeps in its four files. Times are whole seconds since 1970 (UTC).

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// Fields in the order they are written to "settings.json".
struct Settings {
    // Kept as the file holds it; an unknown engine id is resolved by its readers.
    std::string search_engine = "duckduckgo";
    bool block_trackers = true;
    bool https_only = true;
    std::uint32_t sleep_after_mins = 10;
    std::uint32_t max_awake_tabs = 6;
    bool restore_session = true;
    // Hosts for which the Shield is switched off.
    std::vector<std::string> shield_allowlist;

    bool operator==(const Settings&) const = default;
};

struct HistoryEntry {
    std::string url; // identity, compared byte for byte
    std::string title;
    std::uint32_t visits = 0;
    std::uint64_t last = 0;

    bool operator==(const HistoryEntry&) const = default;
};

struct Bookmark {
    std::string url; // identity, compared byte for byte
    std::string title;
    std::uint64_t added = 0;

    bool operator==(const Bookmark&) const = default;
};

struct SessionTab {
    std::string url;
    std::string title;

    bool operator==(const SessionTab&) const = default;
};

struct SessionWindow {
    std::vector<SessionTab> tabs;
    // Index of the active tab as the window held it; may lie beyond the last tab.
    std::uint64_t active = 0;

    bool operator==(const SessionWindow&) const = default;
};

} // namespace corvane
