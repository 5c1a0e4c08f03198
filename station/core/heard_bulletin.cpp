#include "station/core/heard_bulletin.h"

#include "aprs/message.h"
#include "aprs/third_party.h"
#include "base/windows1252.h"

#include <algorithm>

namespace quillet::station {

namespace {

constexpr std::size_t kLongestSender = 9;

bool isCallChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

} // namespace

std::optional<HeardBulletin> bulletinFromPacket(const aprs::Packet& packet) {
    const Result<aprs::Packet> inner = aprs::unwrapThirdParty(packet);
    if (!inner) {
        return std::nullopt;
    }
    const std::optional<aprs::Message> message = aprs::parseMessage(inner->info);
    if (!message || !aprs::isBulletinAddressee(message->addressee)) {
        return std::nullopt;
    }
    aprs::Address sender = inner->source;
    sender.repeated = false;
    return HeardBulletin{aprs::addressText(sender), message->addressee, message->text};
}

std::string airTextUtf8(std::string_view bytes) {
    return withoutControls(isValidUtf8(bytes) ? std::string(bytes) : utf8FromWindows1252(bytes));
}

std::optional<LoggedBulletin> loggedFromPacket(const aprs::Packet& packet) {
    const std::optional<HeardBulletin> heard = bulletinFromPacket(packet);
    if (!heard) {
        return std::nullopt;
    }
    return LoggedBulletin{airTextUtf8(heard->sender), airTextUtf8(heard->addressee),
                          airTextUtf8(heard->text)};
}

Status checkBulletinFields(std::string_view sender, std::string_view addressee) {
    if (sender.empty() || sender.size() > kLongestSender ||
        !std::all_of(sender.begin(), sender.end(), isCallChar)) {
        return fail("\"" + withoutControls(sender) + "\" is not a callsign");
    }
    if (!aprs::isBulletinAddressee(addressee)) {
        return fail("\"" + withoutControls(addressee) + "\" is not a bulletin addressee");
    }
    return {};
}

} // namespace quillet::station
