// Normal and private windows in the light and the dark palette, captured whole from the screen:
// the palette the page was given and the colours of the chrome strip and the page below it.
// Screenshots for people to look at come from scripts/screenshots.
#include "chrome_driver.h"
#include "core/commands.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <gtk/gtk.h>

namespace corvane::test {
namespace {

// The X id of the active window; empty when xdotool gives none.
std::string active_window() {
    gchar* out = nullptr;
    const gchar* argv[] = {"xdotool", "getactivewindow", nullptr};
    g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                 &out, nullptr, nullptr, nullptr);
    std::string id = out != nullptr ? out : "";
    g_free(out);
    return id.substr(0, id.find('\n'));
}

// The mean luminance and blue excess (blue minus green) of the rows [top, bottom).
struct Rows {
    double luminance = 0;
    double blue_over_green = 0;
};

Rows mean_of(GdkPixbuf* image, int top, int bottom) {
    const int width = gdk_pixbuf_get_width(image), stride = gdk_pixbuf_get_rowstride(image);
    const int channels = gdk_pixbuf_get_n_channels(image);
    const guchar* pixels = gdk_pixbuf_read_pixels(image);
    double red = 0, green = 0, blue = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < width; ++x) {
            const guchar* p = pixels + y * stride + x * channels;
            red += p[0];
            green += p[1];
            blue += p[2];
        }
    }
    const double n = static_cast<double>(bottom - top) * width;
    return {(0.2126 * red + 0.7152 * green + 0.0722 * blue) / n, (blue - green) / n};
}

class Look : public ChromePageTest {
protected:
    void SetUp() override {
        ChromePageTest::SetUp();
        if (std::system("import -version >/dev/null 2>&1") != 0 || !xdotool({"version"})) {
            GTEST_SKIP() << "imagemagick's import or xdotool is not installed";
        }
    }
    // WebKitGTK answers prefers-color-scheme from the GTK setting for dark applications.
    void set_dark(bool dark) {
        g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", dark,
                     nullptr);
    }
    void TearDown() override {
        set_dark(false);
        ChromePageTest::TearDown();
    }
    TempDir shots;
};

TEST_F(Look, NormalAndPrivateWindowsInBothPalettes) {
    for (const bool dark : {false, true}) {
        set_dark(dark);
        for (const WindowKind kind : {WindowKind::normal, WindowKind::private_browsing}) {
            const bool is_private = kind == WindowKind::private_browsing;
            SCOPED_TRACE(std::string(is_private ? "private " : "normal ") +
                         (dark ? "dark" : "light"));
            open({{page_url("/article-look"), ""}, {page_url("/article-news"), "News"}}, 0, kind);
            ASSERT_TRUE(loaded(0, 0, "Article look"));
            ASSERT_TRUE(wait_until([&] { return app().windows[0].window->is_active(); }));
            ASSERT_TRUE(wait_until([&] { return strip()[0]["icon"] == "img"; }));
            ASSERT_TRUE(wait_until([&] {
                return page("matchMedia('(prefers-color-scheme: dark)').matches") == dark;
            }));
            EXPECT_EQ(page("document.body.classList.contains('private')"), is_private);

            const std::string file = (shots / "window.png").string();
            ASSERT_TRUE(std::system(("import -window " + active_window() + " " + file).c_str()) ==
                        0);
            GdkPixbuf* shot = gdk_pixbuf_new_from_file(file.c_str(), nullptr);
            ASSERT_NE(shot, nullptr);
            // The window's content starts below the menu bar.
            const int menubar = gdk_pixbuf_get_height(shot) -
                                static_cast<int>(app().windows[0].window->inner_size().height);
            EXPECT_GE(menubar, 10) << "the menu bar sits above the chrome";
            const Rows strip = mean_of(shot, menubar, menubar + 86);
            if (is_private) {
                EXPECT_LT(strip.luminance, 90) << "private windows are dark in both palettes";
                EXPECT_GT(strip.blue_over_green, 8) << "and violet";
            } else if (dark) {
                EXPECT_LT(strip.luminance, 90);
            } else {
                EXPECT_GT(strip.luminance, 170);
            }
            EXPECT_GT(mean_of(shot, menubar + 200, menubar + 400).luminance, 200)
                << "the page below the chrome is the page's own white article";
            g_object_unref(shot);

            ControlFlow flow = ControlFlow::wait;
            run_command(app(), "closeWindow", flow);
            ASSERT_TRUE(app().windows.empty());
        }
    }
}

// The window's own menu bar opened with the mouse: New Tab, the File menu's first item, does
// what Ctrl+T does.
TEST_F(Look, FileMenuOfTheMenuBar) {
    open({{page_url("/article-menu"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Article menu"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].window->is_active(); }));
    const std::string window = active_window();
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "89", "12", "click", "1"}));
    pump(800ms); // the menu's popup surface shows nothing the test could wait on
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "115", "45", "click", "1"}));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 2; }));
    EXPECT_EQ(app().windows[0].tabs.back().url, "corvane://newtab/");
}

} // namespace
} // namespace corvane::test
