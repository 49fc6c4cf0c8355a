#include "core_fixture.h"

#include "store/store.h"

#include <ranges>

namespace corvane::test {

CoreTest::CoreTest()
    : queue(std::make_shared<UserEventQueue>(platform.app.waker())),
      app(make_app(platform, EventLoopProxy(queue),
                   load_store(dir / "data", [this] { return wall; }))) {
    app.clock = [this] {
        return now;
    };
}

FakeWebView& CoreTest::fake(const std::unique_ptr<platform::WebView>& view) {
    EXPECT_NE(view, nullptr);
    return dynamic_cast<FakeWebView&>(*view);
}

std::vector<std::string> CoreTest::scripts(const FakeWebView& view) {
    const auto texts = view.scripts | std::views::transform(&PendingScript::script);
    return {texts.begin(), texts.end()};
}

std::vector<std::string> CoreTest::page_calls(const FakeWebView& view) {
    std::vector<std::string> result;
    for (const std::string& script : scripts(view)) {
        if (script.starts_with("window.CV&&CV.")) {
            result.push_back(script.substr(14));
        }
    }
    return result;
}

std::vector<nlohmann::json> CoreTest::renders(const FakeWebView& view) {
    std::vector<nlohmann::json> result;
    for (const std::string& call : page_calls(view)) {
        if (call.starts_with("render(")) {
            result.push_back(nlohmann::json::parse(call.substr(7, call.size() - 8)));
        }
    }
    return result;
}

std::vector<UserEvent> CoreTest::take_posted() {
    std::vector<UserEvent> events;
    while (std::optional<UserEvent> event = queue->pop()) {
        events.push_back(std::move(*event));
    }
    return events;
}

std::vector<std::string> CoreTest::tab_urls(std::size_t window) const {
    const auto urls = app.windows.at(window).tabs | std::views::transform(&Tab::url);
    return {urls.begin(), urls.end()};
}

std::size_t CoreTest::open(std::vector<SessionTab> tabs, std::size_t active, WindowKind kind) {
    const std::optional<std::size_t> index = create_window(app, kind, std::move(tabs), active);
    EXPECT_TRUE(index);
    make_ready(index.value_or(0));
    return index.value_or(0);
}

std::size_t CoreTest::open_numbered(std::size_t count, std::size_t active, WindowKind kind) {
    std::vector<SessionTab> tabs;
    for (std::size_t i = 0; i < count; ++i) {
        tabs.push_back({"https://t" + std::to_string(i) + ".test/", "T"});
    }
    return open(std::move(tabs), active, kind);
}

} // namespace corvane::test
