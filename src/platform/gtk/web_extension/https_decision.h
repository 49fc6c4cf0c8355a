#pragma once

// What the browser tells the web process extension of content tabs about HTTPS-Only, shared by
// both sides. A decision is a pair of texts: the http URL of a navigation the browser has allowed,
// and the https URL to send instead, empty to send it as it is.

namespace corvane::platform::gtk {

// The name of the message that carries one decision, of type "(ss)".
inline constexpr const char* kHttpsDecisionMessage = "https-decision";
// The type of the extension's initialization data: the decisions taken so far.
inline constexpr const char* kHttpsDecisionsType = "a(ss)";
// The file name of the extension in its folder.
inline constexpr const char* kWebExtensionFile = "libcorvane-web-extension.so";

} // namespace corvane::platform::gtk
