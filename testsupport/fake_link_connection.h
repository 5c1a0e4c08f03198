#pragma once

#include "station/core/link_connection.h"

#include <utility>
#include <vector>

namespace quillet::station {

// Records what the link does with its connection; the test plays the peer.
class FakeLinkConnection final : public LinkConnection {
public:
    void setHandlers(Handlers handlers) override { m_handlers = std::move(handlers); }
    void open(const std::string& host, std::uint16_t port) override {
        opened.push_back(host + ":" + std::to_string(port));
        isOpen = false;
    }
    Status write(std::string_view) override {
        return isOpen ? Status() : fail("the connection is not open");
    }
    void close() override { isOpen = false; }

    void peerAccepts() {
        isOpen = true;
        m_handlers.connected();
    }
    void peerSends(std::string_view bytes) { m_handlers.received(bytes); }
    void peerCloses(const std::string& reason) {
        isOpen = false;
        m_handlers.closed(reason);
    }

    std::vector<std::string> opened;
    bool isOpen = false;

private:
    Handlers m_handlers;
};

} // namespace quillet::station
