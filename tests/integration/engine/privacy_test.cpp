// Private windows' website data, and HTTPS-Only with its fallback to http.
#include "engine/actions.h"
#include "engine_harness.h"

#include <algorithm>

namespace corvane::test {
namespace {

using Privacy = EngineTest;

bool server_saw(const std::function<bool(const HttpRequest&)>& match) {
    const std::vector<HttpRequest> requests = world().server->requests();
    return std::any_of(requests.begin(), requests.end(), match);
}

TEST_F(Privacy, PrivateAndNormalWindowsNeverShareCookiesOrStorage) {
    const std::string address = url("/store");
    auto normal = open_tab(address, 51);
    ASSERT_TRUE(loaded(51, address));
    evaluate(*normal, "document.cookie='who=normal; path=/';localStorage.setItem('who','normal')");

    auto secret = open_tab(address, 52, make_private_data_store(world().config));
    ASSERT_TRUE(loaded(52, address));
    EXPECT_EQ(evaluate(*secret, "[document.cookie, localStorage.getItem('who')]"), R"(["",null])");
    evaluate(*secret, "document.cookie='secret=1; path=/';localStorage.setItem('secret','1')");

    world().seen.clear();
    normal->reload();
    ASSERT_TRUE(loaded(51, address));
    EXPECT_EQ(evaluate(*normal, "[document.cookie, localStorage.getItem('secret')]"),
              R"(["who=normal",null])");
    EXPECT_FALSE(server_saw([](const HttpRequest& r) {
        const auto cookie = r.headers.find("cookie");
        return cookie != r.headers.end() && cookie->second.find("secret") != std::string::npos;
    }));
}

struct UpgradeCase {
    const char* host; // empty: the loopback server itself
    bool https_only;
    bool tunnel_asked;
};

// Through the test proxy a host is not local; https to it fails (the proxy opens no tunnels), so
// an upgraded tab falls back to the http page.
TEST_F(Privacy, HttpsOnlyTriesHttpsFirstOnlyForHostsThatAreNotLocal) {
    const UpgradeCase cases[] = {
        {"shop.corvane-test.example", true, true},
        {"plain.corvane-test.example", false, false},
        {"", true, false},
    };
    TabId id = 60;
    for (const UpgradeCase& c : cases) {
        const std::string host = *c.host ? c.host : world().server->origin().substr(7);
        const std::string address = "http://" + host + "/shop";
        world().seen.clear();
        auto tab = open_tab(address, ++id, nullptr, c.https_only);
        ASSERT_TRUE(loaded(id, address)) << address;
        EXPECT_EQ(server_saw([&](const HttpRequest& r) {
                      return r.method == "CONNECT" && r.target.starts_with(host + ":");
                  }),
                  c.tunnel_asked)
            << address;
        EXPECT_TRUE(wait_until([&] { return tab->title() == "shop over http"; })) << address;
        for (const event::PageLoad& load : seen_of<event::PageLoad>()) {
            if (!load.loading && load.tab == id) {
                EXPECT_EQ(load.url, address) << "the replaced loads end silently";
            }
        }
    }
}

} // namespace
} // namespace corvane::test
