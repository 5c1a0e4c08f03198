#include "bulletin_list.h"

#include "text_rules.h"

namespace quillet {

std::string bulletinListHeading() {
    return "R Callsign\tReceived\t\t\tBLN> Message";
}

std::string spokenRow(const Bulletin& bulletin, const DateTimeFormatter& formatter) {
    std::string spoken = bulletin.callsign + " to " + bulletin.addressee;
    if (bulletin.received) {
        spoken += " at " + formatter.format(*bulletin.received);
    }
    spoken += ": " + shownText(bulletin.text);
    if (!bulletin.isRead) {
        spoken += " (unread)";
    }
    return spoken;
}

std::string readMark(const Bulletin& bulletin) {
    return bulletin.isRead ? "R" : "N";
}

bool isFilteredOut(std::string_view groupCode, std::string_view groupFilter) {
    return groupFilter != kAllGroups && groupCode != groupFilter;
}

std::vector<BulletinRow> showBulletins(const BulletinTable& bulletins, std::string_view groupFilter,
                                       const DateTimeFormatter& formatter) {
    std::vector<BulletinRow> rows;
    rows.reserve(bulletins.size() + 1);
    rows.push_back({bulletinListHeading(), -1,
                    "Columns: read mark and sender, time received, bulletin code and text"});
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const Bulletin& b = bulletins[slot];
        if (!b.inUse || isFilteredOut(b.groupCode, groupFilter)) {
            continue;
        }
        std::string row = readMark(b);
        row += ' ';
        row += b.callsign;
        row += '\t';
        row += b.received ? formatter.format(*b.received) : std::string();
        row += '\t';
        row += padAddressee(b.addressee);
        row += "> ";
        row += shownText(b.text);
        rows.push_back({std::move(row), slot, spokenRow(b, formatter)});
    }
    return rows;
}

} // namespace quillet
