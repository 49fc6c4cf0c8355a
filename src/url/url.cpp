#include "url/url.h"

#include "url/ascii.h"

#include <array>

namespace corvane {
namespace {

struct SpecialScheme {
    std::string_view name;
    std::optional<std::uint16_t> port;
};

constexpr std::array<SpecialScheme, 6> special_schemes{{
    {"ftp", 21},
    {"file", std::nullopt},
    {"http", 80},
    {"https", 443},
    {"ws", 80},
    {"wss", 443},
}};

const SpecialScheme* find_special(std::string_view scheme) {
    for (const SpecialScheme& s : special_schemes) {
        if (s.name == scheme) {
            return &s;
        }
    }
    return nullptr;
}

bool is_scheme_byte(char c, bool first) {
    if (first) {
        return ascii::is_alpha(c);
    }
    return ascii::is_alpha(c) || ascii::is_digit(c) || c == '+' || c == '-' || c == '.';
}

// The scheme a setter value names: the text up to its first ":" (or all of it), lower-cased,
// with tabs and line breaks dropped; none when a byte may not stand in a scheme.
std::optional<std::string> scheme_from_setter(std::string_view value) {
    std::string scheme;
    for (char c : value) {
        if (c == '\t' || c == '\n' || c == '\r') {
            continue;
        }
        if (c == ':') {
            break;
        }
        if (!is_scheme_byte(c, scheme.empty())) {
            return std::nullopt;
        }
        scheme.push_back(ascii::to_lower(c));
    }
    if (scheme.empty()) {
        return std::nullopt;
    }
    return scheme;
}

} // namespace

bool is_special_scheme(std::string_view scheme) {
    return find_special(scheme) != nullptr;
}

std::optional<std::uint16_t> default_port(std::string_view scheme) {
    const SpecialScheme* special = find_special(scheme);
    return special ? special->port : std::nullopt;
}

bool Url::is_special() const {
    return is_special_scheme(scheme_);
}

std::optional<std::string> Url::host_str() const {
    if (!host_) {
        return std::nullopt;
    }
    return host_->serialize();
}

std::string Url::host() const {
    if (!host_) {
        return {};
    }
    std::string text = host_->serialize();
    if (port_) {
        text += ":" + std::to_string(*port_);
    }
    return text;
}

std::string Url::pathname() const {
    if (opaque_path_) {
        return path_.empty() ? std::string() : path_.front();
    }
    std::string text;
    for (const std::string& segment : path_) {
        text += "/";
        text += segment;
    }
    return text;
}

std::string Url::search() const {
    return (query_ && !query_->empty()) ? "?" + *query_ : std::string();
}

std::string Url::hash() const {
    return (fragment_ && !fragment_->empty()) ? "#" + *fragment_ : std::string();
}

std::string Url::href() const {
    std::string out = scheme_ + ":";
    if (host_) {
        out += "//";
        if (!username_.empty() || !password_.empty()) {
            out += username_;
            if (!password_.empty()) {
                out += ":" + password_;
            }
            out += "@";
        }
        out += host();
    } else if (!opaque_path_ && path_.size() > 1 && path_.front().empty()) {
        // Keeps "//" at the path's start from reading as an authority when parsed again.
        out += "/.";
    }
    out += pathname();
    if (query_) {
        out += "?" + *query_;
    }
    if (fragment_) {
        out += "#" + *fragment_;
    }
    return out;
}

std::string Url::origin() const {
    if (scheme_ == "blob") {
        std::optional<Url> inner = Url::parse(pathname());
        if (inner && (inner->scheme_ == "http" || inner->scheme_ == "https")) {
            return inner->origin();
        }
        return "null";
    }
    if (!is_special() || scheme_ == "file") {
        return "null";
    }
    return scheme_ + "://" + host();
}

bool Url::set_scheme(std::string_view value) {
    std::optional<std::string> scheme = scheme_from_setter(value);
    if (!scheme || is_special_scheme(*scheme) != is_special()) {
        return false;
    }
    bool has_credentials = !username_.empty() || !password_.empty();
    if (*scheme == "file" && (has_credentials || port_)) {
        return false;
    }
    if (scheme_ == "file" && host_ && host_->kind == HostKind::Empty) {
        return false;
    }
    scheme_ = std::move(*scheme);
    if (port_ && port_ == default_port(scheme_)) {
        port_.reset();
    }
    return true;
}

} // namespace corvane
