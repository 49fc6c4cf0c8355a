#pragma once

// HTTPS-Only for one web view: which main-frame http response gives way to its https twin, and
// how a twin that fails falls back to the http URL. The view reports what WebKit told it and does
// what the answers say; nothing here touches WebKit.

#include "platform/web_view.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace corvane::platform {

// What a failed load means to the view.
enum class FailedLoad {
    report,              // not one of ours: the view reports it as usual
    absorb,              // the http load the view interrupted itself
    absorb_and_fall_back // the https twin failed: load take_fallback() on a later turn
};

class HttpsUpgrader {
public:
    explicit HttpsUpgrader(HttpsUpgrade upgrade) : upgrade_(std::move(upgrade)) {}

    bool enabled() const { return static_cast<bool>(upgrade_); }

    // A main-frame response to url (of that scheme and host): the https URL to load instead of
    // using it, or none to go on with it.
    std::optional<std::string> replace_response(std::string_view scheme, const std::string& host,
                                                const std::string& url);
    // A load event at url; false when the event closes a load that was replaced and must not be
    // reported.
    bool report_load(LoadPhase phase, const std::string& url);
    FailedLoad failed(const std::string& url);
    // The http URL a failed twin falls back to, once; empty when none waits.
    std::string take_fallback();

private:
    HttpsUpgrade upgrade_;
    // The http URL whose response was replaced, its host, and the https URL tried instead.
    std::string upgrade_from_;
    std::string upgrade_host_;
    std::string upgrade_to_;
    // Hosts whose https twin failed in this view: loaded over http from then on.
    std::set<std::string, std::less<>> http_hosts_;
    bool drop_next_finish_ = false;
    std::string fallback_url_;
};

} // namespace corvane::platform
