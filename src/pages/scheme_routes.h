#pragma once

// The two handlers of the corvane scheme. Built-in views (the chrome page and the developer
// tools) are answered by serve_ui, which knows only the host "ui"; content tabs by serve_newtab,
// which knows only the host "newtab". So a content tab can never load the chrome page, and a
// built-in view never loads the new tab page. Every answer, 404 included, carries the same five
// headers (build_scheme_response).

#include "pages/newtab_page.h"
#include "pages/newtab_snapshot.h"
#include "pages/scheme_response.h"

#include <string_view>

namespace corvane {

// uri: the full request URI, e.g. "corvane://ui/app.js?v=2" (the query is ignored).
SchemeResponse serve_ui(std::string_view uri);

// Takes the snapshot's lock only to copy it, and only for the generated page.
SchemeResponse serve_newtab(const SharedNewTabSnapshot& snapshot, WindowPrivacy privacy,
                            std::string_view uri);

} // namespace corvane
