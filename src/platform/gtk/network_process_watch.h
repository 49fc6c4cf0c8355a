#pragma once

// Tells when a WebKit network process of this browser ends. WebKit reports nothing to the
// downloads it was carrying: they stop, and never fail or finish.

#include <functional>
#include <glib.h>
#include <sys/types.h>
#include <vector>

namespace corvane::platform::gtk {

class NetworkProcessWatch {
public:
    explicit NetworkProcessWatch(std::function<void()> ended);
    ~NetworkProcessWatch();
    NetworkProcessWatch(const NetworkProcessWatch&) = delete;
    NetworkProcessWatch& operator=(const NetworkProcessWatch&) = delete;

    // Starts watching the network processes running now that are not watched yet (WebKit starts
    // a new one after the last ended).
    void refresh();

private:
    struct Watched {
        pid_t pid = 0;
        int fd = -1; // a pidfd, owned
        guint source = 0;
    };
    static gboolean handle_exit(gint fd, GIOCondition condition, gpointer self);
    void forget(Watched& watched);

    std::function<void()> ended_;
    std::vector<Watched> watched_;
};

} // namespace corvane::platform::gtk
