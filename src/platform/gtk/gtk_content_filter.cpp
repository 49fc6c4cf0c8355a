#include "platform/gtk/gtk_network.h"

#include <memory>

namespace corvane::platform::gtk {

namespace {

struct PendingFilter {
    std::string identifier;
    ContentFilterStore::Completion done;
};

using FinishFilter = WebKitUserContentFilter* (*)(WebKitUserContentFilterStore*, GAsyncResult*,
                                                  GError**);

void finish(GObject* source, GAsyncResult* result, gpointer data, FinishFilter finish_call) {
    std::unique_ptr<PendingFilter> pending(static_cast<PendingFilter*>(data));
    g_autoptr(GError) error = nullptr;
    WebKitUserContentFilter* filter =
        finish_call(WEBKIT_USER_CONTENT_FILTER_STORE(source), result, &error);
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
        if (filter != nullptr) {
            webkit_user_content_filter_unref(filter);
        }
        return;
    }
    std::shared_ptr<ContentFilter> list;
    if (filter != nullptr) {
        list = std::make_shared<GtkContentFilter>(pending->identifier, filter);
    }
    if (pending->done) {
        pending->done(std::move(list));
    }
}

} // namespace

GtkContentFilter::GtkContentFilter(std::string identifier, WebKitUserContentFilter* filter)
    : identifier_(std::move(identifier)), filter_(filter) {}

GtkContentFilter::~GtkContentFilter() {
    webkit_user_content_filter_unref(filter_);
}

GtkContentFilterStore::GtkContentFilterStore(const std::filesystem::path& folder)
    : store_(GObjectPtr<WebKitUserContentFilterStore>::adopt(
          webkit_user_content_filter_store_new(folder.c_str()))) {}

void GtkContentFilterStore::lookup(const std::string& identifier, Completion done) {
    webkit_user_content_filter_store_load(store_.get(), identifier.c_str(), cancellable_.get(),
                                          on_loaded,
                                          new PendingFilter{identifier, std::move(done)});
}

void GtkContentFilterStore::compile(const std::string& identifier, const std::string& rules_json,
                                    Completion done) {
    g_autoptr(GBytes) source = g_bytes_new(rules_json.data(), rules_json.size());
    webkit_user_content_filter_store_save(store_.get(), identifier.c_str(), source,
                                          cancellable_.get(), on_saved,
                                          new PendingFilter{identifier, std::move(done)});
}

void GtkContentFilterStore::on_loaded(GObject* source, GAsyncResult* result, gpointer data) {
    finish(source, result, data, webkit_user_content_filter_store_load_finish);
}

void GtkContentFilterStore::on_saved(GObject* source, GAsyncResult* result, gpointer data) {
    finish(source, result, data, webkit_user_content_filter_store_save_finish);
}

} // namespace corvane::platform::gtk
