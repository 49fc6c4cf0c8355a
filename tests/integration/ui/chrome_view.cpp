#include "chrome_view.h"

#include "core/page_calls.h"
#include "engine/webviews.h"
#include "platform/gtk/gtk_web_view.h"

#include <gtk/gtk.h>
#include <unistd.h>

namespace corvane::test {

using nlohmann::json;

namespace {

constexpr const char* kChromeUrl = "corvane://ui/index.html";

// Resolves after two frames, so whatever the last change did has been drawn.
constexpr const char* kNextFrame =
    "window.__framed = false;"
    "requestAnimationFrame(() => requestAnimationFrame(() => { window.__framed = true; }))";

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
    ASSERT_TRUE(wait_until([] { return !view_->is_loading(); }));
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
    sent();
}

void ChromeViewTest::TearDown() {
    EXPECT_EQ(view_->uri(), kChromeUrl) << "the chrome page navigated its own view";
    EXPECT_EQ(js("D.refused"), json::array()) << "blocked by the security policy";
    EXPECT_EQ(js("D.errors"), json::array()) << "uncaught script errors";
    EXPECT_EQ(js("[...document.querySelectorAll('use')].map((u) => u.getAttribute('href'))"
                 ".filter((h) => !document.querySelector('symbol' + h))"),
              json::array())
        << "icons without a symbol";
}

void ChromeViewTest::call(const std::string& function, const std::vector<json>& args) {
    call_ui_page(*view_, function, args);
}

void ChromeViewTest::focus_omni() {
    view_->focus();
    EXPECT_TRUE(wait_until([&] { return js("document.hasFocus()") == true; }));
    js(std::string("D.$('#omni-input').focus();") + kNextFrame);
    EXPECT_TRUE(wait_until([&] { return js("window.__framed") == true; }));
}

void ChromeViewTest::type_into_omni(const std::string& text) {
    focus_omni();
    js("D.type('#omni-input', " + json(text).dump() + ")");
    sent();
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
    auto* gtk_view = dynamic_cast<platform::gtk::GtkWebView*>(view_.get());
    if (gtk_view == nullptr) {
        return {};
    }
    GdkTexture* texture = nullptr;
    bool done = false;
    struct Wait {
        GdkTexture** texture;
        bool* done;
    } wait{&texture, &done};
    webkit_web_view_get_snapshot(
        gtk_view->web_view(), WEBKIT_SNAPSHOT_REGION_VISIBLE,
        WEBKIT_SNAPSHOT_OPTIONS_TRANSPARENT_BACKGROUND, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* w = static_cast<Wait*>(data);
            *w->texture =
                webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
            *w->done = true;
        },
        &wait);
    if (!wait_until([&] { return done; }) || texture == nullptr) {
        return {};
    }
    const int width = gdk_texture_get_width(texture);
    const int height = gdk_texture_get_height(texture);
    const auto stride = static_cast<std::size_t>(width) * 4;
    std::vector<guchar> pixels(stride * static_cast<std::size_t>(height));
    gdk_texture_download(texture, pixels.data(), stride);
    g_object_unref(texture);
    std::vector<int> alphas;
    for (const auto& [x, y] : points) {
        // GDK_MEMORY_DEFAULT keeps alpha in the fourth byte of each pixel.
        const bool inside = x >= 0 && y >= 0 && x < width && y < height;
        alphas.push_back(
            inside
                ? pixels[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 4 + 3]
                : -1);
    }
    return alphas;
}

json tab_item(int id, const std::string& title, const std::string& url, const std::string& host) {
    return json{{"favicon", nullptr}, {"host", host},      {"id", id},       {"loading", false},
                {"newtab", false},    {"sleeping", false}, {"title", title}, {"url", url}};
}

json sample_state() {
    json state = J(R"({"active":7,"bookmarked":false,"canBack":true,"canForward":false,
        "downloadsUnseen":false,"fullscreen":false,"host":"example.com","loading":false,
        "newtab":false,"platform":"linux","private":false,"sec":"secure","shieldActive":true,
        "url":"https://www.example.com/","zoom":1.0})");
    state["tabs"] = {
        tab_item(3, "Morning news", "https://news.example.org/today", "news.example.org"),
        tab_item(7, "Example Domain", "https://www.example.com/", "example.com"),
        tab_item(9, "", "corvane://newtab/", "")};
    state["tabs"][2]["newtab"] = true;
    return state;
}

json sample_rows() {
    return J(R"([
        {"display":"","kind":"url","title":"example.com","url":"https://www.example.com/"},
        {"engine":"DuckDuckGo","kind":"search","text":"exa","title":"exa"},
        {"display":"example.com/page","kind":"history","title":"Example <b>page</b>",
         "url":"https://www.example.com/page"},
        {"display":"exactly.org","kind":"bookmark","title":"Exactly","url":"https://exactly.org/"}
    ])");
}

} // namespace corvane::test
