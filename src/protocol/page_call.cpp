#include "protocol/page_call.h"

#include "json/compact_writer.h"

namespace corvane {

std::string page_call_arg(const nlohmann::json& value) {
    return json::write_compact(value);
}

std::string ui_page_call_head(std::string_view function) {
    std::string head = "window.CV&&CV.";
    head += function;
    head += '(';
    return head;
}

std::string ui_page_script(std::string_view function, std::span<const nlohmann::json> args) {
    std::string script = ui_page_call_head(function);
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
