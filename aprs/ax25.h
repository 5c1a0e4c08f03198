#pragma once

#include "base/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet::aprs {

// A station or digipeater address. `repeated` is the has-been-repeated bit of a digipeater
// (shown as a trailing "*"); it has no meaning for source and destination.
struct Address {
    std::string call;
    int ssid = 0;
    bool repeated = false;

    bool operator==(const Address&) const = default;
};

// "N0CALL", "WIDE2-1", "DIGI*" when repeated.
std::string addressText(const Address& address);

// "WIDE1-1", "TCPIP*", "n0call-9": an address that fits into an AX.25 frame (1 to 6 letters
// or digits, upper-cased; SSID 0 to 15).
Result<Address> parseAddressText(std::string_view text);

// An APRS packet, whether heard on the air or read from APRS-IS.
struct Packet {
    Address source;
    Address destination;
    std::vector<Address> path;
    std::string info;

    bool operator==(const Packet&) const = default;
};

inline constexpr std::size_t kMaxDigipeaters = 8;

// An AX.25 frame as KISS carries it (no FCS). Only UI frames (control 0x03, PID 0xF0) carry
// APRS; anything else fails.
Result<Packet> decodeAx25(std::string_view frame);

// The UI frame for transmit: checks every address and allows at most 8 digipeaters.
Result<std::string> encodeAx25(const Packet& packet);

} // namespace quillet::aprs
