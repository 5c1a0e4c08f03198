#pragma once

#include "aprs/ax25.h"
#include "base/result.h"
#include "station/core/link.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet::station {

// The destination of everything the host sends: an experimental tocall ("APZ" and three
// characters of its own), Q-LT for Quillet.
inline constexpr char kToCall[] = "APZQLT";

// The largest information field the host sends: AX.25's usual limit, which TNCs and
// digipeaters take. With the addresses (8 digipeaters at most) a frame is then at most 328
// bytes, 656 after KISS escaping, and the APRS-IS line of the same packet stays under 300 of
// its 512 bytes. A message's field is ":ADDRESSEE:" and the text, so a text may have 245 bytes.
inline constexpr std::size_t kMaxInfoField = 256;

// Why this text cannot go out as a message, if it cannot: its field would be longer than
// kMaxInfoField.
Status messageFitsAFrame(std::string_view text);

// CALL>APZQLT[,PATH]::ADDRESSEE:text. The path is the message form's digipeater field: the
// digipeaters separated by commas (blanks around them allowed), empty for none.
Result<aprs::Packet> buildMessagePacket(const std::string& call, const std::string& addressee,
                                        const std::string& text, const std::string& path);

// The KISS links a port number of the message form names: port N is the N-th --kiss link
// (1 is the first); port 0 is every KISS link; any other number names none.
std::vector<Link*> kissLinksForPort(int port, const std::vector<Link*>& kissLinks);

struct SendReport {
    std::vector<std::string> tookIt;  // the links that took the packet
    std::vector<std::string> refused; // why the others did not
};

// Sends on the KISS links the port names and on APRS-IS (when there is one; it takes the
// packet only after a verified login).
SendReport sendOnLinks(const aprs::Packet& packet, int port, const std::vector<Link*>& kissLinks,
                       Link* aprsIs);

} // namespace quillet::station
