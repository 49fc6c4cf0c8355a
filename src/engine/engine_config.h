#pragma once

// What every web view of the browser is built from: the engine configuration made once at
// start-up, and the per-view options that make_configuration derives from it.

#include "engine/user_event.h"
#include "pages/newtab_snapshot.h"
#include "platform/platform.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

class ShieldRuleSlot;

inline constexpr std::string_view kBrowserVersion = "0.2.0";
// The Safari release whose web features this engine's WebKit matches; sites that sniff the
// version get what this engine can do.
inline constexpr std::string_view kEngineVersion = "26.0";

struct EngineConfig {
    // Not owned; outlives the configuration (it is made first and dropped last).
    platform::Platform* platform = nullptr;
    EventLoopProxy proxy;
    SharedNewTabSnapshotPtr newtab;
    std::string user_agent;
    // The last Shield result was a ready list; read when tab views are built.
    bool rule_list_ready = false;
    // The persistent website data store of normal windows.
    std::shared_ptr<platform::NetworkSession> default_store;
    // The ephemeral store of the chrome and developer-tools views.
    std::shared_ptr<platform::NetworkSession> ui_store;
    // Compiled Shield lists; null when the folder cannot be opened.
    std::shared_ptr<platform::ContentFilterStore> rule_store;
    // The kept Shield list (main thread only).
    std::shared_ptr<ShieldRuleSlot> shield_slot;
};

// Where the engine keeps its files, all under the browser's data folder and the user's cache
// folder.
struct EngineFolders {
    std::filesystem::path website_data; // the persistent store's data
    std::filesystem::path website_cache;
    std::filesystem::path content_rules; // compiled Shield lists
};

// data_folder is the store's folder; the cache goes to $XDG_CACHE_HOME (absolute) or ~/.cache.
EngineFolders engine_folders(const std::filesystem::path& data_folder);

// Opens the persistent store and the Shield list store, registers the corvane scheme handlers
// of both web contexts and formats the user agent. Never fails: a store that cannot be opened
// leaves Shield without lists.
EngineConfig make_engine_config(platform::Platform& platform, EventLoopProxy proxy,
                                SharedNewTabSnapshotPtr newtab,
                                const std::filesystem::path& data_folder);

// The machine's architecture as the kernel names it ("x86_64", "aarch64").
std::string machine_architecture();
// The Safari-style agent on this platform: "X11; Linux <architecture>", the engine version and
// the browser's own.
std::string format_user_agent(std::string_view architecture);

// The options of a content tab's view before its own label, URL, scripts and bounds: the data
// store (the private window's, else the default one), the fixed security preferences, the
// HTTPS-Only upgrade when https_only, the kept Shield list when shield. Main thread only.
platform::WebViewOptions make_configuration(const EngineConfig& config,
                                            std::shared_ptr<platform::NetworkSession> data_store,
                                            bool https_only, bool shield);

// A private window's store: ephemeral, with the download hooks of the default store.
std::shared_ptr<platform::NetworkSession> make_private_data_store(const EngineConfig& config);

// Stops the process with "Corvane UI code must run on the main thread" when called elsewhere.
void require_main_thread(const platform::System& system);

} // namespace corvane
