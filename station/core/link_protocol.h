#pragma once

#include "aprs/ax25.h"
#include "aprs/kiss.h"
#include "base/result.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::station {

// What a link's bytes mean: KISS frames from a TNC or the lines of an APRS-IS server. Plain
// logic, fed the bytes that arrive; the link around it owns the connection and the timing.
class LinkProtocol {
public:
    virtual ~LinkProtocol() = default;

    // A new connection is up: forget the old one's state; returns what to send first.
    virtual std::string start() = 0;
    // Adds the packets found in these bytes to `packets` and what went wrong to `problems`.
    virtual void receive(std::string_view bytes, std::vector<aprs::Packet>& packets,
                         std::vector<std::string>& problems) = 0;
    // The bytes that send this packet, or why this link cannot send it.
    virtual Result<std::string> encode(const aprs::Packet& packet) const = 0;
    // One word for the window while connected: "connected", "verified", ...
    virtual std::string connectedState() const = 0;
    // A connected link that brings nothing for this long is dropped; zero for never.
    virtual std::chrono::seconds silenceLimit() const = 0;
    // A peer that has not answered what start() sent this long after connecting is dropped;
    // zero for a protocol whose peer owes no answer.
    virtual std::chrono::seconds answerLimit() const { return std::chrono::seconds::zero(); }
    virtual bool awaitingAnswer() const { return false; }
};

// KISS over TCP, as Dire Wolf offers on its KISS port: data frames in both directions, port 0.
class KissProtocol final : public LinkProtocol {
public:
    std::string start() override;
    void receive(std::string_view bytes, std::vector<aprs::Packet>& packets,
                 std::vector<std::string>& problems) override;
    Result<std::string> encode(const aprs::Packet& packet) const override;
    std::string connectedState() const override { return "connected"; }
    std::chrono::seconds silenceLimit() const override { return std::chrono::seconds::zero(); }

private:
    aprs::KissDecoder m_decoder{2048};
    std::size_t m_droppedReported = 0;
};

struct AprsIsLogin {
    std::string call;
    int passcode = -1;
    std::string filter;
};

// An APRS-IS client: logs in, reads "# logresp" to learn whether it may send, takes every
// other "#" line as a comment (servers send one about every 20 s, so 60 s of silence means a
// dead line), and reads the rest as TNC2 packets. A server that has not answered the login
// after 30 s (comments alone do not count) is dropped and tried again. Lines longer than an APRS-IS
// line can be are dropped whole, so garbage without line ends costs no memory.
class AprsIsProtocol final : public LinkProtocol {
public:
    static constexpr std::size_t kMaxLine = 1024;

    explicit AprsIsProtocol(AprsIsLogin login);

    std::string start() override;
    void receive(std::string_view bytes, std::vector<aprs::Packet>& packets,
                 std::vector<std::string>& problems) override;
    Result<std::string> encode(const aprs::Packet& packet) const override;
    std::string connectedState() const override;
    std::chrono::seconds silenceLimit() const override { return std::chrono::seconds(60); }
    std::chrono::seconds answerLimit() const override { return kLoginAnswerLimit; }
    bool awaitingAnswer() const override { return !m_answered; }

    static constexpr std::chrono::seconds kLoginAnswerLimit{30};

    bool verified() const { return m_verified; }

private:
    void line(std::string_view text, std::vector<aprs::Packet>& packets,
              std::vector<std::string>& problems);

    AprsIsLogin m_login;
    std::string m_partial;
    bool m_skipping = false; // inside an overlong line: drop bytes up to its end
    bool m_answered = false;
    bool m_verified = false;
};

} // namespace quillet::station
