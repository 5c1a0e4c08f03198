// How the host starts: what it refuses before it touches its settings file, and what it says
// without a display. Both end before the bus is needed.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Ended {
    bool finished;
    int status;
    QString errors;
};

// The host with its settings and data in `home`: how it ended.
Ended runHost(const QStringList& arguments, const QTemporaryDir& home,
              const QString& platform = "offscreen") {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", platform);
    environment.insert("XDG_CONFIG_HOME", home.path());
    environment.insert("XDG_DATA_HOME", home.filePath("data"));
    QProcess host;
    host.setProcessEnvironment(environment);
    host.start(QStringLiteral(QUILLET_HOST_PATH), arguments);
    const bool finished = host.waitForFinished(10000);
    if (!finished) {
        host.kill();
        host.waitForFinished();
    }
    return {finished, host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1,
            QString::fromLocal8Bit(host.readAllStandardError())};
}

// A refused option ends the host with a message naming it, before anything is written: the
// settings file stays as it was, so later plain starts still work.
TEST(HostStartTest, RefusedOptionsAreNeverSaved) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir().mkpath(home.filePath("Peak Systems")));
    const QString ini = home.filePath("Peak Systems/UI-View32.ini");
    const QByteArray kept = "[Quillet Host]\nCall=N0CALL\nKISS=localhost:8001\n";
    {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(kept) == kept.size());
    }
    const std::pair<QStringList, QString> refused[] = {
        {{"--kiss", "host:0"}, "--kiss host:0: \"0\" is not a TCP port (1 to 65535)"},
        {{"--filter", "g/BLN*\r\nuser X"}, "--filter holds a control character"}};
    for (const auto& [arguments, message] : refused) {
        const Ended ended = runHost(arguments, home);
        EXPECT_TRUE(ended.finished) << arguments.join(' ').toStdString();
        EXPECT_EQ(ended.status, 2) << ended.errors.toStdString();
        EXPECT_TRUE(ended.errors.contains(message)) << ended.errors.toStdString();
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), kept) << arguments.join(' ').toStdString();
    }
}

// Qt would abort (status 134); the host says why in one sentence and ends with status 1.
TEST(HostStartTest, WithoutADisplayItSaysSoAndEnds) {
    QTemporaryDir home;
    for (const char* display : {":4711", ""}) {
        qputenv("DISPLAY", display);
        const Ended ended = runHost({"--empty"}, home, "xcb");
        EXPECT_TRUE(ended.finished);
        EXPECT_EQ(ended.status, 1) << ended.errors.toStdString();
        EXPECT_TRUE(ended.errors.startsWith("quillet-host needs an X11 display: "))
            << ended.errors.toStdString();
    }
}

} // namespace
