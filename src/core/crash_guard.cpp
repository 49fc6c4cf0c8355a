#include "core/crash_guard.h"

#include "pages/html_text.h"

#include <algorithm>

namespace corvane {

bool crashed_too_often(std::vector<Instant>& crashes, Instant now) {
    std::erase_if(crashes, [now](Instant when) { return when > now || now - when > kCrashSpan; });
    crashes.push_back(now);
    return crashes.size() >= kCrashesBeforeStop;
}

namespace {

// heading and text are markup.
std::string ended_page_html(std::string_view title, std::string_view heading,
                            std::string_view text) {
    return "<!doctype html><meta charset=utf-8><meta name=color-scheme content='light dark'>"
           "<title>" +
           html_escape(title) +
           "</title><style>body{font:15px system-ui,sans-serif;max-width:34em;margin:18vh auto;"
           "padding:0 24px}h1{font-size:22px;font-weight:600}</style><h1>" +
           std::string(heading) + "</h1><p>" + std::string(text) + "</p>";
}

} // namespace

std::string crash_page_html(std::string_view title) {
    return ended_page_html(title, "This page keeps crashing",
                           "Its process ended several times in a short while, so Corvane "
                           "stopped reloading it. Reload the page to try again.");
}

std::string stopped_page_html(std::string_view title) {
    return ended_page_html(title, "This page stopped responding",
                           "Corvane ended it when you stopped it. Reload the page to try again.");
}

} // namespace corvane
