#pragma once

#include "station/core/message_store.h"

#include <cstddef>
#include <optional>
#include <string>

namespace quillet::station {

// What to write to the log's file so that, read back, it gives the log as it is now.
struct LogFileWrite {
    bool whole = false; // replace the file with `text`; otherwise append `text`
    std::string text;
};

// Decides how the log reaches its file. New lines are appended, which costs little however
// long the log is; the file is written whole again when it holds twice what the log keeps,
// when lines left the log before they reached the file, or when the file cannot be trusted
// (cut off at its end, damaged, or a write failed).
class LogFileKeeper {
public:
    // The file held `fileLines` lines, all of them now in `store`.
    void loaded(const MessageStore& store, std::size_t fileLines, bool endsWithLineEnd);
    void rewriteNext() { m_rewrite = true; }
    bool rewritePending() const { return m_rewrite; }
    // Nothing when the file is up to date.
    std::optional<LogFileWrite> next(const MessageStore& store);

private:
    std::size_t m_savedEnd = 0;  // lines handed over, counted from the start of the store
    std::size_t m_fileLines = 0; // lines in the file, dropped ones included
    bool m_rewrite = false;
};

} // namespace quillet::station
