#pragma once

// The user's data in memory: settings, history, bookmarks and the last saved session, loaded
// once at start-up and written back whole. Nothing here reports an error: unreadable files give
// defaults and failed writes are retried at the next flush. Main thread only.

#include "store/records.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace corvane {

// Wall-clock seconds since 1970; 0 for a clock set before 1970.
using WallClock = std::function<std::uint64_t()>;
std::uint64_t system_wall_clock();

inline constexpr const char* kSettingsFile = "settings.json";
inline constexpr const char* kHistoryFile = "history.json";
inline constexpr const char* kBookmarksFile = "bookmarks.json";
inline constexpr const char* kSessionFile = "session.json";

// Plain data: the browser core reads the fields directly and sets a dirty flag when it changes
// the matching data itself (settings changes, bookmark removal, the per-site Shield switch).
struct Store {
    std::filesystem::path dir;
    Settings settings;
    std::vector<HistoryEntry> history; // order rules in history.h
    std::vector<Bookmark> bookmarks;   // oldest first
    std::vector<SessionWindow> session;
    bool settings_dirty = false;
    bool history_dirty = false;
    bool bookmarks_dirty = false;
    // Files that exist but were refused or could not be read at loading; each is kept aside
    // (file_io.h keep_aside) before it is first replaced.
    std::set<std::string> refused_files;
    // "now" for visit and bookmark times; replaced in tests.
    WallClock clock = system_wall_clock;
};

// Finds the data folder (data_folder.h), prepares it and reads the four files. A file that is
// refused or cannot be read gives the default and stays on disk as it was.
Store load_store();
// The same on a given folder: created when missing and set to mode 0700, then read.
Store load_store(const std::filesystem::path& dir, WallClock clock = system_wall_clock);

// Writes settings, then history, then bookmarks, each only when its flag is set; a flag is
// cleared only when its file was written, so a failed write is tried again at the next flush.
// A refused file is kept aside first; while that fails, it is not replaced.
void flush_store(Store& store);

// Keeps `windows` as the session and writes "session.json" at once.
void save_session(Store& store, std::vector<SessionWindow> windows);

} // namespace corvane
