#pragma once

#include "platform/web_view.h"

namespace corvane::test {

class FakeWindow;

struct PendingScript {
    std::string script;
    platform::ScriptResult done; // empty for fire-and-forget
};

class FakeWebView final : public platform::WebView {
public:
    FakeWebView(std::weak_ptr<FakeWindow> window, platform::WebViewOptions options);
    ~FakeWebView() override;

    const std::string& label() const override { return options.label; }
    void load_url(const std::string& target) override {
        url = target;
        calls.push_back("load_url " + target);
    }
    void go_back() override { calls.push_back("go_back"); }
    void go_forward() override { calls.push_back("go_forward"); }
    void reload() override { calls.push_back("reload"); }
    void stop_loading() override { calls.push_back("stop_loading"); }
    bool can_go_back() const override { return back; }
    bool can_go_forward() const override { return false; }
    std::string uri() const override { return url; }
    std::string title() const override { return {}; }
    bool is_loading() const override { return false; }
    void evaluate_script(const std::string& script) override { evaluate_script(script, {}); }
    void evaluate_script(const std::string& script, platform::ScriptResult done) override {
        calls.push_back("evaluate_script " + script);
        scripts.push_back(PendingScript{script, std::move(done)});
    }
    void evaluate_async_function(const std::string& body, platform::ScriptResult done) override {
        evaluate_script(body, std::move(done));
    }
    void set_zoom(double factor) override {
        zoom_factor = factor;
        calls.push_back("set_zoom");
    }
    double zoom() const override { return zoom_factor; }
    void print() override { calls.push_back("print"); }
    void focus() override {
        focused = true;
        calls.push_back("focus");
    }
    bool has_focus() const override { return focused; }
    void execute_editing_command(const std::string& command) override {
        calls.push_back("execute_editing_command " + command);
    }
    void set_bounds(const platform::Rect& bounds) override {
        rect = bounds;
        calls.push_back("set_bounds");
    }
    platform::Rect bounds() const override { return rect; }
    void set_hidden(bool value) override {
        hidden = value;
        calls.push_back(value ? "set_hidden true" : "set_hidden false");
    }
    bool is_hidden() const override { return hidden; }
    void place_below(platform::WebView& other) override;
    void bring_to_front() override;
    void set_click_through(bool) override {}
    void add_content_filter(const std::shared_ptr<platform::ContentFilter>& filter) override {
        filters.push_back(filter);
    }
    void remove_all_content_filters() override { filters.clear(); }
    void terminate_web_process() override { calls.push_back("terminate_web_process"); }

    // Answers the oldest pending script with a result; false when none waits.
    bool complete_script(const std::string& json);
    // Position from the bottom of its window's stack; -1 when not in one.
    int stack_index() const;

    std::weak_ptr<FakeWindow> window;
    platform::WebViewOptions options;
    std::vector<std::string> calls;
    std::vector<PendingScript> scripts;
    std::vector<std::shared_ptr<platform::ContentFilter>> filters;
    std::string url;
    platform::Rect rect;
    double zoom_factor = 1.0;
    bool hidden = false;
    bool focused = false;
    bool back = false;
};

} // namespace corvane::test
