#pragma once

// HTTPS-Only for one web view: which http navigations go out as https, and how an https attempt
// that finds no HTTPS falls back to the http URL, once. The view reports what WebKit told it and
// does what the answers say; nothing here touches WebKit.
//
// The engine cannot tell a main frame's navigation from a subframe's when it decides on it, so
// every http navigation gets a decision; the web process applies it only to a page's main
// resource, before the request leaves the machine. What follows (failure, answer, commit) is
// reported for the main frame only.

#include "platform/web_view.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace corvane::platform {

// A navigation about to be allowed.
struct NavigationRequest {
    std::string url;
    std::string scheme;
    std::string host;
    bool redirect = false; // a server's redirect of a load under way
    bool post = false;     // carries a form's body
};

// What the main resource of an http navigation is sent as.
struct HttpsDecision {
    std::string http_url;
    std::string send_url; // the https URL; empty to send the http URL as it is
};

// Why a load failed, as far as HTTPS-Only cares.
enum class LoadFailure {
    no_https,  // refused or reset connection, TLS handshake or certificate refused, no answer
    cancelled, // stopped, or given way to another navigation
    other      // anything else (name not resolved, ...): the page's to show
};

// What a failed load means to the view.
enum class FailedLoad {
    report,              // not one of ours: the view reports it as usual
    absorb,              // an attempt the view gave up itself
    absorb_and_fall_back // the https attempt found no HTTPS: load take_fallback() on a later turn
};

class HttpsUpgrader {
public:
    explicit HttpsUpgrader(HttpsUpgrade upgrade) : upgrade_(std::move(upgrade)) {}

    bool enabled() const { return static_cast<bool>(upgrade_); }

    // The decision for a navigation of a non-https scheme; none for other schemes.
    std::optional<HttpsDecision> navigation(const NavigationRequest& request);
    // The view loads https_url, which the browser chose for http_url itself (a typed address):
    // it falls back as an upgraded navigation does, even with HTTPS-Only off.
    void expect(const std::string& https_url, const std::string& http_url, const std::string& host);
    // The main frame got an answer from url: it has HTTPS, nothing falls back any more.
    void answered(const std::string& url);
    // A load event at url; false when the event closes a load the view gave up and must not be
    // reported.
    bool report_load(LoadPhase phase, const std::string& url);
    FailedLoad failed(const std::string& url, LoadFailure why);
    // The https attempt at url has had no answer for a while: true when the view should give it
    // up and load take_fallback() at once.
    bool timed_out(const std::string& url);
    // The http URL to fall back to, once; empty when none waits.
    std::string take_fallback();

private:
    struct Attempt {
        std::string http_url;
        std::string host;
        bool post = false;
    };

    // Gives up the attempt at https_url for lack of HTTPS: its host stays on http in this view.
    void fall_back(const std::string& https_url);

    HttpsUpgrade upgrade_;
    // Upgraded navigations without an answer yet, by their https URL.
    std::map<std::string, Attempt, std::less<>> attempts_;
    // Hosts whose https attempt found no HTTPS in this view: loaded over http from then on.
    std::set<std::string, std::less<>> http_hosts_;
    // The URLs of an attempt given up for a timeout, whose cancellation is not the page's.
    std::string given_up_http_;
    std::string given_up_https_;
    bool drop_next_finish_ = false;
    std::string fallback_url_;
};

} // namespace corvane::platform
