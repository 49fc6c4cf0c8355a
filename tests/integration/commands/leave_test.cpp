// Pages that ask before they are left, in real windows: the browser's own question, answered with
// real keys through xdotool, closing a tab, a window of two such pages, and quitting.
#include "chrome_driver.h"
#include "core/closing.h"
#include "core/navigate.h"
#include "core/tabs.h"

#include <gtk/gtk.h>

namespace corvane::test {
namespace {

using nlohmann::json;

// A page with a text area that asks before it is left, with a message of its own.
HttpResponse asking_page(const std::string& title) {
    return html_page("<title>" + title +
                     "</title><textarea id=t autofocus></textarea><script>addEventListener("
                     "'beforeunload', (e) => { e.preventDefault(); e.returnValue = 'SECURITY "
                     "WARNING: call 555-0100 now' })</script>");
}

// The browser's question whether to leave a page, while it is up.
GtkWindow* leave_question() {
    GListModel* toplevels = gtk_window_get_toplevels();
    for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
        GObject* item = static_cast<GObject*>(g_list_model_get_item(toplevels, i));
        g_object_unref(item); // the list keeps its own reference
        if (GTK_IS_MESSAGE_DIALOG(item) && gtk_widget_get_visible(GTK_WIDGET(item))) {
            return GTK_WINDOW(item);
        }
    }
    return nullptr;
}

// Up, and with the keyboard, so that a key pressed now answers it.
bool question_has_keyboard() {
    GtkWindow* question = leave_question();
    return question != nullptr && gtk_window_is_active(question);
}

void collect_texts(GtkWidget* widget, std::vector<std::string>& texts) {
    if (GTK_IS_LABEL(widget) && gtk_widget_get_visible(widget) &&
        *gtk_label_get_text(GTK_LABEL(widget)) != '\0') {
        texts.emplace_back(gtk_label_get_text(GTK_LABEL(widget)));
    }
    for (GtkWidget* child = gtk_widget_get_first_child(widget); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        collect_texts(child, texts);
    }
}

// Every text the question shows, its title included.
std::vector<std::string> question_texts() {
    std::vector<std::string> texts;
    if (GtkWindow* question = leave_question()) {
        if (const char* title = gtk_window_get_title(question); title != nullptr && *title) {
            texts.emplace_back(title);
        }
        collect_texts(GTK_WIDGET(question), texts);
    }
    return texts;
}

bool key(const std::string& keys) {
    return xdotool({"key", "--clearmodifiers", keys});
}

class Leave : public ChromePageTest {
protected:
    void SetUp() override {
        ChromePageTest::SetUp();
        if (!install_keys()) {
            GTEST_SKIP() << "xdotool is not installed";
        }
        serve_page("/asks-one", asking_page("One"));
        serve_page("/asks-two", asking_page("Two"));
    }
    platform::WebView& page_view(std::size_t window, std::size_t index) {
        return *tab(window, index).webview;
    }
    // Types into the tab's page as a person would: the tab chosen, its window active, the keys
    // pressed; true once the text area holds the text.
    ::testing::AssertionResult type_into(std::size_t window, std::size_t index,
                                         const std::string& title, const std::string& text) {
        select_tab(app(), window, index);
        if (::testing::AssertionResult ok = loaded(window, index, title); !ok) {
            return ok;
        }
        if (!wait_until([&] {
                return app().windows[window].window->is_active() &&
                       page_view(window, index).has_focus();
            })) {
            return ::testing::AssertionFailure() << "the page never had the keyboard";
        }
        const json before = js(page_view(window, index), "t.value");
        if (!xdotool({"type", text})) {
            return ::testing::AssertionFailure() << "xdotool failed";
        }
        return becomes([&] { return js(page_view(window, index), "t.value"); },
                       before.get<std::string>() + text);
    }
    // The next question is up with the keyboard, with the tab whose page asks in front.
    ::testing::AssertionResult asked(std::size_t window, std::size_t index) {
        if (wait_until([&] {
                return question_has_keyboard() && window < app().windows.size() &&
                       app().windows[window].active == index;
            })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "question " << (leave_question() ? "up" : "not up") << ", active tab "
               << (window < app().windows.size() ? app().windows[window].active : 99);
    }
};

const std::vector<std::string> kQuestion = {"Are you sure you want to leave this page?",
                                            "Stay on Page", "Leave Page"};

// Ctrl+W on a page with unsaved work puts the browser's own question, never the page's words,
// with the keyboard on it. Escape stays and gives the keyboard back to the page, whose
// window.close() seconds later closes nothing and asks nothing. Staying after a typed address
// keeps the tab's address, bookmark and session entry at the page still shown. Return, the
// default, leaves: the tab closes.
TEST_F(Leave, StayKeepsTheTabAndEndsTheRequestInTheBrowsersOwnWords) {
    open({{page_url("/article-one"), ""}, {page_url("/asks-one"), ""}}, 1);
    ASSERT_TRUE(type_into(0, 1, "One", "x"));

    ASSERT_TRUE(key("ctrl+w"));
    ASSERT_TRUE(asked(0, 1));
    EXPECT_EQ(question_texts(), kQuestion);
    ASSERT_TRUE(key("Escape"));
    ASSERT_TRUE(wait_until([&] { return !leave_question() && page_view(0, 1).has_focus(); }));
    ASSERT_TRUE(xdotool({"type", "y"}));
    EXPECT_TRUE(becomes([&] { return js(page_view(0, 1), "t.value"); }, "xy"))
        << "the keyboard is back in the page";

    js(page_view(0, 1), "setTimeout(() => { document.title = 'Closing'; window.close() }, 4000)");
    ASSERT_TRUE(wait_until([&] { return tab(0, 1).title == "Closing"; }));
    pump(1000ms); // what the close would do, it would have done by now
    EXPECT_EQ(std::tuple(app().windows.size(), app().windows[0].tabs.size(), !leave_question()),
              std::tuple(1u, 2u, true));

    const std::string url = page_url("/asks-one");
    navigate(app(), 0, page_url("/article-two"), NavigateTarget::active_tab);
    ASSERT_TRUE(asked(0, 1));
    EXPECT_EQ(question_texts(), kQuestion);
    ASSERT_TRUE(key("Escape"));
    ASSERT_TRUE(wait_until([] { return !leave_question(); }));
    EXPECT_EQ(js(page_view(0, 1), "t.value"), "xy");
    command("bookmark");
    save_session_now(app());
    EXPECT_EQ(std::tuple(tab(0, 1).url, page_view(0, 1).uri(), app().store.bookmarks.back().url,
                         app().store.session.at(0).tabs.at(1).url),
              std::tuple(url, url, url, url));
    EXPECT_TRUE(shows("D.$('#omni-input').value", url));

    ASSERT_TRUE(key("ctrl+w"));
    ASSERT_TRUE(asked(0, 1));
    ASSERT_TRUE(key("Return"));
    EXPECT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 1; }));
}

