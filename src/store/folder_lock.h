#pragma once

// One browser per data folder: a lock on a file inside it, held for the whole run. The system
// drops it when the process ends, however it ends, so a crash never leaves the folder locked.

#include <filesystem>
#include <optional>
#include <utility>

namespace corvane {

inline constexpr const char* kLockFile = "lock";

class FolderLock {
public:
    // Prepares the folder (data_folder.h) and takes its lock. None while another process (or
    // another lock in this one) holds it. A folder where no lock file can be made is not locked:
    // the browser still starts, as it does when it cannot write there.
    static std::optional<FolderLock> take(const std::filesystem::path& dir);

    FolderLock(FolderLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FolderLock& operator=(FolderLock&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

private:
    explicit FolderLock(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace corvane
