#include "bulletin_store.h"

#include "text_rules.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace quillet {

namespace {

// Splits one log line into its first three fields; false when it has fewer.
bool splitFields(std::string_view line, std::array<std::string_view, 3>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto separator = line.find(kFieldSeparator);
        if (separator == std::string_view::npos) {
            if (i + 1 < fields.size()) {
                return false;
            }
            fields[i] = line;
        } else {
            fields[i] = line.substr(0, separator);
            line.remove_prefix(separator + 1);
        }
    }
    return true;
}

std::uint64_t identityHash(std::string_view callsign, std::string_view addressee) {
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    auto mix = [&h](std::string_view text) {
        for (const char c : text) {
            h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
    };
    mix(callsign);
    h = (h ^ callsign.size()) * 1099511628211ull; // keeps "AB"+"C" apart from "A"+"BC"
    mix(addressee);
    return h;
}

} // namespace

Status BulletinStore::readMessageLog(MessageLogSource& source) {
    const Result<LogLines> piece = source.messageLogAfter(m_held);
    if (!piece) {
        return fail(piece.error());
    }
    storeLogLines(*piece);
    return {};
}

void BulletinStore::storeLogLines(const LogLines& piece) {
    const std::int64_t reached = std::int64_t{piece.firstLine} + storeMessageLog(piece.lines);
    // A count the bus cannot carry is no position: the next read asks for the whole log.
    if (piece.logId.empty() || piece.firstLine < 0 || reached > INT32_MAX) {
        m_held = {};
    } else {
        m_held = {piece.logId, static_cast<int>(reached)};
    }
}

int BulletinStore::storeMessageLog(std::string_view log) {
    // Every line, the last one included, ends with CR LF; whatever follows the last
    // CR LF is an unfinished line and is left for the next read.
    std::array<std::string_view, 3> fields;
    std::size_t start = 0;
    int lines = 0;
    for (;; ++lines) {
        const auto end = log.find("\r\n", start);
        if (end == std::string_view::npos) {
            return lines;
        }
        if (splitFields(log.substr(start, end - start), fields)) {
            storeBulletin(trimBlanks(fields[0]), trimBlanks(fields[1]),
                          stripTextPrefix(trimBlanks(fields[2])));
        }
        start = end + 2;
    }
}

void BulletinStore::storeBulletin(std::string_view callsign, std::string_view addressee,
                                  std::string_view text) {
    // A line without sender and addressee names no bulletin. Matching it against free
    // slots (which are empty too) would write into a free slot, so it is dropped here.
    if (callsign.empty() && addressee.empty()) {
        return;
    }
    const std::uint64_t identity = identityHash(callsign, addressee);
    for (int i = 0; i < m_used; ++i) {
        Bulletin& known = m_bulletins[i];
        if (m_identity[i] == identity && known.callsign == callsign &&
            known.addressee == addressee) {
            if (known.text != text) {
                known.text = text;
                known.received = m_clock.now(); // the read mark stays as it was
            }
            return;
        }
    }
    const int slot = m_used < kSlotCount ? m_used : freeOldestSlot();
    Bulletin& fresh = m_bulletins[slot];
    m_identity[slot] = identity;
    fresh.inUse = true;
    fresh.isRead = false;
    fresh.callsign = callsign;
    fresh.addressee = addressee;
    fresh.text = text;
    fresh.received = m_clock.now();
    fresh.groupCode = groupCodeOf(addressee);
    if (slot == m_used) {
        ++m_used;
    }
}

int BulletinStore::oldestSlot() const {
    // The earliest receipt time wins, the lowest slot among equal times. This also holds
    // when every time lies after the current time (the clock was set back): the earliest
    // bulletin is still the one that goes.
    int oldest = -1;
    LocalDateTime earliest = LocalDateTime::max();
    for (int i = 0; i < m_used; ++i) {
        const LocalDateTime received = m_bulletins[i].received.value_or(LocalDateTime::min());
        if (oldest < 0 || received < earliest) {
            oldest = i;
            earliest = received;
        }
    }
    return oldest;
}

int BulletinStore::freeOldestSlot() {
    const int oldest = oldestSlot();
    if (oldest >= 0) {
        m_bulletins[oldest] = Bulletin{};
        m_identity[oldest] = 0;
    }
    return oldest;
}

void BulletinStore::rehash() {
    for (int i = 0; i < m_used; ++i) {
        m_identity[i] = identityHash(m_bulletins[i].callsign, m_bulletins[i].addressee);
    }
}

void BulletinStore::sortBulletins() {
    // std::string compares as unsigned bytes, which is the order the list shows:
    // digits before upper case before lower case.
    std::sort(m_bulletins.begin(), m_bulletins.begin() + m_used,
              [](const Bulletin& a, const Bulletin& b) {
                  if (a.callsign != b.callsign) {
                      return a.callsign < b.callsign;
                  }
                  return a.addressee < b.addressee;
              });
    rehash();
}

void BulletinStore::markRead(int slot) {
    if (slot >= 0 && slot < m_used) {
        m_bulletins[slot].isRead = true;
    }
}

} // namespace quillet
