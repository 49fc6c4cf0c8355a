#pragma once

// A recording fake of the platform: every call is kept, nothing is shown. Tests inspect what was
// asked (calls, state, scripts) and fire the hooks themselves, as the toolkit would.

#include "platform/platform.h"

#include <atomic>
#include <functional>
#include <map>
#include <tuple>
#include <utility>

namespace corvane::test {

class FakeWebView;

class FakeWaker final : public platform::Waker {
public:
    void wake() override { ++wakes; }
    std::atomic<int> wakes = 0;
};

class FakeApplication final : public platform::Application {
public:
    // Runs while_running, as the main loop would run its events, then returns as the loop
    // does when it ends (by quit() or by a signal).
    int run(const std::vector<std::string>&) override {
        if (while_running) {
            while_running();
        }
        return quit_code.value_or(0);
    }
    void quit(int exit_code) override { quit_code = exit_code; }
    std::shared_ptr<platform::Waker> waker() override { return waker_; }
    void set_deadline(std::optional<platform::Instant> when) override { deadline = when; }
    bool has_visible_windows() const override { return false; }
    bool on_session_bus() const override { return session_bus; }

    std::function<void()> while_running;
    bool session_bus = false;
    std::optional<int> quit_code;
    std::optional<platform::Instant> deadline;
    std::shared_ptr<FakeWaker> waker_ = std::make_shared<FakeWaker>();
};

class FakeSystem final : public platform::System {
public:
    bool open_uri(const std::string& uri) override {
        opened.push_back(uri);
        return true;
    }
    void reveal_file(const std::string& path) override { revealed.push_back(path); }
    bool set_extended_attribute(const std::string& path, const std::string& name,
                                const std::string& value) override {
        attributes.emplace_back(path, name, value);
        return true;
    }
    std::optional<std::string> run_and_capture(const std::vector<std::string>& argv) override {
        commands.push_back(argv);
        return command_output;
    }
    std::uint32_t process_id() const override { return pid; }
    bool on_main_thread() const override { return main_thread; }

    std::vector<std::string> opened;
    std::vector<std::string> revealed;
    std::vector<std::tuple<std::string, std::string, std::string>> attributes;
    std::vector<std::vector<std::string>> commands;
    std::optional<std::string> command_output;
    std::uint32_t pid = 4242;
    bool main_thread = true;
};

class FakeNetworkSession final : public platform::NetworkSession {
public:
    explicit FakeNetworkSession(bool ephemeral, std::string data = {}, std::string cache = {})
        : ephemeral_(ephemeral), data_folder(std::move(data)), cache_folder(std::move(cache)) {}
    bool is_ephemeral() const override { return ephemeral_; }
    void clear_website_data() override { ++clears; }

    bool ephemeral_;
    // Made for normal windows, not private ones.
    bool memory_only = false;
    std::string data_folder;
    std::string cache_folder;
    int clears = 0;
};

class FakeContentFilter final : public platform::ContentFilter {
public:
    FakeContentFilter(std::string identifier, std::string rules)
        : identifier_(std::move(identifier)), json(std::move(rules)) {}
    const std::string& identifier() const override { return identifier_; }

    std::string identifier_;
    std::string json;
};

// Completions wait until the test answers them.
class FakeContentFilterStore final : public platform::ContentFilterStore {
public:
    explicit FakeContentFilterStore(std::string where) : folder(std::move(where)) {}
    void lookup(const std::string& identifier, Completion done) override {
        ++lookup_calls;
        lookups.emplace_back(identifier, std::move(done));
    }
    void compile(const std::string& identifier, const std::string& rules_json,
                 Completion done) override {
        ++compile_calls;
        compiles.emplace_back(identifier, rules_json, std::move(done));
    }

    // Answers the oldest waiting look-up: the list kept under its identifier, if any.
    bool finish_lookup();
    // Answers the oldest waiting compile; succeed false makes it fail.
    bool finish_compile(bool succeed = true);

    std::string folder;
    std::map<std::string, std::shared_ptr<FakeContentFilter>> kept;
    std::vector<std::pair<std::string, Completion>> lookups;
    std::vector<std::tuple<std::string, std::string, Completion>> compiles;
    int lookup_calls = 0;
    int compile_calls = 0;
};

class FakeWindow final : public platform::Window, public std::enable_shared_from_this<FakeWindow> {
public:
    FakeWindow(platform::WindowId id, platform::WindowOptions made_with)
        : id_(id), options(std::move(made_with)), size(options.size) {}

    platform::WindowId id() const override { return id_; }
    platform::Size inner_size() const override { return size; }
    double scale_factor() const override { return 1.0; }
    void set_title(const std::string& title) override { options.title = title; }
    void present() override { ++presents; }
    void minimize() override {}
    bool is_minimized() const override { return false; }
    bool is_maximized() const override { return maximized; }
    void set_maximized(bool value) override { maximized = value; }
    bool is_fullscreen() const override { return fullscreen; }
    void set_fullscreen(bool value) override { fullscreen = value; }
    void set_menu_bar_visible(bool visible) override { menu_bar_visible = visible; }
    bool is_active() const override { return true; }
    void drag_window() override { ++drags; }
    void ask_to_leave(std::function<void(bool leave)> answered) override {
        questions.push_back(std::move(answered));
    }
    // Answers the oldest question still up, as the person would; false when none is.
    bool answer_question(bool leave) {
        if (questions.empty()) {
            return false;
        }
        std::function<void(bool)> answered = std::move(questions.front());
        questions.erase(questions.begin());
        answered(leave);
        return true;
    }

