#pragma once

#include "bulletin.h"
#include "date_time_formatter.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

inline constexpr std::string_view kAllGroups = "ALL";

// One row of the received-bulletin list; columns are separated by tabs. The heading row
// has no slot.
struct BulletinRow {
    std::string text;
    int slot = -1;
    std::string spoken; // the row as a screen reader says it

    bool operator==(const BulletinRow&) const = default;
};

std::string bulletinListHeading();

// A bulletin's row as a sentence, for screen readers: "G4ABC to BLN1 at <time>: <text>", with
// " (unread)" while it is unread. The text is cut as the list cuts it.
std::string spokenRow(const Bulletin& bulletin, const DateTimeFormatter& formatter);

// "R" for a bulletin the operator has read, "N" for a new one.
std::string readMark(const Bulletin& bulletin);

// Whether the group filter hides a bulletin of this group; "ALL" hides nothing.
bool isFilteredOut(std::string_view groupCode, std::string_view groupFilter);

// The heading followed by one row per bulletin that the filter lets through, in slot order.
std::vector<BulletinRow> showBulletins(const BulletinTable& bulletins, std::string_view groupFilter,
                                       const DateTimeFormatter& formatter);

} // namespace quillet