// One close of a window whose two pages ask puts the question for each in turn, its tab brought
// forward. A second close while a question is up (the window manager's, Ctrl+Shift+W) does not
// get past it, and Alt+F4 closes only the question, as "Stay". One "Stay" keeps the window with
// both pages' text; "Leave" twice closes the window.
TEST_F(Leave, AWindowAsksEachOfItsPagesInTurn) {
    open({{page_url("/article-one"), ""}});
    const std::size_t w = open({{page_url("/asks-one"), ""}, {page_url("/asks-two"), ""}});
    ASSERT_TRUE(type_into(w, 0, "One", "first"));
    ASSERT_TRUE(type_into(w, 1, "Two", "second"));

    ASSERT_TRUE(key("ctrl+shift+w"));
    ASSERT_TRUE(asked(w, 0));
    request_close_window(app(), w);
    ASSERT_TRUE(key("ctrl+shift+w"));
    pump(500ms);
    ASSERT_EQ(app().windows.size(), 2u);
    EXPECT_TRUE(question_has_keyboard());
    ASSERT_TRUE(key("alt+F4"));
    ASSERT_TRUE(wait_until([] { return !leave_question(); }));
    pump(500ms);
    EXPECT_EQ(std::tuple(app().windows.size(), leave_question() == nullptr), std::tuple(2u, true));

    ASSERT_TRUE(key("ctrl+shift+w"));
    ASSERT_TRUE(asked(w, 0));
    ASSERT_TRUE(key("Return"));
    ASSERT_TRUE(asked(w, 1)) << "the second page asks too";
    ASSERT_TRUE(key("Escape"));
    ASSERT_TRUE(wait_until([] { return !leave_question(); }));
    ASSERT_EQ(app().windows.size(), 2u);
    EXPECT_EQ(std::pair(js(page_view(w, 0), "t.value"), js(page_view(w, 1), "t.value")),
              std::pair(json("first"), json("second")));

    ASSERT_TRUE(key("ctrl+shift+w"));
    ASSERT_TRUE(asked(w, 0));
    ASSERT_TRUE(key("Return"));
    ASSERT_TRUE(asked(w, 1));
    ASSERT_TRUE(key("Return"));
    EXPECT_TRUE(wait_until([&] { return app().windows.size() == 1; }));
}

// Ctrl+Q with a page that has unsaved work asks first; Escape keeps the browser running, so a
// command that follows is still carried out.
TEST_F(Leave, QuitAsksAndStayKeepsTheBrowserRunning) {
    open({{page_url("/article-one"), ""}, {page_url("/asks-one"), ""}}, 1);
    ASSERT_TRUE(type_into(0, 1, "One", "q"));
    ASSERT_TRUE(key("ctrl+q"));
    ASSERT_TRUE(asked(0, 1));
    EXPECT_EQ(question_texts(), kQuestion);
    ASSERT_TRUE(key("Escape"));
    ASSERT_TRUE(wait_until([] { return !leave_question(); }));
    world().queue->push(event::MenuCommand{"newTab"});
    EXPECT_TRUE(wait_until([&] { return app().windows.at(0).tabs.size() == 3; }));
    EXPECT_EQ(js(page_view(0, 1), "t.value"), "q");
}

} // namespace
} // namespace corvane::test
