#include "store/file_io.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

// Owns one file descriptor.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, reporting the error a deferred write may only show here.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

int open_retrying(const char* path, int flags, mode_t mode = 0) {
    int fd = -1;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable. Failure only weakens durability, so it is ignored.
void sync_folder(const std::filesystem::path& folder) {
    Fd dir(open_retrying(folder.c_str(), O_RDONLY | O_DIRECTORY));
    if (dir.valid()) {
        ::fsync(dir.get());
    }
}

constexpr int kMaxAsideNames = 1000;

std::filesystem::path aside_name(const std::filesystem::path& path, std::uint64_t seconds,
                                 int number) {
    std::string name = path.filename().string() + ".refused-" + std::to_string(seconds);
    if (number > 1) {
        name += "-" + std::to_string(number);
    }
    return path.parent_path() / name;
}

enum class NewFile { written, name_taken, failed };

// Writes text to a file that must not exist yet.
NewFile write_new_file(const std::filesystem::path& target, std::string_view text) {
    // O_EXCL never follows a symbolic link: a link at the name counts as taken.
    Fd file(open_retrying(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY, 0600));
    if (!file.valid()) {
        return errno == EEXIST ? NewFile::name_taken : NewFile::failed;
    }
    ::fchmod(file.get(), S_IRUSR | S_IWUSR);
    if (!write_all(file.get(), text) || ::fsync(file.get()) != 0 || !file.close()) {
        ::unlink(target.c_str());
        return NewFile::failed;
    }
    return NewFile::written;
}

} // namespace

std::optional<std::string> read_regular_file(const std::filesystem::path& path) {
    Fd file(open_retrying(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

bool replace_file(const std::filesystem::path& target, std::string_view text) {
    std::filesystem::path temporary = target;
    temporary.replace_extension("tmp");
    // A symbolic link at the temporary name is removed, not followed: the file it names lies
    // outside the folder.
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_NOFOLLOW;
    int fd = open_retrying(temporary.c_str(), flags, 0600);
    if (fd < 0 && errno == ELOOP && ::unlink(temporary.c_str()) == 0) {
        fd = open_retrying(temporary.c_str(), flags, 0600);
    }
    Fd file(fd);
    if (!file.valid()) {
        return false;
    }
    // An earlier temporary file may have had another mode; its failure to change does not stop
    // the write.
    ::fchmod(file.get(), S_IRUSR | S_IWUSR);
    if (!write_all(file.get(), text) || ::fsync(file.get()) != 0 || !file.close()) {
        return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        return false;
    }
    sync_folder(target.parent_path());
    return true;
}

bool holds_regular_file(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool keep_aside(const std::filesystem::path& path, std::uint64_t seconds) {
    // A copy of the bytes in a new file: a link would share the refused file's inode, and through
    // a symbolic link the file outside the folder, so a change to one would change the other.
    const std::optional<std::string> text = read_regular_file(path);
    for (int number = 1; number <= kMaxAsideNames; ++number) {
        const std::filesystem::path copy = aside_name(path, seconds, number);
        if (!text) {
            // Bytes that cannot be read are kept by moving the name itself aside; the file is
            // not changed.
            if (!holds_regular_file(path)) {
                return true;
            }
            if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, copy.c_str(), RENAME_NOREPLACE) ==
                0) {
                sync_folder(path.parent_path());
                return true;
            }
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        switch (write_new_file(copy, *text)) {
        case NewFile::written:
            sync_folder(path.parent_path());
            return true;
        case NewFile::name_taken:
            continue;
        case NewFile::failed:
            return false;
        }
    }
    return false;
}

} // namespace corvane
