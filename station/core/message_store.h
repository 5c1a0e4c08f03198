#pragma once

#include "base/result.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace quillet::station {

// One bulletin as the host logs it, in UTF-8.
struct LoggedBulletin {
    std::string sender;
    std::string addressee;
    std::string text;

    bool operator==(const LoggedBulletin&) const = default;
};

// "sender³addressee³text" CR LF.
std::string logLine(const LoggedBulletin& bulletin);

// Whatever reaches the log, a field stays one field of one line: control characters (C0, DEL,
// C1, U+2028, U+2029) and bytes that are not UTF-8 become U+FFFD, and the separator ³ becomes
// "3", which reads the same in "25 m3/s". Fields that hold none of these are left as they
// are, so a stored log reads back exactly.
void makeLogField(std::string& utf8);
// The same without touching ³: for text shown on a line of its own.
std::string withoutControls(std::string_view utf8);

// The host's bulletin log: lines in arrival order, an exact repeat (same sender, addressee and
// text) logged only once, at most `capacity` lines with the oldest dropped first. Bulletins are
// sent again and again and may arrive both over the air and from APRS-IS, so repeats are the
// usual case; a hash set keeps the check cheap however long the log is.
class MessageStore {
public:
    static constexpr std::size_t kCapacity = 32767;

    explicit MessageStore(std::size_t capacity = kCapacity);

    // False when the same bulletin is already in the log. Its fields are made log fields
    // first (makeLogField), whichever way they came.
    bool add(LoggedBulletin bulletin);

    std::size_t capacity() const { return m_capacity; }
    const std::deque<LoggedBulletin>& bulletins() const { return m_bulletins; }
    // How many lines were dropped from the front since the start (for the window's list).
    std::size_t droppedCount() const { return m_dropped; }

    // The whole log as served and stored, built once per change.
    const std::string& text() const;
    // The lines from number `first` on, lines being numbered from the start with the dropped
    // ones; nothing when `first` is not a line the log holds, nor its end.
    std::optional<std::string> textFrom(std::size_t first) const;

private:
    static std::string key(const LoggedBulletin& bulletin);

    std::size_t m_capacity;
    std::deque<LoggedBulletin> m_bulletins;
    std::unordered_set<std::string> m_keys;
    std::size_t m_dropped = 0;
    mutable std::string m_text;
    mutable bool m_textReady = true;
};

// Reads a stored log: lines of three fields separated by U+00B3, ended by CR LF or LF. A file
// that is not such a log fails with the line number that gave it away. The log grows by
// appending and every line written ends, so a last line without its end was cut off by a
// machine that stopped: it is left out rather than taken for damage.
Result<std::deque<LoggedBulletin>> parseLogText(std::string_view text);

} // namespace quillet::station
