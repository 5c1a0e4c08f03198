#pragma once

#include "aprs/ax25.h"
#include "base/result.h"
#include "station/core/link.h"

#include <string>
#include <vector>

namespace quillet::station {

// The destination of everything the host sends: an experimental tocall ("APZ" and three
// characters of its own), Q-LT for Quillet.
inline constexpr char kToCall[] = "APZQLT";

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
