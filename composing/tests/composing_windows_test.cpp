#include "composing/add_message_window.h"
#include "composing/add_multiple_window.h"
#include "composing/main_window_operations.h"
#include "testsupport/named_child.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace quillet;

namespace {

// The main window as the composing windows see it: own bulletins from a map, sends and
// refreshes recorded. A send ends when the test says so, as a real one ends seconds later.
class RecordingMain final : public MainWindowOperations {
public:
    std::map<std::string, std::string> own;
    std::vector<std::string> events;
    QPointer<AddMessageWindow> message;
    std::function<void(bool sent)> endSend;
    std::string getMyMessageForBLN(const std::string& blnCode) override {
        return own.contains(blnCode) ? own.at(blnCode) : std::string();
    }
    void refreshMessages() override { events.push_back("refresh"); }
    void sendMessage(const std::string& toStation, std::int16_t port, const std::string& digi,
                     const std::string& msg, std::function<void(bool sent)> done) override {
        events.push_back("send <" + toStation + "> " + std::to_string(port) + " <" + digi + "> <" +
                         msg + ">");
        endSend = std::move(done);
    }
    AddMessageWindow* openMessageWindow() override {
        if (!message) {
            message = new AddMessageWindow(*this);
        }
        message->show();
        return message;
    }
};

QLineEdit* field(QWidget* window, const char* name) {
    return testing::child<QLineEdit>(window, name);
}

} // namespace

class ComposingWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void aPickedCodeRewritesTheAddresseeAndEnterInTheTextSendsOnceAndClosesOnceItWentOut() {
        RecordingMain main;
        QPointer<AddMessageWindow> w = main.openMessageWindow();
        auto* combo = testing::child<QComboBox>(w, "Combo1");
        QCOMPARE(combo->currentIndex(), -1);
        field(w, "toStation")->setText(QStringLiteral("BLN1EU"));
        QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 6));
        QCOMPARE(field(w, "toStation")->text(), QStringLiteral("BLN7"));
        field(w, "toStation")->setText(QStringLiteral("BLN "));
        field(w, "port")->setText(QStringLiteral("2.5"));
        field(w, "digi")->setText(QStringLiteral("WIDE1-1"));
        auto* text = field(w, "message");
        text->setText(QString::fromUtf8(" Caf\xC3\xA9 open "));
        QTest::keyClick(field(w, "digi"), Qt::Key_Return); // not here
        QVERIFY(main.events.empty());
        QTest::keyClick(text, Qt::Key_Return);
        QVERIFY(!w->isEnabled()); // nothing can be typed or pressed while the keys go out
        w->sendAndClose();        // a second send meanwhile is refused
        QCOMPARE(main.events, std::vector<std::string>{"send <BLN > 2 <WIDE1-1> < Caf\xE9 open >"});
        // A send that failed leaves the window as it was, open for another try.
        main.endSend(false);
        QCOMPARE(main.events.back(), std::string("refresh"));
        QVERIFY(!w.isNull() && w->isEnabled() && w->isVisible());
        QCOMPARE(text->text(), QString::fromUtf8(" Caf\xC3\xA9 open "));
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(main.events.size(), std::size_t(3));
        main.endSend(true);
        QCOMPARE(main.events.back(), std::string("refresh"));
        QTRY_VERIFY(w.isNull());
    }

    void theKeyAfterTheSixtyEighthCharacterSendsButMovingKeysDoNot() {
        RecordingMain main;
        QPointer<AddMessageWindow> w = main.openMessageWindow();
        auto* text = field(w, "message");
        text->setFocus();
        text->setText(QString(66, QLatin1Char('a')));
        QTest::keyClick(text, Qt::Key_B); // 67
        QTest::keyClick(text, Qt::Key_C); // 68: still taken, the text held 67
        for (Qt::Key moving : {Qt::Key_Left, Qt::Key_Home, Qt::Key_Shift}) {
            QTest::keyClick(text, moving);
        }
        QVERIFY(main.events.empty());
        QTest::keyClick(text, Qt::Key_Backspace); // any key now sends the 68
        QCOMPARE(main.events,
                 std::vector<std::string>{"send <BLN> 1 <> <" + std::string(66, 'a') + "bc>"});
        delete w;
    }

    void aPortThatIsNoSixteenBitNumberOrCloseSendsNothing() {
        for (const char* bad : {"", "abc", "40000", "-32769"}) {
            RecordingMain main;
            QPointer<AddMessageWindow> w = main.openMessageWindow();
            field(w, "port")->setText(QString::fromLatin1(bad));
            QTimer::singleShot(0, [] { // the warning box is closed as soon as it shows
                if (QWidget* box = QApplication::activeModalWidget()) {
                    box->close();
                }
            });
            w->sendAndClose();
            QVERIFY(main.events.empty());
            QVERIFY(!w.isNull() && w->isVisible());
            QTest::mouseClick(testing::child<QPushButton>(w, "Command1"), Qt::LeftButton);
            QTRY_VERIFY(w.isNull());
            QVERIFY(main.events.empty());
        }
    }

    void theBoardShowsOwnBulletinsAndHandsARowOver() {
        RecordingMain main;
        main.own = {{"BLN", "General"},
                    {"BLNB", "Enter Text Here "},
                    {"BLNQ", "Q\ttabbed"},
                    {"BLN1EU", "group"}};
        AddMultipleWindow board(main);
        auto* list = testing::child<QListWidget>(&board, "List1");
        const auto text = [&](int i) { return list->item(i) ? list->item(i)->text() : QString(); };
        QCOMPARE(list->count(), 36);
        QCOMPARE(text(0), QStringLiteral("BLN >\tGeneral"));
        QCOMPARE(text(10), QStringLiteral("BLNA>\tEnter Text Here"));
        QCOMPARE(text(35), QStringLiteral("BLNZ>\tEnter Text Here"));
        QCOMPARE(list->currentRow(), -1);
        auto click = [&](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        };
        board.show();
        AddMessageWindow* message = main.openMessageWindow();
        field(message, "port")->setText(QStringLiteral("3"));
        click(0);
        QCOMPARE(field(message, "toStation")->text(), QStringLiteral("BLN "));
        QCOMPARE(field(message, "message")->text(), QStringLiteral("General"));
        click(5);
        QCOMPARE(main.message.data(), message); // still the one window
        QCOMPARE(field(message, "toStation")->text(), QStringLiteral("BLN5"));
        QVERIFY(field(message, "message")->text().isEmpty()); // the placeholder
        QCOMPARE(field(message, "port")->text(), QStringLiteral("3"));
        click(26);
        QCOMPARE(field(message, "message")->text(), QStringLiteral("Q\ttabbed")); // tab kept
        click(11); // not the placeholder: a blank more
        QCOMPARE(field(message, "message")->text(), QStringLiteral("Enter Text Here "));
        // the timer refills every 30 s and the selection goes
        auto* timer = testing::child<QTimer>(&board, "Timer1");
        QCOMPARE(timer->interval(), 30000);
        main.own["BLN5"] = "new five";
        timer->start(1);
        QTRY_COMPARE(text(5), QStringLiteral("BLN5>\tnew five"));
        QCOMPARE(list->currentRow(), -1);
        delete message;
    }
};

QTEST_MAIN(ComposingWindowsTest)
#include "composing_windows_test.moc"
