#include "tools/host/file_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillet::hostapp {
namespace {

std::string errorText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

} // namespace

Result<std::optional<std::string>> readRegularFile(const std::string& path, std::size_t maxBytes) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT) {
            return std::optional<std::string>();
        }
        return fail(errorText("cannot open", path));
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return fail(errorText("cannot examine", path));
    }
    if (!S_ISREG(info.st_mode)) {
        return fail(path + " is not a regular file");
    }
    if (static_cast<std::size_t>(info.st_size) > maxBytes) {
        return fail(path + " is larger than " + std::to_string(maxBytes) + " bytes");
    }
    std::string contents;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return fail(errorText("cannot read", path));
        }
        if (got == 0) {
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
        if (contents.size() > maxBytes) {
            return fail(path + " is larger than " + std::to_string(maxBytes) + " bytes");
        }
    }
    return std::optional<std::string>(std::move(contents));
}

Status writeFileAtomically(const std::string& path, const std::string& contents) {
    const std::filesystem::path target(path);
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) {
        return fail("cannot create " + target.parent_path().string() + ": " + error.message());
    }
    std::string temporary = path + ".XXXXXX";
    Descriptor file(::mkstemp(temporary.data()));
    if (file.get() < 0) {
        return fail(errorText("cannot create", temporary));
    }
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t put =
            ::write(file.get(), contents.data() + written, contents.size() - written);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0) {
            const std::string message = errorText("cannot write", temporary);
            ::unlink(temporary.c_str());
            return fail(message);
        }
        written += static_cast<std::size_t>(put);
    }
    if (::fsync(file.get()) != 0 || ::close(file.release()) != 0 ||
        ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string message = errorText("cannot store", path);
        ::unlink(temporary.c_str());
        return fail(message);
    }
    return {};
}

BackgroundFileWriter::BackgroundFileWriter(std::string path)
    : m_path(std::move(path)), m_thread([this] { run(); }) {}

BackgroundFileWriter::~BackgroundFileWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void BackgroundFileWriter::save(std::string contents) {
    {
        const std::lock_guard lock(m_mutex);
        m_pending = std::move(contents);
    }
    m_wake.notify_one();
}

void BackgroundFileWriter::flush() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_pending && !m_writing; });
}

std::optional<std::string> BackgroundFileWriter::takeError() {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_error, std::nullopt);
}

void BackgroundFileWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_pending || m_stopping; });
        if (!m_pending) {
            return;
        }
        std::string contents = std::move(*m_pending);
        m_pending.reset();
        m_writing = true;
        lock.unlock();
        const Status status = writeFileAtomically(m_path, contents);
        lock.lock();
        m_writing = false;
        if (!status) {
            m_error = status.error();
        }
        m_idle.notify_all();
    }
}

} // namespace quillet::hostapp
