#include "file_bytes.h"

#include "base/file_descriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

std::string failure(std::string_view action, const std::filesystem::path& file, int error) {
    return std::string(action) + " " + file.filename().string() + " (" + std::strerror(error) + ")";
}

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable; a failure here loses nothing, so it is not reported.
void syncDirectory(const std::filesystem::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

FileRead readFileBytes(const std::filesystem::path& file, std::size_t maxBytes) {
    FileRead read = readRegularFile(file, maxBytes);
    if (read.status == ReadStatus::failed) {
        read.error = "cannot read " + file.filename().string() + " (" + read.error + ")";
    }
    return read;
}

Status replaceFileBytes(const std::filesystem::path& target, const std::filesystem::path& temp,
                        std::string_view content) {
    // A temporary file left by a crash is cleared first; O_EXCL then makes sure the bytes go
    // into a fresh file of our own and never through a link planted under that name. Whatever
    // else holds the name (a directory, say) is not ours to remove, and fails the write.
    if (::unlink(temp.c_str()) != 0 && errno != ENOENT) {
        return fail(failure("cannot write", temp, errno));
    }
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return fail(failure("cannot create", temp, errno));
    }
    FileDescriptor closer(fd);
    const auto giveUp = [&](std::string_view action, const std::filesystem::path& file) {
        const int error = errno;
        closer.close();
        ::unlink(temp.c_str());
        return failure(action, file, error);
    };

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
        ::fchmod(fd, old.st_mode & 07777) != 0) {
        return fail(giveUp("cannot write", temp));
    }
    if (!writeAll(fd, content) || ::fsync(fd) != 0) {
        return fail(giveUp("cannot write", temp));
    }
    if (closer.close() != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return fail(failure("cannot write", temp, error));
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return fail(failure("cannot replace", target, error));
    }
    syncDirectory(target.parent_path());
    return {};
}

} // namespace quillet
