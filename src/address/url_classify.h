#pragma once

// Small URL classifiers the core shares: local hosts, how secure a page is, which host to show
// and which favicon URLs to accept.

#include "url/url.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

enum class SecurityState { Secure, Insecure, Local, Internal, None };

// "secure", "insecure", "local", "internal" or "none".
std::string_view security_state_name(SecurityState state);

// True for localhost and names under .localhost or .local, the IPv4 loopback, private and
// link-local ranges, and ::1.
bool is_local_url(const Url& url);

// True for localhost and names under .localhost, the IPv4 loopback range and ::1: hosts whose
// traffic never leaves the machine.
bool is_loopback_url(const Url& url);

// The URL with its scheme set to https, unless it is local (or the scheme cannot change).
Url upgrade_to_https(Url url);

// https secure; http local on a loopback host, else insecure (on the local network too, where
// it travels in clear text); file local; corvane internal; anything else none.
SecurityState security_state(std::string_view url_text);

// The URL's host without any leading "www." labels; empty when the text does not parse or has
// no host.
std::string display_host(std::string_view url_text);

// The favicon URL to use: an https URL (serialised) or a data image other than SVG (as given);
// none for anything else.
std::optional<std::string> favicon_url_ok(std::string_view text);

// `host` without every leading "www.".
std::string_view strip_www(std::string_view host);

} // namespace corvane
