#include "address/search_engines.h"

#include "url/percent_encoding.h"

namespace corvane {

const SearchEngine& search_engine_for(std::string_view id) {
    for (const SearchEngine& engine : SEARCH_ENGINES) {
        if (engine.id == id) {
            return engine;
        }
    }
    return SEARCH_ENGINES.front();
}

std::string_view search_engine_url(std::string_view id) {
    return search_engine_for(id).url_template;
}

std::string search_url(std::string_view url_template, std::string_view query) {
    constexpr std::string_view placeholder = "{q}";
    std::string encoded = form_urlencoded_byte_serialize(query);
    std::string out;
    out.reserve(url_template.size() + encoded.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t found = url_template.find(placeholder, pos);
        if (found == std::string_view::npos) {
            out.append(url_template.substr(pos));
            return out;
        }
        out.append(url_template.substr(pos, found - pos));
        out.append(encoded);
        pos = found + placeholder.size();
    }
}

} // namespace corvane
