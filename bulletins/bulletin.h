#pragma once

#include "clock.h"

#include <array>
#include <optional>
#include <string>

namespace quillet {

// One received bulletin. Texts are Windows-1252 bytes, compared byte by byte.
struct Bulletin {
    std::string callsign;
    std::string addressee;
    std::string groupCode;
    std::string text;
    std::optional<LocalDateTime> received; // when it entered the table or its text last changed
    bool inUse = false;
    bool isRead = false;

    bool operator==(const Bulletin&) const = default;
};

inline constexpr int kSlotCount = 40;

// The fixed table of slots. Slots in use are always 0 to n-1; a free slot is a
// default-constructed Bulletin.
using BulletinTable = std::array<Bulletin, kSlotCount>;

} // namespace quillet
