// Setting messages come from the chrome page with any JSON value. Whatever arrives, the settings
// stay within their ranges and the file on disk reads back as the settings in memory.
#include "address/search_engines.h"
#include "core/chrome_messages.h"
#include "core/windows.h"
#include "fake/fake_platform.h"
#include "protocol/ui_msg.h"
#include "store/store.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <unistd.h>

namespace {

using namespace corvane;

constexpr std::array<std::string_view, 8> kKeys{
    "search_engine",    "block_trackers", "https_only", "restore_session",
    "sleep_after_mins", "max_awake_tabs", "Https_only", "shield_allowlist"};

struct World {
    World()
        : dir(std::filesystem::temp_directory_path() /
              ("corvane-setting-fuzz-" + std::to_string(::getpid()))),
          queue(std::make_shared<UserEventQueue>(platform.app.waker())),
          app(make_app(platform, EventLoopProxy(queue), load_store(dir))) {
        create_window(app, WindowKind::normal, {{"https://a.test/", "A"}}, 0);
        app.windows[0].ready_seen = true;
    }
    ~World() { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
    test::FakePlatform platform;
    std::shared_ptr<UserEventQueue> queue;
    App app;
};

bool in_range(const Settings& s) {
    const auto& engines = SEARCH_ENGINES;
    return std::any_of(engines.begin(), engines.end(),
                       [&](const SearchEngine& e) { return e.id == s.search_engine; }) &&
           s.sleep_after_mins <= 1440 && s.max_awake_tabs >= 1 && s.max_awake_tabs <= 50;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    if (size == 0) {
        return 0;
    }
    // The first byte picks the key; the rest is the value's JSON text, as the page would send it.
    const std::string key(kKeys[data[0] % kKeys.size()]);
    const std::string value(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string body = R"({"t":"setting","key":")" + key + R"(","value":)" + value + "}";
    std::optional<UiMsg> msg = parse_ui_msg(body);
    if (!msg) {
        return 0;
    }
    ControlFlow flow = ControlFlow::wait;
    handle_ui_message(world.app, 0, std::move(*msg), flow);
    const Settings& now = world.app.store.settings;
    if (!in_range(now) || world.app.store.settings_dirty ||
        (std::filesystem::exists(world.dir / kSettingsFile) &&
         load_store(world.dir).settings != now)) {
        std::abort();
    }
    return 0;
}
