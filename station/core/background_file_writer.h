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

// Writes a file on a thread of its own so that the caller never waits for the disk. A save
// replaces the file whole and supersedes whatever is still pending; appends in between are
// gathered into one write. Both create the file's folder when it is missing. The destructor
// finishes the pending work, but waits for it at most `kStopWait`: a disk that does not answer must
// not keep the program from ending.
class BackgroundFileWriter {
public:
    static constexpr std::chrono::milliseconds kStopWait{500};
    static constexpr std::chrono::seconds kFlushWait{10};

    explicit BackgroundFileWriter(std::string path);
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    void save(std::string contents);
    void append(std::string_view lines);
    // Waits until everything handed over is written, at most `kFlushWait`; for tests and the
    // end of the program.
    Status flush();
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
