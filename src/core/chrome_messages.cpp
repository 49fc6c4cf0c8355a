#include "core/chrome_messages.h"

#include "core/commands.h"
#include "core/devtools.h"
#include "core/layout.h"
#include "core/navigate.h"
#include "core/overloaded.h"
#include "core/page_calls.h"
#include "core/tabs.h"
#include "core/windows.h"
#include "engine/actions.h"

#include <algorithm>

namespace corvane {

namespace {

struct Context {
    App& app;
    std::size_t window;
    ControlFlow& flow;

    BrowserWindow& record() const { return app.windows[window]; }
};

void on_ready(const Context& c) {
    BrowserWindow& window = c.record();
    const bool first = !window.ready_seen;
    window.ready_seen = true;
    if (first && !window.devtools && c.app.wants_devtools) {
        toggle_devtools(c.app, c.window);
    }
    render(c.app, c.window);
    if (const Tab* tab = window.active_tab(); tab && tab->url.starts_with(kNewTabUrl)) {
        window.chrome->focus();
        call_ui_page(*window.chrome, "focusOmnibox", {});
    }
}

void on_close_tab(const Context& c, TabId id) {
    if (close_tab(c.app, c.window, id)) {
        close_window(c.app, c.window);
    }
}

void on_select_tab(const Context& c, TabId id) {
    const std::vector<Tab>& tabs = c.record().tabs;
    const auto it =
        std::find_if(tabs.begin(), tabs.end(), [id](const Tab& tab) { return tab.id == id; });
    if (it != tabs.end()) {
        select_tab(c.app, c.window, static_cast<std::size_t>(it - tabs.begin()));
    }
}

void on_move_tab(const Context& c, TabId id, std::uint64_t to) {
    BrowserWindow& window = c.record();
    std::vector<Tab>& tabs = window.tabs;
    const auto it =
        std::find_if(tabs.begin(), tabs.end(), [id](const Tab& tab) { return tab.id == id; });
    if (it != tabs.end()) {
        const TabId active_id = window.has_active_tab() ? tabs[window.active].id : 0;
        Tab moved = std::move(*it);
        tabs.erase(it);
        const std::size_t target =
            static_cast<std::size_t>(std::min<std::uint64_t>(to, tabs.size()));
        tabs.insert(tabs.begin() + static_cast<std::ptrdiff_t>(target), std::move(moved));
        const auto active = std::find_if(
            tabs.begin(), tabs.end(), [active_id](const Tab& tab) { return tab.id == active_id; });
        window.active = active == tabs.end() ? 0 : static_cast<std::size_t>(active - tabs.begin());
    }
    render(c.app, c.window);
}

void on_overlay(const Context& c, bool on) {
    BrowserWindow& window = c.record();
    window.overlay_open = on;
    if (on) {
        window.chrome->bring_to_front();
    }
    const platform::Size size = window.window->inner_size();
    const double height =
        on ? size.height : (window.findbar_open ? strip_height_with_findbar : strip_height);
    window.chrome->set_bounds({0, 0, size.width, height});
}

void on_active_view(const Context& c, void (*action)(platform::WebView&)) {
    if (Tab* tab = c.record().active_tab(); tab && tab->webview) {
        action(*tab->webview);
    }
}

} // namespace

void handle_ui_message(App& app, std::size_t window, UiMsg msg, ControlFlow& flow) {
    const Context c{app, window, flow};
    std::visit(Overloaded{
                   [&](msg::Ready&) { on_ready(c); },
                   // Both act in the intake while the mouse press is still current; never posted.
                   [](msg::Drag&) {},
                   [](msg::ZoomWindow&) {},
                   [&](msg::Navigate& m) {
                       navigate(app, window, m.text,
                                m.new_tab ? NavigateTarget::new_tab : NavigateTarget::active_tab);
                   },
                   [&](msg::OpenUrl& m) {
                       navigate(app, window, m.url,
                                m.new_tab ? NavigateTarget::new_tab : NavigateTarget::active_tab);
                   },
                   [&](msg::NewTab&) { run_command(app, "newTab", flow); },
                   [&](msg::CloseTab& m) { on_close_tab(c, m.id); },
                   [&](msg::SelectTab& m) { on_select_tab(c, m.id); },
                   [&](msg::MoveTab& m) { on_move_tab(c, m.id, m.to); },
                   [&](msg::Back&) { run_command(app, "back", flow); },
                   [&](msg::Forward&) { run_command(app, "forward", flow); },
                   [&](msg::Reload&) { run_command(app, "reload", flow); },
                   [&](msg::Stop&) { on_active_view(c, stop_loading); },
                   [&](msg::Overlay& m) { on_overlay(c, m.on); },
                   [&](msg::Cmd& m) { run_command(app, m.cmd, flow); },
                   [&](msg::FocusPage&) { on_active_view(c, focus_webview); },
                   [&](msg::Findbar& m) {
                       // FIXME: closing the bar also clears the page's selection and focuses the
                       // page once find in page is there.
                       app.windows[window].findbar_open = m.open;
                       layout_window(app.windows[window]);
                   },
                   [&](msg::DevClose&) {
                       if (app.windows[window].devtools) {
                           toggle_devtools(app, window);
                       }
                   },
                   // FIXME: suggestions, bookmarks, find, panels, settings, clearing data, the
                   // per-site Shield switch, revealing downloads and the developer-tools bridge
                   // come with their own features; until then these messages do nothing.
                   [](auto&) {},
               },
               msg);
}

} // namespace corvane
