#include "core/window_title.h"

#include "core/page_text.h"
#include "url/percent_encoding.h"
#include "url/url.h"

namespace corvane {

std::string file_url_name(std::string_view url) {
    const std::optional<Url> parsed = Url::parse(url);
    if (!parsed || parsed->scheme() != "file") {
        return {};
    }
    const std::string path = parsed->pathname();
    const std::size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) {
        return {};
    }
    const std::size_t start = path.rfind('/', end) + 1;
    // Cleaned as a page title is: the name is the page's title in all but name.
    return clean_title(percent_decode(std::string_view(path).substr(start, end + 1 - start)));
}

std::string tab_name(const Tab& tab) {
    if (!tab.title.empty()) {
        return tab.title;
    }
    if (!tab.host().empty()) {
        return tab.host();
    }
    return file_url_name(tab.url);
}

std::string window_title(const BrowserWindow& window) {
    const Tab* active = window.active_tab();
    const std::string name = active ? tab_name(*active) : std::string();
    std::string title = name.empty() ? "Corvane" : name + " \u2014 Corvane";
    if (window.is_private) {
        title += " (Private)";
    }
    return title;
}

} // namespace corvane
