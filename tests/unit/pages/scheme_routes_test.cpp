#include "pages/embedded_files.h"
#include "pages/scheme_routes.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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
void expect_headers(const SchemeResponse& response, std::string_view type, std::string_view csp) {
    const std::vector<SchemeHeader> expected{
        {"Content-Type", type},
        {"Content-Security-Policy", csp},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Cache-Control", "no-store"},
    };
    EXPECT_EQ(response.headers, expected);
}

void expect_not_found(const SchemeResponse& response) {
    EXPECT_EQ(response.status, 404);
    EXPECT_EQ(response.body_view(), "Not found");
    expect_headers(response, "text/plain", "default-src 'none'");
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

SharedNewTabSnapshot sample_snapshot() {
    NewTabSnapshot snapshot;
    snapshot.engine_name = "DuckDuckGo";
    snapshot.bookmarks = {{"https://example.com/", "Example"}};
    snapshot.shield = true;
    return SharedNewTabSnapshot(snapshot);
}

// Every file route serves its file as it is in the tree with the handler's policy; a file the
// build did not find answers 404.
TEST(SchemeRoutes, FilesAreServedWithTheirTypeAndPolicy) {
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
    };
    auto snapshot = sample_snapshot();
    for (const auto& [uri, file, type] : routes) {
        SCOPED_TRACE(uri);
        const bool newtab = uri.starts_with("corvane://newtab/");
        const auto response =
            newtab ? serve_newtab(snapshot, WindowPrivacy::normal, uri) : serve_ui(uri);
        const auto on_disk = tree_file(file);
        if (!on_disk) {
            expect_not_found(response);
            continue;
        }
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body_view(), *on_disk);
        expect_headers(response, type, newtab ? kNewTabPolicy : kUiPolicy);
    }
    // The chrome page is embedded joined, not in parts.
    EXPECT_FALSE(embedded_file("ui/app/core.js") || embedded_file("ui/app/base.css"));
    // Embedded files are served without copying.
    const auto response = serve_ui("corvane://ui/logo.svg");
    ASSERT_TRUE(std::holds_alternative<std::string_view>(response.body));
    EXPECT_EQ(std::get<std::string_view>(response.body).data(),
              embedded_file("ui/logo.svg")->data());
}

TEST(SchemeRoutes, UnknownHostsAndPathsAre404) {
    for (const auto* uri :
         {"corvane://newtab/", "corvane://newtab/newtab.js", "corvane://UI/app.js", "corvane://Ui/",
          "corvane://ui/App.js", "corvane://ui/app.js/", "corvane://ui//app.js",
          "corvane://ui/newtab.js", "corvane://ui/index.htm", "corvane:ui/app.js",
          "corvane:///app.js", "corvane://other/app.js", "not a url", "", "corvane://ui/%61pp.js",
          "corvane://ui.example/app.js"}) {
        expect_not_found(serve_ui(uri));
    }
    auto snapshot = sample_snapshot();
    for (const auto* uri :
         {"corvane://ui/index.html", "corvane://ui/", "corvane://newtab/app.js",
          "corvane://newtab/devtools.html", "corvane://NEWTAB/", "corvane://newtab/Newtab.js",
          "corvane://newtab/newtab.js/", "corvane://newtab//", "corvane://newtab/index.html/"}) {
        expect_not_found(serve_newtab(snapshot, WindowPrivacy::normal, uri));
    }
}

TEST(SchemeRoutes, NewTabPagePathsServeThePageOfTheCurrentSnapshot) {
    auto snapshot = sample_snapshot();
    for (const auto* uri : {"corvane://newtab", "corvane://newtab/", "corvane://newtab/index.html",
                            "corvane://newtab/?from=menu"}) {
        SCOPED_TRACE(uri);
        const auto response = serve_newtab(snapshot, WindowPrivacy::normal, uri);
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body_view(), render_newtab_page(snapshot.copy(), WindowPrivacy::normal));
        expect_headers(response, "text/html; charset=utf-8", kNewTabPolicy);
    }
    auto changed = snapshot.copy();
    changed.engine_name = "Kagi";
    snapshot.replace(changed);
    EXPECT_EQ(
        serve_newtab(snapshot, WindowPrivacy::private_window, "corvane://newtab/").body_view(),
        render_newtab_page(changed, WindowPrivacy::private_window));
}

TEST(BuildSchemeResponse, StatusOutsideHttpRangeGivesAnEmptyResponse) {
    for (const std::uint16_t status : {0, 99, 1000, 65535}) {
        const auto response =
            build_scheme_response({std::string("body"), kPlainType, kNotFoundPolicy, status});
        EXPECT_EQ(response.status, 200);
        EXPECT_TRUE(response.headers.empty());
        EXPECT_EQ(response.body_view(), "");
    }
    for (const std::uint16_t status : {100, 999}) {
        const auto edge =
            build_scheme_response({std::string("x"), kPlainType, kNotFoundPolicy, status});
        EXPECT_EQ(edge.status, status);
        EXPECT_EQ(edge.body_view(), "x");
    }
}

} // namespace
} // namespace corvane