    // Questions put to the person and not answered yet, oldest first.
    std::vector<std::function<void(bool leave)>> questions;
    // Bottom to top.
    std::vector<FakeWebView*> stack;

    platform::WindowId id_;
    platform::WindowOptions options;
    platform::Size size;
    bool maximized = false;
    bool fullscreen = false;
    bool menu_bar_visible = true;
    int drags = 0;
    int presents = 0;
};

struct PendingScript {
    std::string script;
    platform::ScriptResult done; // empty for fire-and-forget
};

class FakeWebView final : public platform::WebView {
public:
    FakeWebView(std::weak_ptr<FakeWindow> window, platform::WebViewOptions options);
    ~FakeWebView() override;

    const std::string& label() const override { return options.label; }
    // As in WebKit, a requested load changes the URL only once it starts (tests set url).
    void load_url(const std::string& target) override { calls.push_back("load_url " + target); }
    void expect_https_fallback(const std::string& https_url, const std::string& http_url) override {
        calls.push_back("expect_https_fallback " + https_url + " " + http_url);
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
    bool has_secure_connection() const override { return secure_connection; }
    bool certificate_refused() const override { return refused_certificate; }
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
    void set_bounds(const platform::Rect& bounds) override { rect = bounds; }
    platform::Rect bounds() const override { return rect; }
    void set_hidden(bool value) override { hidden = value; }
    bool is_hidden() const override { return hidden; }
    void place_below(platform::WebView& other) override;
    void bring_to_front() override;
    void set_click_through(bool) override {}
    void add_content_filter(const std::shared_ptr<platform::ContentFilter>& filter) override {
        filters.push_back(filter);
    }
    void remove_all_content_filters() override { filters.clear(); }
    void terminate_web_process() override { calls.push_back("terminate_web_process"); }
    bool is_responsive() const override { return responsive; }
    // A page without a beforeunload handler agrees at once; one with a handler (set asks) asks
    // its question and agrees once it is answered "leave", as WebKit's try-close does.
    void try_close() override {
        calls.push_back("try_close");
        if (hangs) {
            return;
        }
        if (!asks) {
            if (on_close) {
                on_close();
            }
        } else if (on_leave_question) {
            closing = true;
            on_leave_question(platform::LeaveFor::close);
        }
    }
    void answer_leave_question(bool leave) override {
        calls.push_back(leave ? "answer_leave_question leave" : "answer_leave_question stay");
        if (std::exchange(closing, false) && leave && on_close) {
            on_close();
        }
    }
    void show_error_page(const std::string& html, const std::string& at) override {
        url = at;
        calls.push_back("show_error_page " + html);
    }
    std::string session_state() const override { return "history of " + url; }
    void set_extra_user_script(const std::string& script) override { extra_script = script; }

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
    std::string extra_script;
    platform::Rect rect;
    double zoom_factor = 1.0;
    bool hidden = false;
    bool focused = false;
    bool back = false;
    bool secure_connection = true;
    bool refused_certificate = false;
    bool asks = false;
    // A beforeunload handler that never returns: try_close gets no answer at all.
    bool hangs = false;
    // The page's question was asked by try_close.
    bool closing = false;
    bool responsive = true;
};

class FakePlatform final : public platform::Platform {
public:
    platform::Application& application() override { return app; }
    platform::System& system() override { return system_; }
    std::shared_ptr<platform::Window>
    create_window(const platform::WindowOptions& options) override;
    std::unique_ptr<platform::WebView>
    create_web_view(platform::Window& parent, const platform::WebViewOptions& options) override;
    void register_scheme(platform::WebContextKind kind, const std::string& scheme,
                         platform::SchemeHandler handler) override {
        schemes[{kind, scheme}] = std::move(handler);
    }
    std::shared_ptr<platform::NetworkSession>
    create_persistent_session(const std::filesystem::path& data_folder,
                              const std::filesystem::path& cache_folder) override {
        return std::make_shared<FakeNetworkSession>(false, data_folder.string(),
                                                    cache_folder.string());
    }
    std::shared_ptr<platform::NetworkSession> create_ephemeral_session() override {
        return std::make_shared<FakeNetworkSession>(true);
    }
    std::shared_ptr<platform::NetworkSession> create_memory_session() override {
        auto session = std::make_shared<FakeNetworkSession>(true);
        session->memory_only = true;
        return session;
    }
    std::shared_ptr<platform::ContentFilterStore>
    open_content_filter_store(const std::filesystem::path& folder) override {
        filter_store =
            fail_filter_store ? nullptr : std::make_shared<FakeContentFilterStore>(folder.string());
        return filter_store;
    }
    void install_menu_bar(const platform::MenuBar& bar,
                          std::function<void(const std::string& id)> on_activate) override {
        menu_bar = bar;
        menu_handler = std::move(on_activate);
    }

    FakeApplication app;
    FakeSystem system_;
    std::shared_ptr<FakeContentFilterStore> filter_store;
    bool fail_filter_store = false;
    bool fail_web_views = false;
    bool fail_windows = false;
    platform::MenuBar menu_bar;
    std::function<void(const std::string&)> menu_handler;
    std::map<std::pair<platform::WebContextKind, std::string>, platform::SchemeHandler> schemes;
    platform::WindowId next_window = 1;
};

} // namespace corvane::test
