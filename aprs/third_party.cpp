#include "aprs/third_party.h"

#include "aprs/tnc2.h"

namespace quillet::aprs {

Result<Packet> unwrapThirdParty(const Packet& packet) {
    if (packet.info.empty() || packet.info.front() != '}') {
        return packet;
    }
    Packet inner = packet;
    for (int depth = 0; depth < kMaxThirdPartyDepth; ++depth) {
        auto next = parseTnc2(std::string_view(inner.info).substr(1));
        if (!next) {
            return fail("third-party packet: " + next.error());
        }
        inner = std::move(next).value();
        if (inner.info.empty() || inner.info.front() != '}') {
            return inner;
        }
    }
    return fail("third-party packets nested too deep");
}

} // namespace quillet::aprs
