#include "engine/engine_config.h"

#include "address/url_classify.h"
#include "pages/scheme_routes.h"
#include "shield/rule_list.h"
#include "url/url.h"

#include <cstdio>
#include <cstdlib>
#include <sys/utsname.h>
#include <system_error>
#include <variant>

namespace corvane {

namespace {

std::filesystem::path cache_home() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && std::filesystem::path(cache).is_absolute()) {
        return cache;
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : "/tmp") / ".cache";
}

platform::SchemeResponse to_platform(SchemeResponse response) {
    platform::SchemeResponse result;
    result.status = response.status;
    for (const SchemeHeader& header : response.headers) {
        if (header.name == "Content-Type") {
            result.content_type = header.value;
        }
        result.headers.emplace_back(std::string(header.name), std::string(header.value));
    }
    result.body = std::visit(
        [](auto& bytes) -> std::variant<std::string_view, std::string> { return std::move(bytes); },
        response.body);
    return result;
}

void register_schemes(platform::Platform& platform, const SharedNewTabSnapshotPtr& newtab) {
    platform.register_scheme(
        platform::WebContextKind::ui, "corvane",
        [](const platform::SchemeRequest& request) { return to_platform(serve_ui(request.uri)); });
    // The tab's private flag: private windows, and only they, use ephemeral stores. A request
    // from no known view gets the private page, which shows nothing of the user's.
    platform.register_scheme(platform::WebContextKind::content, "corvane",
                             [newtab](const platform::SchemeRequest& request) {
                                 WindowPrivacy privacy = request.normal_session
                                                             ? WindowPrivacy::normal
                                                             : WindowPrivacy::private_window;
                                 return to_platform(serve_newtab(*newtab, privacy, request.uri));
                             });
}

void wire_downloads(platform::NetworkSession& session, const EventLoopProxy& proxy) {
    session.on_download_started = [proxy](const platform::DownloadStart& start) {
        proxy.send_event(event::DownloadStarted{start.url, start.destination});
    };
    session.on_download_finished = [proxy](const platform::DownloadEnd& end) {
        proxy.send_event(event::DownloadFinished{end.url, end.success});
    };
}

std::optional<std::string> https_twin(const std::string& url) {
    std::optional<Url> parsed = Url::parse(url);
    if (!parsed || parsed->scheme() != "http") {
        return std::nullopt;
    }
    Url upgraded = upgrade_to_https(*parsed);
    if (upgraded.scheme() != "https") {
        return std::nullopt; // a local host stays on http
    }
    return upgraded.href();
}

bool make_folder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

} // namespace

std::string machine_architecture() {
    utsname names{};
    if (uname(&names) != 0) {
        return "x86_64";
    }
    return names.machine;
}

std::string format_user_agent(std::string_view architecture) {
    std::string agent = "Mozilla/5.0 (X11; Linux ";
    agent += architecture;
    agent += ") AppleWebKit/605.1.15 (KHTML, like Gecko) Version/";
    agent += kEngineVersion;
    agent += " Safari/605.1.15 Corvane/";
    agent += kBrowserVersion;
    return agent;
}

EngineFolders engine_folders(const std::filesystem::path& data_folder) {
    return EngineFolders{data_folder / "website-data",
                         cache_home() / "com.halbrin.corvane" / "website-data",
                         data_folder / "content-rules"};
}

EngineConfig make_engine_config(platform::Platform& platform, EventLoopProxy proxy,
                                SharedNewTabSnapshotPtr newtab,
                                const std::filesystem::path& data_folder) {
    EngineConfig config;
    config.platform = &platform;
    config.proxy = std::move(proxy);
    config.newtab = std::move(newtab);
    config.user_agent = format_user_agent(machine_architecture());
    EngineFolders folders = engine_folders(data_folder);
    // The engine's sandbox cannot start a web process without both folders: where they cannot be
    // made, website data stays in memory.
    if (make_folder(folders.website_data) && make_folder(folders.website_cache)) {
        config.default_store =
            platform.create_persistent_session(folders.website_data, folders.website_cache);
    } else {
        config.default_store = platform.create_memory_session();
    }
    wire_downloads(*config.default_store, config.proxy);
    config.ui_store = platform.create_ephemeral_session();
    config.rule_store = platform.open_content_filter_store(folders.content_rules);
    config.shield_slot = std::make_shared<ShieldRuleSlot>();
    register_schemes(platform, config.newtab);
    return config;
}

void require_main_thread(const platform::System& system) {
    if (!system.on_main_thread()) {
        std::fputs("Corvane UI code must run on the main thread\n", stderr);
        std::abort();
    }
}

platform::WebViewOptions make_configuration(const EngineConfig& config,
                                            std::shared_ptr<platform::NetworkSession> data_store,
                                            bool https_only, bool shield) {
    require_main_thread(config.platform->system());
    platform::WebViewOptions options;
    options.context = platform::WebContextKind::content;
    options.session = data_store ? std::move(data_store) : config.default_store;
    options.javascript_can_open_windows = false;
    // Known HSTS hosts are always upgraded by the engine itself; this adds the rest, with the
    // fallback to http when https fails.
    if (https_only) {
        options.https_upgrade = https_twin;
    }
    if (shield && config.shield_slot && config.shield_slot->kept()) {
        options.content_filters.push_back(config.shield_slot->kept());
    }
    return options;
}

std::shared_ptr<platform::NetworkSession> make_private_data_store(const EngineConfig& config) {
    require_main_thread(config.platform->system());
    std::shared_ptr<platform::NetworkSession> store = config.platform->create_ephemeral_session();
    if (store) {
        wire_downloads(*store, config.proxy);
    }
    return store;
}

} // namespace corvane
