#pragma once

#include "bulletin.h"
#include "clock.h"
#include "message_log.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace quillet {

// The 40-slot table of received bulletins and its intake from the host's log.
//
// Invariants kept by every operation: the slots in use are 0 to n-1, no two of them share
// callsign and addressee (compared byte by byte), and free slots are empty.
class BulletinStore {
public:
    explicit BulletinStore(const Clock& clock) : m_clock(clock) {}

    // Fetches the log after the lines taken in so far (the whole log from a source that
    // cannot tell) and stores every line of it; lines with fewer than three fields are
    // skipped. A read that fails changes nothing and gives the source's reason.
    Status readMessageLog(MessageLogSource& source);

    // Stores the lines of an already fetched piece of the log and notes how far the table
    // has read it. Each line enters the table once, as the host logged it, so lines taken in
    // piece by piece give the table one read of them all gives. A whole log, the answer to a
    // position the host no longer knows, is stored line by line all the same.
    void storeLogLines(const LogLines& piece);
    const LogPosition& logPosition() const { return m_held; }

    // Stores the bulletins of an already fetched log text; gives how many whole lines it read.
    int storeMessageLog(std::string_view log);

    // Stores one logged bulletin: an update of a known one when sender and addressee match,
    // otherwise a new one in the next free slot, evicting the earliest received when full.
    void storeBulletin(std::string_view callsign, std::string_view addressee,
                       std::string_view text);

    // Orders the slots in use by callsign, then addressee, byte by byte.
    void sortBulletins();

    const BulletinTable& bulletins() const { return m_bulletins; }
    int usedCount() const { return m_used; }
    void markRead(int slot);

private:
    // Empties the slot holding the bulletin received earliest and returns its number; only
    // for storeBulletin when every slot is in use, which refills the slot at once.
    int freeOldestSlot();
    int oldestSlot() const;
    void rehash();

    const Clock& m_clock;
    BulletinTable m_bulletins{};
    int m_used = 0;
    LogPosition m_held;
    // A hash of each slot's callsign and addressee, so that the pass over the slots for
    // every log line compares texts only where the hash already matches.
    std::array<std::uint64_t, kSlotCount> m_identity{};
};

} // namespace quillet
