#pragma once

// Calls from the core into the chrome and developer-tools pages: the script that runs a named
// function of the page's CV object with JSON arguments. Arguments are written compact, object
// members in ascending byte order of their keys, whole numbers as doubles keep ".0", non-finite
// numbers become null.

#include <array>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

// One argument as the page receives it.
std::string page_call_arg(const nlohmann::json& value);

// "window.CV&&CV.<function>(<args joined by ",">)": a no-op while the page has not defined CV.
std::string ui_page_script(std::string_view function, std::span<const nlohmann::json> args);

// "window.CV&&CV.<function>(": the start of every page call, for callers that write long
// arguments straight after it.
std::string ui_page_call_head(std::string_view function);

// ui_page_script with the arguments given in place: ui_page_call("toast", "Bookmarked").
template <typename... Args>
std::string ui_page_call(std::string_view function, const Args&... args) {
    const std::array<nlohmann::json, sizeof...(Args)> values{nlohmann::json(args)...};
    return ui_page_script(function, values);
}

} // namespace corvane
