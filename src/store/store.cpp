#include "store/store.h"

#include "store/data_folder.h"
#include "store/file_io.h"
#include "store/store_json.h"

#include <chrono>

namespace corvane {

namespace {

// A file that cannot be read or is refused leaves the default in place.
template <typename Value, typename Reader>
void load_file(Store& store, const char* name, Reader read, Value& into) {
    const std::filesystem::path path = store.dir / name;
    if (const auto text = read_regular_file(path)) {
        if (auto value = read(*text)) {
            into = std::move(*value);
            return;
        }
    }
    if (holds_regular_file(path)) {
        store.refused_files.insert(name);
    }
}

// Replaces the file, keeping a refused one aside first; false when nothing was replaced.
bool write_store_file(Store& store, const char* name, const std::string& text) {
    const std::filesystem::path path = store.dir / name;
    if (store.refused_files.contains(name)) {
        if (!keep_aside(path, store.clock())) {
            return false;
        }
        store.refused_files.erase(name);
    }
    return replace_file(path, text);
}

void flush_one(Store& store, bool& dirty, const char* name, const std::string& text) {
    if (write_store_file(store, name, text)) {
        dirty = false;
    }
}

} // namespace

std::uint64_t system_wall_clock() {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since_epoch).count();
    return seconds > 0 ? static_cast<std::uint64_t>(seconds) : 0;
}

Store load_store() {
    return load_store(choose_data_folder(data_folder_sources_from_process()));
}

Store load_store(const std::filesystem::path& dir, WallClock clock) {
    prepare_data_folder(dir);
    Store store;
    store.dir = dir;
    store.clock = std::move(clock);
    load_file(store, kSettingsFile, read_settings, store.settings);
    load_file(store, kHistoryFile, read_history, store.history);
    load_file(store, kBookmarksFile, read_bookmarks, store.bookmarks);
    load_file(store, kSessionFile, read_session, store.session);
    return store;
}

void flush_store(Store& store) {
    if (store.settings_dirty) {
        flush_one(store, store.settings_dirty, kSettingsFile, write_settings(store.settings));
    }
    if (store.history_dirty) {
        flush_one(store, store.history_dirty, kHistoryFile, write_history(store.history));
    }
    if (store.bookmarks_dirty) {
        flush_one(store, store.bookmarks_dirty, kBookmarksFile, write_bookmarks(store.bookmarks));
    }
}

void save_session(Store& store, std::vector<SessionWindow> windows) {
    store.session = std::move(windows);
    write_store_file(store, kSessionFile, write_session(store.session));
}

} // namespace corvane
