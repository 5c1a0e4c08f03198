#include "tools/host/tcp_link_connection.h"

#include <utility>

namespace quillet::hostapp {

TcpLinkConnection::TcpLinkConnection() {
    QObject::connect(&m_socket, &QTcpSocket::connected, [this] {
        m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        if (m_handlers.connected) {
            m_handlers.connected();
        }
    });
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
        const QByteArray bytes = m_socket.readAll();
        if (m_handlers.received) {
            m_handlers.received(std::string_view(bytes.constData(), bytes.size()));
        }
    });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred, [this](QAbstractSocket::SocketError) {
        if (m_closing) {
            return;
        }
        const std::string reason = m_socket.errorString().toStdString();
        m_closing = true;
        m_socket.abort();
        m_closing = false;
        if (m_handlers.closed) {
            m_handlers.closed(reason);
        }
    });
}

void TcpLinkConnection::setHandlers(Handlers handlers) {
    m_handlers = std::move(handlers);
}

void TcpLinkConnection::open(const std::string& host, std::uint16_t port) {
    m_closing = true;
    m_socket.abort();
    m_closing = false;
    m_socket.connectToHost(QString::fromStdString(host), port);
}

bool TcpLinkConnection::write(std::string_view bytes) {
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        return false;
    }
    return m_socket.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
}

void TcpLinkConnection::close() {
    m_closing = true;
    m_socket.abort();
    m_closing = false;
}

} // namespace quillet::hostapp
