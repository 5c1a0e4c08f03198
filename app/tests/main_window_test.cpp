#include "app/main_window.h"
#include "app/widgets/tab_columns_delegate.h"
#include "bulletins/fake_clock.h"
#include "composing/fake_send_pacer.h"
#include "host/fake_host.h"
#include "host/fake_host_settings.h"
#include "host/fake_keystroke_sender.h"
#include "publishing/fake_transfer_control.h"
#include "settings/window/recording_message_boxes.h"
#include "settings/window/setup_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace quillet;

namespace {

std::string logLine(const std::string& callsign, const std::string& addressee,
                    const std::string& text) {
    return callsign + '\xB3' + addressee + '\xB3' + text + "\r\n";
}

QStringList entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->item(i)->text();
    }
    return out;
}

// The callsign column of every bulletin row, in list order.
QStringList callsignColumn(const QListWidget* list) {
    QStringList out;
    for (int i = 1; i < list->count(); ++i) {
        out << list->item(i)->text().section(QLatin1Char('\t'), 0, 0).mid(2);
    }
    return out;
}

// A main window over a fake host, with a fixed clock and the locale-free formatter.
struct Fixture {
    QTemporaryDir dir;
    FakeHost host;
    FakeKeystrokeSender keys;
    FakeSendPacer pacer;
    FakeClock clock;
    IsoDateTimeFormatter formatter;
    FakeTransferControl inet1;
    FakeTransferWait transferWait;
    FakeHostSettings hostSettings;
    RecordingMessageBoxes boxes;
    int endings = 0;
    MainWindow window{{host, keys, pacer, clock, formatter, [this] { ++endings; }, dir.path(),
                       inet1, transferWait, hostSettings, "quillet", boxes}};

