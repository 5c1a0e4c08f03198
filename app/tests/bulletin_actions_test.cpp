#include "app/tests/main_window_fixture.h"
#include "composing/add_message_window.h"
#include "composing/add_multiple_window.h"

#include <QLabel>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

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

    int rowOf(const QString& callsignAndAddressee) {
        QListWidget* l1 = list("List1");
        for (int i = 1; i < l1->count(); ++i) {
            const QStringList columns = l1->item(i)->text().split(QLatin1Char('\t'));
            if (columns[0].mid(2) + QLatin1Char(' ') + columns[2].section(QLatin1Char('>'), 0, 0) ==
                callsignAndAddressee) {
                return i;
            }
        }
        return -1;
    }
    AddMessageWindow* addSingle() {
        QTest::mouseClick(button("Command2"), Qt::LeftButton);
        return window.findChild<AddMessageWindow*>();
    }
    void click(QListWidget* l, int row) {
        l->show();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
    }
};

} // namespace

class BulletinActionsTest : public QObject {
    Q_OBJECT

private slots:
    void clickingABulletinButNotTheHeadingMarksItReadAndShowsItsText() {
        Station s;
        const int reads = s.host.count("MessageLog");
        s.click(s.list("List1"), 0); // the heading row does nothing
        QCOMPARE(s.host.count("MessageLog"), reads);
        QCOMPARE(s.window.statusText(), QStringLiteral("V1.0.6"));
        const int row = s.rowOf(QStringLiteral("W1AW BLN1"));
        s.click(s.list("List1"), row);
        QCOMPARE(s.host.count("MessageLog"), reads + 1);
        QCOMPARE(s.list("List1")->currentRow(), row);
        QVERIFY(s.list("List1")->item(row)->text().startsWith(QStringLiteral("R W1AW\t")));
        QCOMPARE(s.window.statusText(), QStringLiteral("Field day"));
        QVERIFY(!s.button("updateButton")->isEnabled());

        s.click(s.list("List1"), s.rowOf(QStringLiteral("G4SIM BLN ")));
        QVERIFY(s.button("updateButton")->isEnabled());
        s.click(s.list("List1"), s.rowOf(QStringLiteral("g4sim BLN2")));
        QVERIFY(!s.button("updateButton")->isEnabled()); // letter case counts
        // a refill afterwards selects the heading but keeps button and status
        s.window.refreshMessages();
        QCOMPARE(s.list("List1")->currentRow(), 0);
        QCOMPARE(s.window.statusText(), QStringLiteral("lower case"));
    }

    void aBulletinsTextIsShownAsWrittenNotAsMarkup() {
        Station s;
        s.host.log += logLine("ZZ9", "BLN3", "a <b>x</b> &amp;");
        s.window.refreshMessages();
        s.click(s.list("List1"), s.rowOf(QStringLiteral("ZZ9 BLN3")));
        const auto* status = s.control<QLabel>("status");
        QCOMPARE(status->text(), QStringLiteral("a <b>x</b> &amp;"));
        // as wide as its characters, not as "a x &" with a bold x
        QVERIFY(status->sizeHint().width() >=
                status->fontMetrics().horizontalAdvance(status->text()));
    }

    void theClickedBulletinIsFollowedWhenTheRefreshMovesIt() {
        Station s;
        const int row = s.rowOf(QStringLiteral("W1AW BLN1"));
        s.host.log += logLine("A1AA", "BLN1", "sorts first"); // arrives with the click's refresh
        s.click(s.list("List1"), row);
        const int moved = s.rowOf(QStringLiteral("W1AW BLN1"));
        QCOMPARE(moved, row + 1);
        QCOMPARE(s.list("List1")->currentRow(), moved);
        QVERIFY(s.list("List1")->item(moved)->text().startsWith(QStringLiteral("R W1AW")));
        QVERIFY(s.list("List1")->item(1)->text().startsWith(QStringLiteral("N A1AA")));
        QCOMPARE(s.window.statusText(), QStringLiteral("Field day"));
    }

    void aGroupClickFiltersTheListWithoutReadingTheHost() {
        Station s;
        QListWidget* groups = s.list("List2");
        QCOMPARE(groups->item(1)->text(), QStringLiteral("EU"));
        const int reads = s.host.count("MessageLog");
        s.click(groups, 1);
        QCOMPARE(s.window.groupFilter(), std::string("EU"));
        QCOMPARE(s.host.count("MessageLog"), reads);
        QCOMPARE(s.list("List1")->count(), 3);
        // a click in the filtered list acts on the bulletin that row shows
        s.click(s.list("List1"), 2);
        QCOMPARE(s.window.statusText(), QStringLiteral("Own EU\tafter tab"));
        QVERIFY(s.list("List1")->item(2)->text().startsWith(QStringLiteral("R G4SIM")));
        // the refresh of that click kept EU selected in the group list
        QCOMPARE(groups->currentRow(), 1);
        s.click(groups, 0);
        QCOMPARE(s.list("List1")->count(), 6);
        // EU leaves the table while it is the filter: "ALL" is current, and a click on it
        // still takes the filter off
        s.click(groups, 1);
        s.clock.advance(std::chrono::minutes(1));
        s.host.log.clear();
        for (int i = 0; i < 40; ++i) {
            s.host.log += logLine("N" + std::to_string(i), "BLN1", "x");
        }
        s.window.refreshMessages();
        QCOMPARE(entries(groups), QStringList{"ALL"});
        QCOMPARE(s.list("List1")->count(), 1);
        s.click(groups, 0);
        QCOMPARE(s.window.groupFilter(), std::string("ALL"));
        QCOMPARE(s.list("List1")->count(), 41);
    }

