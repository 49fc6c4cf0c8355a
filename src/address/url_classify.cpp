#include "address/url_classify.h"

#include "address/address_input.h"
#include "address/unicode_text.h"

namespace corvane {
namespace {

bool is_local_ipv4(std::uint32_t address) {
    auto in = [address](std::uint32_t network, int prefix) {
        std::uint32_t mask = ~std::uint32_t{0} << (32 - prefix);
        return (address & mask) == network;
    };
    return in(0x0A000000, 8) || in(0x7F000000, 8) || in(0xA9FE0000, 16) || in(0xAC100000, 12) ||
           in(0xC0A80000, 16);
}

} // namespace

std::string_view security_state_name(SecurityState state) {
    switch (state) {
    case SecurityState::Secure:
        return "secure";
    case SecurityState::Insecure:
        return "insecure";
    case SecurityState::Local:
        return "local";
    case SecurityState::Internal:
        return "internal";
    case SecurityState::None:
        break;
    }
    return "none";
}

bool is_loopback_url(const Url& url) {
    const std::optional<Host>& host = url.host_record();
    if (!host) {
        return false;
    }
    switch (host->kind) {
    case HostKind::Domain:
    case HostKind::Opaque:
        return host->text == "localhost" || host->text.ends_with(".localhost");
    case HostKind::Ipv4:
        return (host->ipv4 >> 24) == 127;
    case HostKind::Ipv6:
        return host->ipv6 == Ipv6Address{0, 0, 0, 0, 0, 0, 0, 1};
    case HostKind::Empty:
    case HostKind::None:
        break;
    }
    return false;
}

bool is_local_url(const Url& url) {
    const std::optional<Host>& host = url.host_record();
    if (!host) {
        return false;
    }
    const bool domain = host->kind == HostKind::Domain || host->kind == HostKind::Opaque;
    return is_loopback_url(url) || (domain && host->text.ends_with(".local")) ||
           (host->kind == HostKind::Ipv4 && is_local_ipv4(host->ipv4));
}

Url upgrade_to_https(Url url) {
    if (!is_local_url(url)) {
        url.set_scheme("https");
    }
    return url;
}

SecurityState security_state(std::string_view url_text) {
    std::optional<Url> url = Url::parse(url_text);
    if (!url) {
        return SecurityState::None;
    }
    const std::string& scheme = url->scheme();
    if (scheme == "https") {
        return SecurityState::Secure;
    }
    if (scheme == "http") {
        return is_loopback_url(*url) ? SecurityState::Local : SecurityState::Insecure;
    }
    if (scheme == "file") {
        return SecurityState::Local;
    }
    if (scheme == "corvane") {
        return SecurityState::Internal;
    }
    return SecurityState::None;
}

std::string_view strip_www(std::string_view host) {
    while (host.starts_with("www.")) {
        host.remove_prefix(4);
    }
    return host;
}

std::string display_host(std::string_view url_text) {
    std::optional<Url> url = Url::parse(url_text);
    if (!url) {
        return {};
    }
    std::optional<std::string> host = url->host_str();
    return host ? std::string(strip_www(*host)) : std::string();
}

std::optional<std::string> favicon_url_ok(std::string_view text) {
    std::string_view trimmed = text::trim_white_space(text);
    if (trimmed.size() > kMaxTypedBytes) {
        return std::nullopt;
    }
    if (trimmed.starts_with("data:image/") && !trimmed.starts_with("data:image/svg")) {
        return std::string(trimmed);
    }
    std::optional<Url> url = Url::parse(trimmed);
    if (url && url->scheme() == "https") {
        return url->href();
    }
    return std::nullopt;
}

} // namespace corvane
