#pragma once

#include "tools/host/link_connection.h"

#include <QTcpSocket>

namespace quillet::hostapp {

// A link's connection over TCP.
class TcpLinkConnection final : public LinkConnection {
public:
    TcpLinkConnection();
    void setHandlers(Handlers handlers) override;
    void open(const std::string& host, std::uint16_t port) override;
    bool write(std::string_view bytes) override;
    void close() override;

private:
    QTcpSocket m_socket;
    Handlers m_handlers;
    bool m_closing = false;
};

} // namespace quillet::hostapp
