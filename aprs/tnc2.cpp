#include "aprs/tnc2.h"

namespace quillet::aprs {

namespace {

// APRS-IS takes source and destination callsigns of up to 9 letters, digits and "-".
constexpr std::size_t kMaxIsCall = 9;
// Path elements are freer: q-constructs and the server ids after them, which may be long
// (an IPv6 server id is 32 hex digits).
constexpr std::size_t kMaxPathElement = 32;

bool isCallChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// Anything visible that does not end the element, the header or the address.
bool isPathChar(char c) {
    return c > ' ' && c <= '~' && c != ',' && c != ':' && c != '>';
}

// Splits off an SSID only when it is written as AX.25 writes it ("-1" to "-15"), so that the
// text comes back unchanged from addressText.
bool parseIsAddress(std::string_view text, Address& address, std::size_t maxLength = kMaxIsCall,
                    bool (*allowed)(char) = isCallChar) {
    address.repeated = !text.empty() && text.back() == '*';
    if (address.repeated) {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > maxLength) {
        return false;
    }
    for (const char c : text) {
        if (!allowed(c)) {
            return false;
        }
    }
    const std::size_t n = text.size();
    int ssid = 0;
    std::size_t callLength = n;
    if (n >= 3 && text[n - 2] == '-' && text[n - 1] >= '1' && text[n - 1] <= '9') {
        ssid = text[n - 1] - '0';
        callLength = n - 2;
    } else if (n >= 4 && text[n - 3] == '-' && text[n - 2] == '1' && text[n - 1] >= '0' &&
               text[n - 1] <= '5') {
        ssid = 10 + (text[n - 1] - '0');
        callLength = n - 3;
    }
    address.call.assign(text.substr(0, callLength));
    address.ssid = ssid;
    return true;
}

Failure badAddress(std::string_view what, std::string_view text) {
    return fail("TNC2 line with a bad " + std::string(what) + ": " +
                std::string(text.substr(0, 20)));
}

} // namespace

Result<Packet> parseTnc2(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    if (line.size() > kMaxTnc2Line) {
        return fail("TNC2 line too long");
    }
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return fail("TNC2 line without ':'");
    }
    const std::string_view header = line.substr(0, colon);
    const auto gt = header.find('>');
    if (gt == std::string_view::npos) {
        return fail("TNC2 line without '>'");
    }
    Packet packet;
    if (!parseIsAddress(header.substr(0, gt), packet.source)) {
        return badAddress("source", header.substr(0, gt));
    }
    std::string_view rest = header.substr(gt + 1);
    auto comma = rest.find(',');
    if (!parseIsAddress(rest.substr(0, comma), packet.destination)) {
        return badAddress("destination", rest.substr(0, comma));
    }
    while (comma != std::string_view::npos) {
        rest.remove_prefix(comma + 1);
        comma = rest.find(',');
        const std::string_view text = rest.substr(0, comma);
        if (!parseIsAddress(text, packet.path.emplace_back(), kMaxPathElement, isPathChar)) {
            return badAddress("path", text);
        }
    }
    packet.info.assign(line.substr(colon + 1));
    return packet;
}

std::string formatTnc2(const Packet& packet) {
    std::string line = addressText(packet.source);
    line += '>';
    line += addressText(packet.destination);
    for (const Address& a : packet.path) {
        line += ',';
        line += addressText(a);
    }
    line += ':';
    line += packet.info;
    return line;
}

} // namespace quillet::aprs
