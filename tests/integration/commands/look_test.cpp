// Screenshots of whole browser windows, normal and private, in the light and the dark palette,
// written beside the test binary for people to judge; the tests check what can be measured: the
// palette the page was given and the colours of the chrome strip.
#include "chrome_driver.h"
#include "core/commands.h"

#include <filesystem>
#include <gtk/gtk.h>
#include <unistd.h>

namespace corvane::test {
namespace {

// Runs a program and returns its standard output; none when it fails.
std::optional<std::string> output_of(const std::vector<std::string>& args) {
    std::vector<gchar*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<gchar*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    gchar* out = nullptr;
    gint status = -1;
    const gboolean ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                      nullptr, &out, nullptr, &status, nullptr);
    std::optional<std::string> result;
    if (ran && g_spawn_check_wait_status(status, nullptr) && out != nullptr) {
        result = out;
    }
    g_free(out);
    return result;
}

struct Colour {
    double red = 0;
    double green = 0;
    double blue = 0;
    double luminance() const { return 0.2126 * red + 0.7152 * green + 0.0722 * blue; }
};

struct Shot {
    int width = 0;
    int height = 0;
    int channels = 0;
    int stride = 0;
    std::vector<guchar> pixels;

    // The mean colour of the rows [top, bottom).
    Colour mean(int top, int bottom) const {
        Colour sum;
        const int rows = std::max(0, std::min(bottom, height) - top);
        for (int y = top; y < top + rows; ++y) {
            for (int x = 0; x < width; ++x) {
                const guchar* p = &pixels[static_cast<std::size_t>(y * stride + x * channels)];
                sum.red += p[0];
                sum.green += p[1];
                sum.blue += p[2];
            }
        }
        const double n = std::max(1.0, static_cast<double>(rows) * width);
        return {sum.red / n, sum.green / n, sum.blue / n};
    }
};

std::optional<Shot> read_png(const std::filesystem::path& file) {
    GdkPixbuf* image = gdk_pixbuf_new_from_file(file.c_str(), nullptr);
    if (image == nullptr) {
        return std::nullopt;
    }
    Shot shot{gdk_pixbuf_get_width(image),
              gdk_pixbuf_get_height(image),
              gdk_pixbuf_get_n_channels(image),
              gdk_pixbuf_get_rowstride(image),
              {}};
    const guchar* bytes = gdk_pixbuf_read_pixels(image);
    shot.pixels.assign(bytes, bytes + gdk_pixbuf_get_byte_length(image));
    g_object_unref(image);
    return shot;
}

class Look : public ChromePageTest {
protected:
    void SetUp() override {
        ChromePageTest::SetUp();
        if (!output_of({"import", "-version"}) || !xdotool({"version"})) {
            GTEST_SKIP() << "imagemagick's import or xdotool is not installed";
        }
    }
    void TearDown() override {
        set_dark(false);
        ChromePageTest::TearDown();
    }

    // WebKitGTK answers prefers-color-scheme from the GTK setting for dark applications.
    void set_dark(bool dark) {
        g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", dark,
                     nullptr);
    }

    // Opens a window the way a person would see it: a page loaded in its active tab, the other
    // tabs asleep, the window active.
    void open_for_shot(WindowKind kind) {
        const bool is_private = kind == WindowKind::private_browsing;
        std::vector<SessionTab> tabs{
            {page_url(is_private ? "/article-private" : "/article-welcome"), ""},
            {page_url("/article-news"), "Evening news — a long headline that needs cutting"},
            {"corvane://newtab/", ""},
            {page_url("/broken-icon"), "Documentation"}};
        open(std::move(tabs), 0, kind);
        ASSERT_TRUE(loaded(0, 0, is_private ? "Article private" : "Article welcome"));
        ASSERT_TRUE(wait_until([&] { return app().windows[0].window->is_active(); }));
        ASSERT_TRUE(wait_until([&] { return strip()[0]["icon"] == "img"; }));
    }

