// The menu bar in a real window: its accelerators, pressed on the keyboard with xdotool, run
// their commands whether the keyboard is in the page or in the chrome.
#include "chrome_driver.h"
#include "core/menu_model.h"
#include "platform/gtk/gtk_menu.h"

#include <algorithm>
#include <gtk/gtk.h>

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
    // Keys sent while the window is still moving the focus away from a view that just went
    // are lost, as a person's would be; so each waits until a view of the window has it.
    bool press(const std::string& keys) {
        const bool focused = wait_until([&] {
            const BrowserWindow& window = app().windows.at(0);
            return window.chrome->has_focus() ||
                   std::any_of(window.tabs.begin(), window.tabs.end(),
                               [](const Tab& t) { return t.webview && t.webview->has_focus(); });
        });
        return focused && xdotool({"key", "--clearmodifiers", keys});
    }
    std::string focused_field() {
        const nlohmann::json id = page("document.hasFocus() ? document.activeElement.id : ''");
        return id.is_string() ? id.get<std::string>() : "";
    }
};

// The product's own accelerator text, through the GTK binding it installs, as xdotool's key
// names: "CmdOrCtrl+Shift+R" is "<Control><Shift>r" is "ctrl+shift+r".
std::string xdotool_keys(const std::string& accelerator) {
    guint key = 0;
    GdkModifierType mods{};
    const std::optional<std::string> gtk = platform::gtk::gtk_accelerator(accelerator);
    if (!gtk || !gtk_accelerator_parse(gtk->c_str(), &key, &mods)) {
        ADD_FAILURE() << "no key for " << accelerator;
        return "";
    }
    std::string keys;
    for (const auto& [mask, name] :
         {std::pair{GDK_CONTROL_MASK, "ctrl+"}, std::pair{GDK_SHIFT_MASK, "shift+"},
          std::pair{GDK_ALT_MASK, "alt+"}}) {
        keys += (mods & mask) ? name : "";
    }
    return keys + gdk_keyval_name(key);
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

    ASSERT_TRUE(press("ctrl+w"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 1; }));
    ASSERT_TRUE(press("ctrl+w"));
    EXPECT_TRUE(wait_until([&] { return app().windows.empty(); }))
        << "the last tab takes its window";
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
                // The page takes the keyboard back from panes and sheets the last key opened.
                tab(0, app().windows[0].active).webview->focus();
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

} // namespace
} // namespace corvane::test
