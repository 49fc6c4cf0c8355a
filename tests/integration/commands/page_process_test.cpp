// Pages in a real window: a page that keeps crashing shows the crash page on screen at once, a
// closed page's process ends, a page stuck in a script lets its tab go on, and media plays
// without a user action.
#include "chrome_driver.h"
#include "core/navigate.h"
#include "core/tabs.h"
#include "engine/website_data.h"
#include "support/web_processes.h"

#include <csignal>
#include <fstream>

namespace corvane::test {
namespace {

using nlohmann::json;

// Silence as 8 kHz 8-bit mono PCM: media that plays all the same (the test display has no sound
// device).
std::string silent_wav(std::uint32_t seconds) {
    const std::uint32_t samples = 8000 * seconds;
    std::string wav = "RIFF";
    const auto put = [&wav](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            wav.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    };
    put(36 + samples, 4);
    wav += "WAVEfmt ";
    // Format block: its size, PCM, one channel, samples and bytes per second, bytes per sample
    // and bits per sample.
    for (const auto& [value, bytes] :
         {std::pair{16U, 4}, {1U, 2}, {1U, 2}, {8000U, 4}, {8000U, 4}, {1U, 2}, {8U, 2}}) {
        put(value, bytes);
    }
    wav += "data";
    put(samples, 4);
    return wav.append(samples, '\x80');
}

// The resident size of a process in KiB; 0 once it has ended.
long resident_kib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// A dark pixel: the text of a page on a light background.
bool is_dark(const std::string& colour) {
    return colour.size() == 7 && std::stoi(colour.substr(1, 2), nullptr, 16) < 0x60 &&
           std::stoi(colour.substr(3, 2), nullptr, 16) < 0x60;
}

class PageProcesses : public ChromePageTest {
protected:
    void SetUp() override {
        ChromePageTest::SetUp();
        if (!xdotool({"version"})) {
            GTEST_SKIP() << "xdotool is not installed";
        }
        // Its process is the largest: the one a test ends.
        serve_page("/ballast", html_page("<title>Ballast</title><body style='background:#1e40af'>"
                                         "<script>window.ballast = new Uint8Array(200 << 20)"
                                         ".fill(1)</script>"));
    }
    platform::WebView& view() { return *tab(0, app().windows[0].active).webview; }
    // The colours on screen around the element of the active tab's page, 30 points beyond its
    // top and bottom.
    std::vector<std::string> on_screen(const std::string& selector) {
        const json box = js(view(), "{const r = document.querySelector('" + selector +
                                        "').getBoundingClientRect(); [Math.round(r.x), "
                                        "innerHeight - Math.round(r.y) + 30, Math.round(r.width), "
                                        "Math.round(r.height) + 60]}");
        if (!box.is_array() || box.size() != 4) {
            return {};
        }
        return screen_colours(box[0].get<int>(), box[1].get<int>(), box[2].get<int>(),
                              box[3].get<int>());
    }
};

// The process of the shown page is killed three times within the minute: the first two reload
// the page, the third shows the crash page, on screen, with no tab switch.
TEST_F(PageProcesses, TheThirdCrashShowsTheCrashPageOnScreen) {
    open({{page_url("/ballast"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Ballast"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].window->is_active(); }));
    for (int crash = 1; crash <= 3; ++crash) {
        SCOPED_TRACE(crash);
        ASSERT_TRUE(wait_until([&] { return js(view(), "!!window.ballast") == true; }));
        const std::optional<pid_t> process = largest_web_process();
        ASSERT_TRUE(process);
        kill(*process, SIGKILL);
        ASSERT_TRUE(wait_until([&] { return kill(*process, 0) != 0; }));
        if (crash < 3) {
            ASSERT_TRUE(wait_until([&] { return js(view(), "document.title") == "Ballast"; }));
        }
    }
    ASSERT_TRUE(wait_until(
        [&] { return js(view(), "document.body.innerText.includes('keeps crashing')") == true; }));
    std::vector<std::string> heading;
    EXPECT_TRUE(wait_until([&] {
        heading = on_screen("h1");
        return std::ranges::count_if(heading, is_dark) > 50;
    })) << "the heading is not on screen: "
        << (heading.empty() ? "" : heading[heading.size() / 2]);
    EXPECT_EQ(tab(0, 0).title, "Ballast");
    // Its address typed again loads the page.
    view().load_url(page_url("/ballast"));
    EXPECT_TRUE(wait_until([&] { return js(view(), "!!window.ballast") == true; }));
}

// A closed tab gives its memory back within seconds: its web process ends, and the memory figure
// of the Shield card no longer counts it; a page of the same site in another tab lives on. So does
// a closed window.
TEST_F(PageProcesses, AClosedTabOrWindowGivesItsMemoryBack) {
    serve_page("/heavy", html_page("<title>Heavy</title><script>window.ballast = new Uint8Array("
                                   "600 << 20).fill(1)</script>"));
    open({{page_url("/article-light"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Article light"));
    ASSERT_TRUE(js(*tab(0, 0).webview, "window.mark = 'kept'") == "kept");
    add_tab(app(), 0, page_url("/heavy"), TabFocus::foreground, TabPlace::at_end);
    ASSERT_TRUE(loaded(0, 1, "Heavy"));
    platform::System& system = world().platform->system();
    // Closes the heavy page; whether its process ended and the memory figure went down with it.
    const auto heavy_page_goes = [&](const std::function<void()>& close) {
        const std::optional<pid_t> process = largest_web_process();
        ASSERT_TRUE(process);
        EXPECT_GT(resident_kib(*process), 600L << 10);
        const std::uint64_t before = webkit_memory_bytes(system);
        close();
        EXPECT_TRUE(wait_until([&] { return resident_kib(*process) < 100L << 10; }, 10s))
            << resident_kib(*process) << " KiB";
        EXPECT_LT(webkit_memory_bytes(system) + (500ULL << 20), before);
    };
    heavy_page_goes([&] { close_tab(app(), 0, tab(0, 1).id); });
    EXPECT_EQ(js(*tab(0, 0).webview, "window.mark"), "kept");

    const std::size_t second = open({{page_url("/heavy"), ""}});
    ASSERT_TRUE(loaded(second, 0, "Heavy"));
    heavy_page_goes([&] { close_window(app(), second); });
    EXPECT_EQ(js(*tab(0, 0).webview, "window.mark"), "kept");
}

// A page stuck in a script keeps its tab no longer: an address typed (on its host or another),
// Reload and Stop each end its web process and go on with what was asked.
TEST_F(PageProcesses, AHungPageLetsItsTabGoOn) {
    // Never cached, so that every load of it reaches the server.
    HttpResponse hung = html_page("<title>Hung</title><script>addEventListener('load', () => "
                                  "setTimeout(() => { for (;;) {} }, 50))</script>");
    hung.headers.emplace_back("Cache-Control", "no-store");
    serve_page("/hung", hung);
    open({{page_url("/hung"), ""}});
    const auto hang = [&] {
        ASSERT_TRUE(loaded(0, 0, "Hung"));
        pump(300ms);
    };
    const std::string other_host =
        "http://localhost:" + page_url("").substr(page_url("").rfind(':') + 1);
    // What is asked, and the page the tab then shows.
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { navigate(app(), 0, page_url("/article-same"), NavigateTarget::active_tab); },
         "Article same"},
        {[&] { navigate(app(), 0, other_host + "/article-other", NavigateTarget::active_tab); },
         "Article other"},
    };
    for (const auto& [ask, title] : cases) {
        SCOPED_TRACE(title);
        hang();
        ask();
        EXPECT_TRUE(loaded(0, 0, title));
        EXPECT_EQ(js(view(), "document.title"), title) << "the page answers";
        std::vector<std::string> heading;
        EXPECT_TRUE(wait_until([&] {
            heading = on_screen("h1");
            return std::ranges::count_if(heading, is_dark) > 50;
        })) << "not on screen: "
            << (heading.empty() ? "" : heading[heading.size() / 2]);
        navigate(app(), 0, page_url("/hung"), NavigateTarget::active_tab);
    }
    hang();
    const std::size_t loads = server().count("/hung");
    command("reload");
    EXPECT_TRUE(wait_until([&] { return server().count("/hung") > loads; }));
    hang();
    app().proxy.send_event(event::UiMessage{msg::Stop{}, app().windows[0].id()});
    EXPECT_TRUE(becomes(
        [&] { return js(view(), "document.body.innerText.includes('stopped responding')"); },
        true));
    EXPECT_EQ(tab(0, 0).url, page_url("/hung"));
}

// Media plays without a user action, with sound or without: an element that asks for autoplay and a
// play() from the page's own load handler. Only the state the page sees can be checked: the test
// display has no sound device.
TEST_F(PageProcesses, MediaPlaysWithoutAUserAction) {
    serve_page("/tone.wav", {200, "audio/wav", silent_wav(2), {}});
    serve_page("/media",
               html_page("<title>Media</title><audio id=loud autoplay loop src=/tone.wav></audio>"
                         "<video id=quiet autoplay loop muted src=/tone.wav></video><script>"
                         "window.seen = []; document.addEventListener('playing', (e) => "
                         "seen.push(e.target.id), true); window.late = 'waiting'; "
                         "addEventListener('load', () => { window.scripted = new Audio("
                         "'/tone.wav'); scripted.loop = true; scripted.play().then(() => late = "
                         "'played', (e) => late = e.name) })</script>"));
    open({{page_url("/media"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Media"));
    // The element, and whether it plays and said so.
    const std::pair<const char*, const char*> cases[] = {
        {"loud", "[!loud.paused, seen.includes('loud')]"},
        {"quiet", "[!quiet.paused, seen.includes('quiet')]"},
        {"scripted", "[!scripted.paused, late === 'played']"},
    };
    for (const auto& [element, script] : cases) {
        SCOPED_TRACE(element);
        EXPECT_TRUE(becomes([&] { return js(view(), script); }, json{true, true}));
    }
    EXPECT_EQ(js(view(), "late"), "played");
}

} // namespace
} // namespace corvane::test
