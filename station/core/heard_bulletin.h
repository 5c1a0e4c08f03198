#pragma once

#include "aprs/ax25.h"
#include "base/result.h"
#include "station/core/message_store.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillet::station {

// A bulletin as heard, its fields still the bytes from the air.
struct HeardBulletin {
    std::string sender;
    std::string addressee;
    std::string text;
};

// The bulletin a packet carries: an APRS message to a bulletin addressee
// (aprs::isBulletinAddressee), looked for in the inner packet of a third-party packet.
// Acknowledgements and anything else give std::nullopt.
std::optional<HeardBulletin> bulletinFromPacket(const aprs::Packet& packet);

// Text from the air in UTF-8: read as UTF-8 when it is valid UTF-8, as Windows-1252
// otherwise; control characters become U+FFFD so that nothing shown can move the cursor or
// end a line.
std::string airTextUtf8(std::string_view bytes);

// The log line a packet gives, if any: bulletinFromPacket with its fields read as air text.
std::optional<LoggedBulletin> loggedFromPacket(const aprs::Packet& packet);

// A bulletin given to the host by hand (a feed, the bus, the window's form) is held to what a
// heard one must be: a sender written as a callsign (1 to 9 letters, digits or "-") and a
// bulletin addressee. Fails with the reason when it may not be logged.
Status checkBulletinFields(std::string_view sender, std::string_view addressee);

} // namespace quillet::station
