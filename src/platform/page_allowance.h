#pragma once

// What a page may do without being asked to: each press of a key, a mouse button or a touch in
// the page lets it open one window, show one print dialog and start one download. A page may
// also start one download by itself after it loads (a "your download starts shortly" page).
// Further requests before the next press are refused.

#include <array>
#include <cstddef>

namespace corvane::platform {

enum class PageAct { open_window, print, download };

class PageAllowance {
public:
    // A press in the page.
    void user_input();
    // A new page was committed in the main frame.
    void page_committed();
    // Whether the page may do it now; a yes uses up what it allows.
    bool take(PageAct act);
    // True for the first download refused since the page was committed, so a page that keeps
    // trying is reported once.
    bool first_refusal_on_page();

private:
    static constexpr std::size_t kActs = 3;
    // A view starts with one of each, so a first page (and the browser's own scripted clicks) may
    // act before any press.
    std::array<bool, kActs> allowed_{true, true, true};
    bool refusal_reported_ = false;
};

} // namespace corvane::platform
