// Private windows' website data, and HTTPS-Only with its fallback to http.
#include "engine/actions.h"
#include "engine_harness.h"

namespace corvane::test {
namespace {

using Privacy = EngineTest;

TEST_F(Privacy, PrivateAndNormalWindowsNeverShareCookiesOrStorage) {
    std::string address = url("/store");
    auto normal = open_tab(address, 51);
    ASSERT_TRUE(loaded(51, address));
    evaluate(*normal, "document.cookie='who=normal; path=/';localStorage.setItem('who','normal')");

    auto private_store = make_private_data_store(world().config);
    auto secret = open_tab(address, 52, private_store);
    ASSERT_TRUE(loaded(52, address));
    EXPECT_EQ(evaluate(*secret, "document.cookie"), R"("")");
    EXPECT_EQ(evaluate(*secret, "localStorage.getItem('who')"), "null");
    evaluate(*secret, "document.cookie='secret=1; path=/';localStorage.setItem('secret','1')");

    world().seen.clear();
    normal->reload();
    ASSERT_TRUE(loaded(51, address));
    EXPECT_EQ(evaluate(*normal, "document.cookie"), R"("who=normal")");
    EXPECT_EQ(evaluate(*normal, "localStorage.getItem('secret')"), "null");
    bool private_cookie_sent = false;
    for (const HttpRequest& request : world().server->requests()) {
        auto cookie = request.headers.find("cookie");
        if (cookie != request.headers.end() && cookie->second.find("secret") != std::string::npos) {
            private_cookie_sent = true;
        }
    }
    EXPECT_FALSE(private_cookie_sent);
}

bool tunnel_asked(const std::string& host) {
    for (const HttpRequest& request : world().server->requests()) {
        if (request.method == "CONNECT" && request.target.starts_with(host + ":")) {
            return true;
        }
    }
    return false;
}

TEST_F(Privacy, HttpsOnlyTriesHttpsFirstAndFallsBackToHttp) {
    // Through the test proxy the host is not local; https to it fails (the proxy opens no
    // tunnels), so the tab ends on the http page.
    const std::string shop = "http://shop.corvane-test.example/shop";
    auto tab = open_tab(shop, 61, nullptr, true);
    ASSERT_TRUE(loaded(61, shop));
    EXPECT_TRUE(tunnel_asked("shop.corvane-test.example")) << "https was tried first";
    EXPECT_TRUE(wait_until([&] { return tab->title() == "shop over http"; }));
    for (const event::PageLoad& load : seen_of<event::PageLoad>()) {
        if (!load.loading) {
            EXPECT_EQ(load.url, shop) << "the replaced loads end silently";
        }
    }
}

TEST_F(Privacy, LocalHostsAreNeverUpgraded) {
    auto tab = open_tab(url("/store"), 62, nullptr, true);
    ASSERT_TRUE(loaded(62, url("/store")));
    EXPECT_FALSE(tunnel_asked("127.0.0.1"));
    EXPECT_EQ(current_url(*tab), url("/store"));
}

TEST_F(Privacy, WithoutHttpsOnlyNothingIsUpgraded) {
    const std::string plain = "http://plain.corvane-test.example/shop";
    auto tab = open_tab(plain, 63, nullptr, false);
    ASSERT_TRUE(loaded(63, plain));
    EXPECT_FALSE(tunnel_asked("plain.corvane-test.example"));
}

} // namespace
} // namespace corvane::test
