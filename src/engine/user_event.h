#pragma once

// The main loop's user events: everything that changes the browser's state but does not start on
// the loop's own turn (web view callbacks, script results, chrome messages, the menu, the
// self-test). Each names what it concerns by id, never by pointer; the handler looks the id up
// and drops the event when the tab or window is gone. They live with the engine, the lowest
// layer that posts them, so the engine and the core share them without the engine reaching up.

#include "platform/event_loop.h"
#include "platform/web_view.h"
#include "platform/window.h"
#include "protocol/ui_msg.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace corvane {

using WindowId = platform::WindowId;
using TabId = std::uint64_t;
// A tab's web view, numbered when it is built and never numbered again. Everything a view posts
// carries its number: a tab that slept, crashed or was rebuilt since holds another view (or
// none), and the handler then ignores the event instead of applying it to the wrong page.
using ViewId = std::uint64_t;

namespace event {

// A chrome or developer-tools page's message, with the window whose page sent it.
struct UiMessage {
    UiMsg msg;
    WindowId window = 0;
};

// loading: true when the load started, false when it finished.
struct PageLoad {
    std::string url;
    TabId tab = 0;
    bool loading = false;
    ViewId view = 0;
};

// The title as the engine reports it; cleaned up by the handler.
struct TitleChanged {
    std::string title;
    TabId tab = 0;
    ViewId view = 0;
};

struct FaviconFound {
    std::optional<std::string> icon;
    TabId tab = 0;
    ViewId view = 0;
};

// The tab whose page asked for a new window, or whose link the user opened elsewhere.
struct NewWindowRequested {
    std::string url;
    TabId tab = 0;
    ViewId view = 0;
    platform::OpenIn where = platform::OpenIn::foreground_tab;
};

// A link to hand to the system, from the tab's page; it opens whatever became of the tab.
struct OpenExternally {
    std::string url;
    TabId tab = 0;
    ViewId view = 0;
};

// What the user typed into the tab's new tab page, to be read as the address field reads it.
struct NewTabPageText {
    std::string text;
    TabId tab = 0;
    ViewId view = 0;
};

// path: the destination the engine proposed. Not tied to a view: the download belongs to the
// website data store and goes on when the page that started it is dropped.
struct DownloadStarted {
    std::string url;
    std::string path;
};

struct DownloadFinished {
    std::string url;
    bool success = false;
};

// The tab's view refused what its page asked for (a download, a local device).
struct PageRefused {
    TabId tab = 0;
    ViewId view = 0;
    platform::Refusal what = platform::Refusal::download_unasked;
};

struct WebContentTerminated {
    TabId tab = 0;
    ViewId view = 0;
};

// The tab's web process stopped answering.
struct WebContentUnresponsive {
    TabId tab = 0;
    ViewId view = 0;
};

// The tab's page agreed to be closed, or closes itself by script.
struct CloseAgreed {
    TabId tab = 0;
    ViewId view = 0;
};

// The web process of the window's chrome page ended.
struct ChromeTerminated {
    WindowId window = 0;
};

// The tab's address or back/forward list changed: a load went on, or a same-document navigation
// (a fragment, pushState) moved the page without a load.
struct LocationChanged {
    TabId tab = 0;
    ViewId view = 0;
};

// The tab's page asks whether it may be left, and waits for the answer.
struct LeaveQuestion {
    TabId tab = 0;
    ViewId view = 0;
    platform::LeaveFor leave_for = platform::LeaveFor::close;
};

// The person answered the question of the page in the tab's view.
struct LeaveAnswered {
    TabId tab = 0;
    ViewId view = 0;
    bool leave = false;
};

// The tab's page went full screen (on) or left it.
struct PageFullscreen {
    TabId tab = 0;
    bool on = false;
    ViewId view = 0;
};

struct SleepAnswer {
    std::string answer;
    TabId tab = 0;
    bool ok = false;
    ViewId view = 0;
};

// view: the active tab's view the search ran in.
struct FindResult {
    WindowId window = 0;
    bool found = false;
    ViewId view = 0;
};

struct RuleListReady {
    bool ok = false;
};

// A menu item's id.
struct MenuCommand {
    std::string id;
};

// result: the JSON text of a script result.
struct DevEvalResult {
    std::string result;
    WindowId window = 0;
    std::uint64_t id = 0;
};

struct SelfTest {
    std::string panel;
};

} // namespace event

using UserEvent =
    std::variant<event::UiMessage, event::PageLoad, event::TitleChanged, event::FaviconFound,
                 event::NewWindowRequested, event::OpenExternally, event::NewTabPageText,
                 event::DownloadStarted, event::DownloadFinished, event::WebContentTerminated,
                 event::ChromeTerminated, event::LocationChanged, event::PageFullscreen,
                 event::SleepAnswer, event::FindResult, event::RuleListReady, event::MenuCommand,
                 event::DevEvalResult, event::SelfTest, event::CloseAgreed, event::LeaveQuestion,
                 event::LeaveAnswered, event::PageRefused, event::WebContentUnresponsive>;

using UserEventQueue = platform::EventQueue<UserEvent>;
using EventLoopProxy = platform::EventLoopProxy<UserEvent>;

} // namespace corvane
