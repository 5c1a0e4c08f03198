#pragma once

#include "bulletin.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quillet {

// Tells which bulletins of the table a refresh brought: new ones and ones whose text changed.
//
// It remembers every bulletin the table has held, not just the last table: when more than 40
// bulletins are in the host's log, every refresh evicts one and takes back one evicted before,
// and such a returning bulletin is old news. Re-sorting moves slots, so nothing here goes by
// slot number.
class BulletinNews {
public:
    // The bulletins of `table`, in slot order, that were never seen or carry another text than
    // when last seen. The first call only takes note: what the table holds at start-up is not
    // news.
    std::vector<Bulletin> take(const BulletinTable& table);

private:
    using Identity = std::pair<std::string, std::string>; // callsign, addressee
    std::map<Identity, std::string> m_seen;               // the latest text of each
    bool m_primed = false;
};

} // namespace quillet
