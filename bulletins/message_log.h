#pragma once

#include "base/result.h"
#include "contract/host_bus.h"

#include <string>
#include <utility>

namespace quillet {

// How far a reader has read the host's log: the host's name for the log, and how many of its
// lines, counted from the start of the host's run, the reader has taken in. No name: the
// reader holds nothing it could build on.
struct LogPosition {
    std::string logId;
    int linesHeld = 0;

    bool operator==(const LogPosition&) const = default;
};

// A piece of the host's log: its lines from `firstLine` on, in the form of the whole log.
// Without a `logId` the source cannot say where its log goes on, and `lines` is all of it.
struct LogLines {
    std::string logId;
    int firstLine = 0;
    std::string lines;
};

// Where the bulletin table reads the host's message log from. The text is Windows-1252:
// lines ended by CR LF, fields separated by kFieldSeparator. A failed read gives the line for
// the status line; the table is then left as it was.
class MessageLogSource {
public:
    virtual ~MessageLogSource() = default;
    virtual Result<std::string> messageLog(int selector) = 0;

    // The bulletin log after the lines the reader holds. A source that keeps no count of its
    // lines answers every time with the whole log, which this default does.
    virtual Result<LogLines> messageLogAfter(const LogPosition& /*held*/) {
        Result<std::string> log = messageLog(kBulletinLogSelector);
        if (!log) {
            return fail(log.error());
        }
        return LogLines{{}, 0, std::move(log).value()};
    }
};

} // namespace quillet
