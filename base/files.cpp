#include "base/files.h"

#include "base/file_descriptor.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

std::string tooLarge(std::size_t maxBytes) {
    return "larger than " + std::to_string(maxBytes) + " bytes";
}

std::string failure(std::string_view action, const std::filesystem::path& file,
                    std::string_view why) {
    return std::string(action) + " " + file.filename().string() + " (" + std::string(why) + ")";
}

std::string failure(std::string_view action, const std::filesystem::path& file, int error) {
    return failure(action, file, std::strerror(error));
}

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable; a failure here loses nothing, so it is not reported.
void syncDirectory(const std::filesystem::path& dir) {
    const FileDescriptor fd(
        ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) {
        ::fsync(fd.get());
    }
}

} // namespace

Result<std::optional<std::string>> readFile(const std::filesystem::path& file,
                                            std::size_t maxBytes) {
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            return std::optional<std::string>();
        }
        return fail(std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return fail(std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        return fail(std::strerror(EISDIR));
    }
    if (!S_ISREG(info.st_mode)) {
        return fail("not a regular file");
    }
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        return fail(tooLarge(maxBytes));
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0) {
            return std::optional<std::string>(std::move(bytes));
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(std::strerror(errno));
        }
        // The file may grow while it is read.
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return fail(tooLarge(maxBytes));
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string cannotRead(const std::filesystem::path& file, std::string_view reason) {
    return failure("cannot read", file, reason);
}

Status replaceFile(const std::filesystem::path& target, std::string_view content,
                   const std::filesystem::path& temp, NewFileAccess access) {
    std::filesystem::path tempName = temp;
    // A name of our own choosing is named in a failure; a made-up one would tell the reader
    // nothing, so the target stands for it.
    const std::filesystem::path shownTemp = temp.empty() ? target : temp;
    int fd = -1;
    if (temp.empty()) {
        std::string name = target.string() + ".XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        tempName = name;
    } else if (::unlink(temp.c_str()) != 0 && errno != ENOENT) {
        // One left by a crash is cleared first; whatever else holds the name (a directory,
        // say) is not ours to remove, and fails the write.
        return fail(failure("cannot write", temp, errno));
    } else {
        // O_EXCL: the bytes go into a fresh file, never through a link planted under the name.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    access == NewFileAccess::ownerOnly ? 0600 : 0666);
    }
    if (fd < 0) {
        return fail(failure("cannot create", shownTemp, errno));
    }
    FileDescriptor closer(fd);
    const auto giveUp = [&](std::string_view action, const std::filesystem::path& file) {
        const int error = errno;
        closer.close();
        ::unlink(tempName.c_str());
        return fail(failure(action, file, error));
    };

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
        ::fchmod(fd, old.st_mode & 07777) != 0) {
        return giveUp("cannot write", shownTemp);
    }
    if (!writeAll(fd, content) || ::fsync(fd) != 0 || closer.close() != 0) {
        return giveUp("cannot write", shownTemp);
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        return giveUp("cannot replace", target);
    }
    syncDirectory(target.parent_path());
    return {};
}

Status appendToFile(const std::filesystem::path& file, std::string_view lines) {
    // Never through a link (O_NOFOLLOW), never waiting for a FIFO's reader (O_NONBLOCK).
    FileDescriptor fd(::open(
        file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (fd.get() < 0) {
        return fail(errno == ELOOP ? failure("cannot open", file, "a symbolic link")
                                   : failure("cannot open", file, errno));
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return fail(failure("cannot examine", file, errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return fail(failure("cannot append to", file, "not a regular file"));
    }
    // A second name for the same file (a hard link planted by another user, or a copy made
    // with ln) would receive our lines too: such a file is only ever replaced, never grown.
    if (info.st_nlink != 1) {
        return fail(failure("cannot append to", file, "it has another link"));
    }
    if (!writeAll(fd.get(), lines)) {
        const std::string message = failure("cannot write", file, errno);
        // A full disk must not leave half a line for the next append to run into.
        if (::ftruncate(fd.get(), info.st_size) != 0) {
            return fail(message + "; the file may end in a cut-off line");
        }
        return fail(message);
    }
    if (::fdatasync(fd.get()) != 0 || fd.close() != 0) {
        return fail(failure("cannot store", file, errno));
    }
    return {};
}

} // namespace quillet
