#include "core/hung_pages.h"
#include "core_fixture.h"

namespace corvane::test {

// With the real engine: integration/commands/page_process_test.
class HungPagesTest : public CoreTest {
protected:
    void SetUp() override {
        open({{"https://a.test/", "A"}});
        id = tab(0, 0).id;
        view = tab(0, 0).view;
    }
    FakeWebView& page() { return fake(tab(0, 0).webview); }
    // The calls the page's view got from the step on.
    std::vector<std::string> calls_of(const std::function<void()>& step) {
        page().calls.clear();
        step();
        std::vector<std::string> calls;
        for (const std::string& call : page().calls) {
            if (call.starts_with("show_error_page")) {
                calls.push_back("show_error_page"); // its page is checked below
            } else if (call != "focus" && !call.starts_with("evaluate_script")) {
                calls.push_back(call);
            }
        }
        return calls;
    }
    TabId id = 0;
    ViewId view = 0;
};

// Each request of the user to a page whose process is known not to answer: that process is ended
// first, and the request goes to a fresh one; its report is no crash.
TEST_F(HungPagesTest, ARequestToAPageThatDoesNotAnswerEndsItsProcessFirst) {
    const std::pair<UiMsg, std::vector<std::string>> cases[] = {
        {msg::Navigate{"b.test/x", false},
         {"terminate_web_process", "load_url https://b.test/x",
          "expect_https_fallback https://b.test/x http://b.test/x"}},
        {msg::Reload{}, {"terminate_web_process", "reload"}},
        {msg::Back{}, {"terminate_web_process", "go_back"}},
        {msg::Forward{}, {"terminate_web_process", "go_forward"}},
        {msg::Stop{}, {"terminate_web_process", "show_error_page"}},
    };
    for (const auto& [message, expected] : cases) {
        page().responsive = false;
        EXPECT_EQ(calls_of([&] { send(message); }), expected) << message.index();
        if (std::holds_alternative<msg::Stop>(message)) {
            EXPECT_NE(page().calls.back().find("stopped responding"), std::string::npos);
        }
        page().responsive = true;
        now += std::chrono::seconds(1);
        EXPECT_TRUE(calls_of([&] {
                        handle(event::WebContentTerminated{id, view});
                    }).empty())
            << "reloaded after its own end: " << message.index();
    }
    EXPECT_TRUE(tab(0, 0).crashes.empty());
    // A crash of the fresh process is a crash again.
    EXPECT_EQ(calls_of([&] {
                  handle(event::WebContentTerminated{id, view});
              }),
              std::vector<std::string>{"reload"});
}

// The page answered when the user asked, then the engine reports it does not: the request is made
// again in a fresh process, but only while it concerns the request (its load has not started, its
// view is the tab's, it is recent).
TEST_F(HungPagesTest, APageFoundNotToAnswerAfterARequestHasItMadeAgainInAFreshProcess) {
    const std::vector<std::string> again = {"terminate_web_process", "load_url https://b.test/"};
    const std::pair<std::function<void()>, std::vector<std::string>> cases[] = {
        {[] {}, again},
        {[&] { now += kRequestAnswerSpan; }, again},
        {[&] { now += kRequestAnswerSpan + std::chrono::seconds(1); }, {}},
        {[&] {
             handle(event::PageLoad{"https://b.test/", id, true, view});
         },
         {}},
        {[&] {
             handle(event::LocationChanged{id, view});
         },
         {}},
    };
    for (const auto& [meanwhile, expected] : cases) {
        send(msg::Navigate{"https://b.test/", false});
        meanwhile();
        EXPECT_EQ(calls_of([&] { handle(event::WebContentUnresponsive{id, view}); }), expected);
        // Only once.
        EXPECT_TRUE(calls_of([&] { handle(event::WebContentUnresponsive{id, view}); }).empty());
        if (!expected.empty()) {
            handle(event::WebContentTerminated{id, view});
        }
    }
    EXPECT_TRUE(tab(0, 0).crashes.empty());
    // From a view the tab no longer has.
    send(msg::Reload{});
    EXPECT_TRUE(calls_of([&] { handle(event::WebContentUnresponsive{id, view + 100}); }).empty());
}

} // namespace corvane::test
