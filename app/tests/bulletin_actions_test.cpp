#include "app/tests/main_window_fixture.h"
#include "composing/add_message_window.h"
#include "composing/add_multiple_window.h"

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
    // The row of a bulletin, by "callsign addressee" as the row shows them.
    int rowOf(const QString& callsignAndAddressee) {
        for (int i = 1; i < list("List1")->count(); ++i) {
            const QStringList columns = list("List1")->item(i)->text().split(QLatin1Char('\t'));
            if (columns[0].mid(2) + QLatin1Char(' ') + columns[2].section(QLatin1Char('>'), 0, 0) ==
                callsignAndAddressee) {
                return i;
            }
        }
        return -1;
    }
    void click(const char* callsignAndAddressee) {
        clickRow(list("List1"), rowOf(QString::fromLatin1(callsignAndAddressee)));
    }
    AddMessageWindow* messageWindow() { return window.findChild<AddMessageWindow*>(); }
};

} // namespace

class BulletinActionsTest : public QObject {
    Q_OBJECT

private slots:
    void clickingABulletinButNotTheHeadingMarksItReadAndShowsItsText() {
        Station s;
        const int reads = s.host.count("MessageLog");
        clickRow(s.list("List1"), 0); // the heading row does nothing
        QCOMPARE(s.host.count("MessageLog"), reads);
        QCOMPARE(s.window.statusText(), QStringLiteral("V1.0.6"));
        s.host.log += logLine("A1AA", "BLN1", "sorts first"); // arrives with the click's refresh
        s.click("W1AW BLN1");
        QCOMPARE(s.host.count("MessageLog"), reads + 1);
        const int row = s.rowOf(QStringLiteral("W1AW BLN1"));
        QCOMPARE(s.list("List1")->currentRow(), row); // followed to where the refresh moved it
        QVERIFY(s.list("List1")->item(row)->text().startsWith(QStringLiteral("R W1AW\t")));
        QVERIFY(s.list("List1")->item(1)->text().startsWith(QStringLiteral("N A1AA")));
        QCOMPARE(s.window.statusText(), QStringLiteral("Field day"));
        QVERIFY(!s.button("updateButton")->isEnabled());

        s.click("G4SIM BLN ");
        QVERIFY(s.button("updateButton")->isEnabled());
        s.click("g4sim BLN2");
        QVERIFY(!s.button("updateButton")->isEnabled()); // letter case counts
        // a refill afterwards selects the heading but keeps button and status
        s.window.refreshMessages();
        QCOMPARE(s.list("List1")->currentRow(), 0);
        QCOMPARE(s.window.statusText(), QStringLiteral("lower case"));

        // a megabyte of text: the table keeps it whole, the status line shows its start
        const std::string huge(1 << 20, 'x');
        s.host.log += logLine("VK2RT", "BLN3", huge);
        s.window.refreshMessages();
        s.click("VK2RT BLN3");
        QCOMPARE(s.window.statusText(),
                 QString(kStatusShownLength, QLatin1Char('x')) + QChar(0x2026));
        QVERIFY(s.list("List1")->currentItem()->text().endsWith(QString::fromStdString(huge)));
    }

    void aGroupClickFiltersTheListWithoutReadingTheHost() {
        Station s;
        QListWidget* groups = s.list("List2");
        QCOMPARE(groups->item(1)->text(), QStringLiteral("EU"));
        const int reads = s.host.count("MessageLog");
        clickRow(groups, 1);
        QCOMPARE(s.window.groupFilter(), std::string("EU"));
        QCOMPARE(s.host.count("MessageLog"), reads);
        QCOMPARE(s.list("List1")->count(), 3);
        // a click in the filtered list acts on the bulletin that row shows
        clickRow(s.list("List1"), 2);
        QCOMPARE(s.window.statusText(), QStringLiteral("Own EU\tafter tab"));
        QCOMPARE(groups->currentRow(), 1); // the refresh of that click kept EU selected
        clickRow(groups, 0);
        QCOMPARE(s.list("List1")->count(), 6);
    }

    void updateMessageTakesAddresseeAndTextFromTheRowButNotFromTheHeading() {
        Station s;
        s.click("G4SIM BLN ");
        s.window.refreshMessages(); // the heading is selected, the button still enabled
        QTest::mouseClick(s.button("updateButton"), Qt::LeftButton);
        QVERIFY(s.messageWindow() == nullptr);

        s.click("G4SIM BLN ");
        QTest::mouseClick(s.button("updateButton"), Qt::LeftButton);
        QVERIFY(s.messageWindow());
        auto field = [&](const char* name) { return lineEdit(s.messageWindow(), name)->text(); };
        QCOMPARE(field("toStation"), QStringLiteral("BLN "));
        QCOMPARE(field("message"), QStringLiteral("Own news"));
        lineEdit(s.messageWindow(), "port")->setText(QStringLiteral("4"));
        s.click("G4SIM BLN1EU");
        QTest::mouseClick(s.button("updateButton"), Qt::LeftButton);
        QCOMPARE(field("toStation"), QStringLiteral("BLN1EU"));
        QCOMPARE(field("message"), QStringLiteral("Own EU")); // cut at the tab
        QCOMPARE(field("port"), QStringLiteral("4"));

        // "Add Single" starts afresh, in the one window
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        QCOMPARE(s.window.findChildren<AddMessageWindow*>().size(), 1);
        QVERIFY(field("message").isEmpty());
        QCOMPARE(field("toStation"), QStringLiteral("BLN"));
    }

    void theBoardAndTheLookupFindOwnBulletinsExactlyWithoutAskingTheHost() {
        Station s;
        const int asked = s.host.count("StationCallsign");
        QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
        QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
        QCOMPARE(s.window.findChildren<AddMultipleWindow*>().size(), 1);
        auto* board = s.window.findChild<AddMultipleWindow*>()->findChild<QListWidget*>();
        QCOMPARE(board->item(0)->text(), QStringLiteral("BLN >\tOwn news"));
        QCOMPARE(board->item(1)->text(), QStringLiteral("BLN1>\tEnter Text Here")); // not BLN1EU
        QCOMPARE(s.host.count("StationCallsign"), asked);
        QCOMPARE(s.window.getMyMessageForBLN("BLN1EU"), std::string("Own EU\tafter tab"));
        QCOMPARE(s.window.getMyMessageForBLN("BLN2"), std::string()); // g4sim is not G4SIM
        s.host.callsign = "g4sim"; // takes effect with the next refresh
        s.window.refreshMessages();
        QCOMPARE(s.window.getMyMessageForBLN("BLN2"), std::string("lower case"));
    }

    void aSendTypesIntoTheHostReportsRefreshesAndOnlyThenCloses() {
        Station s;
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        auto* text = lineEdit(s.messageWindow(), "message");
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
        QTRY_VERIFY(s.messageWindow() == nullptr);

        s.keys.setFailActivation(true);
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        QTest::keyClick(lineEdit(s.messageWindow(), "message"), Qt::Key_Return);
        QCOMPARE(s.window.statusText(),
                 QStringLiteral("Error Sending Message to UI-View32 V2.03 [North Sea]"));
        QCOMPARE(s.keys.keyCalls(), 21);
        QTRY_VERIFY(s.messageWindow() == nullptr);
    }
};

QTEST_MAIN(BulletinActionsTest)
#include "bulletin_actions_test.moc"
