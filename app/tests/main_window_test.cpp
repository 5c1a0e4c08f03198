#include "app/tests/main_window_fixture.h"
#include "settings/window/setup_window.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

// Runs a timer's handler as one of its ticks would.
void emitTimeout(QTimer* timer) {
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startUpShowsTheHostsBulletinsSortedAndTheirGroupsAndEachTickReadsAgain() {
        WindowFixture f;
        f.host.callsign = "G4SIM";
        f.host.log = logLine("W1AW", "BLN2NA", "Field day") + logLine("DL1XYZ", "BLN1EU", "Net") +
                     logLine("W1AW", "BLN1", "Meeting") + logLine("station3", "BLNA", "late") +
                     logLine("G4ABC", "BLN3NA", "Caf\xE9 open");
        f.window.startUp();
        QCOMPARE(f.host.calls.front(), std::string("CurrentMap"));
        QCOMPARE(f.host.selectors, std::vector<int>{2});
        const QStringList rows = entries(f.list("List1"));
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows[0], QStringLiteral("R Callsign\tReceived\t\t\tBLN> Message"));
        QVERIFY(rows[1].startsWith(QStringLiteral("N DL1XYZ\t")));
        QVERIFY(rows[2].endsWith(QStringLiteral("Caf\u00E9 open")));
        QVERIFY(rows[3].endsWith(QStringLiteral("\tBLN1> Meeting")));
        QVERIFY(rows[5].startsWith(QStringLiteral("N station3\t")));
        QCOMPARE(f.list("List1")->currentRow(), 0);
        QCOMPARE(entries(f.list("List2")), (QStringList{"ALL", "EU", "NA"}));
        QCOMPARE(f.list("List2")->currentRow(), 0);
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [G4SIM]"));
        QCOMPARE(f.window.statusText(), QStringLiteral("V1.0.6"));
        QCOMPARE(f.control<QLabel>("applicationDir")->text(), f.dir.path());
        QVERIFY(!f.button("updateButton")->isEnabled());

        f.host.log += logLine("PA3EFG", "BLN2WX", "second");
        auto* timer1 = f.control<QTimer>("Timer1");
        QCOMPARE(timer1->interval(), 30000);
        emitTimeout(timer1);
        QCOMPARE(f.list("List1")->count(), 7);
        QCOMPARE(entries(f.list("List2")), (QStringList{"ALL", "EU", "NA", "WX"}));
        QCOMPARE(f.host.count("CurrentMap"), 1); // the map object is kept while the host lives
    }

    void aHostMissingAtStartOrVanishingLaterIsReportedAndPickedUpAgain() {
        WindowFixture f;
        f.host.failing = true;
        f.host.log = logLine("W1AW", "BLN1EU", "hello");
        f.window.startUp();
        QVERIFY(f.window.statusText().contains(QStringLiteral("not reachable")));
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet"));
        QCOMPARE(entries(f.list("List2")), QStringList{"ALL"});

        f.host.failing = false;
        f.window.refreshMessages();
        QCOMPARE(f.list("List1")->count(), 2);
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [N0CALL]"));
        QCOMPARE(f.window.statusText(), QStringLiteral("Connected to the host again"));

        f.host.failing = true;
        f.window.refreshMessages();
        QVERIFY(f.window.statusText().contains(QStringLiteral("not reachable")));
        QCOMPARE(f.list("List1")->count(), 2); // what was shown stays

        f.host.failing = false;
        f.host.callsign = "G4NEW";
        f.host.log += logLine("VK2RT", "BLN2", "back");
        f.host.calls.clear();
        f.window.refreshMessages();
        QCOMPARE(f.host.count("CurrentMap"), 1); // a fresh map object
        QCOMPARE(f.list("List1")->count(), 3);
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [G4NEW]"));
        QCOMPARE(f.window.statusText(), QStringLiteral("Connected to the host again"));
    }

    void exitTheHostsClosingEventAndTheFrameEndTheProgram() {
        WindowFixture f;
        f.window.startUp();
        f.host.emitClosing();
        QCOMPARE(f.endings, 1);
        QTest::mouseClick(f.button("Command1"), Qt::LeftButton);
        QCOMPARE(f.endings, 2);
        f.window.show();
        f.window.close();
        QCOMPARE(f.endings, 3);
    }

    void theSettingsFileIsCreatedRewrittenThroughSetupAndAFailureReported() {
        {
            WindowFixture f;
            f.window.startUp();
            QCOMPARE(f.fileBytes("quillet.ini"), QByteArray("FTP_HOST=localhost\r\n"));
            QTest::mouseClick(f.button("Command5"), Qt::LeftButton);
            auto* setup = f.window.findChild<SetupWindow*>();
            QVERIFY(setup);
            QCOMPARE(lineEdit(setup, "Text16")->text(), QStringLiteral("localhost"));
            lineEdit(setup, "Text16")->setText(QStringLiteral("ftp.example.org"));
            lineEdit(setup, "Text13")->setText(QStringLiteral("s3cret,1"));
            QTest::mouseClick(setup->findChild<QPushButton*>(QStringLiteral("Command1")),
                              Qt::LeftButton);
            QCOMPARE(f.window.settings().ftpHost, std::string("ftp.example.org"));
            QCOMPARE(f.window.settings().ftpPassword, std::string("s3cret,1"));
            QVERIFY(f.fileBytes("quillet.ini").contains("FTP_HOST=ftp.example.org\r\n"));
            QVERIFY(!f.fileBytes("quillet.ini").contains("s3cret")); // scrambled
        }
        WindowFixture f;
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("quillet.ini")));
        f.window.startUp();
        QVERIFY2(f.window.statusText().startsWith(QStringLiteral("Settings not loaded")),
                 qPrintable(f.window.statusText()));
        QCOMPARE(f.window.settings().ftpEnabled, std::string("FALSE"));
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [N0CALL]")); // start-up went on
        QVERIFY(f.window.changeConfig("FTP_HOST=", "example.org", false).has_value());
        QVERIFY(f.window.statusText().startsWith(QStringLiteral("Setting FTP_HOST not saved")));
    }

    void theMinuteTimerPublishesThePageEveryConfiguredInterval() {
        WindowFixture f;
        const QString web = f.dir.filePath(QStringLiteral("web"));
        QVERIFY(QDir().mkpath(web));
        for (const char* name : {"quillet.template", "quillet.js1"}) {
            QVERIFY(QFile::copy(QStringLiteral(QUILLET_SOURCE_DIR "/publishing/") + name,
                                f.dir.filePath(QString::fromLatin1(name))));
        }
        QVERIFY(f.writeFile("quillet.ini",
                            "AUTO_COPY_ENABLED=TRUE\r\nCOPY_TO_DIRECTORY=" + web.toUtf8() +
                                "\r\nHTML_FILENAME=board.htm\r\n"
                                "WEBPAGE_UPDATE_EVERY=2\r\n"));
        f.host.log = logLine("W1AW", "BLN1", "Net <b>bold</b> & more");
        f.window.startUp();

        auto* minute = f.control<QTimer>("Timer60Sec");
        QCOMPARE(minute->interval(), 60000);
        emitTimeout(minute);
        QVERIFY(!QFile::exists(web + QStringLiteral("/board.htm"))); // one minute of two
        emitTimeout(minute);
        QVERIFY(QFile::exists(web + QStringLiteral("/quillet.js")));
        const QByteArray html = f.fileBytes("web/board.htm");
        QVERIFY(html.contains("Net &lt;b&gt;bold&lt;/b&gt; &amp; more"));
        QVERIFY(html.contains("N0CALL"));
        QVERIFY(f.inet1.log.empty()); // upload is off
        QCOMPARE(f.window.statusText(), QString());
    }

    void startUpRegistersWithTheHostOnceAndReportsAFolderItCannotWrite() {
        for (const char* folder : {"/", "/missing/folder/"}) {
            WindowFixture f;
            f.hostSettings.folder = f.dir.path().toStdString() + folder;
            f.window.startUp();
            if (std::string(folder) == "/") {
                QCOMPARE(f.fileBytes("QUILLET.XTR"), "Quillet\r\n\"" + f.dir.path().toUtf8() +
                                                         "/quillet\"\r\nTrue\r\nTrue\r\n");
                QCOMPARE(f.window.statusText(), QStringLiteral("V1.0.6"));
            } else {
                QVERIFY2(f.window.statusText().contains(QStringLiteral("QUILLET.XTR")),
                         qPrintable(f.window.statusText()));
                QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [N0CALL]"));
            }
        }
    }

    void theClosingEventStopsTheRealEventLoop() {
        // The program's own ending: every event loop returns, nested ones included.
        WindowFixture f;
        f.onEnd = [] { QCoreApplication::exit(7); };
        f.window.startUp();
        QTimer::singleShot(0, [&host = f.host] {
            QEventLoop nested; // as a wait inside a handler would run
            QTimer::singleShot(0, [&host] { host.emitClosing(); });
            nested.exec();
        });
        QCOMPARE(QCoreApplication::exec(), 7);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
