#pragma once

#include "aprs/ax25.h"

namespace quillet::aprs {

// Nesting deeper than this is not traffic but a loop or an attack.
inline constexpr int kMaxThirdPartyDepth = 4;

// A packet whose info starts with "}" carries another packet in TNC2 form (an IGate's or a
// gateway's relay); the inner packet is the one that counts, unwrapped recursively. Other
// packets come back as they are.
Result<Packet> unwrapThirdParty(const Packet& packet);

} // namespace quillet::aprs
