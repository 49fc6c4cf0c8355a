#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>
#include <webkit/webkit.h>

namespace corvane::test {

// One GTK window with one WebKit view showing the chrome page from the source tree, served on the
// corvane scheme with the same security policy the browser sends. The page's messages arrive
// through a real script-message handler and are recorded in order.
class ChromeHarness {
public:
    static constexpr int kWindowWidth = 1100;
    static constexpr int kWindowHeight = 720;

    ChromeHarness();
    ~ChromeHarness();
    ChromeHarness(const ChromeHarness&) = delete;
    ChromeHarness& operator=(const ChromeHarness&) = delete;

    // Loads (or reloads) the chrome page and waits for its `ready` message, starting a new web
    // process when the last one ended. Returns false on a timeout or a failed load.
    bool load();

    // Evaluates a script in the page and returns its value as JSON (null for undefined). A
    // thrown error fails the current test and yields null. When the view's web process has
    // ended, or stops answering, it throws ViewGone instead: nothing more can be learnt from
    // the view until the next load().
    nlohmann::json eval(const std::string& script);

    // Why the view's web process ended, or empty while it runs.
    const std::string& web_process_end() const { return ended_; }
    // Hands out the end's description once, for the one failure it causes.
    std::optional<std::string> take_unreported_end();
    // The address the view shows.
    std::string uri() const;

    // Calls a page function of window.CV with JSON arguments, like the core does.
    void call(const std::string& function, const std::vector<nlohmann::json>& args = {});

    // The exact texts the page posted since the last call, oldest first.
    std::vector<std::string> sent();
    void clear_messages() { messages_.clear(); }
    // Waits until at least `count` messages are recorded; false on timeout.
    bool wait_for_messages(std::size_t count,
                           std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Runs the main loop until `done` holds or the timeout passes; returns whether it held.
    bool run_until(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    void pump(std::chrono::milliseconds duration);

    // Resizes the view inside the window (the window itself keeps its size).
    void set_view_size(int width, int height);
    void reset_view_size();
    void set_dark(bool dark);

    // Lets the view show what lies beneath it, as the browser's chrome view does.
    void set_transparent(bool transparent);

    // Writes a PNG of the view's visible area; false when the snapshot fails.
    bool snapshot(const std::filesystem::path& png);
    // The alpha of the view's pixels at the given points, from a snapshot that keeps
    // transparency; empty when the snapshot fails.
    std::vector<int> alpha_at(const std::vector<std::pair<int, int>>& points);

    // Drives the real pointer and keyboard through xdotool. False when xdotool is unavailable
    // or fails.
    bool xdotool(const std::vector<std::string>& args);
    const std::string& window_title() const { return title_; }

    WebKitWebView* view() const { return view_; }

private:
    GdkTexture* take_snapshot(bool keep_transparency);
    [[noreturn]] void throw_view_gone(const std::string& script);
    static void on_message(WebKitUserContentManager*, JSCValue* value, gpointer self);
    static void on_terminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                              gpointer self);

    GtkWindow* window_ = nullptr;   // owned: destroyed in the destructor
    WebKitWebView* view_ = nullptr; // owned by window_
    WebKitWebContext* context_ = nullptr;
    WebKitUserContentManager* content_ = nullptr;
    std::string title_;
    std::vector<std::string> messages_;
    std::string ended_;
    bool end_reported_ = false;
};

// Thrown by eval() once the view's web process is gone. GoogleTest turns it into one failure
// of the running test, which stops there; the next test's SetUp loads the page afresh.
class ViewGone : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A sample window state as the core would push it: three tabs (ids 3, 7, 9), the second one
// active on https://www.example.com/, the third a new tab page.
nlohmann::json sample_state();

// Every test reloads the chrome page in one window shared by the whole binary, and ends by
// checking that nothing the page did broke its security policy or threw.
class ChromePageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static ChromeHarness& h() { return *harness_; }
    nlohmann::json js(const std::string& script) { return h().eval(script); }
    void render(const nlohmann::json& state) { h().call("render", {state}); }
    // Waits until the page's finite animations and transitions have run their course and a
    // frame has been drawn after them.
    void settle();
    // Focuses the address field and waits for the frame in which it selects its text.
    void focus_omni();
    // Focuses the address field, types `text` and drops the messages this sent.
    void type_into_omni(const std::string& text);
    void suggest(const nlohmann::json& rows, const nlohmann::json& completion = nullptr) {
        h().call("suggest", {rows, completion});
    }

private:
    static inline ChromeHarness* harness_ = nullptr;
};

// Four suggestion rows of the kinds the core sends: completion, plain search, history, bookmark.
nlohmann::json sample_rows();

} // namespace corvane::test
