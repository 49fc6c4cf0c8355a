#include "core/devtools.h"

#include "core/page_calls.h"
#include "core/windows.h"
#include "engine/actions.h"

#include <algorithm>
#include <cmath>

namespace corvane {

void toggle_devtools(App& app, std::size_t window) {
    // FIXME: opening and closing the pane comes with the developer-tools bridge; until then only
    // an open pane can be closed.
    BrowserWindow& record = app.windows[window];
    if (record.devtools) {
        record.devtools.reset();
        layout_window(record);
    }
}

void evaluate_for_devtools(App& app, std::size_t window, std::uint64_t id,
                           const std::string& code) {
    BrowserWindow& record = app.windows[window];
    Tab* tab = record.active_tab();
    if (tab != nullptr && tab->webview && code.size() <= kMaxDevCodeBytes) {
        eval_with_callback_devtools(*tab->webview, code, app.proxy, record.id(), id);
        return;
    }
    // Posted rather than answered here, so the reply reaches the page after this message.
    app.proxy.send_event(event::DevEvalResult{"null", record.id(), id});
}

void resize_devtools(App& app, std::size_t window, double height) {
    if (!std::isfinite(height)) {
        return;
    }
    BrowserWindow& record = app.windows[window];
    record.devtools_height = std::clamp(height, kMinDevtoolsHeight, kMaxDevtoolsHeight);
    layout_window(record);
}

void handle_dev_eval_result(App& app, const event::DevEvalResult& result) {
    const std::optional<std::size_t> index = find_window(app, result.window);
    if (!index || !app.windows[*index].devtools) {
        return;
    }
    const std::string& text = result.result.size() > kMaxDevResultBytes ? "null" : result.result;
    call_ui_page(*app.windows[*index].devtools, "reply", {result.id, text});
}

void handle_self_test(App& app, const event::SelfTest& test) {
    const std::optional<std::size_t> index = current_window_index(app);
    if (index && app.windows[*index].devtools) {
        call_ui_page(*app.windows[*index].devtools, "selftest", {test.panel});
    }
}

} // namespace corvane
