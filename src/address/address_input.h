#pragma once

// What the user types into the address field (or a suggestion row, a command-line argument or
// the chrome page hands over), turned into something to load.

#include "store/records.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct ResolvedInput {
    enum class Kind { Url, Search, Blocked };

    Kind kind = Kind::Blocked;
    // The URL to load (Url), the search URL (Search) or the reason: "empty", "too long" or
    // "blocked scheme" (Blocked).
    std::string text;
    // A Url the browser turned to https itself (a typed http URL or a bare host that is not
    // local): the http URL to load once instead when the site turns out to have no HTTPS.
    std::string http_fallback;

    bool operator==(const ResolvedInput&) const = default;
};

// Typed text longer than this many bytes is refused.
inline constexpr std::size_t kMaxTypedBytes = 8192;

// Text with line breaks (pasted from a mail or a terminal) as it is opened: the breaks go, with
// the blanks around them, unless the text then is a search (a URL wrapped over lines opens
// whole, a script URL stays refused); in a search each becomes one space. Text without line
// breaks comes back as it is.
std::string settle_line_breaks(std::string_view text);

// A URL, a host to open, or a search with `url_template`; line breaks settled first.
ResolvedInput resolve_input(std::string_view text, std::string_view url_template);

// The file URL of an absolute path, before the URL parser's own encoding.
std::string file_url_for_path(std::string_view absolute_path);

// True for typed text that reads as a host with an optional port and path: a local host, an IP
// address, a name whose top-level label is alphabetic or Punycode, or a single label followed by
// a port.
bool looks_like_host(std::string_view text);

// True for typed text naming this machine: localhost, a name under .localhost (in any case),
// 127.0.0.1 or [::1].
bool is_local_host(std::string_view text);

// The text resolved with the engine the settings name: one tab with an empty title, or none
// when the text is refused.
std::vector<SessionTab> resolve_with_engine(const Settings& settings, std::string_view text);

} // namespace corvane
