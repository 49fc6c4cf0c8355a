// The settings sheet, the Shield card and the downloads panel in real windows, checked by what the
// core then did: the settings file, the pages the tabs load, every window's toolbar and the file
// manager's D-Bus interface.
#include "chrome_driver.h"
#include "core/commands.h"
#include "core/navigate.h"
#include "engine/shield_wiring.h"
#include "platform/gtk/gtk_network.h"
#include "shield/shield_rules.h"
#include "store/store.h"
#include "support/web_processes.h"

#include <gio/gio.h>
#include <mutex>

namespace corvane::test {
namespace {

using nlohmann::json;

// The file manager on the test's private session bus: a connection of its own that owns the name
// and records each ShowItems call's URIs. Filters run on GDBus's own thread.
std::mutex shown_lock;
std::vector<std::string> shown_items;

GDBusMessage* record_show_items(GDBusConnection* connection, GDBusMessage* message,
                                gboolean incoming, gpointer) {
    if (!incoming || g_strcmp0(g_dbus_message_get_member(message), "ShowItems") != 0) {
        return message;
    }
    g_autofree const char** uris = nullptr;
    g_variant_get(g_dbus_message_get_body(message), "(^a&s&s)", &uris, nullptr);
    {
        const std::lock_guard lock(shown_lock);
        shown_items.assign(uris, uris + g_strv_length(const_cast<char**>(uris)));
    }
    g_autoptr(GDBusMessage) reply = g_dbus_message_new_method_reply(message);
    g_dbus_connection_send_message(connection, reply, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr,
                                   nullptr);
    g_object_unref(message);
    return nullptr;
}

// Pages may name hosts that are not local: the tabs' session goes through the page server.
void route_tabs_through(const char* proxy) {
    auto& session =
        dynamic_cast<platform::gtk::GtkNetworkSession&>(*world().app().engine.default_store);
    if (proxy == nullptr) {
        webkit_network_session_set_proxy_settings(session.session(),
                                                  WEBKIT_NETWORK_PROXY_MODE_DEFAULT, nullptr);
        return;
    }
    WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(proxy, nullptr);
    webkit_network_session_set_proxy_settings(session.session(), WEBKIT_NETWORK_PROXY_MODE_CUSTOM,
                                              settings);
    webkit_network_proxy_settings_free(settings);
}

class PanelsReal : public ChromePageTest {
protected:
    void SetUp() override {
        ChromePageTest::SetUp();
        install_rule_list(app().engine, {});
        ASSERT_TRUE(wait_until([&] { return app().shield_ready; }));
    }
    void TearDown() override {
        ChromePageTest::TearDown();
        route_tabs_through(nullptr);
    }

