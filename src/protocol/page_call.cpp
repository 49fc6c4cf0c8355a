#include "protocol/page_call.h"

#include "json/compact_writer.h"

namespace corvane {

std::string page_call_arg(const nlohmann::json& value) {
    return json::write_compact(value);
}

std::string ui_page_script(std::string_view function, std::span<const nlohmann::json> args) {
    std::string script = "window.CV&&CV.";
    script += function;
    script += '(';
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) {
            script += ',';
        }
        script += page_call_arg(args[i]);
    }
    script += ')';
    return script;
}

} // namespace corvane
