#pragma once

#include <string>
#include <vector>

namespace quillet::bench {

struct GeneratedBulletin {
    std::string callsign;
    std::string addressee;
    std::string text;
};

// A realistic busy log: a few hundred stations, each with a handful of bulletin codes,
// sending and re-sending, so that intake sees repeats, updates and evictions. Lines are
// about 90 bytes; the same seed gives the same log.
std::vector<GeneratedBulletin> generateBulletins(int lines, unsigned seed = 1);

// The host's log text: Windows-1252, fields joined by the separator, every line ended by CR LF.
std::string toMessageLog(const std::vector<GeneratedBulletin>& bulletins);

// The host's feed file: one "callsign|addressee|text" line per bulletin.
std::string toFeed(const std::vector<GeneratedBulletin>& bulletins);

} // namespace quillet::bench
