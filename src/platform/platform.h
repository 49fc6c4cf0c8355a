#pragma once

// Everything the browser needs of the toolkit, behind one root object. The GTK implementation
// is made by platform/gtk/gtk_platform.h; tests use the recording fake of tests/fake.

#include "platform/application.h"
#include "platform/content_filter.h"
#include "platform/event_loop.h"
#include "platform/geometry.h"
#include "platform/menu.h"
#include "platform/network.h"
#include "platform/system.h"
#include "platform/web_view.h"
#include "platform/window.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace corvane::platform {

class Platform {
public:
    virtual ~Platform() = default;

    virtual Application& application() = 0;
    virtual System& system() = 0;

    // Null when the window cannot be made. The caller shares the handle with whoever may need
    // a weak one (a message handler that moves the window).
    virtual std::shared_ptr<Window> create_window(const WindowOptions& options) = 0;
    // A child view of parent, on top of the views already there. Null on failure.
    virtual std::unique_ptr<WebView> create_web_view(Window& parent,
                                                     const WebViewOptions& options) = 0;

    // Registers the handler for the scheme on one web context. Pages of other schemes can
    // neither show nor fetch its URLs.
    virtual void register_scheme(WebContextKind context, const std::string& scheme,
                                 SchemeHandler handler) = 0;

    // A store that keeps its data in data_folder and its caches in cache_folder.
    virtual std::shared_ptr<NetworkSession>
    create_persistent_session(const std::filesystem::path& data_folder,
                              const std::filesystem::path& cache_folder) = 0;
    // A store that keeps nothing on disk, for private windows and the browser's own pages.
    virtual std::shared_ptr<NetworkSession> create_ephemeral_session() = 0;
    // A store that keeps nothing on disk but serves normal windows: their website data when the
    // data folder cannot hold it.
    virtual std::shared_ptr<NetworkSession> create_memory_session() = 0;

    // Null when the store cannot be opened.
    virtual std::shared_ptr<ContentFilterStore>
    open_content_filter_store(const std::filesystem::path& folder) = 0;

    // Installs the bar in every window, present and future; activations of our own items
    // report their id.
    virtual void install_menu_bar(const MenuBar& bar,
                                  std::function<void(const std::string& id)> on_activate) = 0;
};

} // namespace corvane::platform
