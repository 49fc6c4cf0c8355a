#include "store/folder_lock.h"

#include "store/data_folder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace corvane {

std::optional<FolderLock> FolderLock::take(const std::filesystem::path& dir) {
    prepare_data_folder(dir);
    // Close-on-exec: a helper process that inherited the descriptor would keep the lock after
    // the browser ended.
    const std::filesystem::path path = dir / kLockFile;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        return FolderLock(-1);
    }
    int locked = 0;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return std::nullopt;
    }
    return FolderLock(fd);
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

} // namespace corvane
