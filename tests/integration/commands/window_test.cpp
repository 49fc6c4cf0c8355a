// A real window of the browser core with the real chrome page: its field, history buttons and find
// bar acting on the real page, and the menu bar's keys pressed with xdotool reaching their
// commands from the page and from the chrome.
#include "chrome_driver.h"
#include "core/menu_model.h"
#include "core/navigate.h"
#include "platform/gtk/gtk_menu.h"

#include <gtk/gtk.h>

namespace corvane::test {
namespace {

using nlohmann::json;

void install_menu() {
    install_app_menu(*world().platform, EventLoopProxy(world().queue));
}

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
    return std::string(mods & GDK_CONTROL_MASK ? "ctrl+" : "") +
           (mods & GDK_SHIFT_MASK ? "shift+" : "") + (mods & GDK_ALT_MASK ? "alt+" : "") +
           gdk_keyval_name(key);
}

class Window : public ChromePageTest {
protected:
    void SetUp() override {
        ChromePageTest::SetUp();
        install_menu();
        serve_page("/find", html_page("<title>Find</title><p id=a>find-me one</p><p id=b>find-me "
                                      "two</p><p id=c>find-me three</p><p id=e></p><p id=u></p>"
                                      "<script>e.append('é'.repeat(512)); u.append('ü'.repeat(511))"
                                      "</script>"));
        if (!xdotool({"version"})) {
            GTEST_SKIP() << "xdotool is not installed";
        }
    }
    // Opens a window on an article and waits until the window manager has given it the keyboard.
    void open_active(const std::string& name) {
        open({{page_url("/article-" + name), ""}});
        ASSERT_TRUE(loaded(0, 0, "Article " + name));
        ASSERT_TRUE(wait_until([&] { return app().windows[0].window->is_active(); }));
    }
    platform::WebView& view() { return *tab(0, app().windows[0].active).webview; }
    json in_page(const std::string& script) { return js(view(), script); }
    // Keys sent while the window is still moving the focus away from a view that just went are
    // lost, as a person's would be; so each waits until a view of the window has it.
    bool press(const std::string& keys) {
        return wait_until([&] { return chrome().has_focus() || view().has_focus(); }) &&
               xdotool({"key", "--clearmodifiers", keys});
    }
};

TEST_F(Window, TheFieldTheHistoryButtonsAndFindWorkOnTheRealPage) {
    open_active("one");
    // Text typed for one tab is not shown for another; a new tab's field takes the keyboard.
    page("D.type('#omni-input', 'typed words')");
    command("newTab");
    EXPECT_TRUE(shows("document.activeElement.id + '|' + D.$('#omni-input').value", "omni-input|"));
    command("closeTab");
    EXPECT_TRUE(shows("D.$('#omni-input').value", page_url("/article-one")));

    navigate(app(), 0, page_url("/find"), NavigateTarget::active_tab);
    ASSERT_TRUE(loaded(0, 0, "Find"));
    for (const auto& [button, title] : {std::pair{"#back", "Article one"}, {"#fwd", "Find"}}) {
        ASSERT_TRUE(shows(std::string("D.$('") + button + "').disabled", false));
        page(std::string("D.$('") + button + "').click()");
        ASSERT_TRUE(loaded(0, 0, title));
    }
    command("find");
    ASSERT_TRUE(shows("document.activeElement.id", "find-input"));
    // What is typed (a script's value) or pressed; the paragraph then holding the selection, if
    // any, and the bar's status. The search wraps at the end and at the top, starts again from the
    // top once edited, and a long query searches for its first 512 characters.
    // clang-format off
    const std::tuple<std::string, const char*, const char*> steps[] = {
        {"'find-me'", "a", ""},  {"#find-next", "b", ""}, {"#find-next", "c", ""},
        {"#find-next", "a", ""}, {"#find-prev", "c", ""}, {"'find-m'", "a", ""},
        {"'no such words'", "", "Not found"}, {"'é'.repeat(600)", "e", ""},
        {"'ü'.repeat(600)", "", "Not found"}};
    // clang-format on
    for (const auto& [input, selected, status] : steps) {
        SCOPED_TRACE(input);
        page(input.starts_with('#') ? "D.$('" + input + "').click()"
                                    : "D.type('#find-input', " + input + ")");
        EXPECT_TRUE(shows("D.$('#find-status').textContent", status));
        EXPECT_TRUE(!*selected ||
                    becomes([&] { return in_page("getSelection().anchorNode?.parentElement.id"); },
                            selected));
    }
    page("D.$('#find-done').click()");
    EXPECT_TRUE(becomes([&] { return in_page("getSelection().toString()"); }, ""));
    EXPECT_TRUE(view().has_focus());
}

// Every shortcut of the menu bar, its first and its further keys, pressed on the real keyboard in
// turn from the page and from the chrome, runs its item.
TEST_F(Window, EveryShortcutReachesItsCommandFromThePageAndFromTheChrome) {
    open_active("keys");
    EXPECT_STREQ(gtk_window_get_icon_name(gtk_application_get_active_window(
                     GTK_APPLICATION(g_application_get_default()))),
                 "com.halbrin.corvane")
        << "a shell finds the window's icon by this name";
    std::vector<std::string> seen;
    const platform::MenuBar bar = build_app_menu();
    world().platform->install_menu_bar(bar, [&seen](const std::string& id) { seen.push_back(id); });
    struct Reinstall {
        ~Reinstall() { install_menu(); }
    } reinstall;
    bool from_page = false;
    for (const platform::Submenu& submenu : bar) {
        for (const platform::MenuEntry& entry : submenu.entries) {
            std::vector<std::string> keys = entry.second_accelerators;
            keys.insert(keys.begin(), entry.accelerator);
            for (const std::string& accelerator : keys) {
                if (accelerator.empty()) {
                    continue;
                }
                from_page = !from_page;
                SCOPED_TRACE(accelerator + (from_page ? " from the page" : " from the chrome"));
                from_page ? view().focus() : chrome().focus();
                const std::size_t before = seen.size();
                ASSERT_TRUE(press(xdotool_keys(accelerator)));
                if (entry.kind == platform::MenuEntry::Kind::predefined) { // full screen
                    auto& window = *app().windows[0].window;
                    EXPECT_TRUE(wait_until([&] { return window.is_fullscreen(); }));
                    ASSERT_TRUE(press(xdotool_keys(accelerator)));
                    EXPECT_TRUE(wait_until([&] { return !window.is_fullscreen(); }));
                } else {
                    EXPECT_TRUE(
                        becomes([&] { return seen.size() > before ? json(seen[before]) : json(); },
                                entry.id));
                }
            }
        }
    }
    install_menu();

    // Open Location takes the keyboard from the page and selects the address.
    view().focus();
    ASSERT_TRUE(press("ctrl+l"));
    EXPECT_TRUE(shows("const f = D.$('#omni-input'); [document.hasFocus() && "
                      "document.activeElement === f, f.selectionStart, f.selectionEnd]",
                      json{true, 0, page_url("/article-keys").size()}));
}

} // namespace
} // namespace corvane::test
