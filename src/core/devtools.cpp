#include "core/devtools.h"

#include "core/layout.h"
#include "core/page_calls.h"
#include "core/windows.h"
#include "engine/actions.h"
#include "engine/webviews.h"
#include "pages/embedded_files.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>

namespace corvane {

namespace {

// A closed pane leaves nothing behind in the page: its highlight and a running picker go too.
constexpr std::string_view kClearPaneTraces =
    "document.getElementById('__corvane_hl')?.remove();"
    "if(window.__cvpick){window.__cvpick.stop();delete window.__cvpick}";

// The pane's own hook, run once per document; its names stay inside the function.
std::string console_hook_script() {
    const std::optional<std::string_view> hook = embedded_file("ui/console_hook.js");
    return hook ? "(()=>{" + std::string(*hook) + "\nhookConsole()})()" : std::string();
}

} // namespace

std::string console_hook_for(const BrowserWindow& window, const Tab& tab) {
    if (!window.devtools || &tab != window.active_tab()) {
        return {};
    }
    static const std::string script = console_hook_script();
    return script;
}

void place_console_hooks(BrowserWindow& window) {
    for (const Tab& tab : window.tabs) {
        if (tab.webview) {
            tab.webview->set_extra_user_script(console_hook_for(window, tab));
        }
    }
}

void toggle_devtools(App& app, std::size_t window) {
    BrowserWindow& record = app.windows[window];
    if (std::unique_ptr<platform::WebView> closing = std::move(record.devtools)) {
        // When the pane had the keyboard, the window gives it back to the view that had it before.
        closing.reset();
        if (Tab* tab = record.active_tab(); tab && tab->webview) {
            tab->webview->evaluate_script(std::string(kClearPaneTraces));
        }
    } else {
        const std::uint64_t label = app.take_id();
        const platform::Size size = record.window->inner_size();
        const double pane = pane_height(record.devtools_height, size.height);
        record.devtools =
            create_ui_webview(app.engine, record.window, label, std::string(kDevtoolsUrl),
                              {0, size.height - pane, size.width, pane}, false);
        if (record.devtools) {
            record.devtools->focus();
        }
    }
    place_console_hooks(record);
    // The tab views shrink or grow by the pane; GTK redraws what moved.
    layout_window(record);
}

void evaluate_for_devtools(App& app, std::size_t window, std::uint64_t id,
                           const std::string& code) {
    BrowserWindow& record = app.windows[window];
    // Only an open pane asks; a message from a pane closed meanwhile has nobody to answer.
    if (!record.devtools) {
        return;
    }
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
