#include "app/tests/main_window_fixture.h"
#include "settings/window/setup_window.h"
#include "widgets/tab_columns_delegate.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

// The callsign column of every bulletin row, in list order.
QStringList callsignColumn(const QListWidget* list) {
    QStringList out;
    for (int i = 1; i < list->count(); ++i) {
        out << list->item(i)->text().section(QLatin1Char('\t'), 0, 0).mid(2);
    }
    return out;
}

struct Fixture : WindowFixture {
    QListWidget* list1() { return list("List1"); }
    QListWidget* list2() { return list("List2"); }
};

// Runs a timer's handler as one of its ticks would.
void emitTimeout(QTimer* timer) {
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startUpShowsTheHostsBulletinsSortedAndTheirGroups() {
        Fixture f;
        f.host.callsign = "G4SIM";
        f.host.log = logLine("W1AW", "BLN2NA", "Field day") + logLine("DL1XYZ", "BLN1EU", "Net") +
                     logLine("W1AW", "BLN1", "Meeting") + logLine("station3", "BLNA", "late") +
                     logLine("G4ABC", "BLN3NA", "Caf\xE9 open");
        f.window.startUp();

        QCOMPARE(f.host.calls.front(), std::string("CurrentMap"));
        QCOMPARE(f.host.selectors, std::vector<int>{2});
        QCOMPARE(f.list1()->item(0)->text(),
                 QStringLiteral("R Callsign\tReceived\t\t\tBLN> Message"));
        QCOMPARE(callsignColumn(f.list1()),
                 (QStringList{"DL1XYZ", "G4ABC", "W1AW", "W1AW", "station3"}));
        QVERIFY(f.list1()->item(3)->text().endsWith(QStringLiteral("\tBLN1> Meeting")));
        QVERIFY(f.list1()->item(2)->text().endsWith(QStringLiteral("Caf\u00E9 open")));
        QVERIFY(f.list1()->item(1)->text().startsWith(QStringLiteral("N DL1XYZ\t")));
        QCOMPARE(f.list1()->currentRow(), 0);
        for (const QString& row : entries(f.list1())) {
            // heading and rows split into the same three columns, so they line up
            QCOMPARE(tabColumns(row).size(), 3);
        }
        QCOMPARE(entries(f.list2()), (QStringList{"ALL", "EU", "NA"}));
        QCOMPARE(f.list2()->currentRow(), 0);
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [G4SIM]"));
        QCOMPARE(f.window.statusText(), QStringLiteral("V1.0.6"));
        QCOMPARE(f.control<QLabel>("applicationDir")->text(), f.dir.path());
    }

    void anEmptyLogGivesTheHeadingAndAllAndTheTimerRuns() {
        Fixture f;
        f.window.startUp();
        QCOMPARE(f.list1()->count(), 1);
        QCOMPARE(f.list1()->currentRow(), 0);
        QCOMPARE(entries(f.list2()), QStringList{"ALL"});
        QCOMPARE(f.list2()->currentRow(), 0);
        QVERIFY(!f.button("updateButton")->isEnabled());
        QVERIFY(f.control<QTimer>("Timer1")->isActive());
    }

    void controlsStandWhereTheLayoutPutsThem() {
        Fixture f;
        f.window.startUp();
        QCOMPARE(f.window.size(), QSize(746, 530));
        const struct {
            const char* name;
            QString caption;
            QRect rect;
        } places[] = {{"Command2", "Add Single", {8, 8, 73, 17}},
                      {"Command3", "Add Multiple", {80, 8, 81, 17}},
                      {"updateButton", "Update Message", {168, 8, 97, 17}},
                      {"Command5", "Setup", {592, 8, 73, 17}},
                      {"Command1", "Exit", {672, 8, 73, 17}},
                      {"List2", {}, {272, 8, 313, 15}},
                      {"List1", {}, {0, 32, 745, 483}},
                      {"Picture1", {}, {0, 513, 746, 17}},
                      {"status", {}, {0, 0, 737, 17}}};
        for (const auto& place : places) {
            auto* widget = f.control<QWidget>(place.name);
            QVERIFY2(widget, place.name);
            QCOMPARE(widget->geometry(), place.rect);
            if (auto* button = qobject_cast<QPushButton*>(widget)) {
                QCOMPARE(button->text(), place.caption);
            }
        }
        QVERIFY(!f.button("updateButton")->isEnabled());
        QVERIFY(f.control<QLabel>("applicationDir")->isHidden());
        for (QListWidget* list : {f.list1(), f.list2()}) {
            QCOMPARE(list->palette().color(QPalette::Text), QColor(0, 255, 0));
            QCOMPARE(list->palette().color(QPalette::Base), QColor(0, 0, 0));
            QVERIFY(list->font().bold());
        }
        QVERIFY(!f.control<QLabel>("status")->font().bold());
        QCOMPARE(f.window.palette().color(QPalette::Window), QColor(128, 128, 128));
    }

    void eachTimerTickReadsTheLogAgain() {
        Fixture f;
        f.host.log = logLine("W1AW", "BLN1", "first");
        f.window.startUp();
        f.host.log += logLine("PA3EFG", "BLN2WX", "second");
        auto* timer1 = f.control<QTimer>("Timer1");
        timer1->start(1);
        QTRY_COMPARE(f.list1()->count(), 3);
        QCOMPARE(entries(f.list2()), (QStringList{"ALL", "WX"}));
        QCOMPARE(f.host.count("CurrentMap"), 1); // the map object is kept while the host lives
        // What start-up found is not news; what the tick brought is, once.
        QCOMPARE(f.notifier.notices,
                 (std::vector<Notice>{{"Bulletin from PA3EFG (BLN2WX)", "second"}}));
    }

    void aHostMissingAtStartUpIsReportedAndPickedUpLater() {
        Fixture f;
        f.host.failing = true;
        f.host.log = logLine("W1AW", "BLN1EU", "hello");
        f.window.startUp();
        QVERIFY(f.window.statusText().contains(QStringLiteral("not reachable")));
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet"));
        QCOMPARE(f.list1()->count(), 1);
        QCOMPARE(entries(f.list2()), QStringList{"ALL"});

        f.host.failing = false;
        f.host.calls.clear();
        f.window.refreshMessages();
        QCOMPARE(f.host.calls.front(), std::string("CurrentMap"));
        QCOMPARE(f.list1()->count(), 2);
        QCOMPARE(entries(f.list2()), (QStringList{"ALL", "EU"}));
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [N0CALL]"));
        QVERIFY(!f.window.statusText().contains(QStringLiteral("not reachable")));
    }

    void aHostThatVanishesIsReportedAndRecoveredWithAFreshMap() {
        Fixture f;
        f.host.log = logLine("W1AW", "BLN1", "hello");
        f.window.startUp();
        f.host.failing = true;
        f.window.refreshMessages();
        QVERIFY(f.window.statusText().contains(QStringLiteral("not reachable")));
        QCOMPARE(f.list1()->count(), 2); // what was shown stays
        QCOMPARE(f.window.store().usedCount(), 1);

        f.host.failing = false;
        f.host.callsign = "G4NEW";
        f.host.log += logLine("VK2RT", "BLN2", "back");
        f.host.calls.clear();
        f.window.refreshMessages();
        QCOMPARE(f.host.count("CurrentMap"), 1);
        QCOMPARE(f.list1()->count(), 3);
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [G4NEW]"));
        QCOMPARE(f.window.statusText(), QStringLiteral("Connected to the host again"));
    }

    void exitTheHostsClosingEventAndTheFrameEndTheProgram() {
        Fixture f;
        f.window.startUp();
        f.host.emitClosing();
        QCOMPARE(f.endings, 1);
        QTest::mouseClick(f.button("Command1"), Qt::LeftButton);
        QCOMPARE(f.endings, 2);
        f.window.show();
        f.window.close();
        QCOMPARE(f.endings, 3);
    }

    void startUpLoadsTheSettingsFileBesideTheProgramCreatingIt() {
        Fixture f;
        f.window.startUp();
        QCOMPARE(f.fileBytes("quillet.ini"), QByteArray("FTP_HOST=localhost\r\n"));

        // a rewrite goes through the scrambler and is read back at once
        f.window.changeConfig("FTP_PASSWORD=", f.window.encrypt("s3cret,1"), false);
        QCOMPARE(f.window.settings().ftpPassword, std::string("s3cret,1"));
        QCOMPARE(f.window.statusText(), QStringLiteral("V1.0.6"));
    }

    void anUnreadableSettingsFileIsReportedAndTheDefaultsApply() {
        Fixture f;
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("quillet.ini")));
        f.window.startUp();
        QVERIFY2(f.window.statusText().startsWith(QStringLiteral("Settings not loaded")),
                 qPrintable(f.window.statusText()));
        QCOMPARE(f.window.settings().ftpEnabled, std::string("FALSE"));
        QCOMPARE(f.list1()->count(), 1); // the rest of start-up went on
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [N0CALL]"));

        f.window.changeConfig("FTP_HOST=", "example.org", false);
        QVERIFY(f.window.statusText().startsWith(QStringLiteral("Setting FTP_HOST not saved")));
        QVERIFY(QFileInfo(f.dir.filePath(QStringLiteral("quillet.ini"))).isDir());
    }

    void theMinuteTimerPublishesThePageEveryConfiguredInterval() {
        Fixture f;
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
        const QString page = web + QStringLiteral("/board.htm");
        emitTimeout(minute);
        QVERIFY(!QFile::exists(page)); // one minute of two
        emitTimeout(minute);
        QVERIFY(QFile::exists(page));
        QVERIFY(QFile::exists(web + QStringLiteral("/quillet.js")));
        const QByteArray html = f.fileBytes("web/board.htm");
        QVERIFY(html.contains("Net &lt;b&gt;bold&lt;/b&gt; &amp; more"));
        QVERIFY(html.contains("N0CALL"));
        QVERIFY(f.inet1.log.empty()); // upload is off
    }

    void setupOpensFilledFromTheSettingsAndSavesThroughTheFile() {
        Fixture f;
        f.window.startUp();
        QTest::mouseClick(f.button("Command5"), Qt::LeftButton);
        auto* setup = f.window.findChild<SetupWindow*>();
        QVERIFY(setup);
        auto* host = lineEdit(setup, "Text16");
        QCOMPARE(host->text(), QStringLiteral("localhost"));
        host->setText(QStringLiteral("ftp.example.org"));
        QTest::mouseClick(setup->findChild<QPushButton*>(QStringLiteral("Command1")),
                          Qt::LeftButton);
        QCOMPARE(f.window.settings().ftpHost, std::string("ftp.example.org"));
        QVERIFY(f.fileBytes("quillet.ini").contains("FTP_HOST=ftp.example.org\r\n"));
    }

    void startUpRegistersWithTheHostOnceAndReportsAFolderItCannotWrite() {
        {
            Fixture f;
            f.hostSettings.folder = f.dir.path().toStdString() + "/";
            f.window.startUp();
            QCOMPARE(f.fileBytes("QUILLET.XTR"),
                     "Quillet\r\n\"" + f.dir.path().toUtf8() + "/quillet\"\r\nTrue\r\nTrue\r\n");
            QCOMPARE(f.window.statusText(), QStringLiteral("V1.0.6"));
        }
        {
            Fixture f;
            f.hostSettings.folder = f.dir.path().toStdString() + "/missing/folder/";
            f.window.startUp();
            QVERIFY2(f.window.statusText().contains(QStringLiteral("QUILLET.XTR")),
                     qPrintable(f.window.statusText()));
            QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [N0CALL]"));
        }
    }

    void theClosingEventStopsTheRealEventLoop() {
        // The program's own ending: every event loop returns, nested ones included.
        Fixture f;
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