    // Captures the active window into NAME.png; the window's content starts below the menu
    // bar, whose height is returned in menubar.
    std::optional<Shot> shoot(const std::string& name, int& menubar) {
        pump(600ms); // transitions and icons settle
        const std::optional<std::string> id = output_of({"xdotool", "getactivewindow"});
        if (!id) {
            ADD_FAILURE() << "no active window";
            return std::nullopt;
        }
        // Written aside and renamed, so a reader never sees half a file.
        const auto file = std::filesystem::path(CORVANE_SHOT_DIR) / (name + ".png");
        const auto part =
            std::filesystem::path(file).concat("." + std::to_string(getpid()) + ".png");
        if (!output_of({"import", "-window", id->substr(0, id->find('\n')), part.string()})) {
            ADD_FAILURE() << "import failed for " << file;
            return std::nullopt;
        }
        std::filesystem::rename(part, file);
        std::optional<Shot> shot = read_png(file);
        if (shot) {
            menubar = shot->height - static_cast<int>(app().windows[0].window->inner_size().height);
        }
        return shot;
    }
};

TEST_F(Look, NormalAndPrivateWindowsInBothPalettes) {
    for (const bool dark : {false, true}) {
        set_dark(dark);
        for (const WindowKind kind : {WindowKind::normal, WindowKind::private_browsing}) {
            const bool is_private = kind == WindowKind::private_browsing;
            const std::string name = std::string("window-") +
                                     (is_private ? "private-" : "normal-") +
                                     (dark ? "dark" : "light");
            SCOPED_TRACE(name);
            open_for_shot(kind);
            ASSERT_TRUE(wait_until([&] {
                return page("matchMedia('(prefers-color-scheme: dark)').matches") == dark;
            }));
            EXPECT_EQ(page("document.body.classList.contains('private')"), is_private);
            int menubar = 0;
            const std::optional<Shot> shot = shoot(name, menubar);
            ASSERT_TRUE(shot);
            EXPECT_GE(menubar, 10) << "the menu bar sits above the chrome";
            const Colour strip = shot->mean(menubar, menubar + 86);
            if (is_private) {
                EXPECT_LT(strip.luminance(), 90) << "private windows are dark in both palettes";
                EXPECT_GT(strip.blue, strip.green + 8) << "and violet";
            } else if (dark) {
                EXPECT_LT(strip.luminance(), 90);
            } else {
                EXPECT_GT(strip.luminance(), 170);
            }
            // The page below the chrome is the page's own: a white article.
            EXPECT_GT(shot->mean(menubar + 200, menubar + 400).luminance(), 200);

            ControlFlow flow = ControlFlow::wait;
            run_command(app(), "closeWindow", flow);
            ASSERT_TRUE(app().windows.empty());
        }
    }
}

TEST_F(Look, MenuAndFindBarOpen) {
    for (const bool dark : {false, true}) {
        set_dark(dark);
        open_for_shot(WindowKind::normal);
        page("D.$('#menu').click()");
        ASSERT_TRUE(wait_until([&] { return app().windows[0].overlay_open; }));
        int menubar = 0;
        ASSERT_TRUE(shoot(std::string("window-menu-") + (dark ? "dark" : "light"), menubar));
        page("D.key(document.body, 'Escape')");
        ControlFlow flow = ControlFlow::wait;
        run_command(app(), "find", flow);
        type_into("#find-input", "nothing like this");
        ASSERT_TRUE(
            wait_until([&] { return page("D.$('#find-status').textContent") == "Not found"; }));
        ASSERT_TRUE(shoot(std::string("window-find-") + (dark ? "dark" : "light"), menubar));
        run_command(app(), "closeWindow", flow);
    }
}

// The window's own menu bar: opened with the mouse, its File menu lists the commands with their
// shortcuts, and choosing New Tab from it does what Ctrl+T does.
TEST_F(Look, FileMenuOfTheMenuBar) {
    open_for_shot(WindowKind::normal);
    const std::optional<std::string> id = output_of({"xdotool", "getactivewindow"});
    ASSERT_TRUE(id);
    const std::string window = id->substr(0, id->find('\n'));
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "89", "12", "click", "1"}));
    pump(800ms);
    const auto file = std::filesystem::path(CORVANE_SHOT_DIR) / "window-file-menu-light.png";
    ASSERT_TRUE(output_of({"import", "-window", "root", file.string()}));
    // New Tab is the menu's first item, right under the File title.
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "115", "45", "click", "1"}));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 5; }));
    EXPECT_EQ(app().windows[0].tabs.back().url, "corvane://newtab/");
}

} // namespace
} // namespace corvane::test
