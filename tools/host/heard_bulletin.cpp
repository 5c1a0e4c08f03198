#include "tools/host/heard_bulletin.h"

#include "aprs/message.h"
#include "aprs/third_party.h"

namespace quillet::hostapp {

std::optional<HeardBulletin> bulletinFromPacket(const aprs::Packet& packet) {
    const Result<aprs::Packet> inner = aprs::unwrapThirdParty(packet);
    if (!inner) {
        return std::nullopt;
    }
    const std::optional<aprs::Message> message = aprs::parseMessage(inner->info);
    if (!message || message->addressee.compare(0, 3, "BLN") != 0) {
        return std::nullopt;
    }
    aprs::Address sender = inner->source;
    sender.repeated = false;
    return HeardBulletin{aprs::addressText(sender), message->addressee, message->text};
}

} // namespace quillet::hostapp
