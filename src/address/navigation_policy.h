#pragma once

// Which addresses a web view may load. All three look only at the text and never fail.

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Addresses that belong to other applications (mail, telephone, messages, maps, video calls).
bool is_external_scheme(std::string_view url);

// True when a content tab must not load the address: longer than 32,768 bytes, no scheme, a
// scheme outside http, https, about, blob, data and file, or a browser page other than the new
// tab page.
bool is_blocked_url(std::string_view url);

// True for the address the new tab page hands typed text over with ("corvane://newtab/go"),
// whatever follows it. Nothing loads it: the browser answers in the page's place, or refuses.
bool is_hand_over_address(std::string_view url);

// The text typed into the new tab page's search field, when the address is the one that page
// hands it over with and carries its key ("corvane://newtab/go?key=", the key, "&q=" and the
// encoded text); none for any other, and for every address when the key is empty.
std::optional<std::string> new_tab_page_typed_text(std::string_view url, std::string_view key);

// True when the chrome or developer-tools view may load the address: the browser's own UI pages
// only.
bool chrome_navigation_filter(std::string_view url);

} // namespace corvane
