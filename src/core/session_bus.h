#pragma once

// The session bus address the environment gives, checked before the toolkit starts.

#include <string_view>

namespace corvane {

// Whether a D-Bus address names a socket path whose folder does not exist, as one left behind by
// su or ssh does. The engine's sandbox mounts that folder for its bus proxy, so such an address
// stops every web process from starting.
bool names_missing_bus_folder(std::string_view address);

// Forgets a DBUS_SESSION_BUS_ADDRESS that names a missing folder, so the browser starts as it
// does without one. Call before any thread starts.
void forget_missing_session_bus();

} // namespace corvane
