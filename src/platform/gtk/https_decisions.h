#pragma once

// The browser's side of the web process extension (web_extension/): it loads the extension
// into a web context's processes and hands them every HTTPS-Only decision, both to the processes
// running and, at their start, to those launched later (a cross-site navigation may move a tab to
// a new process after its navigation was decided).

#include <deque>
#include <string>
#include <utility>
#include <webkit/webkit.h>

namespace corvane::platform::gtk {

class HttpsDecisions {
public:
    // Loads the extension into the context's web processes from now on.
    static void attach(WebKitWebContext* context);
    // The context's decisions; null when attach was not called for it.
    static HttpsDecisions* of(WebKitWebContext* context);

    // The navigation to http_url goes out as send_url (empty: as it is) when it is a page's main
    // resource. Call before the navigation is allowed.
    void send(const std::string& http_url, const std::string& send_url);

private:
    explicit HttpsDecisions(WebKitWebContext* context) : context_(context) {}
    static void handle_initialize(WebKitWebContext* context, gpointer self);

    WebKitWebContext* context_;
    std::deque<std::pair<std::string, std::string>> recent_;
};

} // namespace corvane::platform::gtk
