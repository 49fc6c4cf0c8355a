#include "core/closing.h"

#include "core/tabs.h"
#include "core/windows.h"

#include <algorithm>

namespace corvane {

namespace {

void close_tab_now(App& app, std::size_t window, TabId id) {
    if (close_tab(app, window, id)) {
        close_window(app, window);
    }
}

} // namespace

void request_close_tab(App& app, std::size_t window, TabId id) {
    BrowserWindow& record = app.windows[window];
    const auto it = std::find_if(record.tabs.begin(), record.tabs.end(),
                                 [id](const Tab& tab) { return tab.id == id; });
    if (it == record.tabs.end()) {
        return;
    }
    if (!it->webview) {
        close_tab_now(app, window, id);
        return;
    }
    it->close_request = app.take_id();
    it->close_agreed = false;
    it->webview->try_close();
}

void request_close_window(App& app, std::size_t window) {
    if (window >= app.windows.size()) {
        return;
    }
    BrowserWindow& record = app.windows[window];
    record.close_request = app.take_id();
    bool asked = false;
    for (Tab& tab : record.tabs) {
        if (tab.webview) {
            tab.close_request = record.close_request;
            tab.close_agreed = false;
            tab.webview->try_close();
            asked = true;
        }
    }
    if (!asked) {
        close_window(app, window);
    }
}

void handle_close_agreed(App& app, const event::CloseAgreed& agreed) {
    const std::optional<TabLocation> where = find_tab_view(app, agreed.tab, agreed.view);
    if (!where) {
        return;
    }
    BrowserWindow& window = app.windows[where->window];
    Tab& tab = window.tabs[where->tab];
    if (tab.close_request == 0) {
        return;
    }
    if (tab.close_request != window.close_request) {
        close_tab_now(app, where->window, tab.id);
        return;
    }
    tab.close_agreed = true;
    const bool waiting = std::any_of(window.tabs.begin(), window.tabs.end(), [&](const Tab& other) {
        return other.webview && other.close_request == window.close_request && !other.close_agreed;
    });
    if (!waiting) {
        close_window(app, where->window);
    }
}

void handle_leave_dialog(App& app, const event::LeaveDialogShown& shown) {
    const std::optional<TabLocation> where = find_tab_view(app, shown.tab, shown.view);
    if (where && where->tab != app.windows[where->window].active) {
        select_tab(app, where->window, where->tab);
    }
}

} // namespace corvane
