#pragma once

// A parsed absolute URL, as the URL Standard's basic URL parser builds it without a base, with
// its serialisation, components and origin.

#include "url/host.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class Url {
public:
    // Parses `input` (UTF-8; ill-formed sequences count as U+FFFD). None when the text is not an
    // absolute URL.
    static std::optional<Url> parse(std::string_view input);

    // The whole serialisation.
    std::string href() const;

    // The scheme without its ":", lower-cased.
    const std::string& scheme() const { return scheme_; }
    bool is_special() const;
    const std::string& username() const { return username_; }
    const std::string& password() const { return password_; }
    HostKind host_kind() const { return host_ ? host_->kind : HostKind::None; }
    // The serialised host without port: lower-cased and IDNA-encoded for special schemes, IPv6
    // in square brackets; none when the URL has no host.
    std::optional<std::string> host_str() const;
    const std::optional<Host>& host_record() const { return host_; }
    // None when the URL has no port or when it is the scheme's default port.
    std::optional<std::uint16_t> port() const { return port_; }
    bool has_opaque_path() const { return opaque_path_; }
    const std::optional<std::string>& query() const { return query_; }
    const std::optional<std::string>& fragment() const { return fragment_; }

    // The URL API's components ("" where the URL has none of it).
    std::string protocol() const { return scheme_ + ":"; }
    std::string host() const;
    std::string hostname() const { return host_str().value_or(""); }
    std::string port_text() const { return port_ ? std::to_string(*port_) : ""; }
    std::string pathname() const;
    std::string search() const;
    std::string hash() const;
    // The serialised origin, "null" for an opaque one.
    std::string origin() const;

    // The scheme setter of the URL API: refuses changes between special and non-special
    // schemes and the other changes the standard refuses; drops a port that becomes the
    // default. True when the scheme changed.
    bool set_scheme(std::string_view scheme);

    friend class UrlParser;

private:
    std::string scheme_;
    std::string username_;
    std::string password_;
    std::optional<Host> host_;
    std::optional<std::uint16_t> port_;
    bool opaque_path_ = false;
    std::vector<std::string> path_; // one item holding the whole path when it is opaque
    std::optional<std::string> query_;
    std::optional<std::string> fragment_;
};

// The scheme's default port (ftp, http, https, ws, wss), none for the others.
std::optional<std::uint16_t> default_port(std::string_view scheme);
bool is_special_scheme(std::string_view scheme);

} // namespace corvane
