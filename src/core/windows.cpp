#include "core/windows.h"

#include "core/layout.h"
#include "core/tabs.h"
#include "engine/webviews.h"
#include "platform/startup_trace.h"
#include "store/session.h"

#include <algorithm>

namespace corvane {

namespace {

constexpr platform::Size kWindowSize{1280.0, 820.0};
constexpr platform::Size kMinWindowSize{520.0, 360.0};

void connect_window_events(const App& app, platform::Window& window) {
    if (!app.window_events) {
        return;
    }
    const WindowId id = window.id();
    const WindowEventSink sink = app.window_events;
    window.on_resized = [sink, id](platform::Size) {
        sink({id, WindowEventKind::resized});
    };
    window.on_scale_factor_changed = [sink, id](double) {
        sink({id, WindowEventKind::scale_changed});
    };
    window.on_focus_changed = [sink, id](bool focused) {
        sink({id, focused ? WindowEventKind::focused : WindowEventKind::unfocused});
    };
    // Set, so the window stays open until the handler drops it.
    window.on_close_requested = [sink, id] {
        sink({id, WindowEventKind::close_requested});
    };
}

std::size_t normal_window_count(const App& app) {
    return static_cast<std::size_t>(
        std::count_if(app.windows.begin(), app.windows.end(),
                      [](const BrowserWindow& window) { return !window.is_private; }));
}

Tab asleep_tab(App& app, SessionTab pair) {
    Tab tab;
    tab.url = std::move(pair.url);
    tab.title = std::move(pair.title);
    tab.last_active = app.now();
    tab.id = app.take_id();
    return tab;
}

std::vector<SessionWindowView> session_views(const std::vector<BrowserWindow>& windows) {
    std::vector<SessionWindowView> views;
    views.reserve(windows.size());
    for (const BrowserWindow& window : windows) {
        SessionWindowView view{window.is_private, {}, window.active};
        for (const Tab& tab : window.tabs) {
            LiveUrl live;
            if (tab.webview) {
                const platform::WebView* webview = tab.webview.get();
                live = [webview]() -> std::optional<std::string> {
                    return webview->uri();
                };
            }
            view.tabs.push_back({tab.url, tab.title, std::move(live)});
        }
        views.push_back(std::move(view));
    }
    return views;
}

} // namespace

platform::WindowOptions window_attributes(WindowKind kind) {
    platform::WindowOptions options;
    options.title = kind == WindowKind::private_browsing ? "Corvane (Private)" : "Corvane";
    options.size = kWindowSize;
    options.min_size = kMinWindowSize;
    return options;
}

std::optional<std::size_t> create_window(App& app, WindowKind kind, std::vector<SessionTab> tabs,
                                         std::size_t active) {
    // The window manager places new windows; there is no cascade to compute here.
    std::shared_ptr<platform::Window> window = app.platform->create_window(window_attributes(kind));
    if (!window) {
        return std::nullopt;
    }
    connect_window_events(app, *window);

    BrowserWindow record;
    record.is_private = kind == WindowKind::private_browsing;
    if (record.is_private) {
        record.data_store = make_private_data_store(app.engine);
    }
    const double width = window->inner_size().width;
    record.chrome = create_ui_webview(app.engine, window, app.take_id(), std::string(kChromeUrl),
                                      {0, 0, width, strip_height}, true);
    if (!record.chrome) {
        return std::nullopt;
    }
    record.window = std::move(window);

    if (tabs.empty()) {
        tabs.push_back({std::string(kNewTabUrl), ""});
    }
    record.active = std::min(active, tabs.size() - 1);
    for (SessionTab& pair : tabs) {
        record.tabs.push_back(asleep_tab(app, std::move(pair)));
    }

    app.focused = record.id();
    app.windows.push_back(std::move(record));
    const std::size_t index = app.windows.size() - 1;
    show_tab(app, index);
    platform::startup_mark("tab-view-created");
    return index;
}

WindowLayout window_layout(const BrowserWindow& window) {
    const platform::Size size = window.window->inner_size();
    return compute_layout({size.width, size.height, window.findbar_open, window.overlay_open,
                           window.devtools ? std::optional(window.devtools_height) : std::nullopt,
                           window.fullscreen_view != 0});
}

void layout_window(BrowserWindow& window) {
    const WindowLayout layout = window_layout(window);
    window.chrome->set_bounds(layout.chrome);
    for (Tab& tab : window.tabs) {
        if (tab.webview) {
            tab.webview->set_bounds(layout.tab);
        }
    }
    if (window.devtools && layout.devtools) {
        window.devtools->set_bounds(*layout.devtools);
    }
}

void set_page_fullscreen(BrowserWindow& window, ViewId view) {
    const bool on = view != 0;
    const bool was_on = window.fullscreen_view != 0;
    window.fullscreen_view = view;
    if (on == was_on) {
        return;
    }
    window.window->set_menu_bar_visible(!on);
    window.chrome->set_hidden(on);
    if (window.devtools) {
        window.devtools->set_hidden(on);
    }
    layout_window(window);
}

void close_window(App& app, std::size_t index) {
    if (index >= app.windows.size()) {
        return;
    }
    // The last normal window saves the session, also while private windows stay: nothing
    // replaces it until a normal window is open again.
    if (!app.windows[index].is_private && normal_window_count(app) == 1) {
        save_session_now(app);
    }
    // Moved out first, so the list is consistent while the views and the window are dropped.
    BrowserWindow closing = std::move(app.windows[index]);
    app.windows.erase(app.windows.begin() + static_cast<std::ptrdiff_t>(index));
    app.last_window_closed = app.windows.empty();
    if (app.focused) {
        if (app.windows.empty()) {
            app.focused.reset();
        } else if (!find_window(app, *app.focused)) {
            app.focused = app.windows.back().id();
        }
    }
}

std::optional<std::size_t> current_window_index(const App& app) {
    if (app.focused) {
        if (std::optional<std::size_t> index = find_window(app, *app.focused)) {
            return index;
        }
    }
    if (app.windows.empty()) {
        return std::nullopt;
    }
    return app.windows.size() - 1;
}

void save_session_now(App& app) {
    if (normal_window_count(app) > 0) {
        const std::vector<SessionWindowView> views = session_views(app.windows);
        save_session(app.store, collect_session_windows(views));
    }
    flush_store(app.store);
}

void save_session_if_changed(App& app) {
    if (normal_window_count(app) == 0) {
        return;
    }
    std::vector<SessionWindow> windows = collect_session_windows(session_views(app.windows));
    if (windows != app.store.session) {
        save_session(app.store, std::move(windows));
    }
}

} // namespace corvane
