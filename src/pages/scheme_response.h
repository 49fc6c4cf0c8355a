#pragma once

// The answers of the corvane scheme and the one place that turns them into responses with their
// headers. Kept free of the web engine: the platform hands the response to WebKit as it is.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace corvane {

// Static bytes (an embedded file or a fixed text) or a generated page.
using SchemeBody = std::variant<std::string_view, std::string>;

inline constexpr std::string_view kUiPolicy =
    "default-src 'none'; script-src corvane://ui; style-src corvane://ui; "
    "img-src corvane://ui https: data:; connect-src 'none'; frame-src 'none'; "
    "object-src 'none'; base-uri 'none'; form-action 'none'";
inline constexpr std::string_view kNewTabPolicy =
    "default-src 'none'; script-src corvane://newtab; style-src corvane://newtab; "
    "img-src corvane://newtab https: data:; connect-src 'none'; frame-ancestors 'none'; "
    "object-src 'none'; base-uri 'none'; form-action https:";
inline constexpr std::string_view kNotFoundPolicy = "default-src 'none'";

inline constexpr std::string_view kHtmlType = "text/html; charset=utf-8";
inline constexpr std::string_view kScriptType = "text/javascript; charset=utf-8";
inline constexpr std::string_view kStyleType = "text/css; charset=utf-8";
inline constexpr std::string_view kSvgType = "image/svg+xml";
inline constexpr std::string_view kPlainType = "text/plain";

// What a handler decided, before the headers are fixed.
struct SchemeAnswer {
    SchemeBody body;
    std::string_view content_type;
    std::string_view csp;
    std::uint16_t status = 200;
};

struct SchemeHeader {
    std::string_view name;
    std::string_view value;

    friend bool operator==(const SchemeHeader&, const SchemeHeader&) = default;
};

struct SchemeResponse {
    std::uint16_t status = 200;
    std::vector<SchemeHeader> headers; // in the order they are sent
    SchemeBody body;

    std::string_view body_view() const;
};

// status 404, "Not found" as plain text, policy "default-src 'none'".
SchemeAnswer not_found_answer();

// Adds Content-Type, Content-Security-Policy, X-Content-Type-Options, Referrer-Policy and
// Cache-Control, in that order. A status outside 100..999 cannot be sent: the answer is dropped
// and an empty 200 response without headers takes its place.
SchemeResponse build_scheme_response(SchemeAnswer answer);

} // namespace corvane
