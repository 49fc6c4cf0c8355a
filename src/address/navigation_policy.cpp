#include "address/navigation_policy.h"

#include "address/unicode_text.h"
#include "url/percent_encoding.h"

#include <array>

namespace corvane {
namespace {

constexpr std::size_t kMaxUrlBytes = 32768;

// The text before the first ":", or all of it when there is none, ASCII lower-cased.
std::string scheme_of(std::string_view url) {
    return text::ascii_lower(url.substr(0, url.find(':')));
}

template <std::size_t N>
bool is_one_of(std::string_view value, const std::array<std::string_view, N>& list) {
    for (std::string_view item : list) {
        if (item == value) {
            return true;
        }
    }
    return false;
}

constexpr std::array<std::string_view, 6> external_schemes{"mailto", "tel",      "sms",
                                                           "maps",   "facetime", "facetime-audio"};
constexpr std::array<std::string_view, 6> loadable_schemes{"http", "https", "about",
                                                           "blob", "data",  "file"};

} // namespace

bool is_external_scheme(std::string_view url) {
    std::string scheme = scheme_of(url);
    return !scheme.empty() && is_one_of(scheme, external_schemes);
}

bool is_blocked_url(std::string_view url) {
    if (url.size() > kMaxUrlBytes) {
        return true;
    }
    std::string scheme = scheme_of(url);
    if (scheme.empty()) {
        return true;
    }
    if (is_one_of(scheme, loadable_schemes)) {
        return false;
    }
    if (scheme == "corvane") {
        constexpr std::string_view newtab = "corvane://newtab/";
        return !text::ascii_lower(url.substr(0, newtab.size())).starts_with(newtab);
    }
    return true;
}

bool chrome_navigation_filter(std::string_view url) {
    return url.starts_with("corvane://ui/");
}

bool is_hand_over_address(std::string_view url) {
    constexpr std::string_view address = "corvane://newtab/go";
    const std::string head = text::ascii_lower(url.substr(0, address.size()));
    return head == address &&
           (url.size() == address.size() ||
            std::string_view("/?#").find(url[address.size()]) != std::string_view::npos);
}

std::optional<std::string> new_tab_page_typed_text(std::string_view url, std::string_view key) {
    const std::string prefix = "corvane://newtab/go?key=" + std::string(key) + "&q=";
    if (key.empty() || !url.starts_with(prefix)) {
        return std::nullopt;
    }
    std::string_view encoded = url.substr(prefix.size());
    return percent_decode(encoded.substr(0, encoded.find('#')));
}

} // namespace corvane
