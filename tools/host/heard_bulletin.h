#pragma once

#include "aprs/ax25.h"

#include <optional>
#include <string>

namespace quillet::hostapp {

// A bulletin as heard, its fields still the bytes from the air.
struct HeardBulletin {
    std::string sender;
    std::string addressee;
    std::string text;
};

// The bulletin a packet carries: an APRS message to an addressee beginning with "BLN", looked
// for in the inner packet of a third-party packet. Acknowledgements and anything else give
// std::nullopt.
std::optional<HeardBulletin> bulletinFromPacket(const aprs::Packet& packet);

} // namespace quillet::hostapp
