#pragma once

// Ownership of GObject references and signal connections.

#include <gio/gio.h>
#include <glib-object.h>
#include <utility>

namespace corvane::platform::gtk {

// One strong reference to a GObject. Two explicit ways in: adopt a full reference the caller
// already owns, or retain one (sinking a floating reference).
template <typename T>
class GObjectPtr {
public:
    GObjectPtr() = default;
    ~GObjectPtr() { reset(); }
    GObjectPtr(const GObjectPtr&) = delete;
    GObjectPtr& operator=(const GObjectPtr&) = delete;
    GObjectPtr(GObjectPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    GObjectPtr& operator=(GObjectPtr&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }

    static GObjectPtr adopt(T* object) {
        GObjectPtr ptr;
        ptr.object_ = object;
        return ptr;
    }
    static GObjectPtr retain(T* object) {
        GObjectPtr ptr;
        if (object != nullptr) {
            ptr.object_ = static_cast<T*>(g_object_ref_sink(object));
        }
        return ptr;
    }

    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void reset() {
        if (object_ != nullptr) {
            g_object_unref(std::exchange(object_, nullptr));
        }
    }

private:
    T* object_ = nullptr;
};

// One signal handler, disconnected when this goes away. The instance must still be alive then:
// declare the connection after the reference that keeps the instance.
class SignalConnection {
public:
    SignalConnection() = default;
    SignalConnection(gpointer instance, const char* signal, GCallback handler, gpointer data,
                     GConnectFlags flags = GConnectFlags(0))
        : instance_(instance),
          id_(g_signal_connect_data(instance, signal, handler, data, nullptr, flags)) {}
    ~SignalConnection() { disconnect(); }
    SignalConnection(const SignalConnection&) = delete;
    SignalConnection& operator=(const SignalConnection&) = delete;
    SignalConnection(SignalConnection&& other) noexcept
        : instance_(std::exchange(other.instance_, nullptr)), id_(std::exchange(other.id_, 0)) {}
    SignalConnection& operator=(SignalConnection&& other) noexcept {
        if (this != &other) {
            disconnect();
            instance_ = std::exchange(other.instance_, nullptr);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }

    void disconnect() {
        if (instance_ != nullptr && id_ != 0 && g_signal_handler_is_connected(instance_, id_)) {
            g_signal_handler_disconnect(instance_, id_);
        }
        instance_ = nullptr;
        id_ = 0;
    }

private:
    gpointer instance_ = nullptr;
    gulong id_ = 0;
};

// A C function pointer of any signature as the GCallback that g_signal_connect expects.
template <typename Function>
GCallback as_callback(Function* function) {
    return reinterpret_cast<GCallback>(function);
}

// A GCancellable cancelled when this goes away, so late completions find it cancelled.
class Cancellable {
public:
    Cancellable() : cancellable_(GObjectPtr<GCancellable>::adopt(g_cancellable_new())) {}
    ~Cancellable() { g_cancellable_cancel(cancellable_.get()); }
    Cancellable(const Cancellable&) = delete;
    Cancellable& operator=(const Cancellable&) = delete;

    GCancellable* get() const { return cancellable_.get(); }

private:
    GObjectPtr<GCancellable> cancellable_;
};

} // namespace corvane::platform::gtk
