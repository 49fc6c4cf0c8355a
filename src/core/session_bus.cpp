#include "core/session_bus.h"

#include "url/ascii.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace corvane {

namespace {

// Values in an address escape other bytes as %XX.
std::string unescape(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size()) {
            const int high = ascii::hex_value(value[i + 1]);
            const int low = ascii::hex_value(value[i + 2]);
            if (high >= 0 && low >= 0) {
                text += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        text += value[i];
    }
    return text;
}

bool folder_missing(const std::string& socket) {
    const std::filesystem::path folder = std::filesystem::path(socket).parent_path();
    std::error_code error;
    return !folder.empty() && !std::filesystem::is_directory(folder, error);
}

} // namespace

bool names_missing_bus_folder(std::string_view address) {
    // Entries are separated by ';', each "transport:key=value,key=value".
    while (!address.empty()) {
        const std::size_t end = address.find(';');
        std::string_view entry = address.substr(0, end);
        address = end == std::string_view::npos ? std::string_view{} : address.substr(end + 1);
        constexpr std::string_view kUnix = "unix:";
        if (!entry.starts_with(kUnix)) {
            continue;
        }
        entry.remove_prefix(kUnix.size());
        while (!entry.empty()) {
            const std::size_t comma = entry.find(',');
            const std::string_view pair = entry.substr(0, comma);
            entry = comma == std::string_view::npos ? std::string_view{} : entry.substr(comma + 1);
            constexpr std::string_view kPath = "path=";
            if (pair.starts_with(kPath) && folder_missing(unescape(pair.substr(kPath.size())))) {
                return true;
            }
        }
    }
    return false;
}

void forget_missing_session_bus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && names_missing_bus_folder(address)) {
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
}

} // namespace corvane
