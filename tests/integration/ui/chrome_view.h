#pragma once

// The chrome page alone: the browser's own chrome view (its scheme handler, policy and message
// bridge) in a window that no core window owns. The core ignores its messages, so the page draws
// only the states a test pushes and posts only what the test's gestures cause. Driven with D.

#include "chrome_driver.h"
#include "core/page_calls.h"
#include "engine/webviews.h"

#include <unistd.h>

namespace corvane::test {

using nlohmann::json;

// What the page posts when its overlay (under a popover or the suggestions) shows and hides.
inline const std::string kOn = R"({"t":"overlay","on":true})";
inline const std::string kOff = R"({"t":"overlay","on":false})";

// One row of a chrome-page table: what the core pushes, what the user does (a driver script),
// and what the page then shows or sends (a probe script and its JSON, waited for). Empty parts
// are skipped. A probe that reads D.sent forgets the messages afterwards.
//
// push is a JSON array: ["render", patch] renders the sample state merged with the patch,
// ["suggest", completion, rows?, text?] the sample rows unless given (or null), as the answer to
// the text when given, ["size", w, h] resizes
// the view, ["focus"] gives the address field the keyboard, ["type", text, completion?]
// types into the focused address field, forgets what that sent and, with a completion, answers with
// the sample rows; any other ["name", args...] calls the page function as the core does.
struct Step {
    std::string push, act, probe, expect;
};

class ChromeViewTest : public ::testing::Test {
protected:
    static inline const std::string kTitle = "corvane-chrome-view-" + std::to_string(getpid());

    static void SetUpTestSuite() {
        window_ = world().platform->create_window({kTitle, {kWidth, kHeight}, {520, 360}});
        ASSERT_NE(window_, nullptr);
        view_ = create_ui_webview(world().app().engine, window_, 999, kUrl, {0, 0, kWidth, kHeight},
                                  true);
    }

    static void TearDownTestSuite() {
        view_.reset();
        window_.reset();
    }

    void SetUp() override {
        ASSERT_NE(view_, nullptr);
        push({"size", kWidth, kHeight});
        // A fresh page per test: the old document is marked, so the wait sees the new one.
        js("window.__old = true");
        view_->load_url(kUrl);
        ASSERT_TRUE(wait_until([&] {
            return !view_->is_loading() &&
                   js("!window.__old && document.readyState === 'complete' && !!window.CV") == true;
        }));
        js("D.sent = []; D.$$ = (s) => [...document.querySelectorAll(s)]");
    }

    void TearDown() override {
        EXPECT_EQ(view_->uri(), kUrl) << "the chrome page navigated its own view";
        EXPECT_EQ(js("[D.refused, D.errors, D.$$('use').map((u) => u.getAttribute('href'))"
                     ".filter((h) => !D.$('symbol' + h))]"),
                  json::parse("[[],[],[]]"))
            << "blocked by the policy, uncaught errors, icons without a symbol";
    }

    json js(const std::string& script) { return drive(*view_, script); }

    void run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.push + " | " + step.act + " | " + step.probe);
            if (!step.push.empty()) {
                push(json::parse(step.push));
            }
            if (!step.act.empty()) {
                js(step.act);
            }
            if (!step.probe.empty()) {
                EXPECT_TRUE(becomes([&] { return js(step.probe); }, json::parse(step.expect)));
                if (step.probe.find("D.sent") != std::string::npos) {
                    js("D.sent = []");
                }
            }
        }
    }

private:
    static constexpr const char* kUrl = "corvane://ui/index.html";
    static constexpr int kWidth = 1100, kHeight = 720;

    // A window state as the core pushes it, but for its false and null fields: tabs 3, 7 and 9,
    // the second active on https://www.example.com/, the third a new tab page.
    static inline const json kState = json::parse(R"({"active":7,"canBack":true,
      "host":"example.com","platform":"linux","sec":"secure","shieldActive":true,"zoom":1.0,
      "url":"https://www.example.com/","tabs":[{"host":"news.example.org","id":3,
      "title":"Morning news","url":"https://news.example.org/today"},{"host":"example.com","id":7,
      "title":"Example Domain","url":"https://www.example.com/"},{"host":"","id":9,"newtab":true,
      "title":"","url":"corvane://newtab/"}]})");

    static inline const json kSampleRows = json::parse(R"([{"display":"",
      "kind":"url","title":"example.com","url":"https://www.example.com/"},{"engine":"DuckDuckGo",
      "kind":"search","text":"exa","title":"exa"},{"display":"example.com/page","kind":"history",
      "title":"Example <b>page</b>","url":"https://www.example.com/page"},{"display":"exactly.org",
      "kind":"bookmark","title":"Exactly","url":"https://exactly.org/"}])");

    void push(const json& call) {
        const std::string function = call.at(0);
        const json arg = call.size() > 1 ? call[1] : json();
        if (function == "render") {
            json state = kState;
            state.merge_patch(arg);
            call_ui_page(*view_, "render", {state});
        } else if (function == "suggest") {
            std::vector<json> args{call.size() > 2 && !call[2].is_null() ? call[2] : kSampleRows,
                                   arg};
            if (call.size() > 3) {
                args.push_back(call[3]);
            }
            call_ui_page(*view_, "suggest", args);
        } else if (function == "size") {
            view_->set_bounds({0, 0, arg.get<double>(), call.at(2).get<double>()});
            EXPECT_TRUE(becomes([&] { return js("[innerWidth, innerHeight]"); }, {arg, call[2]}));
        } else if (function == "focus" || function == "type") {
            // The field selects its text in the frame after it takes the keyboard.
            view_->focus();
            EXPECT_TRUE(becomes([&] { return js("document.hasFocus()"); }, true));
            js("D.$('#omni-input').focus(); window.__framed = false; requestAnimationFrame(() =>"
               " requestAnimationFrame(() => { window.__framed = true; }))");
            EXPECT_TRUE(becomes([&] { return js("window.__framed"); }, true));
            if (function == "type") {
                js("D.type('#omni-input', " + arg.dump() + "); D.sent = []");
            }
            if (call.size() > 2) {
                call_ui_page(*view_, "suggest", {call.size() > 3 ? call[3] : kSampleRows, call[2]});
            }
        } else {
            call_ui_page(*view_, function, std::vector<json>(call.begin() + 1, call.end()));
        }
    }

    static inline std::shared_ptr<platform::Window> window_;
    static inline std::unique_ptr<platform::WebView> view_;
};

} // namespace corvane::test
