#include "platform/gtk/gtk_application.h"

#include "platform/gtk/gl_rendering.h"
#include "platform/gtk/gtk_platform.h"

#include <csignal>
#include <glib-unix.h>
#include <mutex>

namespace corvane::platform::gtk {

namespace {

struct WakeSource {
    GSource source;
    std::atomic<bool>* pending;
    std::function<void()>* dispatch;
};

gboolean wake_prepare(GSource* source, gint* timeout) {
    *timeout = -1;
    return reinterpret_cast<WakeSource*>(source)->pending->load();
}

gboolean wake_check(GSource* source) {
    return reinterpret_cast<WakeSource*>(source)->pending->load();
}

gboolean wake_dispatch(GSource* source, GSourceFunc, gpointer) {
    auto* wake = reinterpret_cast<WakeSource*>(source);
    // Reset before running: a post during the handler wakes the loop again.
    wake->pending->store(false);
    g_source_set_ready_time(source, -1);
    (*wake->dispatch)();
    return G_SOURCE_CONTINUE;
}

GSourceFuncs wake_funcs = {wake_prepare, wake_check, wake_dispatch, nullptr, nullptr, nullptr};

} // namespace

class LoopSource final : public Waker {
public:
    explicit LoopSource(std::function<void()> dispatch) : dispatch_(std::move(dispatch)) {
        GSource* source = g_source_new(&wake_funcs, sizeof(WakeSource));
        auto* wake = reinterpret_cast<WakeSource*>(source);
        wake->pending = &pending_;
        wake->dispatch = &dispatch_;
        g_source_set_name(source, "corvane-events");
        g_source_attach(source, nullptr);
        source_ = source;
    }
    ~LoopSource() override { detach(); }

    void wake() override {
        std::lock_guard lock(mutex_);
        if (source_ == nullptr) {
            return;
        }
        pending_.store(true);
        g_main_context_wakeup(g_source_get_context(source_));
    }

    void set_ready_time(gint64 monotonic_us) {
        std::lock_guard lock(mutex_);
        if (source_ != nullptr) {
            g_source_set_ready_time(source_, monotonic_us);
        }
    }

    void detach() {
        std::lock_guard lock(mutex_);
        if (source_ != nullptr) {
            g_source_destroy(source_);
            g_source_unref(source_);
            source_ = nullptr;
        }
    }

private:
    std::mutex mutex_;
    std::atomic<bool> pending_{false};
    std::function<void()> dispatch_;
    GSource* source_ = nullptr; // owned
};

GtkApp::GtkApp(const std::string& application_id, bool single_instance) {
    auto flags = G_APPLICATION_HANDLES_COMMAND_LINE;
    if (!single_instance) {
        flags = GApplicationFlags(flags | G_APPLICATION_NON_UNIQUE);
    }
    // X11 takes the window class from the program name; otherwise it would be the binary's name.
    g_set_prgname(kDesktopId);
    application_ =
        GObjectPtr<GtkApplication>::adopt(gtk_application_new(application_id.c_str(), flags));
    connections_.emplace_back(application_.get(), "startup", as_callback(on_startup), this);
    connections_.emplace_back(application_.get(), "command-line", as_callback(handle_command_line),
                              this);
    source_ = std::make_shared<LoopSource>([this] { dispatch_wake(); });
    sigint_ = g_unix_signal_add(SIGINT, on_quit_signal, this);
    sigterm_ = g_unix_signal_add(SIGTERM, on_quit_signal, this);
    // A closed terminal ends the browser as a logout does, with its tabs saved.
    sighup_ = g_unix_signal_add(SIGHUP, on_quit_signal, this);
}

GtkApp::~GtkApp() {
    g_source_remove(sigint_);
    g_source_remove(sigterm_);
    g_source_remove(sighup_);
    source_->detach();
    if (held_) {
        g_application_release(G_APPLICATION(application_.get()));
    }
    connections_.clear();
}

int GtkApp::run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int status = g_application_run(G_APPLICATION(application_.get()),
                                   static_cast<int>(arguments.size()), argv.data());
    return exit_code_.value_or(status);
}

void GtkApp::quit(int exit_code) {
    exit_code_ = exit_code;
    g_application_quit(G_APPLICATION(application_.get()));
}

std::shared_ptr<Waker> GtkApp::waker() {
    return source_;
}

void GtkApp::set_deadline(std::optional<Instant> deadline) {
    if (!deadline) {
        source_->set_ready_time(-1);
        return;
    }
    // steady_clock and GLib's monotonic time are both CLOCK_MONOTONIC; convert by offset so a
    // deadline already past becomes "now".
    auto from_now = std::chrono::duration_cast<std::chrono::microseconds>(
        *deadline - std::chrono::steady_clock::now());
    gint64 ready = g_get_monotonic_time() + std::max<gint64>(0, from_now.count());
    source_->set_ready_time(ready);
}

bool GtkApp::has_visible_windows() const {
    for (GList* item = gtk_application_get_windows(application_.get()); item != nullptr;
         item = item->next) {
        GtkWidget* window = GTK_WIDGET(item->data);
        GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
        bool minimized =
            surface != nullptr && GDK_IS_TOPLEVEL(surface) &&
            (gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED) != 0;
        if (gtk_widget_get_visible(window) && !minimized) {
            return true;
        }
    }
    return false;
}

bool GtkApp::on_session_bus() const {
    return g_application_get_dbus_connection(G_APPLICATION(application_.get())) != nullptr;
}

void GtkApp::start() {
    g_application_register(G_APPLICATION(application_.get()), nullptr, nullptr);
}

void GtkApp::on_startup(GApplication* application, gpointer self) {
    auto* app = static_cast<GtkApp*>(self);
    choose_renderers();
    // Closing the last window must not end the program; only quit() does.
    if (!app->held_) {
        g_application_hold(application);
        app->held_ = true;
    }
}

int GtkApp::handle_command_line(GApplication*, GApplicationCommandLine* command_line,
                                gpointer self) {
    auto* app = static_cast<GtkApp*>(self);
    CommandLine line;
    int argc = 0;
    g_auto(GStrv) argv = g_application_command_line_get_arguments(command_line, &argc);
    for (int i = 0; i < argc; ++i) {
        line.arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
    }
    line.remote = g_application_command_line_get_is_remote(command_line);
    if (const gchar* cwd = g_application_command_line_get_cwd(command_line)) {
        line.working_directory = cwd;
    }
    if (app->on_command_line) {
        app->on_command_line(line);
    }
    return 0;
}

gboolean GtkApp::on_quit_signal(gpointer self) {
    static_cast<GtkApp*>(self)->quit(0);
    return G_SOURCE_CONTINUE;
}

void GtkApp::dispatch_wake() {
    if (on_wake) {
        on_wake();
    }
}

} // namespace corvane::platform::gtk
