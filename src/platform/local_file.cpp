#include "platform/local_file.h"

#include <system_error>

namespace corvane::platform {

LocalTarget local_target(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    switch (status.type()) {
    case std::filesystem::file_type::regular:
        return LocalTarget::regular_file;
    case std::filesystem::file_type::directory:
        return LocalTarget::folder;
    case std::filesystem::file_type::none:
    case std::filesystem::file_type::not_found:
        return LocalTarget::missing;
    default:
        return LocalTarget::other;
    }
}

bool may_load_local(const std::filesystem::path& path) {
    return local_target(path) != LocalTarget::other;
}

} // namespace corvane::platform
