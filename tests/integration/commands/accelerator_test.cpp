// The menu bar in a real window: its accelerators, pressed on the keyboard with xdotool, run
// their commands whether the keyboard is in the page or in the chrome.
#include "chrome_driver.h"
#include "core/menu_model.h"

#include <algorithm>
#include <gtk/gtk.h>
#include <map>

namespace corvane::test {
namespace {

class Accelerators : public ChromePageTest {
protected:
    void SetUp() override {
        ChromePageTest::SetUp();
        if (!xdotool({"version"})) {
            GTEST_SKIP() << "xdotool is not installed";
        }
    }
    // Opens a window on one page and waits until the window manager has given it the keyboard.
    void open_active() {
        open({{page_url("/article-k1"), ""}});
        ASSERT_TRUE(wait_until([&] { return app().windows[0].window->is_active(); }))
            << "the window never became active";
        ASSERT_TRUE(loaded(0, 0, "Article k1"));
    }
    // Waits a moment first: keys sent faster than a person types can arrive while the window
    // is still moving the focus away from a view that just went.
    bool press(const std::string& keys) {
        pump(300ms);
        return xdotool({"key", "--clearmodifiers", keys});
    }
    std::string focused_field() {
        const nlohmann::json id = page("document.hasFocus() ? document.activeElement.id : ''");
        return id.is_string() ? id.get<std::string>() : "";
    }
};

// Our accelerator text as xdotool's key names: "CmdOrCtrl+Shift+R" is "ctrl+shift+r".
std::string xdotool_keys(std::string keys) {
    for (const auto& [ours, theirs] : std::map<std::string, std::string>{
             {"CmdOrCtrl", "ctrl"}, {"Shift+", "shift+"}, {"Alt+", "alt+"}, {"Page", "Page_"}}) {
        if (const std::size_t at = keys.find(ours); at != std::string::npos) {
            keys.replace(at, ours.size(), theirs);
        }
    }
    const std::size_t key = keys.rfind('+') + 1; // a single letter or "Plus" in lower case
    if (keys.size() - key == 1 || keys.ends_with("Plus")) {
        std::transform(keys.begin() + key, keys.end(), keys.begin() + key, ::tolower);
    }
    return keys;
}

TEST_F(Accelerators, TheBarIsInstalledWithItsShortcuts) {
    auto* application = GTK_APPLICATION(g_application_get_default());
    ASSERT_NE(application, nullptr);
    GMenuModel* bar = gtk_application_get_menubar(application);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(g_menu_model_get_n_items(bar), 8);
    const auto accels = [&](const char* action) {
        gchar** list = gtk_application_get_accels_for_action(application, action);
        std::string first = list && list[0] ? list[0] : "";
        g_strfreev(list);
        return first;
    };
    EXPECT_EQ(accels("app.cmd::newTab"), "<Control>t");
    EXPECT_EQ(accels("app.cmd::zoomReset"), "<Control>0");
    EXPECT_EQ(accels("app.cmd::tab9"), "<Control>9");
    EXPECT_EQ(accels("app.cmd::clear"), "<Shift><Control>BackSpace");
    EXPECT_EQ(accels("app.cmd::devtools"), "<Control><Alt>i");
    EXPECT_EQ(accels("app.predefined::copy"), "") << "the page handles Ctrl+C itself";
}

TEST_F(Accelerators, NewTabCloseTabAndNextTabFromTheKeyboard) {
    open_active();
    tab(0, 0).webview->focus();

    ASSERT_TRUE(press("ctrl+t"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 2; }));
    EXPECT_EQ(tab(0, 1).url, "corvane://newtab/");
    EXPECT_EQ(app().windows[0].active, 1u);
    EXPECT_TRUE(wait_until([&] { return focused_field() == "omni-input"; }))
        << "a new tab puts the keyboard in the address field";

