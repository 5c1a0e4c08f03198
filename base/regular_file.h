#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace quillet {

enum class ReadStatus { ok, missing, failed };

struct FileRead {
    ReadStatus status = ReadStatus::ok;
    std::string bytes;
    std::string error; // why, when status is failed: "not a regular file", "Permission denied"
};

// Reads a regular file whole, for files that a user or another program may have replaced
// with something else. It is opened without blocking, so a FIFO under the name never waits for
// a writer; anything but a regular file (a FIFO, a device such as /dev/zero, a directory) fails
// at once, and so does a file larger than `maxBytes`, before a byte of it is read.
FileRead readRegularFile(const std::filesystem::path& file, std::size_t maxBytes);

} // namespace quillet
