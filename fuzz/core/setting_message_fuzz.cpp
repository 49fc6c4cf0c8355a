// Setting messages come from the chrome page with any JSON value. Whatever arrives, the settings
// stay within their ranges and the file on disk reads back as the settings in memory.
#include "address/search_engines.h"
#include "core/chrome_messages.h"
#include "core/windows.h"
#include "fake/fake_platform.h"
#include "protocol/ui_msg.h"
#include "store/store.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

using namespace corvane;

// The first byte picks the key (one of them misspelt); the rest is the value's JSON text.
constexpr std::array<std::string_view, 8> kKeys{
    "search_engine",    "block_trackers", "https_only", "restore_session",
    "sleep_after_mins", "max_awake_tabs", "Https_only", "shield_allowlist"};

struct World {
    World()
        : dir(std::filesystem::temp_directory_path() /
              ("corvane-setting-fuzz-" + std::to_string(::getpid()))),
          app(make_app(platform,
                       EventLoopProxy(std::make_shared<UserEventQueue>(platform.app.waker())),
                       load_store(dir))) {
        create_window(app, WindowKind::normal, {{"https://a.test/", "A"}}, 0);
        app.windows[0].ready_seen = true;
    }
    ~World() { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
    test::FakePlatform platform;
    App app;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    if (size == 0) {
        return 0;
    }
    std::optional<UiMsg> msg = parse_ui_msg(
        R"({"t":"setting","key":")" + std::string(kKeys[data[0] % kKeys.size()]) + R"(","value":)" +
        std::string(reinterpret_cast<const char*>(data + 1), size - 1) + "}");
    if (!msg) {
        return 0;
    }
    ControlFlow flow = ControlFlow::wait;
    handle_ui_message(world.app, 0, std::move(*msg), flow);
    const Settings& now = world.app.store.settings;
    const bool known_engine = std::ranges::any_of(
        SEARCH_ENGINES, [&](const SearchEngine& e) { return e.id == now.search_engine; });
    if (!known_engine || now.sleep_after_mins > 1440 || now.max_awake_tabs < 1 ||
        now.max_awake_tabs > 50 || world.app.store.settings_dirty ||
        (std::filesystem::exists(world.dir / kSettingsFile) &&
         load_store(world.dir).settings != now)) {
        std::abort();
    }
    return 0;
}
