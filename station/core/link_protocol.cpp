#include "station/core/link_protocol.h"

#include "aprs/aprs_is.h"
#include "aprs/tnc2.h"

#include <utility>

namespace quillet::station {

std::string KissProtocol::start() {
    m_decoder = aprs::KissDecoder(2048);
    m_droppedReported = 0;
    return {};
}

void KissProtocol::receive(std::string_view bytes, std::vector<aprs::Packet>& packets,
                           std::vector<std::string>& problems) {
    std::vector<aprs::KissFrame> frames;
    m_decoder.feed(bytes, frames);
    if (m_decoder.droppedFrames() != m_droppedReported) {
        problems.push_back("dropped " +
                           std::to_string(m_decoder.droppedFrames() - m_droppedReported) +
                           " malformed KISS frame(s)");
        m_droppedReported = m_decoder.droppedFrames();
    }
    for (const aprs::KissFrame& frame : frames) {
        Result<aprs::Packet> packet = aprs::decodeAx25(frame.data);
        if (packet) {
            packets.push_back(std::move(packet).value());
        } else {
            problems.push_back("skipped a frame: " + packet.error());
        }
    }
}

Result<std::string> KissProtocol::encode(const aprs::Packet& packet) const {
    Result<std::string> frame = aprs::encodeAx25(packet);
    if (!frame) {
        return fail(frame.error());
    }
    return aprs::kissEncode(*frame, 0);
}

AprsIsProtocol::AprsIsProtocol(AprsIsLogin login) : m_login(std::move(login)) {}

std::string AprsIsProtocol::start() {
    m_partial.clear();
    m_skipping = false;
    m_answered = false;
    m_verified = false;
    return aprs::loginLine(m_login.call, m_login.passcode, "quillet-host", "1.0", m_login.filter);
}

void AprsIsProtocol::receive(std::string_view bytes, std::vector<aprs::Packet>& packets,
                             std::vector<std::string>& problems) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!m_skipping) {
            if (m_partial.size() + piece.size() > kMaxLine) {
                problems.push_back("dropped a line longer than " + std::to_string(kMaxLine) +
                                   " bytes");
                m_partial.clear();
                m_skipping = true;
            } else {
                m_partial.append(piece);
            }
        }
        if (end == std::string_view::npos) {
            return;
        }
        if (!m_skipping) {
            line(m_partial, packets, problems);
        }
        m_partial.clear();
        m_skipping = false;
        bytes.remove_prefix(end + 1);
    }
}

void AprsIsProtocol::line(std::string_view text, std::vector<aprs::Packet>& packets,
                          std::vector<std::string>& problems) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return;
    }
    if (text.front() == '#') {
        if (const auto response = aprs::parseLogResp(text)) {
            m_answered = true;
            m_verified = response->verified;
        }
        return;
    }
    Result<aprs::Packet> packet = aprs::parseTnc2(text);
    if (packet) {
        packets.push_back(std::move(packet).value());
    } else {
        problems.push_back("skipped a line: " + packet.error());
    }
}

Result<std::string> AprsIsProtocol::encode(const aprs::Packet& packet) const {
    if (!m_verified) {
        return fail(m_answered ? "the APRS-IS login is not verified (check the passcode)"
                               : "APRS-IS has not answered the login yet");
    }
    aprs::Packet gated = packet;
    gated.path = {aprs::Address{"TCPIP", 0, true}};
    return aprs::formatTnc2(gated) + "\r\n";
}

std::string AprsIsProtocol::connectedState() const {
    if (!m_answered) {
        return "logging in";
    }
    return m_verified ? "verified" : "unverified (receive only)";
}

} // namespace quillet::station
