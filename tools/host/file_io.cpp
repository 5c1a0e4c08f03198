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

// Writes all of `contents`, going on after a short write or a signal.
bool writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t put = ::write(fd, contents.data(), contents.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

Status createFolderOf(const std::filesystem::path& target) {
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) {
        return fail("cannot create " + target.parent_path().string() + ": " + error.message());
    }
    return {};
}

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
    if (Status folder = createFolderOf(path); !folder) {
        return folder;
    }
    std::string temporary = path + ".XXXXXX";
    Descriptor file(::mkstemp(temporary.data()));
    if (file.get() < 0) {
        return fail(errorText("cannot create", temporary));
    }
    if (!writeAll(file.get(), contents)) {
        const std::string message = errorText("cannot write", temporary);
        ::unlink(temporary.c_str());
        return fail(message);
    }
    if (::fsync(file.get()) != 0 || ::close(file.release()) != 0 ||
        ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string message = errorText("cannot store", path);
        ::unlink(temporary.c_str());
        return fail(message);
    }
    return {};
}

Status appendToFile(const std::string& path, std::string_view lines) {
    if (Status folder = createFolderOf(path); !folder) {
        return folder;
    }
    Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
    if (file.get() < 0) {
        return fail(errorText("cannot open", path));
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return fail(errorText("cannot examine", path));
    }
    if (!writeAll(file.get(), lines)) {
        const std::string message = errorText("cannot write", path);
        // A full disk must not leave half a line for the next append to run into.
        if (::ftruncate(file.get(), info.st_size) != 0) {
            return fail(message + "; the file may end in a cut-off line");
        }
        return fail(message);
    }
    if (::fdatasync(file.get()) != 0 || ::close(file.release()) != 0) {
        return fail(errorText("cannot store", path));
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
        m_appended.clear(); // the whole contents hold them
    }
    m_wake.notify_one();
}

void BackgroundFileWriter::append(std::string_view lines) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_pending) {
            m_pending->append(lines);
        } else {
            m_appended.append(lines);
        }
    }
    m_wake.notify_one();
}

void BackgroundFileWriter::flush() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_pending && m_appended.empty() && !m_writing; });
}

std::optional<std::string> BackgroundFileWriter::takeError() {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_error, std::nullopt);
}

void BackgroundFileWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_pending || !m_appended.empty() || m_stopping; });
        if (!m_pending && m_appended.empty()) {
            return;
        }
        const bool whole = m_pending.has_value();
        std::string contents = whole ? std::move(*m_pending) : std::exchange(m_appended, {});
        m_pending.reset();
        m_writing = true;
        lock.unlock();
        const Status status =
            whole ? writeFileAtomically(m_path, contents) : appendToFile(m_path, contents);
        lock.lock();
        m_writing = false;
        if (!status) {
            m_error = status.error();
        }
        m_idle.notify_all();
    }
}

} // namespace quillet::hostapp
