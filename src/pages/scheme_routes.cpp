#include "pages/scheme_routes.h"

#include "pages/embedded_files.h"
#include "url/url.h"

#include <array>
#include <optional>
#include <string>

namespace corvane {

namespace {

struct Route {
    std::string_view path;
    std::string_view file; // "" for the generated new tab page
    std::string_view content_type;
};

constexpr std::array kUiRoutes{
    Route{"/", "ui/index.html", kHtmlType},
    Route{"/index.html", "ui/index.html", kHtmlType},
    Route{"/app.js", "ui/app.js", kScriptType},
    Route{"/app.css", "ui/app.css", kStyleType},
    Route{"/logo.svg", "ui/logo.svg", kSvgType},
    Route{"/devtools.html", "ui/devtools.html", kHtmlType},
    Route{"/devtools.js", "ui/devtools.js", kScriptType},
    Route{"/devtools.css", "ui/devtools.css", kStyleType},
    Route{"/console_hook.js", "ui/console_hook.js", kScriptType},
};

constexpr std::array kNewTabRoutes{
    Route{"/", "", kHtmlType},
    Route{"/index.html", "", kHtmlType},
    Route{"/newtab.js", "newtab/newtab.js", kScriptType},
    Route{"/newtab.css", "newtab/newtab.css", kStyleType},
    Route{"/logo.svg", "ui/logo.svg", kSvgType},
};

// The route of a request on the given host: exact, case-sensitive matches of host and path.
template <std::size_t N>
const Route* find_route(const std::array<Route, N>& routes, std::string_view host,
                        std::string_view uri) {
    const auto url = Url::parse(uri);
    if (!url || url->host_str() != host) {
        return nullptr;
    }
    auto path = url->pathname();
    if (path.empty()) {
        path = "/";
    }
    for (const auto& route : routes) {
        if (route.path == path) {
            return &route;
        }
    }
    return nullptr;
}

SchemeAnswer file_answer(const Route& route, std::string_view csp) {
    const auto bytes = embedded_file(route.file);
    if (!bytes) {
        return not_found_answer();
    }
    return {*bytes, route.content_type, csp, 200};
}

} // namespace

SchemeResponse serve_ui(std::string_view uri) {
    const Route* route = find_route(kUiRoutes, "ui", uri);
    return build_scheme_response(route ? file_answer(*route, kUiPolicy) : not_found_answer());
}

SchemeResponse serve_newtab(const SharedNewTabSnapshot& snapshot, WindowPrivacy privacy,
                            std::string_view uri) {
    const Route* route = find_route(kNewTabRoutes, "newtab", uri);
    if (!route) {
        return build_scheme_response(not_found_answer());
    }
    if (!route->file.empty()) {
        return build_scheme_response(file_answer(*route, kNewTabPolicy));
    }
    const NewTabSnapshot copy = snapshot.copy();
    return build_scheme_response({render_newtab_page(copy, privacy, snapshot.hand_over_key()),
                                  route->content_type, kNewTabPolicy, 200});
}

} // namespace corvane
