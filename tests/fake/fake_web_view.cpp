#include "fake/fake_web_view.h"

#include "fake/fake_platform.h"

#include <algorithm>

namespace corvane::test {

FakeWebView::FakeWebView(FakePlatform& owner, std::weak_ptr<FakeWindow> parent,
                         platform::WebViewOptions view_options)
    : platform(owner), window(std::move(parent)), options(std::move(view_options)),
      filters(options.content_filters), url(options.url), rect(options.bounds) {
    if (auto live = window.lock()) {
        live->stack.push_back(this);
    }
    if (!options.url.empty()) {
        calls.push_back("load_url " + options.url);
    }
}

FakeWebView::~FakeWebView() {
    if (auto live = window.lock()) {
        std::erase(live->stack, this);
    }
    std::replace(platform.views.begin(), platform.views.end(), this,
                 static_cast<FakeWebView*>(nullptr));
}

void FakeWebView::load_url(const std::string& target) {
    url = target;
    calls.push_back("load_url " + target);
}

void FakeWebView::evaluate_script(const std::string& script) {
    calls.push_back("evaluate_script " + script);
    scripts.push_back(PendingScript{script, {}, false});
}

void FakeWebView::evaluate_script(const std::string& script, platform::ScriptResult done) {
    calls.push_back("evaluate_script " + script);
    scripts.push_back(PendingScript{script, std::move(done), false});
}

void FakeWebView::evaluate_async_function(const std::string& body, platform::ScriptResult done) {
    calls.push_back("evaluate_async_function " + body);
    scripts.push_back(PendingScript{body, std::move(done), true});
}

void FakeWebView::set_zoom(double factor) {
    zoom_factor = factor;
    calls.push_back("set_zoom");
}

void FakeWebView::focus() {
    focused = true;
    calls.push_back("focus");
}

void FakeWebView::execute_editing_command(const std::string& command) {
    calls.push_back("execute_editing_command " + command);
}

void FakeWebView::set_bounds(const platform::Rect& bounds) {
    rect = bounds;
    calls.push_back("set_bounds");
}

void FakeWebView::set_hidden(bool value) {
    hidden = value;
    calls.push_back(value ? "set_hidden true" : "set_hidden false");
}

void FakeWebView::place_below(platform::WebView& other) {
    calls.push_back("place_below " + other.label());
    auto live = window.lock();
    auto* sibling = dynamic_cast<FakeWebView*>(&other);
    if (!live || sibling == nullptr || sibling == this || sibling->window.lock() != live) {
        return;
    }
    std::erase(live->stack, this);
    auto at = std::find(live->stack.begin(), live->stack.end(), sibling);
    live->stack.insert(at, this);
}

void FakeWebView::bring_to_front() {
    calls.push_back("bring_to_front");
    if (auto live = window.lock()) {
        std::erase(live->stack, this);
        live->stack.push_back(this);
    }
}

void FakeWebView::add_content_filter(const std::shared_ptr<platform::ContentFilter>& filter) {
    filters.push_back(filter);
    calls.push_back("add_content_filter " + filter->identifier());
}

void FakeWebView::remove_all_content_filters() {
    filters.clear();
    calls.push_back("remove_all_content_filters");
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
    auto live = window.lock();
    if (!live) {
        return -1;
    }
    auto at = std::find(live->stack.begin(), live->stack.end(), this);
    return at == live->stack.end() ? -1 : static_cast<int>(at - live->stack.begin());
}

} // namespace corvane::test