    QListWidget* list1() { return window.findChild<QListWidget*>(QStringLiteral("List1")); }
    QListWidget* list2() { return window.findChild<QListWidget*>(QStringLiteral("List2")); }
    template <typename T> T* control(const char* name) {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
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

    void anEmptyLogGivesTheHeadingAndAll() {
        Fixture f;
        f.window.startUp();
        QCOMPARE(f.list1()->count(), 1);
        QCOMPARE(f.list1()->currentRow(), 0);
        QCOMPARE(entries(f.list2()), QStringList{"ALL"});
        QCOMPARE(f.list2()->currentRow(), 0);
    }

    void controlsStandWhereTheLayoutPutsThem() {
        Fixture f;
        f.window.startUp();
        QCOMPARE(f.window.size(), QSize(746, 530));
        const struct {
            const char* name;
            QRect rect;
        } places[] = {{"Command2", {8, 8, 73, 17}},       {"Command3", {80, 8, 81, 17}},
                      {"updateButton", {168, 8, 97, 17}}, {"List2", {272, 8, 313, 15}},
                      {"Command5", {592, 8, 73, 17}},     {"Command1", {672, 8, 73, 17}},
                      {"List1", {0, 32, 745, 483}},       {"Picture1", {0, 513, 746, 17}},
                      {"status", {0, 0, 737, 17}}};
        for (const auto& place : places) {
            auto* widget = f.control<QWidget>(place.name);
            QVERIFY2(widget, place.name);
            QCOMPARE(widget->geometry(), place.rect);
        }
        QCOMPARE(f.control<QPushButton>("Command2")->text(), QStringLiteral("Add Single"));
        QCOMPARE(f.control<QPushButton>("Command3")->text(), QStringLiteral("Add Multiple"));
        QCOMPARE(f.control<QPushButton>("updateButton")->text(), QStringLiteral("Update Message"));
        QVERIFY(!f.control<QPushButton>("updateButton")->isEnabled());
        QCOMPARE(f.control<QPushButton>("Command5")->text(), QStringLiteral("Setup"));
        QCOMPARE(f.control<QPushButton>("Command1")->text(), QStringLiteral("Exit"));
        QVERIFY(f.control<QLabel>("applicationDir")->isHidden());
        for (QListWidget* list : {f.list1(), f.list2()}) {
            QCOMPARE(list->palette().color(QPalette::Text), QColor(0, 255, 0));
            QCOMPARE(list->palette().color(QPalette::Base), QColor(0, 0, 0));
            QVERIFY(list->font().bold());
        }
        QVERIFY(!f.control<QLabel>("status")->font().bold());
        QCOMPARE(f.window.palette().color(QPalette::Window), QColor(128, 128, 128));
        auto* timer1 = f.control<QTimer>("Timer1");
        QVERIFY(timer1 && timer1->isActive());
        QCOMPARE(timer1->interval(), 30000);
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
        QTest::mouseClick(f.control<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(f.endings, 2);
        f.window.show();
        f.window.close();
        QCOMPARE(f.endings, 3);
    }

    void startUpLoadsTheSettingsFileBesideTheProgramCreatingIt() {
        Fixture f;
        QFile file(f.dir.filePath(QStringLiteral("quillet.ini")));
        f.window.startUp();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("FTP_HOST=localhost\r\n"));
        QCOMPARE(f.window.settings().webpageUpdateEvery, std::string("10"));

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
        QFile ini(f.dir.filePath(QStringLiteral("quillet.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("AUTO_COPY_ENABLED=TRUE\r\nCOPY_TO_DIRECTORY=" + web.toUtf8() +
                  "\r\nHTML_FILENAME=board.htm\r\nWEBPAGE_UPDATE_EVERY=2\r\n");
        ini.close();
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
        QFile published(page);
        QVERIFY(published.open(QIODevice::ReadOnly));
        const QByteArray html = published.readAll();
        QVERIFY(html.contains("Net &lt;b&gt;bold&lt;/b&gt; &amp; more"));
        QVERIFY(html.contains("N0CALL"));
        QVERIFY(f.inet1.log.empty()); // upload is off
    }

    void setupOpensFilledFromTheSettingsAndSavesThroughTheFile() {
        Fixture f;
        f.window.startUp();
        QTest::mouseClick(f.control<QPushButton>("Command5"), Qt::LeftButton);
        auto* setup = f.window.findChild<SetupWindow*>();
        QVERIFY(setup);
        auto* host = setup->findChild<QLineEdit*>(QStringLiteral("Text16"));
        QCOMPARE(host->text(), QStringLiteral("localhost"));
        host->setText(QStringLiteral("ftp.example.org"));
        setup->findChild<QLineEdit*>(QStringLiteral("Text13"))->setText(QStringLiteral("pw,1"));
        QTest::mouseClick(setup->findChild<QPushButton*>(QStringLiteral("Command1")),
                          Qt::LeftButton);
        QCOMPARE(f.window.settings().ftpHost, std::string("ftp.example.org"));
        QCOMPARE(f.window.settings().ftpPassword, std::string("pw,1"));
        QFile ini(f.dir.filePath(QStringLiteral("quillet.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QVERIFY(text.contains("FTP_HOST=ftp.example.org\r\n"));
        QVERIFY(!text.contains("pw")); // the password is kept scrambled
    }

    void startUpRegistersWithTheHostOnceAndReportsAFolderItCannotWrite() {
        {
            Fixture f;
            f.hostSettings.folder = f.dir.path().toStdString() + "/";
            f.window.startUp();
            QFile xtr(f.dir.filePath(QStringLiteral("QUILLET.XTR")));
            QVERIFY(xtr.open(QIODevice::ReadOnly));
            QCOMPARE(xtr.readAll(),
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
        FakeHost host;
        FakeKeystrokeSender keys;
        FakeSendPacer pacer;
        FakeClock clock;
        IsoDateTimeFormatter formatter;
        FakeTransferControl inet1;
        FakeTransferWait transferWait;
        FakeHostSettings hostSettings;
        RecordingMessageBoxes boxes;
        QTemporaryDir dir;
        MainWindow window({host, keys, pacer, clock, formatter, [] { QCoreApplication::exit(7); },
                           dir.path(), inet1, transferWait, hostSettings, "quillet", boxes});
        window.startUp();
        QTimer::singleShot(0, [&host] {
            QEventLoop nested; // as a wait inside a handler would run
            QTimer::singleShot(0, [&host] { host.emitClosing(); });
            nested.exec();
        });
        QCOMPARE(QCoreApplication::exec(), 7);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
