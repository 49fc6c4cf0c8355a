#include "pages/embedded_files.h"
#include "pages/scheme_routes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace corvane {

void PrintTo(const SchemeHeader& header, std::ostream* out) {
    *out << header.name << ": " << header.value;
}

namespace {

std::filesystem::path source_dir() {
    const char* dir = std::getenv("CORVANE_SOURCE_DIR");
    return dir ? dir : CORVANE_SOURCE_DIR_FALLBACK;
}

// Every answer, found or not, carries these five headers in this order.
void expect_answer(const SchemeResponse& response, int status, std::string_view body,
                   std::string_view type, std::string_view csp) {
    EXPECT_EQ(response.status, status);
    EXPECT_EQ(response.body_view(), body);
    EXPECT_EQ(response.headers, (std::vector<SchemeHeader>{{"Content-Type", type},
                                                           {"Content-Security-Policy", csp},
                                                           {"X-Content-Type-Options", "nosniff"},
                                                           {"Referrer-Policy", "no-referrer"},
                                                           {"Cache-Control", "no-store"}}));
}

void expect_not_found(const SchemeResponse& response) {
    expect_answer(response, 404, "Not found", "text/plain", "default-src 'none'");
}

// The file as the build made it (joined from its parts) or as it is in the tree, or none when
// there is no such file: the served bytes must be exactly those, and a file the build did not
// find must answer 404.
std::optional<std::string> tree_file(std::string_view path) {
    for (const auto& root : {std::filesystem::path(CORVANE_JOINED_PAGES_DIR), source_dir()}) {
        if (std::filesystem::exists(root / path)) {
            return test::read_file(root / path);
        }
    }
    return std::nullopt;
}

SharedNewTabSnapshot snapshot(NewTabSnapshot{"", "DuckDuckGo", {}, {{"https://a.example/", "A"}}});

// Every file route serves its file as it is in the tree (or, for the new tab page's paths, the
// page of the current snapshot) with the handler's policy; a file the build did not find
// answers 404.
TEST(SchemeRoutes, FilesAndTheNewTabPageAreServedWithTheirTypeAndPolicy) {
    constexpr std::string_view html = "text/html; charset=utf-8";
    constexpr std::string_view script = "text/javascript; charset=utf-8";
    constexpr std::string_view css = "text/css; charset=utf-8";
    const std::vector<std::tuple<std::string_view, std::string_view, std::string_view>> routes{
        {"corvane://ui", "ui/index.html", html},
        {"corvane://ui/", "ui/index.html", html},
        {"corvane://ui/index.html", "ui/index.html", html},
        {"corvane://ui/app.js?v=2#top", "ui/app.js", script},
        {"corvane://ui/app.css", "ui/app.css", css},
        {"corvane://ui/devtools.html", "ui/devtools.html", html},
        {"corvane://ui/devtools.js", "ui/devtools.js", script},
        {"corvane://ui/devtools.css", "ui/devtools.css", css},
        // User information and port are not part of the host.
        {"corvane://someone@ui:81/logo.svg", "ui/logo.svg", "image/svg+xml"},
        {"corvane://newtab/newtab.js", "newtab/newtab.js", script},
        {"corvane://newtab/newtab.css", "newtab/newtab.css", css},
        {"corvane://newtab/logo.svg", "ui/logo.svg", "image/svg+xml"},
        {"corvane://newtab", "", html},
        {"corvane://newtab/", "", html},
        {"corvane://newtab/index.html", "", html},
        {"corvane://newtab/?from=menu", "", html},
    };
    for (const auto& [uri, file, type] : routes) {
        SCOPED_TRACE(uri);
        const bool newtab = uri.starts_with("corvane://newtab");
        const auto response =
            newtab ? serve_newtab(snapshot, WindowPrivacy::normal, uri) : serve_ui(uri);
        const auto body =
            file.empty() ? std::optional(render_newtab_page(snapshot.copy(), WindowPrivacy::normal,
                                                            snapshot.hand_over_key()))
                         : tree_file(file);
        if (body) {
            expect_answer(response, 200, *body, type, newtab ? kNewTabPolicy : kUiPolicy);
        } else {
            expect_not_found(response);
        }
    }
    // The chrome page is embedded joined, not in parts.
    EXPECT_FALSE(embedded_file("ui/app/core.js") || embedded_file("ui/app/base.css"));
    // A private window's page comes from the snapshot as it is now.
    auto changed = snapshot.copy();
    changed.engine_name = "Kagi";
    snapshot.replace(changed);
    EXPECT_EQ(
        serve_newtab(snapshot, WindowPrivacy::private_window, "corvane://newtab/").body_view(),
        render_newtab_page(changed, WindowPrivacy::private_window, snapshot.hand_over_key()));
    // Every page of the run carries the run's key, which no other run shares.
    const std::string& key = snapshot.hand_over_key();
    EXPECT_EQ(std::tuple(key.size(), key.find_first_not_of("0123456789abcdef")),
              std::tuple(32u, std::string::npos));
    EXPECT_NE(key, SharedNewTabSnapshot().hand_over_key());
    EXPECT_NE(serve_newtab(snapshot, WindowPrivacy::normal, "corvane://newtab/")
                  .body_view()
                  .find(R"(data-key=")" + key + '"'),
              std::string_view::npos);
}

TEST(SchemeRoutes, UnknownHostsAndPathsAre404) {
    for (const auto* uri : {"corvane://newtab/", "corvane://newtab/newtab.js",
                            "corvane://UI/app.js", "corvane://ui/App.js", "corvane://ui/app.js/",
                            "corvane://ui//app.js", "corvane://ui/index.htm", "corvane:ui/app.js",
                            "corvane://other/app.js", "not a url", "", "corvane://ui/%61pp.js"}) {
        expect_not_found(serve_ui(uri));
    }
    for (const auto* uri :
         {"corvane://ui/index.html", "corvane://newtab/app.js", "corvane://NEWTAB/",
          "corvane://newtab/Newtab.js", "corvane://newtab/index.html/", "corvane://newtab//"}) {
        expect_not_found(serve_newtab(snapshot, WindowPrivacy::normal, uri));
    }
}

} // namespace
} // namespace corvane
