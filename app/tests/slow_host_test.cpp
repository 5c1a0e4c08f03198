// The window with real work queues over a host that takes seconds to answer: clicks are
// handled while a refresh waits, and timer ticks meanwhile start no second one.
#include "app/tests/main_window_fixture.h"
#include "composing/add_message_window.h"
#include "composing/add_multiple_window.h"

#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace quillet;
using namespace quillet::testing;

namespace {

class SlowHost final : public Host {
public:
    std::atomic<int> delayMs = 0;
    std::atomic<int> logReads = 0;

    void setLog(std::string log) {
        const std::lock_guard lock(m_mutex);
        m_log = std::move(log);
    }
    std::unique_ptr<HostMap> currentMap() override {
        pause();
        return std::make_unique<Map>();
    }
    std::string messageLog(int) override {
        ++logReads;
        pause();
        const std::lock_guard lock(m_mutex);
        return m_log;
    }
    std::string stationCallsign() override {
        pause();
        return "G4SIM";
    }
    void setClosingHandler(std::function<void()>) override {}

private:
    struct Map final : HostMap {
        std::string mapFileName() override { return "/maps/slow.gif"; }
    };
    void pause() const { std::this_thread::sleep_for(std::chrono::milliseconds(delayMs.load())); }

    std::mutex m_mutex;
    std::string m_log;
};

} // namespace

class SlowHostTest : public QObject {
    Q_OBJECT

private slots:
    void clicksAreHandledWhileARefreshWaitsForTheHost() {
        BasicWindowFixture<SlowHost, FakeClock, QtWorkQueue> f;
        f.host.setLog(logLine("W1AW", "BLN1", "Field day") + logLine("G4SIM", "BLN", "Own"));
        f.window.startUp();
        QTRY_VERIFY(!f.window.refreshPending());
        QCOMPARE(f.list("List1")->count(), 3);

        f.host.delayMs = 4000;
        f.host.setLog(logLine("W1AW", "BLN1", "Field day") + logLine("G4SIM", "BLN", "Own") +
                      logLine("A1AA", "BLN2", "new"));
        auto* timer1 = f.control<QTimer>("Timer1");
        QMetaObject::invokeMethod(timer1, "timeout", Qt::DirectConnection);
        QVERIFY(f.window.refreshPending());
        QMetaObject::invokeMethod(timer1, "timeout", Qt::DirectConnection); // not a second one

        // Each of these is handled at once, on the table as shown.
        clickRow(f.list("List1"), 2);
        QCOMPARE(f.window.statusText(), QStringLiteral("Field day"));
        QVERIFY(f.list("List1")->item(2)->text().startsWith(QStringLiteral("R W1AW")));
        QTest::mouseClick(f.button("Command2"), Qt::LeftButton);
        QVERIFY(f.window.findChild<AddMessageWindow*>());
        QTest::mouseClick(f.button("Command3"), Qt::LeftButton);
        auto* board = f.window.findChild<AddMultipleWindow*>()->findChild<QListWidget*>();
        QCOMPARE(board->item(0)->text(), QStringLiteral("BLN >\tOwn"));
        QVERIFY(f.window.refreshPending());

        // The refresh lands with the read mark carried over and the clicked row selected.
        QTRY_VERIFY_WITH_TIMEOUT(!f.window.refreshPending(), 15000);
        QCOMPARE(f.host.logReads.load(), 2);
        QCOMPARE(f.list("List1")->count(), 4);
        QVERIFY(f.list("List1")->item(1)->text().startsWith(QStringLiteral("N A1AA")));
        QVERIFY(f.list("List1")->item(3)->text().startsWith(QStringLiteral("R W1AW")));
        QCOMPARE(f.list("List1")->currentRow(), 3);
    }
};

QTEST_MAIN(SlowHostTest)
#include "slow_host_test.moc"
