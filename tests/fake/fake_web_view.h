#pragma once

#include "platform/web_view.h"

#include <memory>
#include <string>
#include <vector>

namespace corvane::test {

class FakePlatform;
class FakeWindow;

struct PendingScript {
    std::string script;
    platform::ScriptResult done; // empty for fire-and-forget
    bool async_function = false;
};

class FakeWebView final : public platform::WebView {
public:
    FakeWebView(FakePlatform& platform, std::weak_ptr<FakeWindow> window,
                platform::WebViewOptions options);
    ~FakeWebView() override;

    const std::string& label() const override { return options.label; }
    void load_url(const std::string& url) override;
    void go_back() override { calls.push_back("go_back"); }
    void go_forward() override { calls.push_back("go_forward"); }
    void reload() override { calls.push_back("reload"); }
    void stop_loading() override { calls.push_back("stop_loading"); }
    bool can_go_back() const override { return back; }
    bool can_go_forward() const override { return forward; }
    std::string uri() const override { return url; }
    std::string title() const override { return page_title; }
    bool is_loading() const override { return loading; }
    void evaluate_script(const std::string& script) override;
    void evaluate_script(const std::string& script, platform::ScriptResult done) override;
    void evaluate_async_function(const std::string& body, platform::ScriptResult done) override;
    void set_zoom(double factor) override;
    double zoom() const override { return zoom_factor; }
    void print() override { calls.push_back("print"); }
    void focus() override;
    bool has_focus() const override { return focused; }
    void execute_editing_command(const std::string& command) override;
    void set_bounds(const platform::Rect& rect) override;
    platform::Rect bounds() const override { return rect; }
    void set_hidden(bool value) override;
    bool is_hidden() const override { return hidden; }
    void place_below(platform::WebView& other) override;
    void bring_to_front() override;
    void set_click_through(bool through) override { click_through = through; }
    void add_content_filter(const std::shared_ptr<platform::ContentFilter>& filter) override;
    void remove_all_content_filters() override;
    void terminate_web_process() override { calls.push_back("terminate_web_process"); }

    // Answers the oldest pending script with a result; false when none waits.
    bool complete_script(const std::string& json);
    // Position from the bottom of its window's stack; -1 when not in one.
    int stack_index() const;

    FakePlatform& platform;
    std::weak_ptr<FakeWindow> window;
    platform::WebViewOptions options;
    std::vector<std::string> calls;
    std::vector<PendingScript> scripts;
    std::vector<std::shared_ptr<platform::ContentFilter>> filters;
    std::string url;
    std::string page_title;
    platform::Rect rect;
    double zoom_factor = 1.0;
    bool hidden = false;
    bool focused = false;
    bool loading = false;
    bool back = false;
    bool forward = false;
    bool click_through = false;
};

} // namespace corvane::test
