#include "station/core/background_file_writer.h"

#include "base/files.h"

#include <cstdio>
#include <filesystem>
#include <utility>

namespace quillet::station {
namespace {

Status writeInFolder(const std::filesystem::path& file, const std::string& contents, bool whole) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) {
        return fail("cannot create " + file.parent_path().string() + " (" + error.message() + ")");
    }
    return whole ? replaceFile(file, contents) : appendToFile(file, contents);
}

} // namespace

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

Status BackgroundFileWriter::flush() {
    std::unique_lock lock(m_state->mutex);
    if (m_state->idle.wait_for(lock, kFlushWait, [this] {
            return !m_state->pending && m_state->appended.empty() && !m_state->writing;
        })) {
        return {};
    }
    return fail(m_state->path + " did not take what was written within " +
                std::to_string(kFlushWait.count()) + " s");
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
        const Status status = writeInFolder(state->path, contents, whole);
        lock.lock();
        state->writing = false;
        if (!status) {
            state->error = status.error();
        }
        state->idle.notify_all();
    }
}

} // namespace quillet::station
