#pragma once

#include "base/result.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace quillet::hostapp {

// Reads a regular file whole. Anything else (a FIFO, a device, a directory) fails at once
// instead of blocking, and so does a file larger than `maxBytes`. A missing file gives
// std::nullopt inside a successful result.
Result<std::optional<std::string>> readRegularFile(const std::string& path, std::size_t maxBytes);

// Replaces the file whole: writes a temporary file beside it, flushes it to the disk and
// renames it into place, so a crash leaves either the old file or the new one. Creates the
// folder when it is missing.
Status writeFileAtomically(const std::string& path, const std::string& contents);

// Adds whole lines at the end of the file, creating it (and its folder) when missing. A
// failed write is cut back off, so the file never ends in part of a line unless the machine
// itself stops in the middle.
Status appendToFile(const std::string& path, std::string_view lines);

// Writes a file on a thread of its own so that the caller never waits for the disk. A save
// replaces the file whole and supersedes whatever is still pending; appends in between are
// gathered into one write. The destructor finishes the pending work.
class BackgroundFileWriter {
public:
    explicit BackgroundFileWriter(std::string path);
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    void save(std::string contents);
    void append(std::string_view lines);
    // Waits until everything handed over is written; for tests and the end of the program.
    void flush();
    // The last write's failure, if any, taken once.
    std::optional<std::string> takeError();

private:
    void run();

    std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<std::string> m_pending;
    std::string m_appended;
    std::optional<std::string> m_error;
    bool m_writing = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace quillet::hostapp
