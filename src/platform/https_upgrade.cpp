#include "platform/https_upgrade.h"

#include <algorithm>
#include <utility>

namespace corvane::platform {

namespace {

bool is_http(std::string_view scheme) {
    constexpr std::string_view kHttp = "http";
    return std::ranges::equal(scheme, kHttp, [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

} // namespace

std::optional<HttpsDecision> HttpsUpgrader::navigation(const NavigationRequest& request) {
    if (!is_http(request.scheme)) {
        return std::nullopt;
    }
    HttpsDecision decision{request.url, {}};
    // A redirect to http of an upgraded load ends on that http page: upgrading it again could
    // loop for ever.
    if (!upgrade_ || request.redirect || http_hosts_.contains(request.host)) {
        return decision;
    }
    if (std::optional<std::string> target = upgrade_(request.url)) {
        decision.send_url = *target;
        attempts_[*target] = Attempt{request.url, request.host, request.post};
    }
    return decision;
}

void HttpsUpgrader::expect(const std::string& https_url, const std::string& http_url,
                           const std::string& host) {
    attempts_[https_url] = Attempt{http_url, host, false};
}

void HttpsUpgrader::answered(const std::string& url) {
    attempts_.erase(url);
}

bool HttpsUpgrader::report_load(LoadPhase phase, const std::string& url) {
    if (phase == LoadPhase::finished && drop_next_finish_) {
        // The end of a load that gave way to its http fallback.
        drop_next_finish_ = false;
        return false;
    }
    if (phase == LoadPhase::committed) {
        // A page is shown: no attempt before it can fail any more.
        attempts_.clear();
        if (url != given_up_http_ && url != given_up_https_) {
            given_up_http_.clear();
            given_up_https_.clear();
        }
    }
    return true;
}

void HttpsUpgrader::fall_back(const std::string& https_url) {
    auto attempt = attempts_.find(https_url);
    http_hosts_.insert(attempt->second.host);
    fallback_url_ = std::move(attempt->second.http_url);
    attempts_.erase(attempt);
    drop_next_finish_ = true;
}

FailedLoad HttpsUpgrader::failed(const std::string& url, LoadFailure why) {
    if (!given_up_https_.empty() && (url == given_up_http_ || url == given_up_https_)) {
        // The attempt the view stopped after its timeout; the fallback is already on its way.
        given_up_http_.clear();
        given_up_https_.clear();
        return FailedLoad::absorb;
    }
    auto attempt = attempts_.find(url);
    if (attempt == attempts_.end()) {
        // A stop or another navigation names the http URL of the attempt it ends.
        std::erase_if(attempts_, [&](const auto& entry) { return entry.second.http_url == url; });
        return FailedLoad::report;
    }
    if (why != LoadFailure::no_https) {
        attempts_.erase(attempt);
        return FailedLoad::report;
    }
    if (attempt->second.post) {
        // A form's body is never sent again, nor turned into a GET: the failure is shown, and
        // sending the form again goes over http.
        http_hosts_.insert(attempt->second.host);
        attempts_.erase(attempt);
        return FailedLoad::report;
    }
    fall_back(url);
    return FailedLoad::absorb_and_fall_back;
}

bool HttpsUpgrader::timed_out(const std::string& url) {
    auto attempt = attempts_.find(url);
    if (attempt == attempts_.end() || attempt->second.post) {
        return false;
    }
    given_up_http_ = attempt->second.http_url;
    given_up_https_ = url;
    // The fallback load cancels the attempt; the end of that is not a page's either.
    fall_back(url);
    return true;
}

std::string HttpsUpgrader::take_fallback() {
    return std::exchange(fallback_url_, {});
}

} // namespace corvane::platform
