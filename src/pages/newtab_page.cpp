#include "pages/newtab_page.h"

#include "pages/html_text.h"
#include "url/url.h"

#include <set>

namespace corvane {

namespace {

constexpr std::size_t kMaxTiles = 8;
constexpr std::size_t kBookmarkNameChars = 18;

bool is_private(WindowPrivacy privacy) {
    return privacy == WindowPrivacy::private_window;
}

std::string_view on_off(bool on) {
    return on ? "on" : "off";
}

// Every URL examined takes a place among the eight, whether or not it made a tile.
class TileCollector {
public:
    bool full() const { return used_.size() >= kMaxTiles; }

    void add(const std::string& url, std::string_view name) {
        if (used_.insert(url).second) {
            markup_ += newtab_tile_html(url, name);
        }
    }

    const std::string& markup() const { return markup_; }

private:
    std::set<std::string> used_;
    std::string markup_;
};

std::string tiles_section(const NewTabSnapshot& snapshot, WindowPrivacy privacy) {
    TileCollector tiles;
    const auto bookmarks = std::min(snapshot.bookmarks.size(), kMaxTiles);
    for (std::size_t i = 0; i < bookmarks; ++i) {
        const auto& bookmark = snapshot.bookmarks[i];
        const auto& name = bookmark.title.empty() ? bookmark.url : bookmark.title;
        tiles.add(bookmark.url, first_chars(name, kBookmarkNameChars));
    }
    if (!is_private(privacy)) {
        for (const auto& site : snapshot.top_sites) {
            if (tiles.full()) {
                break;
            }
            tiles.add(site.url, site.title);
        }
    }
    if (tiles.markup().empty()) {
        return {};
    }
    const std::string_view label = is_private(privacy) ? "Bookmarks" : "Frequently visited";
    std::string section = R"(<section class="tiles" aria-label=")";
    section += label;
    section += R"(">)";
    section += tiles.markup();
    section += "</section>";
    return section;
}

std::string chips(const NewTabSnapshot& snapshot, WindowPrivacy privacy) {
    std::string out = R"(<div class="chips"><span class="chip )";
    out += on_off(snapshot.shield);
    out += R"(">Shield )";
    out += on_off(snapshot.shield);
    out += R"(</span><span class="chip )";
    out += on_off(snapshot.https_only);
    out += R"(">HTTPS-Only )";
    out += on_off(snapshot.https_only);
    out += "</span>";
    if (is_private(privacy)) {
        out += R"(<span class="chip private">Private: nothing is saved</span>)";
    }
    out += "</div>";
    return out;
}

} // namespace

std::string newtab_tile_html(std::string_view url, std::string_view name) {
    const auto parsed = Url::parse(url);
    if (!parsed || (parsed->scheme() != "http" && parsed->scheme() != "https")) {
        return {};
    }
    const auto host = parsed->host_str().value_or("");
    std::string tile = R"(<a class="tile" href=")";
    tile += html_escape(parsed->href());
    tile += R"("><span class="ic" data-letter=")";
    tile += html_escape(initial_letter(name));
    tile += R"(">)";
    // Only over https: an http page's favicon would be a plain-text request from this page.
    if (parsed->scheme() == "https") {
        tile += R"(<img src="https://)";
        tile += html_escape(host);
        tile += R"(/favicon.ico" alt="" referrerpolicy="no-referrer" loading="lazy">)";
    }
    tile += R"(</span><span class="nm">)";
    tile += html_escape(name);
    tile += "</span></a>";
    return tile;
}

std::string render_newtab_page(const NewTabSnapshot& snapshot, WindowPrivacy privacy,
                               std::string_view hand_over_key) {
    const bool private_window = is_private(privacy);
    std::string page;
    page.reserve(2048);
    page += R"(<!doctype html><html lang="en"><head><meta charset="utf-8">)"
            R"(<meta name="color-scheme" content="light dark"><title>New Tab</title>)"
            R"(<link rel="stylesheet" href="corvane://newtab/newtab.css"></head>)"
            "\n";
    page += R"(<body class=")";
    page += private_window ? "private" : "";
    page += R"(" data-template=")";
    page += html_escape(snapshot.engine_template);
    page += R"(" data-key=")";
    page += html_escape(hand_over_key);
    page += "\">\n<main>\n";
    page += R"(  <img class="logo" src="corvane://newtab/logo.svg" alt="">)"
            "\n";
    page += R"(  <h1 id="greet">)";
    page += private_window ? "Private browsing" : "Where to?";
    page += "</h1>\n";
    page += R"(  <form id="f" autocomplete="off" role="search">)"
            "\n";
    page += R"(    <svg viewBox="0 0 20 20" aria-hidden="true"><circle cx="8.8" cy="8.8" r="4.8"/>)"
            R"(<path d="M12.4 12.4L16 16"/></svg>)"
            "\n";
    page += R"(    <input id="q" name="q" placeholder="Search )";
    page += html_escape(snapshot.engine_name);
    page += R"( or enter website" aria-label="Search or enter website" spellcheck="false" )"
            R"(autofocus>)"
            "\n";
    page += "  </form>\n  ";
    page += tiles_section(snapshot, privacy);
    page += "\n  ";
    page += chips(snapshot, privacy);
    page += "\n</main>\n";
    page += R"(<script src="corvane://newtab/newtab.js"></script>)"
            "\n</body></html>";
    return page;
}

} // namespace corvane
