#include "platform/gtk/https_decisions.h"

#include "platform/gtk/web_extension/https_decision.h"

#include <cstdio>
#include <filesystem>

namespace corvane::platform::gtk {

namespace {

constexpr const char* kDecisionsKey = "corvane-https-decisions";
// As many as a process keeps: a process started later needs only the latest ones.
constexpr std::size_t kRecentDecisions = 64;

// The installed binary finds the extension in its prefix's library folder; a binary of the build
// tree and the tests, which have none, in the build tree.
std::filesystem::path extension_folder() {
    std::error_code error;
    const std::filesystem::path binary = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path installed =
            binary.parent_path().parent_path() / CORVANE_WEB_EXTENSION_INSTALL_DIR;
        if (std::filesystem::exists(installed / kWebExtensionFile, error)) {
            return installed;
        }
    }
    return CORVANE_WEB_EXTENSION_BUILD_DIR;
}

GVariant* decision_variant(const std::pair<std::string, std::string>& decision) {
    return g_variant_new("(ss)", decision.first.c_str(), decision.second.c_str());
}

} // namespace

void HttpsDecisions::attach(WebKitWebContext* context) {
    const std::filesystem::path folder = extension_folder();
    std::error_code error;
    if (!std::filesystem::exists(folder / kWebExtensionFile, error)) {
        // Without it http navigations of content tabs go out as they are.
        std::fprintf(stderr, "corvane: %s not found in %s; HTTPS-Only cannot upgrade\n",
                     kWebExtensionFile, folder.c_str());
    }
    webkit_web_context_set_web_process_extensions_directory(context, folder.c_str());
    auto* decisions = new HttpsDecisions(context);
    g_object_set_data_full(G_OBJECT(context), kDecisionsKey, decisions,
                           [](gpointer data) { delete static_cast<HttpsDecisions*>(data); });
    g_signal_connect(context, "initialize-web-process-extensions", G_CALLBACK(handle_initialize),
                     decisions);
}

HttpsDecisions* HttpsDecisions::of(WebKitWebContext* context) {
    return static_cast<HttpsDecisions*>(g_object_get_data(G_OBJECT(context), kDecisionsKey));
}

void HttpsDecisions::send(const std::string& http_url, const std::string& send_url) {
    recent_.emplace_back(http_url, send_url);
    if (recent_.size() > kRecentDecisions) {
        recent_.pop_front();
    }
    // Messages to a process keep their order, so this arrives before the navigation goes on.
    webkit_web_context_send_message_to_all_extensions(
        context_, webkit_user_message_new(kHttpsDecisionMessage, decision_variant(recent_.back())));
}

void HttpsDecisions::handle_initialize(WebKitWebContext* context, gpointer self) {
    auto* decisions = static_cast<HttpsDecisions*>(self);
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE(kHttpsDecisionsType));
    for (const auto& decision : decisions->recent_) {
        g_variant_builder_add_value(&builder, decision_variant(decision));
    }
    webkit_web_context_set_web_process_extensions_initialization_user_data(
        context, g_variant_builder_end(&builder));
}

} // namespace corvane::platform::gtk
