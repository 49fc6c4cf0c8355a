#include "address/address_input.h"

#include "address/ip_literal.h"
#include "address/search_engines.h"
#include "address/unicode_text.h"
#include "address/url_classify.h"
#include "url/url.h"

#include <algorithm>

namespace corvane {
namespace {

ResolvedInput blocked(std::string_view reason) {
    return {ResolvedInput::Kind::Blocked, std::string(reason), {}};
}

bool has_blocked_scheme(std::string_view trimmed) {
    std::string lowered = text::ascii_lower(trimmed.substr(0, 11));
    return lowered.starts_with("javascript:") || lowered.starts_with("data:") ||
           lowered.starts_with("vbscript:");
}

// A URL to load; with its http twin to fall back to when the browser chose https for it.
ResolvedInput url_input(std::string url, std::string http_fallback = {}) {
    return {ResolvedInput::Kind::Url, std::move(url), std::move(http_fallback)};
}

// A URL typed in full, for the schemes the address field opens.
std::optional<ResolvedInput> typed_url(std::string_view trimmed) {
    std::optional<Url> url = Url::parse(trimmed);
    if (!url) {
        return std::nullopt;
    }
    const std::string& scheme = url->scheme();
    if (scheme == "http") {
        Url upgraded = upgrade_to_https(*url);
        return upgraded.scheme() == "https" ? url_input(upgraded.href(), url->href())
                                            : url_input(url->href());
    }
    if (scheme == "https" || scheme == "about" || scheme == "file" || scheme == "corvane") {
        return url_input(url->href());
    }
    return std::nullopt;
}

// A bare host, opened over http when local and https otherwise.
std::optional<ResolvedInput> host_url(std::string_view trimmed) {
    if (!looks_like_host(trimmed)) {
        return std::nullopt;
    }
    const bool local = is_local_host(trimmed);
    std::optional<Url> url = Url::parse((local ? "http://" : "https://") + std::string(trimmed));
    if (!url || !url->host_str()) {
        return std::nullopt;
    }
    if (local) {
        return url_input(url->href());
    }
    std::optional<Url> http = Url::parse("http://" + std::string(trimmed));
    return url_input(url->href(), http ? http->href() : std::string());
}

// The host part of typed text: up to the first of `terminators`.
std::string_view host_part(std::string_view text, std::string_view terminators) {
    return text.substr(0, text.find_first_of(terminators));
}

bool is_ip_host(std::string_view host) {
    if (is_ipv4_literal(host) || is_ipv6_literal(host)) {
        return true;
    }
    // A bracketed IPv6 address, as URLs write it, is an address too.
    return host.size() > 2 && host.front() == '[' && host.back() == ']' &&
           is_ipv6_literal(host.substr(1, host.size() - 2));
}

// A single host-name label (letters, digits, hyphens) with a port typed after it, such as a
// machine on the local network: "devbox:8080/x".
bool is_label_with_port(std::string_view host) {
    std::size_t colon = host.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon + 1 == host.size()) {
        return false;
    }
    std::string_view label = host.substr(0, colon);
    std::string_view port = host.substr(colon + 1);
    return label.front() != '-' && label.back() != '-' &&
           label.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                   "0123456789-") == std::string_view::npos &&
           port.size() <= 5 && port.find_first_not_of("0123456789") == std::string_view::npos &&
           std::stoul(std::string(port)) <= 65535;
}

bool is_line_break(char c) {
    return c == '\n' || c == '\r';
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

// Each line break, with the blanks before it and the white space after it, as `joint`.
std::string join_lines(std::string_view text, std::string_view joint) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (!is_line_break(text[i])) {
            out += text[i++];
            continue;
        }
        while (!out.empty() && is_blank(out.back())) {
            out.pop_back();
        }
        while (i < text.size() && (is_line_break(text[i]) || is_blank(text[i]))) {
            ++i;
        }
        out += joint;
    }
    return out;
}

} // namespace

