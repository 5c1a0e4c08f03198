#pragma once

// For the host program's tests against peers over TCP: a scripted server, the log the host
// keeps as it answers on its bus, and a test main that needs the session bus.

#include "testsupport/host_process.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cstdio>

namespace quillet::testing {

inline QString logOfHost() {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kService, QString::fromLatin1(contract::kPath),
                                       QString::fromLatin1(contract::kInterface),
                                       QString::fromLatin1(contract::kMessageLogMethod))
            << kBulletinLogSelector,
        QDBus::Block, 5000);
    return reply.arguments().value(0).toString();
}

// A peer that accepts one connection at a time, records what it is sent and sends what the
// test gives it.
class ScriptedServer {
public:
    ScriptedServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            m_socket = m_server.nextPendingConnection();
            ++connections;
            received.clear();
            QObject::connect(m_socket, &QTcpSocket::readyRead,
                             [this, socket = m_socket] { received += socket->readAll(); });
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    QString address() const { return QString("127.0.0.1:%1").arg(port()); }
    void send(const QByteArray& bytes) { m_socket->write(bytes); }
    void drop() { m_socket->abort(); }
    int connections = 0;
    QByteArray received;

private:
    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
};

// The main of a test that starts the host, which answers only on the session bus.
inline int runTestsOnSessionBus(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "no session bus; run under dbus-run-session\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}

} // namespace quillet::testing
