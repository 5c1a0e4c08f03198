#pragma once

#include "aprs/ax25.h"

namespace quillet::aprs {

// Longest TNC2 line accepted (line end not counted). APRS-IS lines are at most 512 bytes with
// their line end; anything far longer is garbage and must not cost memory further on.
inline constexpr std::size_t kMaxTnc2Line = 512;

// "SRC>DEST,PATH:info" as APRS-IS carries it, trailing CR/LF removed. The source and the
// destination are callsigns of up to 9 letters, digits and "-" that need not be valid AX.25
// ("OH2ABC-AB"); path elements (digipeaters, q-constructs and the server ids after them) may
// be up to 32 visible characters other than ",", ":" and ">" ("qAR", "T2XXX", an IPv6 server
// id). An address that does not end in "-1" to "-15" is kept whole as the call, so formatTnc2
// gives it back.
Result<Packet> parseTnc2(std::string_view line);

// The TNC2 form of a packet, without line end.
std::string formatTnc2(const Packet& packet);

} // namespace quillet::aprs
