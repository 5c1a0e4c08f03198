#pragma once

// Dire Wolf as a TNC without sound card: it hears gen_packets' audio over UDP and writes what
// it sends into a raw audio file for atest. All three come with Debian's direwolf package.

#include "testsupport/host_process.h"

#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <chrono>
#include <thread>

namespace quillet::testing {

inline quint16 freeTcpPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class DireWolf {
public:
    DireWolf() = default;
    DireWolf(const DireWolf&) = delete;
    DireWolf& operator=(const DireWolf&) = delete;
    ~DireWolf() {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Starts it on free ports; true once it takes KISS clients.
    bool start() {
        m_kissPort = freeTcpPort();
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        m_audioPort = probe.localPort();
        probe.close();
        // It keeps at most 29 characters of the device name: a path relative to its folder.
        if (!writeFile(path("direwolf.conf"),
                       QString("ADEVICE UDP:%1 file:out.raw,raw\nACHANNELS 1\nCHANNEL 0\n"
                               "MYCALL N0CALL\nMODEM 1200\nKISSPORT %2\nAGWPORT %3\n")
                           .arg(m_audioPort)
                           .arg(m_kissPort)
                           .arg(freeTcpPort())
                           .toUtf8())) {
            return false;
        }
        m_process.setWorkingDirectory(m_dir.path());
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start("direwolf", {"-c", path("direwolf.conf"), "-t", "0"});
        return m_process.waitForStarted() && waitForOutput("Ready to accept KISS TCP");
    }
    quint16 kissPort() const { return m_kissPort; }
    const QByteArray& output() {
        m_output += m_process.readAll();
        return m_output;
    }
    bool waitForOutput(const QByteArray& text, int ms = 10000) {
        return waitFor([&] { return output().contains(text); }, ms);
    }
    // Plays these TNC2 lines to it as received audio, then a second of silence.
    bool play(const QByteArray& lines) {
        if (!writeFile(path("packets.txt"), lines) ||
            !run("gen_packets", {"-o", path("rx.wav"), path("packets.txt")})) {
            return false;
        }
        QFile wav(path("rx.wav"));
        if (!wav.open(QIODevice::ReadOnly)) {
            return false;
        }
        const QByteArray samples = wav.readAll().mid(44) + QByteArray(44100 * 2, '\0');
        QUdpSocket udp;
        for (qsizetype at = 0; at < samples.size(); at += 1024) {
            udp.writeDatagram(samples.mid(at, 1024), QHostAddress::LocalHost, m_audioPort);
            // About twice real time: faster, and a busy machine drops datagrams.
            std::this_thread::sleep_for(std::chrono::milliseconds(6));
        }
        return true;
    }
    // What atest decodes from all it has transmitted so far. It logs a frame as the frame
    // starts to play, so a test polls this until the frame is there.
    QByteArray decodeTransmitted() {
        // The raw samples get a WAV header for atest.
        if (!run("/usr/bin/python3", {"-c",
                                      "import sys, wave\nwith wave.open(sys.argv[2], 'wb') as w:\n"
                                      " w.setparams((1, 2, 44100, 0, 'NONE', ''))\n"
                                      " w.writeframes(open(sys.argv[1], 'rb').read())",
                                      path("out.raw"), path("tx.wav")})) {
            return {};
        }
        QProcess atest;
        atest.start("atest", {path("tx.wav")});
        atest.waitForFinished(20000);
        return atest.readAll();
    }

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // One of the helper programs, run to its end: true when it ended well within 20 s.
    static bool run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_output;
    quint16 m_kissPort = 0;
    quint16 m_audioPort = 0;
};

} // namespace quillet::testing
