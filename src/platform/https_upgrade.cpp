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

std::optional<std::string> HttpsUpgrader::replace_response(std::string_view scheme,
                                                           const std::string& host,
                                                           const std::string& url) {
    if (!upgrade_ || !is_http(scheme) || http_hosts_.contains(host)) {
        return std::nullopt;
    }
    std::optional<std::string> target = upgrade_(url);
    if (target) {
        upgrade_from_ = url;
        upgrade_host_ = host;
        upgrade_to_ = *target;
    }
    return target;
}

bool HttpsUpgrader::report_load(LoadPhase phase, const std::string& url) {
    if (phase == LoadPhase::finished && drop_next_finish_) {
        // The end of a load that was replaced by its https or http twin.
        drop_next_finish_ = false;
        return false;
    }
    if (phase == LoadPhase::started && url != upgrade_from_ && url != upgrade_to_) {
        upgrade_from_.clear();
        upgrade_host_.clear();
        upgrade_to_.clear();
    }
    return true;
}

FailedLoad HttpsUpgrader::failed(const std::string& url) {
    if (!upgrade_from_.empty() && url == upgrade_from_) {
        drop_next_finish_ = true;
        return FailedLoad::absorb;
    }
    if (upgrade_to_.empty() || url != upgrade_to_) {
        return FailedLoad::report;
    }
    http_hosts_.insert(upgrade_host_);
    // The fallback is a load of its own: if it fails too, that failure is the page's to show,
    // not the interrupted load's to swallow (which would also hide its end from the tab).
    fallback_url_ = std::exchange(upgrade_from_, {});
    upgrade_host_.clear();
    upgrade_to_.clear();
    drop_next_finish_ = true;
    return FailedLoad::absorb_and_fall_back;
}

std::string HttpsUpgrader::take_fallback() {
    return std::exchange(fallback_url_, {});
}

} // namespace corvane::platform
