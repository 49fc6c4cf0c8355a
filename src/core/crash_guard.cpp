#include "core/crash_guard.h"

#include "pages/html_text.h"

#include <algorithm>

namespace corvane {

bool crashed_too_often(std::vector<Instant>& crashes, Instant now) {
    std::erase_if(crashes, [now](Instant when) { return when > now || now - when > kCrashSpan; });
    crashes.push_back(now);
    return crashes.size() >= kCrashesBeforeStop;
}

std::string crash_page_html(std::string_view title) {
    return "<!doctype html><meta charset=utf-8><meta name=color-scheme content='light dark'>"
           "<title>" +
           html_escape(title) +
           "</title><style>body{font:15px system-ui,sans-serif;max-width:34em;margin:18vh auto;"
           "padding:0 24px}h1{font-size:22px;font-weight:600}</style>"
           "<h1>This page keeps crashing</h1><p>Its process ended several times in a short while, "
           "so Corvane stopped reloading it. Reload the page to try again.</p>";
}

} // namespace corvane
