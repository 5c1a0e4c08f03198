#pragma once

#include "aprs/ax25.h"

namespace quillet::aprs {

// Longest TNC2 line accepted (line end not counted). APRS-IS lines are at most 512 bytes with
// their line end; anything far longer is garbage and must not cost memory further on.
inline constexpr std::size_t kMaxTnc2Line = 512;

// "SRC>DEST,PATH:info" as APRS-IS carries it, trailing CR/LF removed. Addresses on APRS-IS may
// be up to 9 characters and need not be valid AX.25 ("qAR", "T2XXX", "OH2ABC-AB"): a text
// that does not end in "-1" to "-15" is kept whole as the call, so formatTnc2 gives it back.
Result<Packet> parseTnc2(std::string_view line);

// The TNC2 form of a packet, without line end.
std::string formatTnc2(const Packet& packet);

} // namespace quillet::aprs
