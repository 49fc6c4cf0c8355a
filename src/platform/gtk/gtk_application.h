#pragma once

#include "platform/application.h"
#include "platform/gtk/gobject_ptr.h"

#include <atomic>
#include <gtk/gtk.h>
#include <memory>
#include <optional>
#include <vector>

namespace corvane::platform::gtk {

// The wake-up source: one GSource on the default main context that dispatches on_wake when an
// event was posted (from any thread) or its ready time, the deadline, has come.
class LoopSource;

class GtkApp final : public Application {
public:
    explicit GtkApp(const std::string& application_id, bool single_instance);
    ~GtkApp() override;

    int run(const std::vector<std::string>& arguments) override;
    void quit(int exit_code) override;
    std::shared_ptr<Waker> waker() override;
    void set_deadline(std::optional<Instant> deadline) override;
    bool has_visible_windows() const override;
    bool on_session_bus() const override;

    GtkApplication* gtk_application() const { return application_.get(); }
    // Registers the application (which starts GTK) without running its loop.
    void start();

private:
    static void on_startup(GApplication*, gpointer self);
    static int handle_command_line(GApplication*, GApplicationCommandLine* command_line,
                                   gpointer self);
    static gboolean on_quit_signal(gpointer self);

    void dispatch_wake();

    GObjectPtr<GtkApplication> application_;
    std::shared_ptr<LoopSource> source_;
    std::optional<int> exit_code_;
    bool held_ = false;
    guint sigint_ = 0;
    guint sigterm_ = 0;
    guint sighup_ = 0;
    std::vector<SignalConnection> connections_;
};

} // namespace corvane::platform::gtk
