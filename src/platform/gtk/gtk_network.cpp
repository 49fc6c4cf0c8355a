#include "platform/gtk/gtk_network.h"

#include "platform/download_path.h"
#include "platform/gtk/gtk_web_view.h"
#include "platform/gtk/script_bridge.h"

#include <algorithm>
#include <libsoup/soup.h>
#include <string_view>
#include <system_error>

namespace corvane::platform::gtk {

struct GtkNetworkSession::Download {
    std::uint64_t id = 0;
    GObjectPtr<WebKitDownload> download;
    std::string url;
    std::string destination;
    bool ended = false;
    std::vector<SignalConnection> connections;
    GtkNetworkSession* owner = nullptr; // the session that tracks this download
};

namespace {

// The suffix of the file WebKit writes a download to until it ends.
constexpr std::string_view kIntermediateMark = ".wkdownload";

std::filesystem::path download_folder() {
    const char* folder = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    if (folder != nullptr && *folder != '\0') {
        return folder;
    }
    return std::filesystem::path(g_get_home_dir()) / "Downloads";
}

// The body came with a Content-Encoding other than identity (gzip, br, ...).
bool is_encoded(WebKitURIResponse* response) {
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    const char* encoding =
        headers != nullptr ? soup_message_headers_get_one(headers, "Content-Encoding") : nullptr;
    return encoding != nullptr && *encoding != '\0' &&
           g_ascii_strcasecmp(encoding, "identity") != 0;
}

// A download the page may not start, or of a local device: refused before anything of it is
// read or written.
bool refused(WebKitDownload* download, const char* uri) {
    GtkWebView* view = GtkWebView::of(webkit_download_get_web_view(download));
    if (view == nullptr) {
        return names_local_device(uri);
    }
    return view->refuse_local_device(uri) || !view->admit_download(uri);
}

// What a download that did not end well leaves: WebKit's file under the final name (empty until
// the end) and the one it writes to. Both were named for this download alone.
void remove_leftovers(const std::string& destination) {
    if (destination.empty()) {
        return;
    }
    std::error_code error;
    std::filesystem::remove(destination, error);
    std::filesystem::remove(destination + std::string(kIntermediateMark), error);
}

} // namespace

GtkNetworkSession::GtkNetworkSession(WebKitNetworkSession* session)
    : session_(GObjectPtr<WebKitNetworkSession>::adopt(session)),
      download_started_(session, "download-started", as_callback(handle_download_started), this),
      network_watch_([this] { fail_orphaned_downloads(); }) {}

GtkNetworkSession::~GtkNetworkSession() {
    download_started_.disconnect();
    downloads_.clear();
}

bool GtkNetworkSession::is_ephemeral() const {
    return webkit_network_session_is_ephemeral(session_.get());
}

void GtkNetworkSession::clear_website_data() {
    WebKitWebsiteDataManager* manager =
        webkit_network_session_get_website_data_manager(session_.get());
    webkit_website_data_manager_clear(manager, WEBKIT_WEBSITE_DATA_ALL, 0, nullptr, nullptr,
                                      nullptr);
}

void GtkNetworkSession::handle_download_started(WebKitNetworkSession*, WebKitDownload* download,
                                                gpointer self) {
    auto* session = static_cast<GtkNetworkSession*>(self);
    // Ended downloads are let go here, outside their own signal emissions.
    std::erase_if(session->downloads_, [](const auto& item) { return item.second->ended; });
    WebKitURIRequest* request = webkit_download_get_request(download);
    const char* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
    if (refused(download, uri)) {
        // Before a destination is set WebKit writes nothing, and removes nothing of the user's.
        webkit_download_cancel(download);
        return;
    }
    session->network_watch_.refresh();
    auto entry = std::make_unique<Download>();
    entry->id = session->next_download_++;
    entry->download = GObjectPtr<WebKitDownload>::retain(download);
    entry->owner = session;
    entry->url = uri != nullptr ? uri : "";
    Download* raw = entry.get();
    entry->connections.emplace_back(download, "decide-destination",
                                    as_callback(on_decide_destination), raw);
    entry->connections.emplace_back(download, "failed", as_callback(on_download_failed), raw);
    entry->connections.emplace_back(download, "finished", as_callback(handle_download_finished),
                                    raw);
    session->downloads_.emplace(raw->id, std::move(entry));
}

gboolean GtkNetworkSession::on_decide_destination(WebKitDownload* download, const char* suggested,
                                                  gpointer data) {
    auto* entry = static_cast<Download*>(data);
    std::filesystem::path folder = download_folder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // WebKit deletes a file already at the destination, so never name one that exists. It
    // writes to the name with its own mark added, which must fit the file system too.
    const std::size_t limit = longest_file_name(folder);
    const std::size_t longest = limit - std::min(limit, kIntermediateMark.size());
    std::filesystem::path path =
        unique_download_path(folder, suggested != nullptr ? suggested : "", longest);
    entry->destination = path.string();
    webkit_download_set_allow_overwrite(download, FALSE);
    webkit_download_set_destination(download, entry->destination.c_str());
    GtkNetworkSession* session = entry->owner;
    if (session->on_download_started) {
        WebKitWebView* view = webkit_download_get_web_view(download);
        const char* label =
            view != nullptr
                ? static_cast<const char*>(g_object_get_data(G_OBJECT(view), kViewLabelKey))
                : nullptr;
        session->on_download_started(DownloadStart{entry->id, entry->url, entry->destination,
                                                   label != nullptr ? label : ""});
    }
    return TRUE;
}

void GtkNetworkSession::on_download_failed(WebKitDownload*, GError*, gpointer data) {
    auto* entry = static_cast<Download*>(data);
    entry->owner->end_download(*entry, false);
}

void GtkNetworkSession::handle_download_finished(WebKitDownload* download, gpointer data) {
    auto* entry = static_cast<Download*>(data);
    // "finished" also follows "failed"; the first end counts.
    if (entry->ended) {
        return;
    }
    // WebKit reports a body the server cut short as finished and keeps what arrived under the
    // final name; a file that is less than the response announced is a failure, and goes (with
    // the other leftovers of a failure). An encoded body announces its encoded length, which the
    // decoded bytes received do not match.
    WebKitURIResponse* response = webkit_download_get_response(download);
    const guint64 announced = response != nullptr && !is_encoded(response)
                                  ? webkit_uri_response_get_content_length(response)
                                  : 0;
    const bool complete =
        announced == 0 || webkit_download_get_received_data_length(download) >= announced;
    entry->owner->end_download(*entry, complete);
}

void GtkNetworkSession::fail_orphaned_downloads() {
    for (auto& [id, download] : downloads_) {
        if (!download->ended) {
            // WebKit may still speak of it later; it has ended here.
            download->connections.clear();
            end_download(*download, false);
        }
    }
}

void GtkNetworkSession::end_download(Download& download, bool success) {
    if (download.ended) {
        return;
    }
    download.ended = true;
    if (!success) {
        remove_leftovers(download.destination);
    }
    DownloadEnd end{download.id, download.url, download.destination, success};
    if (on_download_finished) {
        on_download_finished(end);
    }
}

} // namespace corvane::platform::gtk
