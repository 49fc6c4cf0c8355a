#pragma once

// Driving the real chrome page of a real browser window: DOM events dispatched in the chrome
// view (the page cannot tell them from a person's), the strip and fields read back, and the
// loopback pages the tabs show.

#include "core/windows.h"
#include "core_world.h"
#include "support/loopback_server.h"

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::test {

// This program's own page server; it is also a proxy for hosts that are not local, so pages can
// name them (its /news page loads a tracker's script from doubleclick.net).
LoopbackServer& server();
// "http://127.0.0.1:PORT" + path on this program's own page server.
std::string page_url(const std::string& path);
// From now on the server answers the path with the page.
void serve_page(const std::string& path, const HttpResponse& page);

// The value of a script as parsed JSON; null when the view gave none.
nlohmann::json js(platform::WebView& view, const std::string& script);

// Runs a script in a chrome page with the driver object D defined.
nlohmann::json drive(platform::WebView& chrome, const std::string& script);

// Runs xdotool with the arguments; false when it is missing or fails.
bool xdotool(const std::vector<std::string>& args);

// The colour ("#RRGGBB") of the active window's pixel at x, y from its bottom left corner, read
// back from the screen; empty when it cannot be read.
std::string screen_pixel(int x, int y_from_bottom);
// The colours of the active window's area of that size whose top left corner is at x, y from its
// bottom left corner, row by row; empty when they cannot be read.
std::vector<std::string> screen_colours(int x, int y_from_bottom, int width, int height);

// Moves the real pointer to x, y from the active window's bottom left corner.
bool move_pointer(int x, int y_from_bottom);

// Waits until read() gives the expected value; on failure says what it gave last.
::testing::AssertionResult becomes(const std::function<nlohmann::json()>& read,
                                   const nlohmann::json& expected);

class ChromePageTest : public BrowserTest {
protected:
    // Opens a window and waits until its chrome page is ready and shows every tab.
    std::size_t open(std::vector<SessionTab> tabs, std::size_t active = 0,
                     WindowKind kind = WindowKind::normal);
    platform::WebView& chrome(std::size_t window = 0) { return *app().windows.at(window).chrome; }
    // Runs a script in the window's chrome page with the driver object D defined.
    nlohmann::json page(const std::string& script, std::size_t window = 0);
    void command(std::string_view id);
    // Installs the menu bar, so that its keys reach their commands through the event loop as in
    // the browser; false when xdotool, which presses them, is missing.
    bool install_keys();
    // Waits until the tab has its title and has finished loading; on failure says what the tab
    // shows instead.
    ::testing::AssertionResult loaded(std::size_t window, std::size_t tab,
                                      const std::string& title);
    // Waits until the script's value in the window's chrome page is the expected one.
    ::testing::AssertionResult shows(const std::string& script, const nlohmann::json& expected,
                                     std::size_t window = 0);
};

} // namespace corvane::test
