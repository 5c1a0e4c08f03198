#include "aprs/ax25.h"

#include <charconv>

namespace quillet::aprs {

namespace {

constexpr std::size_t kAddressBytes = 7;
constexpr std::size_t kCallBytes = 6;
constexpr unsigned char kControlUi = 0x03;
constexpr unsigned char kPollFinal = 0x10;
constexpr unsigned char kPidNoLayer3 = 0xF0;
constexpr unsigned char kLastAddress = 0x01;
constexpr unsigned char kHighBit = 0x80; // C bit for source/destination, H bit for digipeaters
constexpr unsigned char kReservedBits = 0x60;

bool isCallChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool validCall(std::string_view call) {
    if (call.empty() || call.size() > kCallBytes) {
        return false;
    }
    for (const char c : call) {
        if (!isCallChar(c)) {
            return false;
        }
    }
    return true;
}

Result<Address> decodeAddress(std::string_view bytes) {
    Address address;
    std::size_t i = 0;
    for (; i < kCallBytes; ++i) {
        const char c = static_cast<char>(static_cast<unsigned char>(bytes[i]) >> 1);
        if (c == ' ') {
            break;
        }
        if (!isCallChar(c)) {
            return fail("AX.25 address with a character that is not a letter or digit");
        }
        address.call.push_back(c);
    }
    for (; i < kCallBytes; ++i) {
        if ((static_cast<unsigned char>(bytes[i]) >> 1) != ' ') {
            return fail("AX.25 address with a blank inside the call");
        }
    }
    if (address.call.empty()) {
        return fail("AX.25 address with an empty call");
    }
    const auto ssidByte = static_cast<unsigned char>(bytes[kCallBytes]);
    address.ssid = (ssidByte >> 1) & 0x0F;
    address.repeated = (ssidByte & kHighBit) != 0;
    return address;
}

void encodeAddress(const Address& address, unsigned char high, bool last, std::string& out) {
    for (std::size_t i = 0; i < kCallBytes; ++i) {
        const char c = i < address.call.size() ? address.call[i] : ' ';
        out.push_back(static_cast<char>(static_cast<unsigned char>(c) << 1));
    }
    out.push_back(
        static_cast<char>(high | kReservedBits | (address.ssid << 1) | (last ? kLastAddress : 0)));
}

} // namespace

std::string addressText(const Address& address) {
    std::string text = address.call;
    if (address.ssid != 0) {
        text += '-';
        text += std::to_string(address.ssid);
    }
    if (address.repeated) {
        text += '*';
    }
    return text;
}

Result<Address> parseAddressText(std::string_view text) {
    Address address;
    if (!text.empty() && text.back() == '*') {
        address.repeated = true;
        text.remove_suffix(1);
    }
    const auto dash = text.find('-');
    std::string_view call = text.substr(0, dash);
    if (dash != std::string_view::npos) {
        const std::string_view ssid = text.substr(dash + 1);
        const auto [end, error] =
            std::from_chars(ssid.data(), ssid.data() + ssid.size(), address.ssid);
        if (ssid.empty() || ssid.size() > 2 || error != std::errc{} ||
            end != ssid.data() + ssid.size() || address.ssid < 0 || address.ssid > 15) {
            return fail("SSID is not 0 to 15: " + std::string(text));
        }
    }
    for (const char c : call) {
        address.call.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    if (!validCall(address.call)) {
        return fail("not a callsign of 1 to 6 letters or digits: " + std::string(text));
    }
    return address;
}

Result<Packet> decodeAx25(std::string_view frame) {
    Packet packet;
    std::size_t count = 0; // addresses read
    std::size_t at = 0;
    for (;;) {
        if (frame.size() - at < kAddressBytes) {
            return fail("AX.25 address field cut short");
        }
        auto address = decodeAddress(frame.substr(at, kAddressBytes));
        if (!address) {
            return fail(address.error());
        }
        const bool last = (static_cast<unsigned char>(frame[at + kCallBytes]) & kLastAddress) != 0;
        at += kAddressBytes;
        if (count == 0) {
            packet.destination = std::move(address).value();
            packet.destination.repeated = false;
        } else if (count == 1) {
            packet.source = std::move(address).value();
            packet.source.repeated = false;
        } else {
            packet.path.push_back(std::move(address).value());
        }
        ++count;
        if (last) {
            break;
        }
        if (count == 2 + kMaxDigipeaters) {
            return fail("AX.25 frame with more than 8 digipeaters");
        }
    }
    if (count < 2) {
        return fail("AX.25 address field cut short");
    }
    if (frame.size() - at < 2) {
        return fail("AX.25 frame without control and PID");
    }
    const auto control = static_cast<unsigned char>(frame[at]);
    if ((control & ~kPollFinal) != kControlUi) {
        return fail("not a UI frame");
    }
    if (static_cast<unsigned char>(frame[at + 1]) != kPidNoLayer3) {
        return fail("UI frame with a PID other than F0");
    }
    packet.info.assign(frame.substr(at + 2));
    return packet;
}

Result<std::string> encodeAx25(const Packet& packet) {
    if (packet.path.size() > kMaxDigipeaters) {
        return fail("more than 8 digipeaters");
    }
    const Address* addresses[2] = {&packet.destination, &packet.source};
    for (const Address* a : addresses) {
        if (!validCall(a->call) || a->ssid < 0 || a->ssid > 15) {
            return fail("not an AX.25 address: " + addressText(*a));
        }
    }
    for (const Address& a : packet.path) {
        if (!validCall(a.call) || a.ssid < 0 || a.ssid > 15) {
            return fail("not an AX.25 digipeater: " + addressText(a));
        }
    }
    std::string frame;
    frame.reserve(kAddressBytes * (2 + packet.path.size()) + 2 + packet.info.size());
    // A command frame: C bit set in the destination, clear in the source.
    encodeAddress(packet.destination, kHighBit, false, frame);
    encodeAddress(packet.source, 0, packet.path.empty(), frame);
    for (std::size_t i = 0; i < packet.path.size(); ++i) {
        const Address& digi = packet.path[i];
        encodeAddress(digi, digi.repeated ? kHighBit : 0, i + 1 == packet.path.size(), frame);
    }
    frame.push_back(static_cast<char>(kControlUi));
    frame.push_back(static_cast<char>(kPidNoLayer3));
    frame += packet.info;
    return frame;
}

} // namespace quillet::aprs
