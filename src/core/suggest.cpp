#include "core/suggest.h"

#include "address/suggestion_rows.h"
#include "core/page_calls.h"

namespace corvane {

void suggest(App& app, std::size_t window, std::string_view q, bool complete) {
    SuggestionAnswer answer = build_suggestions(app.store, q, complete);
    call_ui_page(*app.windows[window].chrome, "suggest",
                 {std::move(answer.rows), answer.completion_json(), q});
}

} // namespace corvane
