#include "core/user_events.h"

#include "address/navigation_policy.h"
#include "address/url_classify.h"
#include "core/chrome_messages.h"
#include "core/closing.h"
#include "core/commands.h"
#include "core/crash_guard.h"
#include "core/devtools.h"
#include "core/downloads.h"
#include "core/find.h"
#include "core/hung_pages.h"
#include "core/navigate.h"
#include "core/overloaded.h"
#include "core/page_calls.h"
#include "core/page_text.h"
#include "core/sleeping.h"
#include "core/tabs.h"
#include "core/windows.h"
#include "engine/actions.h"
#include "engine/shield_wiring.h"
#include "platform/startup_trace.h"
#include "store/history.h"

namespace corvane {

namespace {

// Every arm below that touches a tab looks it up with the view the event came from: a tab that
// has slept, crashed or been rebuilt since is left alone, so a sleeping tab never shows a load.
void on_page_load(App& app, event::PageLoad& load) {
    const std::optional<TabLocation> where = find_tab_view(app, load.tab, load.view);
    if (!where) {
        return;
    }
    BrowserWindow& window = app.windows[where->window];
    Tab& tab = window.tabs[where->tab];
    // A load reports the address it goes to, about:blank included: only a view that has not begun
    // its first load reports that address without a load.
    if (!load.url.empty()) {
        if (load.loading && display_host(load.url) != display_host(tab.url)) {
            tab.favicon.reset();
        }
        tab.url = load.url;
    }
    tab.loading = load.loading;
    if (load.loading) {
        tab.request.reset(); // the page answered
    } else {
        if (where->tab == window.active) {
            reset_devtools(app.windows, where->window);
        }
        if (!window.is_private) {
            record_visit(app.store, load.url, tab.title);
        }
        probe_favicon(*tab.webview, app.proxy, tab.id, tab.view);
    }
    render(app, where->window);
}

void on_title_changed(App& app, const event::TitleChanged& changed) {
    const std::optional<TabLocation> where = find_tab_view(app, changed.tab, changed.view);
    if (!where) {
        return;
    }
    BrowserWindow& window = app.windows[where->window];
    Tab& tab = window.tabs[where->tab];
    tab.title = clean_title(changed.title);
    if (std::optional<std::string> url = current_url(*tab.webview)) {
        tab.url = std::move(*url);
    }
    if (!window.is_private) {
        set_history_title(app.store, tab.url, tab.title);
    }
    render(app, where->window);
}

void on_favicon_found(App& app, event::FaviconFound& found) {
    if (const std::optional<TabLocation> where = find_tab_view(app, found.tab, found.view)) {
        app.windows[where->window].tabs[where->tab].favicon = std::move(found.icon);
        render(app, where->window);
    }
}

void on_new_window_requested(App& app, event::NewWindowRequested& request) {
    const std::optional<TabLocation> where = find_tab_view(app, request.tab, request.view);
    // No new tab or window opens on the new tab page's hand-over address: the typed text it
    // would carry belongs to the page that typed it, never to a new one.
    if (!where || is_blocked_url(request.url) || is_hand_over_address(request.url) ||
        request.url.size() >= kMaxNewWindowUrlBytes) {
        return;
    }
    switch (request.where) {
    case platform::OpenIn::window:
        // A private window's link stays private.
        create_window(app,
                      app.windows[where->window].is_private ? WindowKind::private_browsing
                                                            : WindowKind::normal,
                      {SessionTab{std::move(request.url), ""}}, 0);
        break;
    case platform::OpenIn::background_tab:
        add_tab(app, where->window, std::move(request.url), TabFocus::background,
                TabPlace::after_active);
        break;
    case platform::OpenIn::foreground_tab:
        add_tab(app, where->window, std::move(request.url), TabFocus::foreground,
                TabPlace::after_active);
        // In front, it takes the keyboard, as a tab the user selects does.
        if (Tab* shown = app.windows[where->window].active_tab(); shown && shown->webview) {
            shown->webview->focus();
        }
        break;
    }
}

void on_web_content_terminated(App& app, const event::WebContentTerminated& ended,
                               ControlFlow& flow) {
    // A page being asked whether it may close cannot answer any more; what it held is lost.
    handle_page_ended(app, ended.tab, ended.view, flow);
    const std::optional<TabLocation> where = find_tab_view(app, ended.tab, ended.view);
    if (!where) {
        return;
    }
    BrowserWindow& window = app.windows[where->window];
    Tab& tab = window.tabs[where->tab];
    // The page that had the window full screen is gone with its process.
    if (window.fullscreen_view == ended.view) {
        set_page_fullscreen(window, 0);
        window.window->set_fullscreen(false);
    }
    if (std::exchange(tab.process_ended_on_purpose, false)) {
        // The view has gone on with what the user asked.
    } else if (where->tab != window.active) {
        drop_tab_view(tab); // asleep: rebuilt on its URL when shown again
    } else if (crashed_too_often(tab.crashes, app.now())) {
        // Reloading a page that keeps crashing would go on for ever; the user reloads by hand.
        tab.webview->show_error_page(crash_page_html(tab.title), tab.url);
    } else {
        tab.webview->reload();
    }
    tab.loading = false;
    render(app, where->window);
}

// The chrome page's state is the window's: a new page gets it all with its first render, after
// its Ready. It starts with no popover or find bar open, so the views go back to their places.
void on_chrome_terminated(App& app, const event::ChromeTerminated& ended) {
    const std::optional<std::size_t> index = find_window(app, ended.window);
    if (!index) {
        return;
    }
    BrowserWindow& window = app.windows[*index];
    window.overlay_open = false;
    window.findbar_open = false;
    layout_window(window);
    window.chrome->load_url(std::string(kChromeUrl));
}

// Same-document navigations (a fragment, pushState) come without a load: the tab takes its view's
// address here. During a load, the page-load events own the address.
void on_location_changed(App& app, const event::LocationChanged& changed) {
    const std::optional<TabLocation> where = find_tab_view(app, changed.tab, changed.view);
    if (!where) {
        return;
    }
    Tab& tab = app.windows[where->window].tabs[where->tab];
    tab.request.reset(); // the page answered
    if (!tab.loading) {
        if (std::optional<std::string> url = current_url(*tab.webview)) {
            tab.url = std::move(*url);
        }
    }
    render(app, where->window);
}

void on_page_fullscreen(App& app, const event::PageFullscreen& change) {
    const std::optional<TabLocation> where = find_tab_view(app, change.tab, change.view);
    if (!where) {
        return;
    }
    BrowserWindow& window = app.windows[where->window];
    // Only the shown page may take the window, and only that page gives it back.
    if (change.on && where->tab == window.active) {
        set_page_fullscreen(window, change.view);
    } else if (!change.on && window.fullscreen_view == change.view) {
        set_page_fullscreen(window, 0);
    }
}

void on_rule_list_ready(App& app, const event::RuleListReady& ready) {
    platform::startup_mark("shield-ready");
    app.shield_ready = ready.ok;
    app.engine.rule_list_ready = ready.ok;
    const bool on = ready.ok && app.store.settings.block_trackers;
    for (BrowserWindow& window : app.windows) {
        for (Tab& tab : window.tabs) {
            if (tab.webview) {
                apply_shield(app.engine, *tab.webview, on);
            }
        }
    }
}

// The user followed the link; it opens even when its tab has closed or slept since.
void on_open_externally(App& app, const event::OpenExternally& open) {
    app.platform->system().open_uri(open.url);
}

void on_new_tab_page_text(App& app, const event::NewTabPageText& typed) {
    if (const std::optional<TabLocation> where = find_tab_view(app, typed.tab, typed.view)) {
        navigate_from_new_tab_page(app, *where, typed.text);
    }
}

void on_ui_message(App& app, event::UiMessage& message, ControlFlow& flow) {
    if (const std::optional<std::size_t> window = find_window(app, message.window)) {
        handle_ui_message(app, *window, std::move(message.msg), flow);
    }
}

} // namespace

void handle_user_event(App& app, UserEvent event, ControlFlow& flow) {
    // One arm per variant; a variant without an arm does not compile.
    std::visit(Overloaded{
                   [&](event::UiMessage& e) { on_ui_message(app, e, flow); },
                   [&](event::PageLoad& e) { on_page_load(app, e); },
                   [&](event::TitleChanged& e) { on_title_changed(app, e); },
                   [&](event::FaviconFound& e) { on_favicon_found(app, e); },
                   [&](event::NewWindowRequested& e) { on_new_window_requested(app, e); },
                   [&](event::OpenExternally& e) { on_open_externally(app, e); },
                   [&](event::NewTabPageText& e) { on_new_tab_page_text(app, e); },
                   [&](event::DownloadStarted& e) { handle_download_started(app, e); },
                   [&](event::DownloadFinished& e) { handle_download_finished(app, e); },
                   [&](event::WebContentTerminated& e) { on_web_content_terminated(app, e, flow); },
                   [&](event::ChromeTerminated& e) { on_chrome_terminated(app, e); },
                   [&](event::LocationChanged& e) { on_location_changed(app, e); },
                   [&](event::PageFullscreen& e) { on_page_fullscreen(app, e); },
                   [&](event::SleepAnswer& e) { handle_sleep_answer(app, e); },
                   [&](event::FindResult& e) { handle_find_result(app, e); },
                   [&](event::RuleListReady& e) { on_rule_list_ready(app, e); },
                   [&](event::MenuCommand& e) { run_command(app, e.id, flow); },
                   [&](event::DevEvalResult& e) { handle_dev_eval_result(app, e); },
                   [&](event::SelfTest& e) { handle_self_test(app, e); },
                   [&](event::CloseAgreed& e) { handle_close_agreed(app, e, flow); },
                   [&](event::LeaveQuestion& e) { handle_leave_question(app, e); },
                   [&](event::LeaveAnswered& e) { handle_leave_answered(app, e); },
                   [&](event::PageRefused& e) { handle_page_refused(app, e); },
                   [&](event::WebContentUnresponsive& e) {
                       handle_page_unresponsive(app, e.tab, e.view, flow);
                       on_web_content_unresponsive(app, e);
                   },
               },
               event);
}

} // namespace corvane
