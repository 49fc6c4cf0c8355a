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

// One row of a chrome-page table: what the core pushes, what the user does (a driver script),
// and what the page then shows or sends (a probe script and its JSON, waited for). Empty parts
// are skipped. A probe that reads D.sent forgets the messages afterwards.
//
// push is a JSON array: ["render", patch] renders the sample state merged with the patch,
// ["suggest", completion, rows?] the sample rows unless given, ["size", w, h] and ["dark", on]
// change the view, ["focus"] gives the address field the keyboard, ["type", text, completion?]
// types into the focused address field, forgets what that sent and, with a completion, answers with
// the sample rows; any other ["name", args...] calls the page function as the core does.
struct Step {
    std::string push;
    std::string act;
    std::string probe;
    std::string expect;
};

class ChromeViewTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 1100;
    static constexpr int kHeight = 720;

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static const std::string& title();
    nlohmann::json js(const std::string& script) { return drive(*view_, script); }
    void call(const std::string& function, const std::vector<nlohmann::json>& args = {});
    void run(const std::vector<Step>& steps);
    // The alpha of the view's pixels at the points, from a snapshot that keeps transparency.
    std::vector<int> alpha_at(const std::vector<std::pair<int, int>>& points);

private:
    void push(const nlohmann::json& call);
    void next_frame();

    static inline std::shared_ptr<platform::Window> window_;
    static inline std::unique_ptr<platform::WebView> view_;
};

// A window state as the core pushes it: tabs 3, 7 and 9, the second active on
// https://www.example.com/, the third a new tab page.
nlohmann::json sample_state();

} // namespace corvane::test
