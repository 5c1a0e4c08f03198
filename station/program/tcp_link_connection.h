#pragma once

#include "station/core/link_connection.h"

#include <QTcpSocket>
#include <QTimer>

namespace quillet::station {

// A link's connection over TCP. A full APRS-IS feed arrives as hundreds of small segments a
// second; waking for each costs more than handling the lines. The socket is read unbuffered,
// at most once per pause: until the next read Qt leaves the data with the system and does not
// wake the host for it.
class TcpLinkConnection final : public LinkConnection {
public:
    static constexpr int kReadPauseMs = 250;

    TcpLinkConnection();
    ~TcpLinkConnection() override;
    TcpLinkConnection(const TcpLinkConnection&) = delete;
    TcpLinkConnection& operator=(const TcpLinkConnection&) = delete;
    void setHandlers(Handlers handlers) override;
    void open(const std::string& host, std::uint16_t port) override;
    Status write(std::string_view bytes) override;
    void close() override;

private:
    void readAvailable();
    void failed();

    QTcpSocket m_socket;
    QTimer m_readPause;
    bool m_readWaiting = false;
    Handlers m_handlers;
    bool m_closing = false;
};

} // namespace quillet::station
