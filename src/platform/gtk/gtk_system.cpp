#include "platform/gtk/gtk_system.h"

#include "platform/gtk/gobject_ptr.h"

#include <gio/gio.h>
#include <memory>
#include <sys/xattr.h>
#include <unistd.h>

namespace corvane::platform::gtk {

namespace {

std::string file_uri(GFile* file) {
    g_autofree char* uri = g_file_get_uri(file);
    return uri != nullptr ? uri : "";
}

// The folder that holds the file (the file itself for a root).
std::string parent_folder_uri(const std::string& path) {
    auto file = GObjectPtr<GFile>::adopt(g_file_new_for_path(path.c_str()));
    auto parent = GObjectPtr<GFile>::adopt(g_file_get_parent(file.get()));
    return file_uri(parent ? parent.get() : file.get());
}

void open_folder(const std::string& folder_uri) {
    g_app_info_launch_default_for_uri(folder_uri.c_str(), nullptr, nullptr);
}

void on_show_items_done(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<std::string> folder(static_cast<std::string*>(data));
    g_autoptr(GError) error = nullptr;
    g_autoptr(GVariant) reply =
        g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply == nullptr) {
        // No file manager answers on the bus: open the folder instead.
        open_folder(*folder);
    }
}

} // namespace

bool GtkSystem::open_uri(const std::string& uri) {
    return g_app_info_launch_default_for_uri(uri.c_str(), nullptr, nullptr);
}

// File managers that implement the freedesktop interface open the folder with the file selected.
void GtkSystem::reveal_file(const std::string& path) {
    auto folder = std::make_unique<std::string>(parent_folder_uri(path));
    auto bus =
        GObjectPtr<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (!bus) {
        open_folder(*folder);
        return;
    }
    auto file = GObjectPtr<GFile>::adopt(g_file_new_for_path(path.c_str()));
    const std::string uri = file_uri(file.get());
    const char* uris[] = {uri.c_str(), nullptr};
    g_dbus_connection_call(
        bus.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, on_show_items_done, folder.release());
}

bool GtkSystem::set_extended_attribute(const std::string& path, const std::string& name,
                                       const std::string& value) {
    return setxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) == 0;
}

std::optional<std::string> GtkSystem::run_and_capture(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    g_autofree char* out = nullptr;
    if (!g_spawn_sync(nullptr, args.data(), nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr,
                      &out, nullptr, nullptr, nullptr)) {
        return std::nullopt;
    }
    return std::string(out != nullptr ? out : "");
}

std::uint32_t GtkSystem::process_id() const {
    return static_cast<std::uint32_t>(getpid());
}

bool GtkSystem::on_main_thread() const {
    return g_main_context_is_owner(g_main_context_default());
}

} // namespace corvane::platform::gtk
