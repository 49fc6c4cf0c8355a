#pragma once

#include "platform/content_filter.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/network_process_watch.h"
#include "platform/network.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <webkit/webkit.h>

namespace corvane::platform::gtk {

// A WebKitNetworkSession with its downloads.
class GtkNetworkSession final : public NetworkSession {
public:
    explicit GtkNetworkSession(WebKitNetworkSession* session); // adopts the reference
    ~GtkNetworkSession() override;

    bool is_ephemeral() const override;
    void clear_website_data() override;

    WebKitNetworkSession* session() const { return session_.get(); }

private:
    struct Download;

    static void handle_download_started(WebKitNetworkSession*, WebKitDownload* download,
                                        gpointer self);
    static gboolean on_decide_destination(WebKitDownload* download, const char* suggested,
                                          gpointer data);
    static void on_download_failed(WebKitDownload* download, GError*, gpointer data);
    static void handle_download_finished(WebKitDownload* download, gpointer data);
    void end_download(Download& download, bool success);
    // The network process ended under the downloads still under way.
    void fail_orphaned_downloads();

    GObjectPtr<WebKitNetworkSession> session_;
    std::map<std::uint64_t, std::unique_ptr<Download>> downloads_;
    std::uint64_t next_download_ = 1;
    SignalConnection download_started_;
    NetworkProcessWatch network_watch_;
};

class GtkContentFilter final : public ContentFilter {
public:
    GtkContentFilter(std::string identifier, WebKitUserContentFilter* filter); // adopts
    ~GtkContentFilter() override;
    GtkContentFilter(const GtkContentFilter&) = delete;
    GtkContentFilter& operator=(const GtkContentFilter&) = delete;

    const std::string& identifier() const override { return identifier_; }
    WebKitUserContentFilter* filter() const { return filter_; }

private:
    std::string identifier_;
    WebKitUserContentFilter* filter_; // one reference, owned
};

class GtkContentFilterStore final : public ContentFilterStore {
public:
    explicit GtkContentFilterStore(const std::filesystem::path& folder);

    void lookup(const std::string& identifier, Completion done) override;
    void compile(const std::string& identifier, const std::string& rules_json,
                 Completion done) override;

private:
    static void on_loaded(GObject* source, GAsyncResult* result, gpointer data);
    static void on_saved(GObject* source, GAsyncResult* result, gpointer data);

    GObjectPtr<WebKitUserContentFilterStore> store_;
    Cancellable cancellable_;
};

} // namespace corvane::platform::gtk
