#include "core/app.h"

#include "address/url_classify.h"
#include "core/newtab_data.h"

namespace corvane {

const std::string& Tab::host() const {
    if (host_of_ != url) { // an empty url has the empty host, so the start is right
        host_ = display_host(url);
        host_of_ = url;
    }
    return host_;
}

App make_app(platform::Platform& platform, EventLoopProxy proxy, Store store) {
    App app;
    app.platform = &platform;
    app.newtab = std::make_shared<SharedNewTabSnapshot>();
    app.engine = make_engine_config(platform, proxy, app.newtab, store.dir);
    app.proxy = std::move(proxy);
    app.store = std::move(store);
    update_newtab_snapshot(app);
    return app;
}

std::optional<TabLocation> find_tab(const App& app, TabId id) {
    for (std::size_t w = 0; w < app.windows.size(); ++w) {
        const std::vector<Tab>& tabs = app.windows[w].tabs;
        for (std::size_t t = 0; t < tabs.size(); ++t) {
            if (tabs[t].id == id) {
                return TabLocation{w, t};
            }
        }
    }
    return std::nullopt;
}

std::optional<TabLocation> find_tab_view(const App& app, TabId id, ViewId view) {
    const std::optional<TabLocation> where = find_tab(app, id);
    if (where && app.windows[where->window].tabs[where->tab].holds(view)) {
        return where;
    }
    return std::nullopt;
}

std::optional<std::size_t> find_window(const App& app, WindowId id) {
    for (std::size_t w = 0; w < app.windows.size(); ++w) {
        if (app.windows[w].id() == id) {
            return w;
        }
    }
    return std::nullopt;
}

} // namespace corvane
