#include "chrome_view.h"

#include "core/page_calls.h"
#include "engine/webviews.h"

namespace corvane::test {

using nlohmann::json;

namespace {

constexpr const char* kChromeUrl = "corvane://ui/index.html";
constexpr int kWidth = 1100, kHeight = 720;

// A window state as the core pushes it: tabs 3, 7 and 9, the second active on
// https://www.example.com/, the third a new tab page.
const json kState = json::parse(R"({"active":7,"bookmarked":false,"canBack":true,"canForward":false,
  "downloadsUnseen":false,"fullscreen":false,"host":"example.com","loading":false,"newtab":false,
  "platform":"linux","private":false,"sec":"secure","shieldActive":true,"zoom":1.0,
  "url":"https://www.example.com/","tabs":[{"favicon":null,"host":"news.example.org","id":3,
  "loading":false,"newtab":false,"sleeping":false,"title":"Morning news",
  "url":"https://news.example.org/today"},{"favicon":null,"host":"example.com","id":7,
  "loading":false,"newtab":false,"sleeping":false,"title":"Example Domain",
  "url":"https://www.example.com/"},{"favicon":null,"host":"","id":9,"loading":false,"newtab":true,
  "sleeping":false,"title":"","url":"corvane://newtab/"}]})");

const json kRows = json::parse(R"([{"display":"","kind":"url","title":"example.com",
  "url":"https://www.example.com/"},{"engine":"DuckDuckGo","kind":"search","text":"exa",
  "title":"exa"},{"display":"example.com/page","kind":"history","title":"Example <b>page</b>",
  "url":"https://www.example.com/page"},{"display":"exactly.org","kind":"bookmark",
  "title":"Exactly","url":"https://exactly.org/"}])");

} // namespace

void ChromeViewTest::SetUpTestSuite() {
    window_ = world().platform->create_window({kTitle, {kWidth, kHeight}, {520, 360}});
    ASSERT_NE(window_, nullptr);
    view_ = create_ui_webview(world().app().engine, window_, 999, kChromeUrl,
                              {0, 0, kWidth, kHeight}, true);
}

void ChromeViewTest::SetUp() {
    ASSERT_NE(view_, nullptr);
    push({"size", kWidth, kHeight});
    // A fresh page per test: the old document is marked, so the wait sees the new one.
    js("window.__old = true");
    view_->load_url(kChromeUrl);
    ASSERT_TRUE(wait_until([&] {
        return !view_->is_loading() &&
               js("!window.__old && document.readyState === 'complete' && !!window.CV") == true;
    }));
    js("D.sent = []; D.$$ = (s) => [...document.querySelectorAll(s)]");
}

void ChromeViewTest::TearDown() {
    EXPECT_EQ(view_->uri(), kChromeUrl) << "the chrome page navigated its own view";
    EXPECT_EQ(js("[D.refused, D.errors, D.$$('use').map((u) => u.getAttribute('href'))"
                 ".filter((h) => !D.$('symbol' + h))]"),
              json({json::array(), json::array(), json::array()}))
        << "blocked by the policy, uncaught errors, icons without a symbol";
}

void ChromeViewTest::run(const std::vector<Step>& steps) {
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

void ChromeViewTest::push(const json& call) {
    const std::string function = call.at(0);
    const json arg = call.size() > 1 ? call[1] : json();
    if (function == "render") {
        json state = kState;
        state.merge_patch(arg);
        call_ui_page(*view_, "render", {state});
    } else if (function == "suggest") {
        call_ui_page(*view_, "suggest", {call.size() > 2 ? call[2] : kRows, arg});
    } else if (function == "size") {
        view_->set_bounds({0, 0, arg.get<double>(), call.at(2).get<double>()});
        EXPECT_TRUE(becomes([&] { return js("[innerWidth, innerHeight]"); }, {arg, call[2]}));
    } else if (function == "focus" || function == "type") {
        // The field selects its text in the frame after it takes the keyboard.
        view_->focus();
        EXPECT_TRUE(becomes([&] { return js("document.hasFocus()"); }, true));
        js("D.$('#omni-input').focus(); window.__framed = false;"
           "requestAnimationFrame(() => requestAnimationFrame(() => { window.__framed = true; }))");
        EXPECT_TRUE(becomes([&] { return js("window.__framed"); }, true));
        if (function == "type") {
            js("D.type('#omni-input', " + arg.dump() + "); D.sent = []");
        }
        if (call.size() > 2) {
            call_ui_page(*view_, "suggest", {call.size() > 3 ? call[3] : kRows, call[2]});
        }
    } else {
        call_ui_page(*view_, function, std::vector<json>(call.begin() + 1, call.end()));
    }
}

} // namespace corvane::test
