#include "station/program/tcp_link_connection.h"

#include <utility>

namespace quillet::station {

TcpLinkConnection::TcpLinkConnection() {
    QObject::connect(&m_socket, &QTcpSocket::connected, [this] {
        m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        if (m_handlers.connected) {
            m_handlers.connected();
        }
    });
    m_readPause.setSingleShot(true);
    m_readPause.setInterval(kReadPauseMs);
    QObject::connect(&m_readPause, &QTimer::timeout, [this] {
        if (std::exchange(m_readWaiting, false)) {
            readAvailable();
        }
    });
    // Unbuffered, Qt stops watching the socket after each readyRead until it is read again.
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
        if (m_readPause.isActive()) {
            m_readWaiting = true;
        } else {
            readAvailable();
        }
    });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred,
                     [this](QAbstractSocket::SocketError) { failed(); });
    QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] { failed(); });
}

TcpLinkConnection::~TcpLinkConnection() {
    // A connected socket reports its own destruction as a disconnection; by then the link
    // that would hear of it is partly gone.
    m_closing = true;
    m_socket.abort();
}

void TcpLinkConnection::readAvailable() {
    m_readPause.start();
    char buffer[65536];
    for (;;) {
        const qint64 got = m_socket.read(buffer, sizeof buffer);
        if (got < 0) {
            // Read unbuffered, the end of the stream shows here and raises no signal.
            failed();
            return;
        }
        if (got == 0) {
            return;
        }
        if (m_handlers.received) {
            m_handlers.received(std::string_view(buffer, static_cast<std::size_t>(got)));
        }
        if (m_socket.state() != QAbstractSocket::ConnectedState) {
            return; // a handler closed it
        }
    }
}

void TcpLinkConnection::failed() {
    if (m_closing) {
        return;
    }
    QString reason = m_socket.errorString();
    if (m_socket.error() == QAbstractSocket::UnknownSocketError) {
        reason = QStringLiteral("closed");
    }
    m_closing = true;
    m_socket.abort();
    m_closing = false;
    if (m_handlers.closed) {
        m_handlers.closed(reason.toStdString());
    }
}

void TcpLinkConnection::setHandlers(Handlers handlers) {
    m_handlers = std::move(handlers);
}

void TcpLinkConnection::open(const std::string& host, std::uint16_t port) {
    m_closing = true;
    m_socket.abort();
    m_closing = false;
    m_readWaiting = false;
    m_socket.connectToHost(QString::fromStdString(host), port,
                           QIODevice::ReadWrite | QIODevice::Unbuffered);
}

Status TcpLinkConnection::write(std::string_view bytes) {
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        return fail("the connection is not open");
    }
    if (m_socket.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        return fail(m_socket.errorString().toStdString());
    }
    return {};
}

void TcpLinkConnection::close() {
    m_closing = true;
    m_socket.abort();
    m_closing = false;
}

} // namespace quillet::station
