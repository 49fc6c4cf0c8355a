#pragma once

// The chrome page alone: the browser's own chrome view (its scheme handler, policy and message
// bridge) in a window that no core window owns. The core ignores its messages, so the page draws
// only the states a test pushes and posts only what the test's gestures cause. Driven with D.

#include "chrome_driver.h"

#include <unistd.h>

namespace corvane::test {

// What the page posts when its overlay (under a popover or the suggestions) shows and hides.
inline const std::string kOn = R"({"t":"overlay","on":true})";
inline const std::string kOff = R"({"t":"overlay","on":false})";

// One row of a chrome-page table: what the core pushes, what the user does (a driver script),
// and what the page then shows or sends (a probe script and its JSON, waited for). Empty parts
// are skipped. A probe that reads D.sent forgets the messages afterwards.
//
// push is a JSON array: ["render", patch] renders the sample state merged with the patch,
// ["suggest", completion, rows?] the sample rows unless given, ["size", w, h] resizes
// the view, ["focus"] gives the address field the keyboard, ["type", text, completion?]
// types into the focused address field, forgets what that sent and, with a completion, answers with
// the sample rows; any other ["name", args...] calls the page function as the core does.
struct Step {
    std::string push, act, probe, expect;
};

class ChromeViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { view_.reset(), window_.reset(); }
    void SetUp() override;
    void TearDown() override;

    nlohmann::json js(const std::string& script) { return drive(*view_, script); }
    void run(const std::vector<Step>& steps);

    static inline const std::string kTitle = "corvane-chrome-view-" + std::to_string(getpid());

private:
    void push(const nlohmann::json& call);

    static inline std::shared_ptr<platform::Window> window_;
    static inline std::unique_ptr<platform::WebView> view_;
};

} // namespace corvane::test
