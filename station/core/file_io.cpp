#include "station/core/file_io.h"

#include "base/file_descriptor.h"
#include "base/regular_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillet::station {
namespace {

std::string errorText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

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
    FileRead read = quillet::readRegularFile(path, maxBytes);
    switch (read.status) {
    case ReadStatus::missing:
        return std::optional<std::string>();
    case ReadStatus::failed:
        return fail("cannot read " + path + " (" + read.error + ")");
    case ReadStatus::ok:
        break;
    }
    return std::optional<std::string>(std::move(read.bytes));
}

Status writeFileAtomically(const std::string& path, const std::string& contents) {
    if (Status folder = createFolderOf(path); !folder) {
        return folder;
    }
    std::string temporary = path + ".XXXXXX";
    // mkostemp creates the file exclusively: a link planted under the name makes it try another.
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) {
        return fail(errorText("cannot create", temporary));
    }
    if (!writeAll(file.get(), contents)) {
        const std::string message = errorText("cannot write", temporary);
        ::unlink(temporary.c_str());
        return fail(message);
    }
    if (::fsync(file.get()) != 0 || file.close() != 0 ||
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
    // Never through a link (O_NOFOLLOW), never waiting for a FIFO's reader (O_NONBLOCK).
    FileDescriptor file(::open(
        path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (file.get() < 0) {
        if (errno == ELOOP) {
            return fail("cannot open " + path + ": it is a symbolic link");
        }
        return fail(errorText("cannot open", path));
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return fail(errorText("cannot examine", path));
    }
    if (!S_ISREG(info.st_mode)) {
        return fail("cannot append to " + path + ": it is not a regular file");
    }
    if (!writeAll(file.get(), lines)) {
        const std::string message = errorText("cannot write", path);
        // A full disk must not leave half a line for the next append to run into.
        if (::ftruncate(file.get(), info.st_size) != 0) {
            return fail(message + "; the file may end in a cut-off line");
        }
        return fail(message);
    }
    if (::fdatasync(file.get()) != 0 || file.close() != 0) {
        return fail(errorText("cannot store", path));
    }
    return {};
}

BackgroundFileWriter::BackgroundFileWriter(std::string path) : m_state(std::make_shared<State>()) {
    m_state->path = std::move(path);
    m_thread = std::thread([state = m_state] { run(state); });
}

BackgroundFileWriter::~BackgroundFileWriter() {
    std::unique_lock lock(m_state->mutex);
    m_state->stopping = true;
    m_state->wake.notify_one();
    if (m_state->idle.wait_for(lock, kStopWait, [this] { return m_state->stopped; })) {
        lock.unlock();
        m_thread.join();
        return;
    }
    // The thread holds its own share of the state and ends with the process.
    std::fprintf(stderr,
                 "quillet-host: The log was not stored: %s did not take it within %lld ms\n",
                 m_state->path.c_str(), static_cast<long long>(kStopWait.count()));
    lock.unlock();
    m_thread.detach();
}

void BackgroundFileWriter::save(std::string contents) {
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->pending = std::move(contents);
        m_state->appended.clear(); // the whole contents hold them
    }
    m_state->wake.notify_one();
}

void BackgroundFileWriter::append(std::string_view lines) {
    {
        const std::lock_guard lock(m_state->mutex);
        if (m_state->pending) {
            m_state->pending->append(lines);
        } else {
            m_state->appended.append(lines);
        }
    }
    m_state->wake.notify_one();
}

void BackgroundFileWriter::flush() {
    std::unique_lock lock(m_state->mutex);
    m_state->idle.wait(lock, [this] {
        return !m_state->pending && m_state->appended.empty() && !m_state->writing;
    });
}

std::optional<std::string> BackgroundFileWriter::takeError() {
    const std::lock_guard lock(m_state->mutex);
    return std::exchange(m_state->error, std::nullopt);
}

void BackgroundFileWriter::run(const std::shared_ptr<State>& state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->wake.wait(
            lock, [&] { return state->pending || !state->appended.empty() || state->stopping; });
        if (!state->pending && state->appended.empty()) {
            state->stopped = true;
            state->idle.notify_all();
            return;
        }
        const bool whole = state->pending.has_value();
        std::string contents =
            whole ? std::move(*state->pending) : std::exchange(state->appended, {});
        state->pending.reset();
        state->writing = true;
        lock.unlock();
        const Status status = whole ? writeFileAtomically(state->path, contents)
                                    : appendToFile(state->path, contents);
        lock.lock();
        state->writing = false;
        if (!status) {
            state->error = status.error();
        }
        state->idle.notify_all();
    }
}

} // namespace quillet::station