    bool written(const std::string& text) {
        return wait_until([&] {
            return read_file(app().store.dir / kSettingsFile).find(text) != std::string::npos;
        });
    }
    // Waits until the element's text is the given one.
    bool reads(const std::string& selector, const std::string& text, std::size_t window = 0) {
        const std::string e = "D.$(" + json(selector).dump() + ")";
        return wait_until([&] { return page(e + " && " + e + ".textContent", window) == text; });
    }
    void reload_to(const std::string& title) {
        ControlFlow flow = ControlFlow::wait;
        run_command(app(), "reload", flow);
        EXPECT_TRUE(loaded(0, 0, title));
    }
    bool tunnel_asked(const std::string& host) {
        const std::vector<HttpRequest> requests = server().requests();
        return std::any_of(requests.begin(), requests.end(), [&](const HttpRequest& r) {
            return r.method == "CONNECT" && r.target.starts_with(host + ":");
        });
    }
};

// First: once the tabs' session has gone through the page server's proxy, later downloads of
// local pages still try it.
TEST_F(PanelsReal, FinishedDownloadIsListedRevealedAndClearsTheDotEverywhere) {
    g_autoptr(GDBusConnection) files = g_dbus_connection_new_for_address_sync(
        g_getenv("DBUS_SESSION_BUS_ADDRESS"),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    ASSERT_TRUE(files) << "no session bus";
    g_dbus_connection_add_filter(files, record_show_items, nullptr, nullptr);
    g_bus_own_name_on_connection(files, "org.freedesktop.FileManager1", G_BUS_NAME_OWNER_FLAGS_NONE,
                                 nullptr, nullptr, nullptr, nullptr);
    open({{page_url("/article-one"), ""}});
    open({{page_url("/article-two"), ""}});
    navigate(app(), 0, page_url("/file.bin"), NavigateTarget::active_tab);
    const auto dots = [&] {
        return json{page("D.shown('dl-dot')", 0), page("D.shown('dl-dot')", 1)};
    };
    ASSERT_TRUE(wait_until([&] { return dots() == json{true, true}; }));
    ASSERT_EQ(app().downloads.at(0).state, "done");
    page("D.$('#downloads').click()");
    EXPECT_TRUE(reads("#panel .lrow-main", "file.bin"));
    EXPECT_TRUE(reads("#panel .lrow-sub", "Saved to Downloads"));
    EXPECT_TRUE(wait_until([&] { return dots() == json{false, false}; }));
    page("D.$(\"#panel [aria-label='Show in Files']\").click()");
    g_autofree char* uri = g_filename_to_uri(app().downloads[0].path.c_str(), nullptr, nullptr);
    EXPECT_TRUE(wait_until([&] {
        const std::lock_guard lock(shown_lock);
        return shown_items == std::vector<std::string>{uri};
    }));
}

TEST_F(PanelsReal, SettingsSheetChangesAreWrittenAndTakeEffect) {
    route_tabs_through(page_url("").c_str());
    open({{page_url("/news"), ""}});
    ASSERT_TRUE(loaded(0, 0, "news done")) << "the tracker's script is blocked";
    page("D.$('#menu').click(); [...document.querySelectorAll('.mrow')].find("
         "(r) => r.textContent.startsWith('Settings')).click()");
    ASSERT_TRUE(wait_until([&] { return page("D.shown('sheet-back')") == true; }));
    for (const bool on : {false, true}) {
        page("D.$(\"#sheet [aria-label='Shield']\").click()");
        EXPECT_TRUE(written(on ? R"("block_trackers":true)" : R"("block_trackers":false)"));
        EXPECT_TRUE(reads("#toast", on ? "Shield on. Reload pages to apply it" : "Shield off"));
        reload_to(on ? "news done" : "news ad-ran done");
    }
    // HTTPS-Only tries https first for a new window's tab (the proxy refuses the tunnel), until
    // it is switched off.
    for (const std::string host : {"one.corvane-test.example", "two.corvane-test.example"}) {
        const std::size_t window = open({{"http://" + host + "/news", ""}});
        EXPECT_TRUE(loaded(window, 0, "news done"));
        EXPECT_EQ(tunnel_asked(host), host.starts_with("one"));
        page("D.$(\"#sheet [aria-label='HTTPS only']\").click()");
        EXPECT_TRUE(reads("#toast", "Applies to new tabs"));
    }
    page("const s = D.$('#sheet select'); s.value = 'kagi'; s.dispatchEvent(new Event('change'))");
    EXPECT_TRUE(written(R"("search_engine":"kagi")"));
    type_into("#omni-input", "corvane panels");
    page("D.key('#omni-input', 'Enter')");
    EXPECT_TRUE(
        wait_until([&] { return tab(0, 0).url == "https://kagi.com/search?q=corvane+panels"; }));
    navigate(app(), 0, "corvane://newtab/", NavigateTarget::new_tab);
    ASSERT_TRUE(loaded(0, 1, "New Tab"));
    EXPECT_EQ(js(*tab(0, 1).webview, "document.getElementById('q').placeholder"),
              "Search Kagi or enter website");
}

TEST_F(PanelsReal, ShieldCardShowsTheSiteAndSwitchesIt) {
    route_tabs_through(page_url("").c_str());
    open({{"http://news.corvane-test.example/news", ""}, {page_url("/article-two"), "Two"}});
    ASSERT_TRUE(loaded(0, 0, "news done"));
    page("D.$('#shield').click()");
    EXPECT_TRUE(reads("#shield-pop h2", "news.corvane-test.example"));
    // The bundled list's own count, grouped for the reader ("1,234").
    EXPECT_TRUE(wait_until([&] {
        return page("D.$('#shield-pop .rules strong').textContent.replace(/,/g, '')") ==
               std::to_string(shield_rule_count()) + " protection rules active";
    }));
    EXPECT_TRUE(reads("#shield-pop .memory span", "1 tab is asleep to save memory."));
    const auto memory = page("D.$('#shield-pop .memory strong').textContent");
    const double tree_mb = static_cast<double>(process_tree_resident_kib()) / 1024;
    EXPECT_NEAR(std::atof(memory.get<std::string>().c_str()), tree_mb, tree_mb * 0.2) << memory;

    // Off for this site: written to the allowlist, and the open tab loads the tracker.
    for (const bool on : {false, true}) {
        app().shield_ready = false;
        page("D.$(\"#shield-pop [role='switch']\").click()");
        EXPECT_TRUE(written(on ? R"("shield_allowlist":[])"
                               : R"("shield_allowlist":["news.corvane-test.example"])"));
        ASSERT_TRUE(wait_until([&] { return app().shield_ready; }));
        reload_to(on ? "news done" : "news ad-ran done");
    }
}

} // namespace
} // namespace corvane::test