    ASSERT_TRUE(press("ctrl+Tab"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].active == 0; })) << "wraps around";
    ASSERT_TRUE(press("ctrl+Tab"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].active == 1; }));
    ASSERT_TRUE(press("ctrl+shift+Tab"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].active == 0; }));

    ASSERT_TRUE(press("ctrl+w"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 1; }));
    EXPECT_EQ(tab(0, 0).url, "corvane://newtab/");
    EXPECT_EQ(app().closed_tabs.back(), page_url("/article-k1"));
    ASSERT_TRUE(press("ctrl+shift+t"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 2; }));
    EXPECT_EQ(tab(0, 1).url, page_url("/article-k1"));
}

TEST_F(Accelerators, OpenLocationTakesTheKeyboardFromThePage) {
    open_active();
    platform::WebView& view = *tab(0, 0).webview;
    view.focus();
    ASSERT_TRUE(wait_until([&] { return view.has_focus(); }));
    EXPECT_NE(focused_field(), "omni-input");

    ASSERT_TRUE(press("ctrl+l"));
    ASSERT_TRUE(wait_until([&] { return focused_field() == "omni-input"; }));
    EXPECT_TRUE(chrome().has_focus());
    EXPECT_EQ(page("D.$('#omni-input').selectionStart === 0 && "
                   "D.$('#omni-input').selectionEnd === D.$('#omni-input').value.length"),
              true)
        << "the address is selected, ready to be typed over";

    // Typing and Return from the real keyboard load the address.
    ASSERT_TRUE(xdotool({"type", "--delay", "5", page_url("/article-typed")}));
    ASSERT_TRUE(press("Return"));
    ASSERT_TRUE(loaded(0, 0, "Article typed"));

    ASSERT_TRUE(press("ctrl+equal"));
    ASSERT_TRUE(wait_until([&] { return tab(0, 0).zoom == 1.1; }));
    ASSERT_TRUE(press("ctrl+0"));
    ASSERT_TRUE(wait_until([&] { return tab(0, 0).zoom == 1.0; }));
}

// Every second shortcut of the bar, pressed on the real keyboard, runs its item's command.
TEST_F(Accelerators, LinuxKeysReachTheSameCommandsAsTheMenuShortcuts) {
    open_active();
    EXPECT_STREQ(gtk_window_get_icon_name(gtk_application_get_active_window(
                     GTK_APPLICATION(g_application_get_default()))),
                 "com.halbrin.corvane")
        << "a shell finds the window's icon by this name";
    std::vector<std::string> seen;
    auto forwarder = std::make_shared<MenuEventForwarder>(EventLoopProxy(world().queue));
    const platform::MenuBar bar = build_app_menu();
    world().platform->install_menu_bar(bar, [&seen, forwarder](const std::string& id) {
        seen.push_back(id);
        forwarder->forward_menu_event(id);
    });
    struct Reinstall {
        ~Reinstall() { install_app_menu(*world().platform, EventLoopProxy(world().queue)); }
    } reinstall;
    for (const platform::Submenu& submenu : bar) {
        for (const platform::MenuEntry& entry : submenu.entries) {
            for (const std::string& accelerator : entry.second_accelerators) {
                const std::size_t before = seen.size();
                ASSERT_TRUE(press(xdotool_keys(accelerator))) << accelerator;
                if (entry.kind == platform::MenuEntry::Kind::predefined) { // full screen
                    auto& window = *app().windows[0].window;
                    EXPECT_TRUE(wait_until([&] { return window.is_fullscreen(); })) << accelerator;
                    ASSERT_TRUE(press(xdotool_keys(accelerator)));
                    EXPECT_TRUE(wait_until([&] { return !window.is_fullscreen(); }));
                } else {
                    EXPECT_TRUE(wait_until([&] { return seen.size() > before; })) << accelerator;
                    EXPECT_EQ(seen.size() > before ? seen[before] : "", entry.id) << accelerator;
                }
            }
        }
    }
}

TEST_F(Accelerators, CloseTabOnTheLastTabClosesTheWindow) {
    open_active();
    ASSERT_TRUE(press("ctrl+w"));
    EXPECT_TRUE(wait_until([&] { return app().windows.empty(); }));
}

} // namespace
} // namespace corvane::test
