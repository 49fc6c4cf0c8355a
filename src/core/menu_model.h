#pragma once

// The application's menu bar as a table: eight submenus whose own items carry command ids. The
// toolkit layer shows the bar in every window; an activation, by click or by shortcut, comes
// back as a MenuCommand user event with the item's id.

#include "engine/user_event.h"
#include "platform/menu.h"
#include "platform/platform.h"

#include <mutex>
#include <string>

namespace corvane {

inline constexpr int kTabNumberItems = 9;

// The whole bar. Built once; it never changes while the browser runs.
platform::MenuBar build_app_menu();

// The one menu-event handler: posts each activated id as MenuCommand. The proxy sits behind a
// lock of its own, so the handler may be called from any thread; a post after the event loop
// has ended is dropped.
class MenuEventForwarder {
public:
    explicit MenuEventForwarder(EventLoopProxy proxy) : proxy_(std::move(proxy)) {}

    void forward_menu_event(const std::string& id);

private:
    std::mutex mutex_;
    EventLoopProxy proxy_;
};

// Builds the bar and installs it for the application with a forwarder on a clone of proxy.
void install_app_menu(platform::Platform& platform, const EventLoopProxy& proxy);

} // namespace corvane
