#include "engine/webviews.h"

#include "address/navigation_policy.h"
#include "shield/rule_list.h"

#include <string>
#include <type_traits>
#include <utility>

namespace corvane {

const std::string_view kContentTabUserScript =
    "try{Object.defineProperty(Navigator.prototype,'globalPrivacyControl',{get:()=>true,"
    "configurable:true,enumerable:true})}catch(e){}\n"
    "try{let typed=false;addEventListener('input',e=>{const t=e.target;if(e.isTrusted&&t&&("
    "t.tagName==='TEXTAREA'||t.isContentEditable||(t.tagName==='INPUT'&&!/^(checkbox|radio|"
    "range|color|button|submit|reset|hidden|file|search)$/i.test(t.type))))typed=true},true);"
    "addEventListener('submit',()=>{typed=false},true);Object.defineProperty(window,"
    "'__corvaneTyped',{get:()=>typed,enumerable:false})}catch(e){}";

namespace {

constexpr std::string_view kUiPrefix = "corvane://ui/";

void install_tab_callbacks(platform::WebView& view, const EventLoopProxy& proxy, TabId tab,
                           ViewId number, const std::string& hand_over_key) {
    view.on_navigation = [proxy, tab, number,
                          hand_over_key](const platform::NavigationAction& action) {
        return on_navigation(proxy, tab, number, action.url, hand_over_key);
    };
    view.on_new_window = [proxy, tab, number](const std::string& url) {
        on_new_window(proxy, tab, number, url);
    };
    view.on_open_link = [proxy, tab, number](const std::string& url, platform::OpenIn where) {
        proxy.send_event(event::NewWindowRequested{url, tab, number, where});
    };
    view.on_load_changed = [proxy, tab, number](platform::LoadPhase phase, const std::string& url) {
        on_page_load(proxy, tab, number, phase, url);
    };
    view.on_title_changed = [proxy, tab, number](const std::string& title) {
        proxy.send_event(event::TitleChanged{title, tab, number});
    };
    view.on_web_process_terminated = [proxy, tab, number](platform::TerminationReason) {
        proxy.send_event(event::WebContentTerminated{tab, number});
    };
    view.on_unresponsive = [proxy, tab, number] {
        proxy.send_event(event::WebContentUnresponsive{tab, number});
    };
    view.on_close = [proxy, tab, number] {
        proxy.send_event(event::CloseAgreed{tab, number});
    };
    view.on_leave_question = [proxy, tab, number](platform::LeaveFor leave_for) {
        proxy.send_event(event::LeaveQuestion{tab, number, leave_for});
    };
    view.on_location_changed = [proxy, tab, number] {
        proxy.send_event(event::LocationChanged{tab, number});
    };
    view.on_fullscreen_changed = [proxy, tab, number](bool on) {
        proxy.send_event(event::PageFullscreen{tab, on, number});
    };
    view.on_refused = [proxy, tab, number](platform::Refusal what) {
        proxy.send_event(event::PageRefused{tab, number, what});
    };
}

} // namespace

platform::NavigationPolicy on_navigation(const EventLoopProxy& proxy, TabId tab, ViewId view,
                                         const std::string& url, std::string_view hand_over_key) {
    if (is_external_scheme(url)) {
        proxy.send_event(event::OpenExternally{url, tab, view});
        return platform::NavigationPolicy::deny;
    }
    // Only a new tab page knows the key; any other page, frame or pop-up naming the address,
    // with a key it guessed or none, gets nothing.
    if (is_hand_over_address(url)) {
        if (std::optional<std::string> text = new_tab_page_typed_text(url, hand_over_key)) {
            proxy.send_event(event::NewTabPageText{std::move(*text), tab, view});
        }
        return platform::NavigationPolicy::deny;
    }
    return is_blocked_url(url) ? platform::NavigationPolicy::deny
                               : platform::NavigationPolicy::allow;
}

void on_new_window(const EventLoopProxy& proxy, TabId tab, ViewId view, const std::string& url) {
    proxy.send_event(event::NewWindowRequested{url, tab, view});
}

void on_page_load(const EventLoopProxy& proxy, TabId tab, ViewId view, platform::LoadPhase phase,
                  const std::string& url) {
    if (phase == platform::LoadPhase::started) {
        proxy.send_event(event::PageLoad{url, tab, true, view});
    } else if (phase == platform::LoadPhase::finished) {
        proxy.send_event(event::PageLoad{url, tab, false, view});
    }
}

void ipc_handler(const EventLoopProxy& proxy, const std::weak_ptr<platform::Window>& window,
                 WindowId window_id, const std::string& body, const std::string& page_url,
                 UiPage sender) {
    if (!std::string_view(page_url).starts_with(kUiPrefix)) {
        return;
    }
    std::optional<UiMsg> msg = parse_ui_msg(body);
    if (!msg) {
        return;
    }
    const bool for_devtools = std::holds_alternative<msg::DevEval>(*msg) ||
                              std::holds_alternative<msg::DevResize>(*msg) ||
                              std::holds_alternative<msg::DevClose>(*msg);
    if (for_devtools && sender != UiPage::devtools) {
        return;
    }
    if (std::holds_alternative<msg::Drag>(*msg)) {
        if (auto live = window.lock()) {
            live->drag_window();
        }
        return;
    }
    if (std::holds_alternative<msg::ZoomWindow>(*msg)) {
        if (auto live = window.lock()) {
            live->set_maximized(!live->is_maximized());
        }
        return;
    }
    proxy.send_event(event::UiMessage{std::move(*msg), window_id});
}

std::unique_ptr<platform::WebView>
create_ui_webview(EngineConfig& config, const std::shared_ptr<platform::Window>& window,
                  std::uint64_t label_number, const std::string& url, const platform::Rect& bounds,
                  bool transparent) {
    require_main_thread(config.platform->system());
    if (!window) {
        return nullptr;
    }
    platform::WebViewOptions options;
    options.label = "ui-" + std::to_string(label_number);
    options.context = platform::WebContextKind::ui;
    options.session = config.ui_store;
    options.url = url;
    options.bounds = bounds;
    options.transparent = transparent;
    options.script_bridge = true;
    std::unique_ptr<platform::WebView> view = config.platform->create_web_view(*window, options);
    if (!view) {
        return nullptr;
    }
    view->on_navigation = [](const platform::NavigationAction& action) {
        return chrome_navigation_filter(action.url) ? platform::NavigationPolicy::allow
                                                    : platform::NavigationPolicy::deny;
    };
    // New windows from the chrome page are refused: on_new_window stays unset.
    std::weak_ptr<platform::Window> weak_window = window;
    const UiPage sender = url == kDevtoolsUrl ? UiPage::devtools : UiPage::chrome;
    view->on_script_message = [proxy = config.proxy, weak_window, id = window->id(),
                               sender](const std::string& body, const std::string& page) {
        ipc_handler(proxy, weak_window, id, body, page, sender);
    };
    if (sender == UiPage::chrome) {
        view->on_web_process_terminated = [proxy = config.proxy,
                                           id = window->id()](platform::TerminationReason) {
            proxy.send_event(event::ChromeTerminated{id});
        };
    }
    return view;
}

std::unique_ptr<platform::WebView>
create_tab_webview(EngineConfig& config, platform::Window& window,
                   const std::shared_ptr<platform::NetworkSession>& data_store,
                   platform::WebView& chrome, const TabParams& params,
                   const platform::Rect& bounds) {
    platform::WebViewOptions options = make_configuration(
        config, data_store, params.https_only, params.block_trackers && config.rule_list_ready);
    options.label = "tab-" + std::to_string(params.id);
    options.url = params.url;
    options.bounds = bounds;
    options.user_agent = config.user_agent;
    options.user_script = std::string(kContentTabUserScript);
    options.back_forward_gestures = true;
    options.suspend_when_hidden = true;
    options.session_state = params.session_state;
    options.extra_user_script = params.extra_script;
    std::unique_ptr<platform::WebView> view = config.platform->create_web_view(window, options);
    if (!view) {
        return nullptr;
    }
    install_tab_callbacks(*view, config.proxy, params.id, params.view,
                          config.newtab ? config.newtab->hand_over_key() : std::string());
    view->place_below(chrome);
    return view;
}

} // namespace corvane
