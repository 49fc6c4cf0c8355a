#include "store/store.h"

#include "store/data_folder.h"
#include "store/file_io.h"
#include "store/store_json.h"

#include <chrono>

namespace corvane {

namespace {

// A file that cannot be read or is refused leaves the default in place.
template <typename Value, typename Reader>
void load_file(const std::filesystem::path& path, Reader read, Value& into) {
    const auto text = read_regular_file(path);
    if (!text) {
        return;
    }
    if (auto value = read(*text)) {
        into = std::move(*value);
    }
}

void flush_one(bool& dirty, const std::filesystem::path& path, const std::string& text) {
    if (replace_file(path, text)) {
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
    load_file(dir / kSettingsFile, read_settings, store.settings);
    load_file(dir / kHistoryFile, read_history, store.history);
    load_file(dir / kBookmarksFile, read_bookmarks, store.bookmarks);
    load_file(dir / kSessionFile, read_session, store.session);
    return store;
}

void flush_store(Store& store) {
    if (store.settings_dirty) {
        flush_one(store.settings_dirty, store.dir / kSettingsFile, write_settings(store.settings));
    }
    if (store.history_dirty) {
        flush_one(store.history_dirty, store.dir / kHistoryFile, write_history(store.history));
    }
    if (store.bookmarks_dirty) {
        flush_one(store.bookmarks_dirty, store.dir / kBookmarksFile,
                  write_bookmarks(store.bookmarks));
    }
}

void save_session(Store& store, std::vector<SessionWindow> windows) {
    store.session = std::move(windows);
    replace_file(store.dir / kSessionFile, write_session(store.session));
}

} // namespace corvane
