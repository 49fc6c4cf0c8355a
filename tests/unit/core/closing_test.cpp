#include "core/closing.h"
#include "core/tabs.h"
#include "core_fixture.h"

namespace corvane::test {

using Urls = std::vector<std::string>;

class ClosingTest : public CoreTest {
protected:
    FakeWindow& system_window(std::size_t window) {
        return dynamic_cast<FakeWindow&>(*app.windows.at(window).window);
    }
    std::size_t questions(std::size_t window) { return system_window(window).questions.size(); }
    // The person answers the question up in the window; the pages then answer too.
    void answer(std::size_t window, bool leave) {
        EXPECT_TRUE(system_window(window).answer_question(leave));
        settle();
    }
    // How often the browser asked the page whether it may close.
    static long asked(const Tab& t) {
        return std::count(fake(t.webview).calls.begin(), fake(t.webview).calls.end(), "try_close");
    }
};

// "Stay" ends the request: the page's later window.close() is not taken as its answer. Every
// close request made while the question is up is refused, without asking the page again.
TEST_F(ClosingTest, StayEndsTheRequestSoALaterScriptCloseClosesNothing) {
    open_numbered(2);
    fake(tab(0, 0).webview).asks = true;
    run("closeTab");
    settle();
    ASSERT_EQ(questions(0), 1u);
    // Ctrl+W, the tab's ×, Ctrl+Shift+W, the window manager's close and Ctrl+Q, while it is up.
    run("closeTab");
    send(msg::CloseTab{tab(0, 0).id});
    send(msg::CloseTab{tab(0, 1).id});
    run("closeWindow");
    request_close_window(app, 0);
    run("quit");
    settle();
    EXPECT_EQ(std::tuple(asked(tab(0, 0)), questions(0), app.windows[0].tabs.size(), flow),
              std::tuple(1, 1u, 2u, ControlFlow::wait));

    answer(0, false);
    EXPECT_EQ(fake(tab(0, 0).webview).calls.back(), "answer_leave_question stay");
    // window.close() by the page, seconds later: its question is not put, and its close is not
    // carried out.
    fake(tab(0, 0).webview).on_leave_question(platform::LeaveFor::script_close);
    settle();
    EXPECT_EQ(std::tuple(questions(0), fake(tab(0, 0).webview).calls.back()),
              std::tuple(0u, "answer_leave_question stay"));
    fake(tab(0, 0).webview).on_close();
    settle();
    EXPECT_EQ(std::tuple(app.windows.size(), tab_urls(0).size(), flow),
              std::tuple(1u, 2u, ControlFlow::wait));

    // Asked again, the person leaves; the page's own close after that changes nothing more.
    run("closeTab");
    settle();
    answer(0, true);
    EXPECT_EQ(tab_urls(0), (Urls{"https://t1.test/"}));
}

// A window with two pages that ask: one close asks each in turn, its tab brought forward; one
// "Stay" keeps the window and every tab; once all agreed, the window closes.
TEST_F(ClosingTest, AWindowAsksEachAskingPageInTurnAndOneStayKeepsEverything) {
    open_numbered(2);
    add_tab(app, 0, "https://t2.test/", TabFocus::background, TabPlace::at_end);
    fake(tab(0, 0).webview).asks = true;
    fake(tab(0, 2).webview).asks = true;
    run("closeWindow");
    settle();
    EXPECT_EQ(std::tuple(asked(tab(0, 0)), asked(tab(0, 2)), questions(0)), std::tuple(1, 0, 1u))
        << "one page at a time";
    answer(0, true); // the first page: "Leave"
    ASSERT_EQ(app.windows.size(), 1u);
    EXPECT_EQ(std::tuple(asked(tab(0, 2)), questions(0), app.windows[0].active),
              std::tuple(1, 1u, 2u))
        << "the second page asks, brought forward";
    request_close_window(app, 0); // the window manager's close, while it is up
    settle();
    answer(0, false);
    EXPECT_EQ(std::tuple(app.windows.size(), tab_urls(0).size(), asked(tab(0, 0))),
              std::tuple(1u, 3u, 1));

    run("closeWindow");
    settle();
    answer(0, true);
    answer(0, true);
    EXPECT_TRUE(app.windows.empty());
}

// Quit asks the pages of every window in turn: "Stay" cancels it and nothing is saved; once all
// agreed it goes on as before, the session saved with every window.
TEST_F(ClosingTest, QuitAsksThePagesFirstAndStayCancelsIt) {
    open_numbered(1);
    open_numbered(2, 1);
    fake(tab(1, 1).webview).asks = true;
    const std::filesystem::path session = app.store.dir / "session.json";
    run("quit");
    settle();
    EXPECT_EQ(std::tuple(asked(tab(0, 0)), questions(1), flow),
              std::tuple(1, 1u, ControlFlow::wait));
    EXPECT_FALSE(std::filesystem::exists(session));
    answer(1, false);
    EXPECT_EQ(std::tuple(flow, app.windows.size()), std::tuple(ControlFlow::wait, 2u));
    EXPECT_FALSE(std::filesystem::exists(session));

    run("quit");
    settle();
    answer(1, true);
    EXPECT_EQ(std::tuple(flow, app.windows.size()), std::tuple(ControlFlow::exit, 2u));
    EXPECT_EQ(load_store(app.store.dir).session.size(), 2u);
}

// Questions before a navigation are the browser's to put too, one at a time; a page being asked
// keeps its view through sleep, and a page whose process ends while asked counts as agreed, so the
// request never waits for ever.
TEST_F(ClosingTest, QuestionsWaitTheirTurnAskedPagesStayAwakeAndAnEndedPageAgrees) {
    open_numbered(3);
    add_tab(app, 0, "https://t3.test/", TabFocus::background, TabPlace::at_end);
    Tab& first = tab(0, 0);
    const auto navigation = platform::LeaveFor::navigation;
    handle(event::LeaveQuestion{first.id, first.view, navigation});
    handle(event::LeaveQuestion{tab(0, 3).id, tab(0, 3).view, navigation});
    handle(event::LeaveQuestion{tab(0, 3).id, 999, navigation}); // a view that is gone
    EXPECT_EQ(std::tuple(questions(0), app.windows[0].active), std::tuple(1u, 0u));
    answer(0, true);
    EXPECT_EQ(std::tuple(fake(first.webview).calls.back(), questions(0), app.windows[0].active),
              std::tuple("answer_leave_question leave", 1u, 3u));
    answer(0, false);
    EXPECT_EQ(std::tuple(questions(0), tab_urls(0).size()), std::tuple(0u, 4u));

    fake(first.webview).asks = true;
    run("closeWindow");
    handle(event::SleepAnswer{"ok", first.id, true, first.view}); // in the background
    EXPECT_TRUE(first.webview) << "asked, it keeps its page";
    settle();
    handle(event::WebContentTerminated{first.id, first.view});
    settle();
    EXPECT_TRUE(app.windows.empty());
}

// A page stuck in its beforeunload handler never answers: once the engine reports it does not
// respond, the request goes on as if it agreed, so the person can still close and quit. A page
// whose question is up is waiting for the person, not stuck.
TEST_F(ClosingTest, APageStuckWhileAskedNoLongerHoldsTheRequest) {
    open_numbered(1);
    add_tab(app, 0, "https://t1.test/", TabFocus::background, TabPlace::at_end);
    fake(tab(0, 1).webview).asks = true;
    run("closeWindow");
    settle();
    ASSERT_EQ(questions(0), 1u);
    fake(tab(0, 1).webview).on_unresponsive();
    settle();
    EXPECT_EQ(std::tuple(questions(0), app.windows.size()), std::tuple(1u, 1u));
    answer(0, false);

    fake(tab(0, 0).webview).hangs = true;
    const long before = asked(tab(0, 0));
    run("quit");
    settle();
    run("quit");
    settle();
    EXPECT_EQ(std::tuple(asked(tab(0, 0)) - before, flow), std::tuple(1, ControlFlow::wait));
    fake(tab(0, 0).webview).on_unresponsive();
    settle();
    EXPECT_EQ(flow, ControlFlow::wait) << "the second page is asked next";
    answer(0, true);
    EXPECT_EQ(flow, ControlFlow::exit);
    EXPECT_EQ(load_store(app.store.dir).session.at(0).tabs.size(), 2u);
}

} // namespace corvane::test
