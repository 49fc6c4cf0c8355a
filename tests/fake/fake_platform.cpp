#include "fake/fake_platform.h"

#include "fake/fake_web_view.h"

namespace corvane::test {

int FakeApplication::run(const std::vector<std::string>& arguments) {
    run_arguments = arguments;
    if (on_command_line) {
        on_command_line(platform::CommandLine{arguments, false, "/"});
    }
    return quit_code.value_or(0);
}

void FakeApplication::quit(int exit_code) {
    quit_code = exit_code;
}

bool FakeSystem::open_uri(const std::string& uri) {
    opened.push_back(uri);
    return open_succeeds;
}

bool FakeSystem::set_extended_attribute(const std::string& path, const std::string& name,
                                        const std::string& value) {
    attributes.emplace_back(path, name, value);
    return true;
}

std::optional<std::string> FakeSystem::run_and_capture(const std::vector<std::string>& argv) {
    commands.push_back(argv);
    return command_output;
}

void FakeContentFilterStore::lookup(const std::string& identifier, Completion done) {
    ++lookup_calls;
    lookups.emplace_back(identifier, std::move(done));
}

void FakeContentFilterStore::compile(const std::string& identifier, const std::string& rules_json,
                                     Completion done) {
    ++compile_calls;
    compiles.emplace_back(identifier, rules_json, std::move(done));
}

bool FakeContentFilterStore::finish_lookup() {
    if (lookups.empty()) {
        return false;
    }
    auto [identifier, done] = std::move(lookups.front());
    lookups.erase(lookups.begin());
    auto found = kept.find(identifier);
    done(found == kept.end() ? nullptr : found->second);
    return true;
}

bool FakeContentFilterStore::finish_compile(bool succeed) {
    if (compiles.empty()) {
        return false;
    }
    auto [identifier, json, done] = std::move(compiles.front());
    compiles.erase(compiles.begin());
    std::shared_ptr<FakeContentFilter> list;
    if (succeed) {
        list = std::make_shared<FakeContentFilter>(identifier, json);
        kept[identifier] = list;
    }
    done(list);
    return true;
}

std::shared_ptr<platform::Window>
FakePlatform::create_window(const platform::WindowOptions& options) {
    if (fail_windows) {
        return nullptr;
    }
    auto window = std::make_shared<FakeWindow>(next_window++, options);
    windows.push_back(window);
    return window;
}

std::unique_ptr<platform::WebView>
FakePlatform::create_web_view(platform::Window& parent, const platform::WebViewOptions& options) {
    auto* window = dynamic_cast<FakeWindow*>(&parent);
    if (fail_web_views || window == nullptr) {
        return nullptr;
    }
    std::weak_ptr<FakeWindow> weak;
    for (const auto& candidate : windows) {
        if (auto live = candidate.lock(); live.get() == window) {
            weak = live;
        }
    }
    auto view = std::make_unique<FakeWebView>(*this, weak, options);
    views.push_back(view.get());
    return view;
}

void FakePlatform::register_scheme(platform::WebContextKind context, const std::string& scheme,
                                   platform::SchemeHandler handler) {
    schemes.push_back(SchemeRegistration{context, scheme, std::move(handler)});
}

std::shared_ptr<platform::NetworkSession>
FakePlatform::create_persistent_session(const std::filesystem::path& data_folder,
                                        const std::filesystem::path& cache_folder) {
    auto session =
        std::make_shared<FakeNetworkSession>(false, data_folder.string(), cache_folder.string());
    sessions.push_back(session);
    return session;
}

std::shared_ptr<platform::NetworkSession> FakePlatform::create_ephemeral_session() {
    auto session = std::make_shared<FakeNetworkSession>(true);
    sessions.push_back(session);
    return session;
}

std::shared_ptr<platform::ContentFilterStore>
FakePlatform::open_content_filter_store(const std::filesystem::path& folder) {
    if (fail_filter_store) {
        return nullptr;
    }
    filter_store = std::make_shared<FakeContentFilterStore>(folder.string());
    return filter_store;
}

void FakePlatform::install_menu_bar(const platform::MenuBar& bar,
                                    std::function<void(const std::string& id)> on_activate) {
    menu_bar = bar;
    menu_handler = std::move(on_activate);
}

std::optional<platform::SchemeResponse>
FakePlatform::request(platform::WebContextKind context,
                      const platform::SchemeRequest& request) const {
    for (const SchemeRegistration& registration : schemes) {
        if (registration.context == context && request.uri.starts_with(registration.scheme + ":")) {
            return registration.handler(request);
        }
    }
    return std::nullopt;
}

} // namespace corvane::test
