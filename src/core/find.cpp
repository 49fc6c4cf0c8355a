#include "core/find.h"

#include "address/unicode_text.h"
#include "core/windows.h"
#include "engine/actions.h"
#include "protocol/page_call.h"

namespace corvane {

namespace {

constexpr std::string_view kClearSelectionScript = "getSelection().removeAllRanges()";

std::string_view flag(bool value) {
    return value ? "true" : "false";
}

} // namespace

std::string find_script(std::string_view query, bool back, bool fresh) {
    const std::string literal =
        page_call_arg(std::string(text::first_characters(query, kMaxFindCharacters)));
    std::string script = "(()=>{if(";
    script += flag(fresh);
    script += "){const s=getSelection();s&&s.removeAllRanges()}return window.find(";
    script += literal;
    script += ",false,";
    script += flag(back);
    script += ",true,false,true,false)})()";
    return script;
}

void find_in_page(App& app, std::size_t window, std::string_view query, bool back, bool fresh) {
    BrowserWindow& record = app.windows[window];
    Tab* tab = record.active_tab();
    if (tab == nullptr || !tab->webview) {
        return;
    }
    if (query.empty()) {
        tab->webview->evaluate_script(std::string(kClearSelectionScript));
        return;
    }
    eval_with_callback_find(*tab->webview, find_script(query, back, fresh), app.proxy, record.id(),
                            tab->view);
}

void set_findbar_open(App& app, std::size_t window, bool open) {
    BrowserWindow& record = app.windows[window];
    record.findbar_open = open;
    layout_window(record);
    if (Tab* tab = record.active_tab(); !open && tab && tab->webview) {
        tab->webview->evaluate_script(std::string(kClearSelectionScript));
        tab->webview->focus();
    }
}

void handle_find_result(App& app, const event::FindResult& result) {
    const std::optional<std::size_t> index = find_window(app, result.window);
    // The answer is about the page it searched: none when the user has switched tabs since.
    const Tab* searched = index ? app.windows[*index].active_tab() : nullptr;
    if (searched == nullptr || !searched->holds(result.view)) {
        return;
    }
    app.windows[*index].chrome->evaluate_script(
        "document.getElementById('find-status').textContent=" +
        page_call_arg(result.found ? "" : "Not found"));
}

} // namespace corvane
