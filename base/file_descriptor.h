#pragma once

#include <unistd.h>

#include <utility>

namespace quillet {

// An open file descriptor, closed on every path out of the function that holds it.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }

    // Closes now and reports the result, since a failed close can be a failed write.
    int close() { return ::close(std::exchange(m_fd, -1)); }

private:
    int m_fd;
};

} // namespace quillet
