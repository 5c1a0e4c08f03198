// The main window over a fake host, and with real work queues over a host that answers after
// seconds: start-up, refreshes, the host going and coming, settings, publishing and sends.
#include "app/tests/main_window_fixture.h"
#include "bulletins/text_rules.h"
#include "composing/add_message_window.h"
#include "composing/add_multiple_window.h"
#include "settings/window/setup_window.h"
#include "widgets/twips.h"
#include "widgets/window_style.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <algorithm>

using namespace quillet;
using namespace quillet::testing;

namespace {

// Runs a timer's handler as one of its ticks would.
void emitTimeout(QTimer* timer) {
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
}

// The main window over a fake host whose map has an information file.
struct Station : WindowFixture {
    Station() {
        host.callsign = "G4SIM";
        writeFile("demo.inf", "Demo\r\n0,0\r\nNorth Sea\r\n");
        host.mapFile = dir.filePath(QStringLiteral("demo.gif")).toStdString();
        host.log = logLine("W1AW", "BLN1", "Field day") + logLine("G4SIM", "BLN", "Own news") +
                   logLine("G4SIM", "BLN1EU", "Own EU\tafter tab") +
                   logLine("g4sim", "BLN2", "lower case") + logLine("DL1XYZ", "BLN2EU", "Relais");
        window.startUp();
    }
    // The row of a bulletin, by "callsign addressee" as the row shows them.
    int rowOf(const QString& callsignAndAddressee) {
        const QStringList rows = entries(list("List1"));
        const auto at = std::find_if(rows.begin() + 1, rows.end(), [&](const QString& row) {
            return row.section('\t', 0, 0).mid(2) + ' ' + row.section('\t', 2).section('>', 0, 0) ==
                   callsignAndAddressee;
        });
        return at == rows.end() ? -1 : int(at - rows.begin());
    }
    void click(const char* callsignAndAddressee) {
        clickRow(list("List1"), rowOf(QString::fromLatin1(callsignAndAddressee)));
    }
    AddMessageWindow* messageWindow() { return window.findChild<AddMessageWindow*>(); }
    QLineEdit* field(const char* name) { return child<QLineEdit>(messageWindow(), name); }
    QString fields() { return field("toStation")->text() + '|' + field("message")->text(); }
    // Opens the message form and sends the text with Return; returns the text field.
    QLineEdit* send(const char* text) {
        QTest::mouseClick(button("Command2"), Qt::LeftButton);
        auto* message = field("message");
        message->setText(QString::fromLatin1(text));
        QTest::keyClick(message, Qt::Key_Return);
        return message;
    }
    // The host logs the bulletin when its form's Yes is pressed.
    void logOnYes(const char* text) {
        keys.onKeys = [this, text](const std::string& k) {
            host.log += k == "%y" ? logLine("G4SIM", "BLN", text) : std::string();
        };
    }
};

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
        QCOMPARE(f.host.calls, (std::vector<std::string>{"CurrentMap", "MessageLog",
                                                         "StationCallsign", "OffersDirectSend"}));
        QCOMPARE(f.host.selectors, std::vector<int>{2});
        QCOMPARE(entries(f.list("List1"), true), (QStringList{"R Callsign", "N DL1XYZ", "N G4ABC",
                                                              "N W1AW", "N W1AW", "N station3"}));
        QVERIFY(entries(f.list("List1")).value(2).endsWith(QStringLiteral("Caf\u00E9 open")));
        QCOMPARE(entries(f.list("List2")), (QStringList{"ALL", "EU", "NA"}));
        QCOMPARE(f.list("List1")->currentRow() + f.list("List2")->currentRow(), 0);
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [G4SIM]"));
        QCOMPARE(f.window.statusText(), QStringLiteral("V" QUILLET_VERSION));
        QCOMPARE(f.control<QLabel>("applicationDir")->text(), f.dir.path());
        QVERIFY(!f.button("updateButton")->isEnabled());
        f.host.log += logLine("PA3EFG", "BLN2WX", "second");
        auto* timer1 = f.control<QTimer>("Timer1");
        QCOMPARE(timer1->interval(), 30000);
        emitTimeout(timer1);
        QCOMPARE(f.list("List1")->count(), 7);
        QCOMPARE(entries(f.list("List2")), (QStringList{"ALL", "EU", "NA", "WX"}));
        QCOMPARE(f.host.count("CurrentMap"), 1); // the map object is kept while the host lives
        // What start-up found is not news; what the tick brought is, once.
        QCOMPARE(f.notifier.notices,
                 (std::vector<Notice>{{"Bulletin from PA3EFG (BLN2WX)", "second"}}));
        // A host that counts its lines is asked for those after the ones the table holds.
        f.host.logId = "run";
        emitTimeout(timer1);
        f.host.log += logLine("ZL1ABC", "BLN4", "third");
        emitTimeout(timer1);
        QCOMPARE(f.list("List1")->count(), 8);
        QVERIFY(f.host.askedAfter == (std::vector<LogPosition>{{}, {"run", 6}}));
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
        const auto shown = [&f] {
            return QStringList{QString::number(f.list("List1")->count()), f.window.windowTitle(),
                               f.window.statusText()};
        };
        QCOMPARE(shown(), (QStringList{"2", "Quillet [N0CALL]", "Connected to the host again"}));
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
        QCOMPARE(shown(), (QStringList{"3", "Quillet [G4NEW]", "Connected to the host again"}));
    }

    void aMissingExtrasFolderIsReportedSettingsAreRewrittenAndExitClosingOrTheFrameEndAll() {
        WindowFixture f;
        f.hostSettings.folder = f.dir.path().toStdString() + "/missing/folder/";
        f.window.startUp();
        QVERIFY(f.window.statusText().contains(QStringLiteral("QUILLET.XTR")));
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [N0CALL]"));
        QCOMPARE(f.fileBytes("quillet.ini"), QByteArray("FTP_HOST=localhost\r\n"));
        QTest::mouseClick(f.button("Command5"), Qt::LeftButton);
        auto* setup = f.window.findChild<SetupWindow*>();
        QVERIFY(setup);
        child<QLineEdit>(setup, "Text16")->setText(QStringLiteral("ftp.example.org"));
        child<QLineEdit>(setup, "Text13")->setText(QStringLiteral("s3cret,1"));
        QTest::mouseClick(child<QPushButton>(setup, "Command1"), Qt::LeftButton);
        QCOMPARE(f.window.settings().ftpHost + '|' + f.window.settings().ftpPassword,
                 std::string("ftp.example.org|s3cret,1"));
        QVERIFY(f.fileBytes("quillet.ini").contains("FTP_HOST=ftp.example.org\r\n"));
        f.host.emitClosing();
        QCOMPARE(f.endings, 1);
        QTest::mouseClick(f.button("Command1"), Qt::LeftButton);
        QCOMPARE(f.endings, 2);
        f.window.show();
        f.window.close();
        QCOMPARE(f.endings, 3);
    }

    void aSettingsFileThatCannotBeReadOrWrittenIsReportedAndStartUpGoesOn() {
        WindowFixture f;
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("quillet.ini")));
        f.window.startUp();
        QVERIFY(f.window.statusText().startsWith(QStringLiteral("Settings not loaded")));
        QCOMPARE(f.window.settings().ftpEnabled, false);
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Quillet [N0CALL]")); // start-up went on
        QVERIFY(!f.window.changeConfig("FTP_HOST=", "example.org", false));
        QVERIFY(f.window.statusText().startsWith(QStringLiteral("Setting FTP_HOST not saved")));
    }

    void theMinuteTimerPublishesThePageAndTestWebpageSaysWhetherAPassSucceeded() {
        WindowFixture f;
        const QString web = f.dir.filePath(QStringLiteral("web"));
        QVERIFY(QDir().mkpath(web));
        for (const char* name : {"quillet.template", "quillet.js1"}) {
            QVERIFY(QFile::copy(QStringLiteral(QUILLET_SOURCE_DIR "/publishing/") + name,
                                f.dir.filePath(QString::fromLatin1(name))));
        }
        QVERIFY(f.writeFile("quillet.ini", "AUTO_COPY_ENABLED=TRUE\r\nHTML_FILENAME=board.htm\r\n"
                                           "WEBPAGE_UPDATE_EVERY=2\r\nCOPY_TO_DIRECTORY=" +
                                               web.toUtf8() + "\r\n"));
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
        QVERIFY(f.uploader.log.empty()); // upload is off
        QCOMPARE(f.window.statusText(), QString());
        // Test Webpage says "done." only after a pass that succeeded, else what failed.
        QTest::mouseClick(f.button("Command5"), Qt::LeftButton);
        auto* setup = f.window.findChild<SetupWindow*>();
        const auto testWebpage = [&] {
            QTest::mouseClick(child<QPushButton>(setup, "Command3"), Qt::LeftButton);
            return f.boxes.shown.last();
        };
        QCOMPARE(testWebpage(), QStringLiteral("information: done."));
        QVERIFY(
            f.window.changeConfig("COPY_TO_DIRECTORY=", (web + "/missing").toStdString(), false));
        QVERIFY(
            testWebpage().startsWith(QStringLiteral("warning: Error doing web page update -> ")));
        QVERIFY(f.window.changeConfig("AUTO_COPY_ENABLED=", "FALSE", true));
        QCOMPARE(testWebpage(), QStringLiteral("warning: ") + QString::fromLatin1(kPublishOff));
        // The desktop's colours take over the open windows at once, and give way again.
        const auto bases = [&] {
            return QList<QColor>{f.list("List1")->palette().color(QPalette::Base),
                                 f.window.palette().color(QPalette::Window)};
        };
        const QList<QColor> house = bases();
        QVERIFY(f.window.changeConfig("USE_DESKTOP_COLOURS=", "TRUE", true));
        QCOMPARE(bases(), (QList<QColor>{QApplication::palette().color(QPalette::Base),
                                         QApplication::palette().color(QPalette::Window)}));
        QVERIFY(f.window.changeConfig("USE_DESKTOP_COLOURS=", "FALSE", true));
        QCOMPARE(bases(), house);
        QCOMPARE(house, (QList<QColor>{QColor(Qt::black), kWindowGrey}));
    }

    void everyCaptionFitsItsControlAtTheDesktopsFontSizeAndTwiceIt() {
        const QFont desktop = QApplication::font();
        for (const double times : {1.0, 2.0}) {
            QFont font = desktop;
            font.setPointSizeF(desktop.pointSizeF() * times);
            QApplication::setFont(font);
            followDesktopFont();
            Station s;
            for (const char* opens : {"Command2", "Command3", "Command5"}) {
                QTest::mouseClick(s.button(opens), Qt::LeftButton);
            }
            QStringList cut;
            for (auto* control : s.window.findChildren<QWidget*>()) {
                const bool captioned = qobject_cast<QLabel*>(control) != nullptr ||
                                       qobject_cast<QAbstractButton*>(control) != nullptr;
                const QString text = control->property("text").toString().remove('&');
                if (captioned && control->isVisible() && !text.isEmpty() &&
                    control->fontMetrics().boundingRect(text).width() > control->width()) {
                    cut << QStringLiteral("%1 (%2 times)").arg(control->objectName()).arg(times);
                }
            }
            // The text grows with the desktop's, not only the windows around it.
            QVERIFY(s.button("Command2")->font().pointSizeF() >= 8 * times);
            QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u' ')));
        }
        QApplication::setFont(desktop);
        followDesktopFont();
    }

    void clickingABulletinMarksItReadShowsItsTextAndLetsUpdateTakeItAndAGroupFiltersTheList() {
        Station s;
        const int reads = s.host.count("MessageLog");
        clickRow(s.list("List1"), 0); // the heading row does nothing
        QCOMPARE(s.host.count("MessageLog"), reads);
        QCOMPARE(s.window.statusText(), QStringLiteral("V" QUILLET_VERSION));
        s.host.log += logLine("A1AA", "BLN1", "sorts first"); // arrives with the click's refresh
        s.click("W1AW BLN1");
        QCOMPARE(s.host.count("MessageLog"), reads + 1);
        QCOMPARE(entries(s.list("List1"), true),
                 (QStringList{"R Callsign", "N A1AA", "N DL1XYZ", "N G4SIM", "N G4SIM", "R W1AW",
                              "N g4sim"}));
        QCOMPARE(s.list("List1")->currentRow(), 5); // followed to where the refresh moved it
        QCOMPARE(s.window.statusText(), QStringLiteral("Field day"));
        QVERIFY(!s.button("updateButton")->isEnabled());
        s.click("G4SIM BLN ");
        QVERIFY(s.button("updateButton")->isEnabled());
        s.click("g4sim BLN2");
        QVERIFY(!s.button("updateButton")->isEnabled()); // letter case counts
        s.click("G4SIM BLN ");
        // a refill afterwards selects the heading but keeps button and status, and Update
        // takes nothing from the heading
        s.window.refreshMessages();
        QCOMPARE(s.list("List1")->currentRow(), 0);
        QCOMPARE(s.window.statusText(), QStringLiteral("Own news"));
        QTest::mouseClick(s.button("updateButton"), Qt::LeftButton);
        QVERIFY(s.messageWindow() == nullptr);
        s.click("G4SIM BLN ");
        QTest::mouseClick(s.button("updateButton"), Qt::LeftButton);
        QVERIFY(s.messageWindow());
        QCOMPARE(s.fields(), QStringLiteral("BLN |Own news"));
        s.field("port")->setText(QStringLiteral("4"));
        s.click("G4SIM BLN1EU");
        QTest::mouseClick(s.button("updateButton"), Qt::LeftButton);
        QCOMPARE(s.fields(), QStringLiteral("BLN1EU|Own EU")); // cut at the tab
        QCOMPARE(s.field("port")->text(), QStringLiteral("4"));
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        QCOMPARE(s.window.findChildren<AddMessageWindow*>().size(), 1);
        QCOMPARE(s.fields(), QStringLiteral("BLN|"));
        // the board and the lookup find own bulletins exactly, without asking the host
        const int asked = s.host.count("StationCallsign");
        QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
        QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
        QCOMPARE(s.window.findChildren<AddMultipleWindow*>().size(), 1);
        const QStringList board = entries(child<QListWidget>(child<AddMultipleWindow>(&s.window)));
        QCOMPARE(board.value(1), QStringLiteral("BLN1>\tEnter Text Here")); // not BLN1EU
        QCOMPARE(s.host.count("StationCallsign"), asked);
        QCOMPARE(s.window.getMyMessageForBLN("BLN1EU") + '|' + s.window.getMyMessageForBLN("BLN2"),
                 std::string("Own EU\tafter tab|")); // g4sim is not G4SIM
        s.host.callsign = "g4sim";                   // takes effect with the next refresh
        s.window.refreshMessages();
        QCOMPARE(s.window.getMyMessageForBLN("BLN2"), std::string("lower case"));
        // ten megabytes of text: the table keeps it and its other rows, the row and the
        // status line show its start and say it was cut
        const std::string huge(10 << 20, 'x');
        const int rows = s.list("List1")->count();
        s.host.log += logLine("VK2RT", "BLN3", huge);
        s.window.refreshMessages();
        QCOMPARE(s.list("List1")->count(), rows + 1);
        s.click("VK2RT BLN3");
        const QString shown = QString(kLongestShownText, QLatin1Char('x')) +
                              QStringLiteral("\u2026 (cut: %1 bytes in all)").arg(huge.size());
        QCOMPARE(s.window.statusText(), shown);
        QVERIFY(entries(s.list("List1"))
                    .value(s.list("List1")->currentRow())
                    .endsWith(QStringLiteral("> ") + shown));
        // text from the air is shown as written, never as markup
        s.host.log += logLine("ZZ9", "BLN3", "a <b>x</b> &amp;");
        s.window.refreshMessages();
        s.click("ZZ9 BLN3");
        const auto* status = s.control<QLabel>("status");
        QCOMPARE(status->text(), QStringLiteral("a <b>x</b> &amp;"));
        QVERIFY(status->sizeHint().width() >=
                status->fontMetrics().horizontalAdvance(status->text()));
        // a group click filters the list without reading the host
        QListWidget* groups = s.list("List2");
        QCOMPARE(entries(groups), (QStringList{"ALL", "EU"}));
        const int readsBefore = s.host.count("MessageLog");
        clickRow(groups, 1);
        QCOMPARE(s.window.groupFilter(), std::string("EU"));
        QCOMPARE(s.host.count("MessageLog"), readsBefore);
        QCOMPARE(s.list("List1")->count(), 3);
        // a click in the filtered list acts on the bulletin that row shows
        clickRow(s.list("List1"), 2);
        QCOMPARE(s.window.statusText(), QStringLiteral("Own EU\tafter tab"));
        QCOMPARE(groups->currentRow(), 1); // the refresh of that click kept EU selected
        clickRow(groups, 0);
        QCOMPARE(s.list("List1")->count(), rows + 2);
        // EU leaves the table while it is the filter: "ALL" is current, and a click on it
        // still takes the filter off
        clickRow(groups, 1);
        s.clock.advance(std::chrono::minutes(1));
        s.host.log.clear();
        for (int i = 0; i < 40; ++i) {
            s.host.log += logLine("N" + std::to_string(i), "BLN1", "x");
        }
        s.window.refreshMessages();
        QCOMPARE(entries(groups), QStringList{"ALL"});
        QCOMPARE(s.list("List1")->count(), 1);
        clickRow(groups, 0);
        QCOMPARE(s.window.groupFilter(), std::string("ALL"));
        QCOMPARE(s.list("List1")->count(), 41);
    }

    void aSendGoesToTheHostsOwnInterfaceWhileItOffersOneElseAsKeystrokesReportedOnceLogged() {
        Station s;
        s.host.direct = true;
        s.window.refreshMessages();
        const auto send = [&s](const char* text, bool sent = true) {
            s.send(text);
            QTRY_VERIFY(!s.window.sending());
            QTRY_COMPARE(s.messageWindow() && s.messageWindow()->isVisible(), !sent);
        };
        int reads = s.host.count("MessageLog");
        send("Caf\xE9 open");
        QCOMPARE(s.host.sentBulletins, std::vector<std::string>{"BLN|1||Caf\xE9 open"});
        QCOMPARE(s.window.statusText(), QStringLiteral("Sent: <BLN> Caf\u00E9 open"));
        QCOMPARE(s.host.count("MessageLog"), reads + 1);
        s.host.directReply = {false, "Not sent: APRS-IS: the login is not verified."};
        send("refused", false);
        QCOMPARE(s.window.statusText(),
                 QStringLiteral("Not sent: APRS-IS: the login is not verified."));
        // A host that does not answer the send in time: no keystrokes, and an error saying
        // the host may still send it, which outlives the reconnect news of the refresh after
        // it and the late logging that shows the bulletin. The operator's next click ends it.
        s.host.sendError = std::string(kNoAnswer) + "SendBulletin within 1 s";
        const int maps = s.host.count("CurrentMap");
        send("late", false);
        QCOMPARE(s.host.count("CurrentMap"), maps + 1); // picked up again
        const QString timedOut = QStringLiteral(
            "Error Sending Message: Host did not answer SendBulletin within 1 s (the host may "
            "still send it: the list shows it once the host logs it)");
        QCOMPARE(s.window.statusText(), timedOut);
        QCOMPARE(s.field("message")->text(), QStringLiteral("late"));
        s.host.sendError.clear();
        s.host.log += logLine("G4SIM", "BLN", "late");
        s.host.emitLogChanged();
        const int late = s.rowOf(QStringLiteral("G4SIM BLN "));
        QVERIFY(entries(s.list("List1")).value(late).endsWith(QStringLiteral("late")));
        QCOMPARE(s.window.statusText(), timedOut);
        QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
        QCOMPARE(s.window.statusText(), QString());
        QVERIFY(s.keys.calls().empty());
        // The host is another now, one without the interface: keystrokes, and the send is
        // reported sent only once the host logged it, and the window closes only then.
        s.host.direct = false;
        s.window.refreshMessages();
        s.logOnYes("hello");
        reads = s.host.count("MessageLog");
        // During the pauses the operator tries to start another message.
        int attempts = 0;
        s.pacer.onWait = [&] {
            if (attempts++ == 3) {
                QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
            }
        };
        s.send("hello");
        QCOMPARE(s.host.sentBulletins.size(), std::size_t{2});
        QVERIFY(!s.keys.calls().empty());
        QCOMPARE(s.keys.calls().front(), std::string("activate:UI-View32 V2.03 [North Sea]"));
        QCOMPARE(s.keys.keyCalls(), 21);
        QCOMPARE(s.window.statusText(), QStringLiteral("Sent: <BLN> hello"));
        QCOMPARE(s.host.count("MessageLog"), reads + 3); // before, after, and the refresh
        QTRY_VERIFY(s.messageWindow() == nullptr);
        s.pacer.onWait = nullptr;
        // A failure keeps the window with its text and says why in the status line, with
        // what the keystroke layer has to tell once.
        const int keyCalls = s.keys.keyCalls();
        s.keys.loseFocusFromKeyCall(keyCalls + 18);
        s.keys.notice = kOwnersUnknownNotice;
        const std::string log = s.host.log;
        auto* text = s.send("hello");
        QCOMPARE(s.window.statusText(),
                 QStringLiteral("Error Sending Message to UI-View32 V2.03 [North Sea]: ") +
                     QString::fromLatin1(kFocusLostReason) + QStringLiteral("; ") +
                     QString::fromLatin1(kOwnersUnknownNotice));
        QCOMPARE(s.keys.keyCalls() - keyCalls, 18);
        QCOMPARE(s.host.log, log);
        QVERIFY(s.messageWindow() && s.messageWindow()->isEnabled());
        QCOMPARE(text->text(), QStringLiteral("hello"));
        s.keys.loseFocusFromKeyCall(0);
        // The same bulletin again, which a host that logs every line takes as a new copy.
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(s.window.statusText(), QStringLiteral("Sent: <BLN> hello"));
        QTRY_VERIFY(s.messageWindow() == nullptr);
    }

    void clicksAreHandledWhileARefreshWaitsAndLogChangesRefreshAtMostOnceASecond() {
        BasicWindowFixture<QtWorkQueue> f;
        f.host.callsign = "G4SIM";
        f.host.log = logLine("W1AW", "BLN1", "Field day") + logLine("G4SIM", "BLN", "Own");
        f.window.startUp();
        QTRY_VERIFY(!f.window.refreshPending());
        QCOMPARE(f.list("List1")->count(), 3);
        f.host.replyDelayMs = 4000;
        f.host.log += logLine("A1AA", "BLN2", "new");
        auto* timer1 = f.control<QTimer>("Timer1");
        emitTimeout(timer1);
        QVERIFY(f.window.refreshPending());
        emitTimeout(timer1);
        // Each of these is handled at once, on the table as shown.
        clickRow(f.list("List1"), 2);
        QCOMPARE(f.window.statusText(), QStringLiteral("Field day"));
        QVERIFY(entries(f.list("List1")).value(2).startsWith(QStringLiteral("R W1AW")));
        QTest::mouseClick(f.button("Command2"), Qt::LeftButton);
        QVERIFY(f.window.findChild<AddMessageWindow*>());
        QTest::mouseClick(f.button("Command3"), Qt::LeftButton);
        const QStringList board = entries(child<QListWidget>(child<AddMultipleWindow>(&f.window)));
        QCOMPARE(board.value(0), QStringLiteral("BLN >\tOwn"));
        QVERIFY(f.window.refreshPending());
        QTRY_VERIFY_WITH_TIMEOUT(!f.window.refreshPending(), 15000);
        QCOMPARE(f.host.count("MessageLog"), 2);
        QCOMPARE(entries(f.list("List1"), true),
                 (QStringList{"R Callsign", "N A1AA", "N G4SIM", "R W1AW"}));
        QCOMPARE(f.list("List1")->currentRow(), 3);
        // The second's rest runs out when the test says so.
        auto* rest = f.control<QTimer>("logChangeRest");
        QCOMPARE(rest->interval(), 1000);
        rest->setInterval(3600000);
        const auto restEnds = [rest] {
            rest->stop();
            emitTimeout(rest);
        };
        f.host.replyDelayMs = 100;
        const int reads = f.host.count("MessageLog");
        f.host.emitLogChanged();
        QVERIFY(f.window.refreshPending());
        // A change while the host is read is read again after it: here the second is over
        // before the refresh is, so at its end.
        f.host.emitLogChanged();
        restEnds();
        QTRY_COMPARE(f.host.count("MessageLog"), reads + 2);
        QTRY_VERIFY(!f.window.refreshPending());
        // Three changes within the second: one refresh for all of them once it is over.
        for (int i = 0; i < 3; ++i) {
            f.host.emitLogChanged();
        }
        QVERIFY(!f.window.refreshPending());
        restEnds();
        QTRY_VERIFY(!f.window.refreshPending());
        restEnds();
        QVERIFY(!f.window.refreshPending() && !rest->isActive());
        QCOMPARE(f.host.count("MessageLog"), reads + 3);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
