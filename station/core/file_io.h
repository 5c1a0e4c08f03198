#pragma once

#include "base/result.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace quillet::station {

// Reads a regular file whole (quillet::readRegularFile). Anything else (a FIFO, a device, a
// directory) fails at once instead of blocking, and so does a file larger than `maxBytes`. A
// missing file gives std::nullopt inside a successful result.
Result<std::optional<std::string>> readRegularFile(const std::string& path, std::size_t maxBytes);

// Replaces the file whole: writes a fresh temporary file beside it (created exclusively, so
// never through a link planted under its name), flushes it to the disk and renames it into
// place, so a crash leaves either the old file or the new one. A link or a FIFO under the
// file's name is replaced, not written through. Creates the folder when it is missing.
Status writeFileAtomically(const std::string& path, const std::string& contents);

// Adds whole lines at the end of the file, creating it (and its folder) when missing. A
// failed write is cut back off, so the file never ends in part of a line unless the machine
// itself stops in the middle. Only a regular file is appended to: a symbolic link, a FIFO or
// a device under the name fails at once, and a whole write then replaces it.
Status appendToFile(const std::string& path, std::string_view lines);

// Writes a file on a thread of its own so that the caller never waits for the disk. A save
// replaces the file whole and supersedes whatever is still pending; appends in between are
// gathered into one write. The destructor finishes the pending work, but waits for it at most
// `kStopWait`: a disk that does not answer must not keep the program from ending.
class BackgroundFileWriter {
public:
    static constexpr std::chrono::milliseconds kStopWait{500};

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
    // Shared with the thread, which may outlive the writer when the disk hangs.
    struct State {
        std::string path;
        std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable idle;
        std::optional<std::string> pending;
        std::string appended;
        std::optional<std::string> error;
        bool writing = false;
        bool stopping = false;
        bool stopped = false;
    };
    static void run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace quillet::station
