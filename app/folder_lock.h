#pragma once

#include <filesystem>
#include <string>

namespace quillet {

// An exclusive lock on a file, held for as long as the object lives. Two copies of the
// program started from one folder would race on the files they keep there; the lock lets
// the second one see the first. The system releases it when the process ends, however it
// ends, so a crashed copy never blocks the next start.
class FolderLock {
public:
    enum class State { held, takenByAnother, unavailable };

    explicit FolderLock(const std::filesystem::path& lockFile);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State state() const { return m_state; }
    // Why the lock could not be taken, when state() is unavailable.
    const std::string& problem() const { return m_problem; }

private:
    int m_fd = -1;
    State m_state = State::unavailable;
    std::string m_problem;
};

} // namespace quillet
