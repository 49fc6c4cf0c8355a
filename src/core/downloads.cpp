#include "core/downloads.h"

#include "core/page_calls.h"
#include "core/page_text.h"
#include "core/windows.h"

#include <cstdio>

namespace corvane {

namespace {

// The engine writes the origin itself; this marks the file as downloaded from the internet.
constexpr const char* kQuarantineAttribute = "user.com.apple.quarantine";

void toast_current_window(App& app, const std::string& text) {
    if (const std::optional<std::size_t> window = current_window_index(app)) {
        show_toast(app.windows, *window, text);
    }
}

// The reason words of a refusal's toast.
std::string_view refusal_reason(platform::Refusal what) {
    switch (what) {
    case platform::Refusal::download_unasked:
        return "automatic download";
    case platform::Refusal::not_a_file:
        return "not a regular file";
    }
    return "";
}

} // namespace

std::string download_file_name(std::string_view path) {
    std::string_view last;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty() && part != ".") {
            last = part;
        }
        start = end + 1;
    }
    if (last == "..") {
        return {};
    }
    // Only invalid sequences change; no character is dropped.
    return sanitize_utf8(last);
}

std::string quarantine_value(std::uint64_t seconds) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(seconds));
    return std::string("0083;") + hex + ";Corvane;";
}

void handle_download_started(App& app, const event::DownloadStarted& started) {
    app.downloads.push_back({started.url, started.path, "active"});
    toast_current_window(app, "Downloading " + download_file_name(started.path));
}

void handle_download_finished(App& app, const event::DownloadFinished& finished) {
    Download* record = nullptr;
    for (auto it = app.downloads.rbegin(); it != app.downloads.rend(); ++it) {
        if (it->url == finished.url && it->state == "active") {
            record = &*it;
            break;
        }
    }
    if (record == nullptr) {
        return;
    }
    record->state = finished.success ? "done" : "failed";
    if (finished.success && record->path.find('\0') == std::string::npos) {
        app.platform->system().set_extended_attribute(record->path, kQuarantineAttribute,
                                                      quarantine_value(app.store.clock()));
    }
    app.downloads_unseen = true;
    const std::string name = download_file_name(record->path);
    toast_current_window(app, (finished.success ? "Downloaded " : "Download failed: ") + name);
    for (std::size_t window = 0; window < app.windows.size(); ++window) {
        render(app, window);
    }
}

void handle_page_refused(App& app, const event::PageRefused& refused) {
    if (const std::optional<TabLocation> where = find_tab_view(app, refused.tab, refused.view)) {
        show_toast(app.windows, where->window,
                   "Blocked: " + std::string(refusal_reason(refused.what)));
    }
}

} // namespace corvane
