#include "station/core/transmit.h"

#include "aprs/message.h"
#include "aprs/tnc2.h"

namespace quillet::station {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// On APRS-IS the path is TCPIP*: the longest line the host sends (a 9-character callsign and a
// full field, CR LF) fits the 512 bytes a server takes.
static_assert(sizeof("CALLSIGN9>") - 1 + sizeof(kToCall) - 1 + sizeof(",TCPIP*:") - 1 +
                  kMaxInfoField + 2 <=
              aprs::kMaxTnc2Line);

} // namespace

Status messageFitsAFrame(std::string_view text) {
    const std::size_t addressee = aprs::formatMessageInfo("", "").size(); // ":ADDRESSEE:"
    if (addressee + text.size() > kMaxInfoField) {
        return fail("the message would be " + std::to_string(addressee + text.size()) +
                    " bytes, more than the " + std::to_string(kMaxInfoField) +
                    " a packet carries (a text of at most " +
                    std::to_string(kMaxInfoField - addressee) + " bytes)");
    }
    return {};
}

Result<aprs::Packet> buildMessagePacket(const std::string& call, const std::string& addressee,
                                        const std::string& text, const std::string& path) {
    aprs::Packet packet;
    Result<aprs::Address> source = aprs::parseAddressText(call);
    if (!source) {
        return fail("the station callsign \"" + call + "\" cannot be sent: " + source.error());
    }
    packet.source = *source;
    packet.destination = aprs::Address{kToCall, 0, false};
    std::string_view rest = trimmed(path);
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view piece = trimmed(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        Result<aprs::Address> digi = aprs::parseAddressText(piece);
        if (!digi) {
            return fail("the path entry \"" + std::string(piece) +
                        "\" is not a digipeater: " + digi.error());
        }
        packet.path.push_back(*digi);
    }
    if (packet.path.size() > aprs::kMaxDigipeaters) {
        return fail("the path names more than 8 digipeaters");
    }
    if (addressee.size() > 9) {
        return fail("the addressee \"" + addressee + "\" is longer than 9 characters");
    }
    if (text.find_first_of("|~{") != std::string::npos) {
        return fail("a message text may not hold |, ~ or {");
    }
    if (const Status fits = messageFitsAFrame(text); !fits) {
        return fail(fits.error());
    }
    packet.info = aprs::formatMessageInfo(addressee, text);
    return packet;
}

std::vector<Link*> kissLinksForPort(int port, const std::vector<Link*>& kissLinks) {
    if (port == 0) {
        return kissLinks;
    }
    if (port >= 1 && static_cast<std::size_t>(port) <= kissLinks.size()) {
        return {kissLinks[static_cast<std::size_t>(port) - 1]};
    }
    return {};
}

SendReport sendOnLinks(const aprs::Packet& packet, int port, const std::vector<Link*>& kissLinks,
                       Link* aprsIs) {
    SendReport report;
    const std::vector<Link*> chosen = kissLinksForPort(port, kissLinks);
    if (chosen.empty() && !kissLinks.empty()) {
        report.refused.push_back("port " + std::to_string(port) + " names no KISS link (1 to " +
                                 std::to_string(kissLinks.size()) + ", 0 for all)");
    }
    std::vector<Link*> targets = chosen;
    if (aprsIs != nullptr) {
        targets.push_back(aprsIs);
    }
    for (Link* link : targets) {
        const Status sent = link->transmit(packet);
        if (sent) {
            report.tookIt.push_back(link->name());
        } else {
            report.refused.push_back(sent.error());
        }
    }
    return report;
}

} // namespace quillet::station
