#pragma once

// The chrome page alone: the browser's own chrome view (its scheme handler, policy and message
// bridge) in a window that no core window owns. The core ignores its messages, so the page draws
// only the states a test pushes and posts only what the test's gestures cause. Driven with D.

#include "chrome_driver.h"

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace corvane::test {

class ChromeViewTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 1100;
    static constexpr int kHeight = 720;

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static platform::WebView& view() { return *view_; }
    static const std::string& title();
    nlohmann::json js(const std::string& script) { return drive(*view_, script); }
    // Calls a page function the way the core does.
    void call(const std::string& function, const std::vector<nlohmann::json>& args = {});
    void render(const nlohmann::json& state) { call("render", {state}); }
    void panel(const std::string& name, const nlohmann::json& data) { call("panel", {name, data}); }
    void suggest(const nlohmann::json& rows, const nlohmann::json& completion = nullptr) {
        call("suggest", {rows, completion});
    }
    // What the page posted since the last call, oldest first.
    nlohmann::json sent() { return js("D.sent.splice(0)"); }
    // Gives the address field the keyboard and waits for the frame in which it selects its text.
    void focus_omni();
    // Focuses the address field, types text and forgets what that sent.
    void type_into_omni(const std::string& text);
    void set_size(int width, int height);
    void set_dark(bool dark);
    // Waits until finite animations have run their course and a frame was drawn after them.
    void settle();
    // The alpha of the view's pixels at the points, from a snapshot that keeps transparency.
    std::vector<int> alpha_at(const std::vector<std::pair<int, int>>& points);

private:
    static inline std::shared_ptr<platform::Window> window_;
    static inline std::unique_ptr<platform::WebView> view_;
};

// A window state as the core pushes it: tabs 3, 7 and 9, the second active on
// https://www.example.com/, the third a new tab page.
nlohmann::json sample_state();
nlohmann::json tab_item(int id, const std::string& title, const std::string& url,
                        const std::string& host);
// Suggestion rows of the kinds the core sends: completion, search, history, bookmark.
nlohmann::json sample_rows();
// Parses a JSON literal of a test's expectations.
inline nlohmann::json J(const char* text) {
    return nlohmann::json::parse(text);
}

} // namespace corvane::test
