#include "core/chrome_messages.h"

#include "address/url_classify.h"
#include "core/bookmark_toggle.h"
#include "core/closing.h"
#include "core/commands.h"
#include "core/devtools.h"
#include "core/find.h"
#include "core/hung_pages.h"
#include "core/layout.h"
#include "core/navigate.h"
#include "core/newtab_data.h"
#include "core/overloaded.h"
#include "core/page_calls.h"
#include "core/panels.h"
#include "core/settings_changes.h"
#include "core/suggest.h"
#include "core/tabs.h"
#include "core/windows.h"
#include "engine/actions.h"
#include "engine/shield_wiring.h"
#include "engine/website_data.h"
#include "platform/startup_trace.h"
#include "store/history.h"

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
    platform::startup_mark("chrome-ready");
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

void on_navigate(const Context& c, std::string_view text, bool new_tab) {
    navigate(c.app, c.window, text, new_tab ? NavigateTarget::new_tab : NavigateTarget::active_tab);
}

void on_close_tab(const Context& c, TabId id) {
    request_close_tab(c.app, c.window, id);
}

std::optional<std::size_t> tab_index(const BrowserWindow& window, TabId id) {
    const auto it = std::find_if(window.tabs.begin(), window.tabs.end(),
                                 [id](const Tab& tab) { return tab.id == id; });
    if (it == window.tabs.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(it - window.tabs.begin());
}

void on_select_tab(const Context& c, TabId id) {
    if (const std::optional<std::size_t> index = tab_index(c.record(), id)) {
        select_tab(c.app, c.window, *index);
    }
}

// The moved tab keeps its web view and state; the active tab stays the active one.
void on_move_tab(const Context& c, TabId id, std::uint64_t to) {
    BrowserWindow& window = c.record();
    if (const std::optional<std::size_t> from = tab_index(window, id)) {
        std::vector<Tab>& tabs = window.tabs;
        const TabId active_id = window.has_active_tab() ? tabs[window.active].id : 0;
        Tab moved = std::move(tabs[*from]);
        tabs.erase(tabs.begin() + static_cast<std::ptrdiff_t>(*from));
        const auto target = static_cast<std::size_t>(std::min<std::uint64_t>(to, tabs.size()));
        tabs.insert(tabs.begin() + static_cast<std::ptrdiff_t>(target), std::move(moved));
        window.active = tab_index(window, active_id).value_or(0);
    }
    render(c.app, c.window);
}

// While a popover or sheet is open the chrome view covers the whole window, so the popover can
// reach over the page.
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

void on_clear_data(const Context& c, bool history, bool site) {
    App& app = c.app;
    if (history) {
        clear_history(app.store);
        app.closed_tabs.clear();
    }
    if (site) {
        clear_website_data(app.engine);
    }
    flush_store(app.store);
    update_newtab_snapshot(app);
    show_toast(app.windows, c.window, "Browsing data cleared");
}

void on_remove_bookmark(const Context& c, std::string_view url) {
    App& app = c.app;
    remove_bookmark(app.store.bookmarks, url);
    app.store.bookmarks_dirty = true;
    update_newtab_snapshot(app);
    send_panel(app, c.window, "bookmarks");
    render(app, c.window);
}

// The allowlist holds the hosts the Shield is off for, each at most once.
void on_shield_site(const Context& c, bool on) {
    App& app = c.app;
    const Tab* tab = c.record().active_tab();
    const std::string host = tab != nullptr ? display_host(tab->url) : std::string();
    if (host.empty()) {
        return;
    }
    std::vector<std::string>& allowlist = app.store.settings.shield_allowlist;
    remove_from_allowlist(allowlist, host);
    if (!on) {
        allowlist.push_back(host);
    }
    app.store.settings_dirty = true;
    flush_store(app.store);
    install_rule_list(app.engine, allowlist);
    send_panel(app, c.window, "shield");
    render(app, c.window);
}

// Index 0 is the newest download, as the downloads panel lists them.
void on_reveal_download(const Context& c, std::uint64_t index) {
    const std::vector<Download>& downloads = c.app.downloads;
    if (index < downloads.size()) {
        const Download& download = downloads[downloads.size() - 1 - index];
        c.app.platform->system().reveal_file(download.path);
    }
}

void on_dev_close(const Context& c) {
    if (c.record().devtools) {
        toggle_devtools(c.app, c.window);
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
                   [&](msg::Navigate& m) { on_navigate(c, m.text, m.new_tab); },
                   [&](msg::OpenUrl& m) { on_navigate(c, m.url, m.new_tab); },
                   [&](msg::NewTab&) { run_command(app, "newTab", flow); },
                   [&](msg::CloseTab& m) { on_close_tab(c, m.id); },
                   [&](msg::SelectTab& m) { on_select_tab(c, m.id); },
                   [&](msg::MoveTab& m) { on_move_tab(c, m.id, m.to); },
                   [&](msg::Back&) { run_command(app, "back", flow); },
                   [&](msg::Forward&) { run_command(app, "forward", flow); },
                   [&](msg::Reload&) { run_command(app, "reload", flow); },
                   [&](msg::Stop&) { ask_active_page(app, window, PageRequest::Kind::stop); },
                   [&](msg::Overlay& m) { on_overlay(c, m.on); },
                   [&](msg::Suggest& m) { suggest(app, window, m.q, m.complete); },
                   [&](msg::ToggleBookmark&) { toggle_active_bookmark(app, window); },
                   [&](msg::Cmd& m) { run_command(app, m.cmd, flow); },
                   [&](msg::Find& m) { find_in_page(app, window, m.q, m.back, m.fresh); },
                   [&](msg::Findbar& m) { set_findbar_open(app, window, m.open); },
                   [&](msg::Panel& m) { send_panel(app, window, m.name); },
                   [&](msg::Setting& m) { apply_setting(app, window, m.key, std::move(m.value)); },
                   [&](msg::ClearData& m) { on_clear_data(c, m.history, m.site); },
                   [&](msg::RemoveBookmark& m) { on_remove_bookmark(c, m.url); },
                   [&](msg::ShieldSite& m) { on_shield_site(c, m.on); },
                   [&](msg::RevealDownload& m) { on_reveal_download(c, m.index); },
                   [&](msg::FocusPage&) {
                       on_active_view(c, [](platform::WebView& view) { view.focus(); });
                   },
                   [&](msg::DevEval& m) { evaluate_for_devtools(app, window, m.id, m.code); },
                   [&](msg::DevResize& m) { resize_devtools(app, window, m.h); },
                   [&](msg::DevClose&) { on_dev_close(c); },
               },
               msg);
}

} // namespace corvane
