#include "pages/scheme_response.h"

namespace corvane {

std::string_view SchemeResponse::body_view() const {
    return std::visit([](const auto& bytes) { return std::string_view(bytes); }, body);
}

SchemeAnswer not_found_answer() {
    return {std::string_view("Not found"), kPlainType, kNotFoundPolicy, 404};
}

SchemeResponse build_scheme_response(SchemeAnswer answer) {
    if (answer.status < 100 || answer.status > 999) {
        return {200, {}, std::string_view()};
    }
    SchemeResponse response;
    response.status = answer.status;
    response.headers = {
        {"Content-Type", answer.content_type},
        {"Content-Security-Policy", answer.csp},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        // Every visit to the new tab page must be generated from the current snapshot.
        {"Cache-Control", "no-store"},
    };
    response.body = std::move(answer.body);
    return response;
}

} // namespace corvane