    void updateMessageTakesAddresseeAndTextFromTheRowButNotFromTheHeading() {
        Station s;
        s.click(s.list("List1"), s.rowOf(QStringLiteral("G4SIM BLN ")));
        s.window.refreshMessages(); // the heading is selected, the button still enabled
        QVERIFY(s.button("updateButton")->isEnabled());
        QTest::mouseClick(s.button("updateButton"), Qt::LeftButton);
        QVERIFY(s.window.findChild<AddMessageWindow*>() == nullptr);

        s.click(s.list("List1"), s.rowOf(QStringLiteral("G4SIM BLN ")));
        QTest::mouseClick(s.button("updateButton"), Qt::LeftButton);
        auto* message = s.window.findChild<AddMessageWindow*>();
        QVERIFY(message);
        auto field = [&](const char* name) { return lineEdit(message, name)->text(); };
        QCOMPARE(field("toStation"), QStringLiteral("BLN "));
        QCOMPARE(field("message"), QStringLiteral("Own news"));

        lineEdit(message, "port")->setText(QStringLiteral("4"));
        s.click(s.list("List1"), s.rowOf(QStringLiteral("G4SIM BLN1EU")));
        QTest::mouseClick(s.button("updateButton"), Qt::LeftButton);
        QCOMPARE(s.window.findChildren<AddMessageWindow*>().size(), 1);
        QCOMPARE(field("toStation"), QStringLiteral("BLN1EU"));
        QCOMPARE(field("message"), QStringLiteral("Own EU")); // cut at the tab
        QCOMPARE(field("port"), QStringLiteral("4"));
    }

    void addSingleStartsAfreshAndAddMultipleOpensOnce() {
        Station s;
        auto* first = s.addSingle();
        lineEdit(first, "message")->setText(QStringLiteral("draft"));
        lineEdit(first, "toStation")->setText(QStringLiteral("X"));
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        const auto windows = s.window.findChildren<AddMessageWindow*>();
        QCOMPARE(windows.size(), 1);
        QVERIFY(lineEdit(windows[0], "message")->text().isEmpty());
        QCOMPARE(lineEdit(windows[0], "toStation")->text(), QStringLiteral("BLN"));

        QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
        QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
        QCOMPARE(s.window.findChildren<AddMultipleWindow*>().size(), 1);
        auto* board = s.window.findChild<AddMultipleWindow*>()->findChild<QListWidget*>();
        QCOMPARE(board->item(0)->text(), QStringLiteral("BLN >\tOwn news"));
        QCOMPARE(board->item(1)->text(), QStringLiteral("BLN1>\tEnter Text Here")); // not BLN1EU
    }

    void ownBulletinLookupIsExact() {
        Station s;
        QCOMPARE(s.window.getMyMessageForBLN("BLN1EU"), std::string("Own EU\tafter tab"));
        QCOMPARE(s.window.getMyMessageForBLN("BLN1"), std::string());
        QCOMPARE(s.window.getMyMessageForBLN("BLN2"), std::string()); // g4sim is not G4SIM
        s.host.callsign = "g4sim";
        QCOMPARE(s.window.getMyMessageForBLN("BLN2"), std::string("lower case"));
        s.host.failing = true;
        QCOMPARE(s.window.getMyMessageForBLN("BLN2"), std::string());
    }

    void aSendTypesIntoTheHostReportsAndRefreshes() {
        Station s;
        auto* text = lineEdit(s.addSingle(), "message");
        text->setText(QStringLiteral("hello"));
        const int reads = s.host.count("MessageLog");
        // During the pauses the operator tries to start another message.
        int attempts = 0;
        s.pacer.onEvents = [&] {
            if (attempts++ == 3) {
                QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
            }
        };
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(s.keys.calls().front(), std::string("activate:UI-View32 V2.03 [North Sea]"));
        QCOMPARE(s.keys.keyCalls(), 21);
        QCOMPARE(s.window.statusText(), QStringLiteral("Sent: <BLN> hello"));
        QCOMPARE(s.host.count("MessageLog"), reads + 1);
        QTRY_VERIFY(s.window.findChild<AddMessageWindow*>() == nullptr);
    }

    void aFailedSendIsReportedAndTheWindowStillCloses() {
        Station s;
        s.keys.setFailActivation(true);
        QTest::keyClick(lineEdit(s.addSingle(), "message"), Qt::Key_Return);
        QCOMPARE(s.window.statusText(),
                 QStringLiteral("Error Sending Message to UI-View32 V2.03 [North Sea]"));
        QCOMPARE(s.keys.keyCalls(), 0);
        QTRY_VERIFY(s.window.findChild<AddMessageWindow*>() == nullptr);
    }
};

QTEST_MAIN(BulletinActionsTest)
#include "bulletin_actions_test.moc"
