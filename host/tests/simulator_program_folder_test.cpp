// The host simulator records its program folder in the host's settings at start, as the host
// does. Run through ctest, which wraps the binary in dbus-run-session.

#include "host/ini_host_settings.h"
#include "host/tests/simulator_process.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using namespace quillet::testing;

TEST(SimulatorProgramFolder, IsWrittenAtStart) {
    QTemporaryDir configHome;
    ASSERT_TRUE(configHome.isValid());
    const QString iniPath = configHome.path() + QStringLiteral("/Peak Systems/UI-View32.ini");
    {
        Simulator simulator({QStringLiteral("--empty")}, false, QStringLiteral("offscreen"),
                            configHome.path());
        ASSERT_TRUE(simulator.waitUntilOnBus()) << "the simulator never appeared on the bus";
    }
    const QString expected =
        QFileInfo(QStringLiteral(QUILLET_HOST_SIMULATOR_PATH)).canonicalPath() + QLatin1Char('/');
    const IniHostSettings settings(iniPath);
    EXPECT_EQ(QString::fromStdString(settings.programFolder()), expected);
}

} // namespace
} // namespace quillet

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