std::string settle_line_breaks(std::string_view text) {
    if (std::ranges::none_of(text, is_line_break)) {
        return std::string(text);
    }
    std::string joined = join_lines(text, "");
    if (resolve_input(joined, "").kind != ResolvedInput::Kind::Search) {
        return joined;
    }
    return join_lines(text, " ");
}

std::string file_url_for_path(std::string_view absolute_path) {
    // The URL parser encodes the rest; these three would end the path early.
    std::string url = "file://";
    for (const char c : absolute_path) {
        switch (c) {
        case '%':
            url += "%25";
            break;
        case '?':
            url += "%3F";
            break;
        case '#':
            url += "%23";
            break;
        default:
            url += c;
        }
    }
    return url;
}

ResolvedInput resolve_input(std::string_view text, std::string_view url_template) {
    if (std::ranges::any_of(text, is_line_break)) {
        return resolve_input(settle_line_breaks(text), url_template);
    }
    std::string_view trimmed = text::trim_white_space(text);
    if (trimmed.empty()) {
        return blocked("empty");
    }
    if (trimmed.size() > kMaxTypedBytes) {
        return blocked("too long");
    }
    if (has_blocked_scheme(trimmed)) {
        return blocked("blocked scheme");
    }
    // An absolute path is a file or folder of this machine, never a search: sending it to the
    // engine would hand a local file name to a third party.
    if (trimmed.starts_with('/')) {
        if (std::optional<Url> url = Url::parse(file_url_for_path(trimmed))) {
            return url_input(url->href());
        }
    }
    if (std::optional<ResolvedInput> url = typed_url(trimmed)) {
        return std::move(*url);
    }
    if (!text::contains_white_space(trimmed)) {
        if (std::optional<ResolvedInput> url = host_url(trimmed)) {
            return std::move(*url);
        }
    }
    return {ResolvedInput::Kind::Search, search_url(url_template, trimmed), {}};
}

bool looks_like_host(std::string_view text) {
    std::string_view host = host_part(text, "/?#");
    if (host.size() < text.size() && host.empty()) {
        return false;
    }
    if (is_local_host(text)) {
        return true;
    }
    // Text with an "@" before the path is an e-mail address or a mailto: text, never a host to
    // visit: read as a URL it would send the user to the mail domain with made-up credentials.
    if (host.find('@') != std::string_view::npos) {
        return false;
    }
    if (is_label_with_port(host)) {
        return true;
    }
    std::size_t colon = host.rfind(':');
    if (colon != std::string_view::npos &&
        host.find_first_not_of("0123456789", colon + 1) == std::string_view::npos) {
        host = host.substr(0, colon);
    }
    if (is_ip_host(host)) {
        return true;
    }
    std::size_t dot = host.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || host.size() - dot - 1 < 2) {
        return false;
    }
    std::string_view top_label = host.substr(dot + 1);
    return text::is_alphabetic(top_label) ||
           (top_label.size() >= 4 && top_label.starts_with("xn--"));
}

bool is_local_host(std::string_view text) {
    // Host names are case-insensitive: LOCALHOST is this machine too.
    const std::string host = text::ascii_lower(host_part(text, ":/?#"));
    if (host == "localhost" || host == "127.0.0.1" || host.ends_with(".localhost")) {
        return true;
    }
    if (!text.starts_with("[::1]")) {
        return false;
    }
    std::string_view rest = text.substr(5);
    return rest.empty() || rest[0] == ':' || rest[0] == '/' || rest[0] == '?' || rest[0] == '#';
}

std::vector<SessionTab> resolve_with_engine(const Settings& settings, std::string_view text) {
    ResolvedInput resolved = resolve_input(text, search_engine_url(settings.search_engine));
    if (resolved.kind == ResolvedInput::Kind::Blocked) {
        return {};
    }
    return {SessionTab{std::move(resolved.text), ""}};
}

} // namespace corvane
