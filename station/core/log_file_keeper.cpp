#include "station/core/log_file_keeper.h"

namespace quillet::station {

void LogFileKeeper::loaded(const MessageStore& store, std::size_t fileLines, bool endsWithLineEnd) {
    m_savedEnd = store.droppedCount() + store.bulletins().size();
    m_fileLines = fileLines;
    // A line appended to a cut-off one would be damaged with it.
    m_rewrite = m_rewrite || !endsWithLineEnd;
}

std::optional<LogFileWrite> LogFileKeeper::next(const MessageStore& store) {
    const std::size_t dropped = store.droppedCount();
    const auto& bulletins = store.bulletins();
    const std::size_t end = dropped + bulletins.size();
    const std::size_t fresh = end - m_savedEnd;
    const std::size_t first = m_savedEnd;
    m_savedEnd = end;
    // Read back, a file missing lines that later left the log would keep older repeats that
    // then refuse newer lines: it is written whole instead.
    if (m_rewrite || first < dropped || m_fileLines + fresh > 2 * store.capacity()) {
        m_rewrite = false;
        m_fileLines = bulletins.size();
        return LogFileWrite{true, store.text()};
    }
    if (fresh == 0) {
        return std::nullopt;
    }
    LogFileWrite write;
    for (std::size_t i = first; i < end; ++i) {
        write.text += logLine(bulletins[i - dropped]);
    }
    m_fileLines += fresh;
    return write;
}

} // namespace quillet::station
