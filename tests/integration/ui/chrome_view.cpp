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

// Sets window.__framed once two frames have passed, so whatever the last change did was drawn.
constexpr const char* kNextFrame =
    "window.__framed = false;"
    "requestAnimationFrame(() => requestAnimationFrame(() => { window.__framed = true; }))";

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
    set_dark(false);
    set_size(kWidth, kHeight);
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
        set_size(arg, call.at(2));
    } else if (function == "dark") {
        set_dark(arg);
    } else if (function == "focus") {
        focus_omni();
    } else if (function == "type") {
        focus_omni();
        js("D.type('#omni-input', " + arg.dump() + "); D.sent = []");
        if (call.size() > 2) {
            this->call("suggest", {call.size() > 3 ? call[3] : sample_rows(), call[2]});
        }
    } else {
        this->call(function, std::vector<json>(call.begin() + 1, call.end()));
    }
}

// Gives the address field the keyboard and waits for the frame in which it selects its text.
void ChromeViewTest::focus_omni() {
    view_->focus();
    EXPECT_TRUE(wait_until([&] { return js("document.hasFocus()") == true; }));
    js(std::string("D.$('#omni-input').focus();") + kNextFrame);
    EXPECT_TRUE(wait_until([&] { return js("window.__framed") == true; }));
}

void ChromeViewTest::set_size(int width, int height) {
    view_->set_bounds({0, 0, static_cast<double>(width), static_cast<double>(height)});
    EXPECT_TRUE(wait_until([&] {
        return js("[innerWidth, innerHeight]") == json({width, height});
    })) << "the view did not take the size "
        << width << "x" << height;
}

void ChromeViewTest::set_dark(bool dark) {
    g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", dark, nullptr);
    EXPECT_TRUE(wait_until(
        [&] { return js("matchMedia('(prefers-color-scheme: dark)').matches") == dark; }));
}

void ChromeViewTest::settle() {
    // Endless animations (the loading spinner) never finish; only finite ones are waited for.
    EXPECT_TRUE(wait_until([&] {
        return js("document.getAnimations().every((a) => a.playState !== 'running' ||"
                  " a.effect.getComputedTiming().endTime === Infinity)") == true;
    })) << "animations still running";
    js(kNextFrame);
    EXPECT_TRUE(wait_until([&] { return js("window.__framed") == true; }));
}

std::vector<int> ChromeViewTest::alpha_at(const std::vector<std::pair<int, int>>& points) {
    auto* web_view = dynamic_cast<platform::gtk::GtkWebView&>(*view_).web_view();
    std::optional<platform::gtk::GObjectPtr<GdkTexture>> texture;
    webkit_web_view_get_snapshot(
        web_view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_TRANSPARENT_BACKGROUND,
        nullptr,
        [](GObject* source, GAsyncResult* result, gpointer out) {
            static_cast<decltype(texture)*>(out)->emplace(
                platform::gtk::GObjectPtr<GdkTexture>::adopt(
                    webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, nullptr)));
        },
        &texture);
    if (!wait_until([&] { return texture.has_value(); }) || !*texture) {
        return {};
    }
    const int width = gdk_texture_get_width(texture->get());
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    std::vector<guchar> pixels(stride *
                               static_cast<std::size_t>(gdk_texture_get_height(texture->get())));
    gdk_texture_download(texture->get(), pixels.data(), stride);
    std::vector<int> alphas;
    for (const auto& [x, y] : points) {
        // GDK_MEMORY_DEFAULT keeps alpha in the fourth byte of each pixel.
        alphas.push_back(
            pixels.at(static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 4 + 3));
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
