#include "fake/fake_platform.h"

#include <algorithm>

namespace corvane::test {

bool FakeContentFilterStore::finish_lookup() {
    if (lookups.empty()) {
        return false;
    }
    auto [identifier, done] = std::move(lookups.front());
    lookups.erase(lookups.begin());
    auto found = kept.find(identifier);
    done(found == kept.end() ? nullptr : found->second);
    return true;
}

bool FakeContentFilterStore::finish_compile(bool succeed) {
    if (compiles.empty()) {
        return false;
    }
    auto [identifier, json, done] = std::move(compiles.front());
    compiles.erase(compiles.begin());
    done(succeed ? kept[identifier] = std::make_shared<FakeContentFilter>(identifier, json)
                 : nullptr);
    return true;
}

std::shared_ptr<platform::Window>
FakePlatform::create_window(const platform::WindowOptions& options) {
    return fail_windows ? nullptr : std::make_shared<FakeWindow>(next_window++, options);
}

std::unique_ptr<platform::WebView>
FakePlatform::create_web_view(platform::Window& parent, const platform::WebViewOptions& options) {
    auto* window = dynamic_cast<FakeWindow*>(&parent);
    if (fail_web_views || window == nullptr) {
        return nullptr;
    }
    return std::make_unique<FakeWebView>(window->weak_from_this(), options);
}

FakeWebView::FakeWebView(std::weak_ptr<FakeWindow> parent, platform::WebViewOptions view_options)
    : window(std::move(parent)), options(std::move(view_options)), filters(options.content_filters),
      url(options.url), extra_script(options.extra_user_script), rect(options.bounds) {
    if (auto live = window.lock()) {
        live->stack.push_back(this);
    }
}

FakeWebView::~FakeWebView() {
    if (auto live = window.lock()) {
        std::erase(live->stack, this);
    }
}

void FakeWebView::place_below(platform::WebView& other) {
    auto live = window.lock();
    auto* sibling = dynamic_cast<FakeWebView*>(&other);
    if (!live || sibling == nullptr || sibling == this || sibling->window.lock() != live) {
        return;
    }
    std::erase(live->stack, this);
    live->stack.insert(std::find(live->stack.begin(), live->stack.end(), sibling), this);
}

void FakeWebView::bring_to_front() {
    if (auto live = window.lock()) {
        std::erase(live->stack, this);
        live->stack.push_back(this);
    }
}

bool FakeWebView::complete_script(const std::string& json) {
    auto pending = std::find_if(scripts.begin(), scripts.end(),
                                [](const PendingScript& s) { return static_cast<bool>(s.done); });
    if (pending == scripts.end()) {
        return false;
    }
    platform::ScriptResult done = std::move(pending->done);
    scripts.erase(pending);
    done(json);
    return true;
}

int FakeWebView::stack_index() const {
    const auto live = window.lock();
    const auto at = live ? std::ranges::find(live->stack, this) : decltype(live->stack.end()){};
    return live && at != live->stack.end() ? static_cast<int>(at - live->stack.begin()) : -1;
}

} // namespace corvane::test
