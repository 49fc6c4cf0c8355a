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

struct FileRoute {
    std::string_view uri;
    std::string_view file;
    std::string_view type;
};

TEST(ServeUi, EveryRouteServesItsEmbeddedFileWithTheUiPolicy) {
    const std::vector<FileRoute> routes{
        {"corvane://ui", "ui/index.html", "text/html; charset=utf-8"},
        {"corvane://ui/", "ui/index.html", "text/html; charset=utf-8"},
        {"corvane://ui/index.html", "ui/index.html", "text/html; charset=utf-8"},
        {"corvane://ui/app.js", "ui/app.js", "text/javascript; charset=utf-8"},
        {"corvane://ui/app.js?v=2#top", "ui/app.js", "text/javascript; charset=utf-8"},
        {"corvane://ui/app.css", "ui/app.css", "text/css; charset=utf-8"},
        {"corvane://ui/logo.svg", "ui/logo.svg", "image/svg+xml"},
        {"corvane://ui/devtools.html", "ui/devtools.html", "text/html; charset=utf-8"},
        {"corvane://ui/devtools.js", "ui/devtools.js", "text/javascript; charset=utf-8"},
        {"corvane://ui/devtools.css", "ui/devtools.css", "text/css; charset=utf-8"},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.uri);
        const auto response = serve_ui(route.uri);
        const auto on_disk = tree_file(route.file);
        if (!on_disk) {
            expect_not_found(response);
            continue;
        }
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body_view(), *on_disk);
        expect_headers(response, route.type, kUiPolicy);
    }
}

TEST(ServeUi, EmbeddedFilesAreServedWithoutCopying) {
    const auto logo = embedded_file("ui/logo.svg");
    ASSERT_TRUE(logo);
    const auto response = serve_ui("corvane://ui/logo.svg");
    ASSERT_TRUE(std::holds_alternative<std::string_view>(response.body));
    EXPECT_EQ(std::get<std::string_view>(response.body).data(), logo->data());
}

TEST(ServeUi, TheChromePageIsEmbeddedJoinedNotInParts) {
    EXPECT_TRUE(embedded_file("ui/app.js"));
    EXPECT_TRUE(embedded_file("ui/app.css"));
    EXPECT_FALSE(embedded_file("ui/app/core.js"));
    EXPECT_FALSE(embedded_file("ui/app/base.css"));
}

TEST(ServeUi, UnknownHostsAndPathsAre404) {
    for (const auto* uri : {
             "corvane://newtab/",
             "corvane://newtab/newtab.js",
             "corvane://UI/app.js",
             "corvane://Ui/",
             "corvane://ui/App.js",
             "corvane://ui/app.js/",
             "corvane://ui//app.js",
             "corvane://ui/newtab.js",
             "corvane://ui/newtab.css",
             "corvane://ui/index.htm",
             "corvane:ui/app.js",
             "corvane:///app.js",
             "corvane://other/app.js",
             "not a url",
             "",
             "corvane://ui/%61pp.js",
             "corvane://ui.example/app.js",
         }) {
        SCOPED_TRACE(uri);
        expect_not_found(serve_ui(uri));
    }
}

TEST(ServeUi, UserInformationAndPortAreNotPartOfTheHost) {
    const auto response = serve_ui("corvane://someone@ui:81/logo.svg");
    EXPECT_EQ(response.status, 200);
    expect_headers(response, "image/svg+xml", kUiPolicy);
}

class ServeNewTab : public ::testing::Test {
protected:
    ServeNewTab() {
        NewTabSnapshot snapshot;
        snapshot.engine_name = "DuckDuckGo";
        snapshot.engine_template = "https://duckduckgo.com/?q={q}";
        snapshot.bookmarks = {{"https://example.com/", "Example"}};
        snapshot.shield = true;
        snapshot_.replace(snapshot);
    }
    SharedNewTabSnapshot snapshot_;
};

TEST_F(ServeNewTab, PagePathsServeTheGeneratedPage) {
    const auto expected = render_newtab_page(snapshot_.copy(), WindowPrivacy::normal);
    for (const auto* uri : {"corvane://newtab", "corvane://newtab/", "corvane://newtab/index.html",
                            "corvane://newtab/?from=menu"}) {
        SCOPED_TRACE(uri);
        const auto response = serve_newtab(snapshot_, WindowPrivacy::normal, uri);
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body_view(), expected);
        expect_headers(response, "text/html; charset=utf-8", kNewTabPolicy);
    }
    const auto private_page =
        serve_newtab(snapshot_, WindowPrivacy::private_window, "corvane://newtab/");
    EXPECT_EQ(private_page.body_view(),
              render_newtab_page(snapshot_.copy(), WindowPrivacy::private_window));
}

TEST_F(ServeNewTab, EveryPageSeesTheCurrentSnapshot) {
    auto changed = snapshot_.copy();
    changed.engine_name = "Kagi";
    snapshot_.replace(changed);
    const auto response = serve_newtab(snapshot_, WindowPrivacy::normal, "corvane://newtab/");
    EXPECT_NE(response.body_view().find("Search Kagi or enter website"), std::string_view::npos);
}

TEST_F(ServeNewTab, FilesCarryTheNewTabPolicy) {
    const std::vector<FileRoute> routes{
        {"corvane://newtab/newtab.js", "newtab/newtab.js", "text/javascript; charset=utf-8"},
        {"corvane://newtab/newtab.css", "newtab/newtab.css", "text/css; charset=utf-8"},
        {"corvane://newtab/logo.svg", "ui/logo.svg", "image/svg+xml"},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.uri);
        const auto response = serve_newtab(snapshot_, WindowPrivacy::normal, route.uri);
        const auto on_disk = tree_file(route.file);
        ASSERT_TRUE(on_disk);
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body_view(), *on_disk);
        expect_headers(response, route.type, kNewTabPolicy);
    }
}

TEST_F(ServeNewTab, UnknownHostsAndPathsAre404) {
    for (const auto* uri :
         {"corvane://ui/index.html", "corvane://ui/", "corvane://newtab/app.js",
          "corvane://newtab/app.css", "corvane://newtab/devtools.html", "corvane://NEWTAB/",
          "corvane://newtab/Newtab.js", "corvane://newtab/newtab.js/", "corvane://newtab//",
          "corvane://newtab/index.html/"}) {
        SCOPED_TRACE(uri);
        expect_not_found(serve_newtab(snapshot_, WindowPrivacy::normal, uri));
    }
}

TEST(SchemePolicies, HaveTheirExactLengths) {
    EXPECT_EQ(kUiPolicy.size(), 196u);
    EXPECT_EQ(kNewTabPolicy.size(), 214u);
}

TEST(BuildSchemeResponse, StatusOutsideHttpRangeGivesAnEmptyResponse) {
    for (const std::uint16_t status : {0, 99, 1000, 65535}) {
        const auto response =
            build_scheme_response({std::string("body"), kPlainType, kNotFoundPolicy, status});
        EXPECT_EQ(response.status, 200);
        EXPECT_TRUE(response.headers.empty());
        EXPECT_EQ(response.body_view(), "");
    }
    const auto edge = build_scheme_response({std::string("x"), kPlainType, kNotFoundPolicy, 999});
    EXPECT_EQ(edge.status, 999);
    EXPECT_EQ(edge.headers.size(), 5u);
}

} // namespace
} // namespace corvane
