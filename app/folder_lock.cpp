#include "app/folder_lock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillet {

FolderLock::FolderLock(const std::filesystem::path& lockFile) {
    m_fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (m_fd < 0) {
        m_problem = "cannot open " + lockFile.string() + " (" + std::strerror(errno) + ")";
        return;
    }
    int result;
    do {
        result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        m_state = State::held;
    } else if (errno == EWOULDBLOCK) {
        m_state = State::takenByAnother;
    } else {
        m_problem = "cannot lock " + lockFile.string() + " (" + std::strerror(errno) + ")";
    }
}

FolderLock::~FolderLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

} // namespace quillet
