#include "chrome_view.h"

#include "core/page_calls.h"
#include "engine/webviews.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/gtk_web_view.h"

#include <gtk/gtk.h>
#include <unistd.h>

namespace corvane::test {

using nlohmann::json;

namespace {

constexpr const char* kChromeUrl = "corvane://ui/index.html";

json sample_rows() {
    return json::parse(R"([
        {"display":"","kind":"url","title":"example.com","url":"https://www.example.com/"},
        {"engine":"DuckDuckGo","kind":"search","text":"exa","title":"exa"},
        {"display":"example.com/page","kind":"history","title":"Example <b>page</b>",
         "url":"https://www.example.com/page"},
        {"display":"exactly.org","kind":"bookmark","title":"Exactly","url":"https://exactly.org/"}
    ])");
}

} // namespace

const std::string& ChromeViewTest::title() {
    static const std::string name = "corvane-chrome-view-" + std::to_string(getpid());
    return name;
}

void ChromeViewTest::SetUpTestSuite() {
    window_ = world().platform->create_window({title(), {kWidth, kHeight}, {520, 360}});
    ASSERT_NE(window_, nullptr);
    view_ = create_ui_webview(world().app().engine, window_, 999, kChromeUrl,
                              {0, 0, kWidth, kHeight}, true);
    ASSERT_NE(view_, nullptr);
}

void ChromeViewTest::TearDownTestSuite() {
    view_.reset();
    window_.reset();
}

void ChromeViewTest::SetUp() {
    ASSERT_NE(view_, nullptr);
    push({"dark", false});
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
    EXPECT_EQ(js("[D.refused, D.errors, [...document.querySelectorAll('use')]"
                 ".map((u) => u.getAttribute('href')).filter((h) => !D.$('symbol' + h))]"),
              json({json::array(), json::array(), json::array()}))
        << "blocked by the policy, uncaught errors, icons without a symbol";
}

void ChromeViewTest::call(const std::string& function, const std::vector<json>& args) {
    call_ui_page(*view_, function, args);
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
            json got;
            EXPECT_TRUE(wait_until(
                [&] { return (got = js(step.probe)) == json::parse(step.expect); }, 5000ms))
                << got.dump();
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
        json state = sample_state();
        state.merge_patch(arg);
        this->call("render", {state});
    } else if (function == "suggest") {
        this->call("suggest", {call.size() > 2 ? call[2] : sample_rows(), arg});
    } else if (function == "size") {
        view_->set_bounds({0, 0, arg.get<double>(), call.at(2).get<double>()});
        EXPECT_TRUE(wait_until([&] {
            return js("[innerWidth, innerHeight]") == json{arg, call[2]};
        }));
    } else if (function == "dark") {
        g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme",
                     arg.get<bool>(), nullptr);
        EXPECT_TRUE(wait_until(
            [&] { return js("matchMedia('(prefers-color-scheme: dark)').matches") == arg; }));
    } else if (function == "focus" || function == "type") {
        // The field selects its text in the frame after it takes the keyboard.
        view_->focus();
        EXPECT_TRUE(wait_until([&] { return js("document.hasFocus()") == true; }));
        js("D.$('#omni-input').focus()");
        next_frame();
        if (function == "type") {
            js("D.type('#omni-input', " + arg.dump() + "); D.sent = []");
        }
        if (call.size() > 2) {
            this->call("suggest", {call.size() > 3 ? call[3] : sample_rows(), call[2]});
        }
    } else {
        this->call(function, std::vector<json>(call.begin() + 1, call.end()));
    }
}

void ChromeViewTest::next_frame() {
    js("window.__framed = false;"
       "requestAnimationFrame(() => requestAnimationFrame(() => { window.__framed = true; }))");
    EXPECT_TRUE(wait_until([&] { return js("window.__framed") == true; }));
}

std::vector<int> ChromeViewTest::alpha_at(const std::vector<std::pair<int, int>>& points) {
    next_frame();
    GdkTexture* shot = nullptr;
    webkit_web_view_get_snapshot(
        dynamic_cast<platform::gtk::GtkWebView&>(*view_).web_view(), WEBKIT_SNAPSHOT_REGION_VISIBLE,
        WEBKIT_SNAPSHOT_OPTIONS_TRANSPARENT_BACKGROUND, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer out) {
            *static_cast<GdkTexture**>(out) =
                webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
        },
        &shot);
    EXPECT_TRUE(wait_until([&] { return shot != nullptr; }));
    const auto texture = platform::gtk::GObjectPtr<GdkTexture>::adopt(shot);
    const std::size_t stride = static_cast<std::size_t>(gdk_texture_get_width(shot)) * 4;
    std::vector<guchar> pixels(stride * static_cast<std::size_t>(gdk_texture_get_height(shot)));
    gdk_texture_download(shot, pixels.data(), stride);
    std::vector<int> alphas;
    for (const auto& [x, y] : points) {
        // GDK_MEMORY_DEFAULT keeps alpha in the fourth byte of each pixel.
        alphas.push_back(pixels.at(static_cast<std::size_t>(y * stride) + x * 4u + 3));
    }
    return alphas;
}

json sample_state() {
    return json::parse(R"({"active":7,"bookmarked":false,"canBack":true,"canForward":false,
        "downloadsUnseen":false,"fullscreen":false,"host":"example.com","loading":false,
        "newtab":false,"platform":"linux","private":false,"sec":"secure","shieldActive":true,
        "url":"https://www.example.com/","zoom":1.0,"tabs":[
        {"favicon":null,"host":"news.example.org","id":3,"loading":false,"newtab":false,
         "sleeping":false,"title":"Morning news","url":"https://news.example.org/today"},
        {"favicon":null,"host":"example.com","id":7,"loading":false,"newtab":false,
         "sleeping":false,"title":"Example Domain","url":"https://www.example.com/"},
        {"favicon":null,"host":"","id":9,"loading":false,"newtab":true,"sleeping":false,
         "title":"","url":"corvane://newtab/"}]})");
}

} // namespace corvane::test
