#include "store/history.h"

#include <algorithm>
#include <limits>

namespace corvane {

namespace {

bool is_web_page(std::string_view url) {
    return url.starts_with("https://") || url.starts_with("http://");
}

template <typename Record>
typename std::vector<Record>::iterator find_url(std::vector<Record>& list, std::string_view url) {
    return std::find_if(list.begin(), list.end(),
                        [url](const Record& record) { return record.url == url; });
}

void enforce_history_cap(std::vector<HistoryEntry>& history) {
    std::stable_sort(history.begin(), history.end(),
                     [](const HistoryEntry& a, const HistoryEntry& b) { return a.last > b.last; });
    history.resize(kHistoryCap);
}

} // namespace

void record_visit(Store& store, std::string_view url, std::string_view title) {
    if (!is_web_page(url)) {
        return;
    }
    const std::uint64_t now = store.clock();
    auto& history = store.history;
    if (const auto entry = find_url(history, url); entry != history.end()) {
        if (entry->visits < std::numeric_limits<std::uint32_t>::max()) {
            ++entry->visits;
        }
        entry->last = now;
        if (!title.empty()) {
            entry->title = title;
        }
    } else {
        const std::size_t before = history.size();
        history.push_back({std::string(url), std::string(title), 1, now});
        if (before >= kHistoryCap) {
            enforce_history_cap(history);
        }
    }
    store.history_dirty = true;
}

void set_history_title(Store& store, std::string_view url, std::string_view title) {
    const auto entry = find_url(store.history, url);
    if (entry == store.history.end() || entry->title == title) {
        return;
    }
    entry->title = title;
    store.history_dirty = true;
}

void clear_history(Store& store) {
    store.history.clear();
    store.history_dirty = true;
}

bool toggle_bookmark(Store& store, std::string_view url, std::string_view title) {
    store.bookmarks_dirty = true;
    if (const auto found = find_url(store.bookmarks, url); found != store.bookmarks.end()) {
        store.bookmarks.erase(found);
        return false;
    }
    store.bookmarks.push_back({std::string(url), std::string(title), store.clock()});
    return true;
}

void remove_bookmark(std::vector<Bookmark>& bookmarks, std::string_view url) {
    std::erase_if(bookmarks, [url](const Bookmark& bookmark) { return bookmark.url == url; });
}

void remove_from_allowlist(std::vector<std::string>& allowlist, std::string_view host) {
    std::erase(allowlist, host);
}

} // namespace corvane
