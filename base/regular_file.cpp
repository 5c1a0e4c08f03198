#include "base/regular_file.h"

#include "base/file_descriptor.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillet {

namespace {

FileRead failed(std::string why) {
    return {ReadStatus::failed, {}, std::move(why)};
}

std::string tooLarge(std::size_t maxBytes) {
    return "larger than " + std::to_string(maxBytes) + " bytes";
}

} // namespace

FileRead readRegularFile(const std::filesystem::path& file, std::size_t maxBytes) {
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            return {ReadStatus::missing, {}, {}};
        }
        return failed(std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return failed(std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        return failed(std::strerror(EISDIR));
    }
    if (!S_ISREG(info.st_mode)) {
        return failed("not a regular file");
    }
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        return failed(tooLarge(maxBytes));
    }
    FileRead result;
    result.bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0) {
            return result;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failed(std::strerror(errno));
        }
        // The file may grow while it is read.
        if (result.bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return failed(tooLarge(maxBytes));
        }
        result.bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace quillet
