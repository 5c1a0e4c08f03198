#include "composing/add_message_window.h"
#include "composing/add_multiple_window.h"
#include "composing/main_window_operations.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <map>

using namespace quillet;

namespace {

// The main window as the composing windows see it: own bulletins from a map, sends and
// refreshes recorded.
class RecordingMain final : public MainWindowOperations {
public:
    std::map<std::string, std::string> own;
    std::vector<std::string> events;
    QPointer<AddMessageWindow> message;
    int lookups = 0;

    std::string getMyMessageForBLN(const std::string& blnCode) override {
        ++lookups;
        const auto it = own.find(blnCode);
        return it == own.end() ? std::string() : it->second;
    }
    void refreshMessages() override { events.push_back("refresh"); }
    void sendMessage(const std::string& toStation, std::int16_t port, const std::string& digi,
                     const std::string& msg) override {
        events.push_back("send <" + toStation + "> " + std::to_string(port) + " <" + digi + "> <" +
                         msg + ">");
        if (onSend) {
            onSend();
        }
    }
    AddMessageWindow* openMessageWindow() override {
        if (!message) {
            message = new AddMessageWindow(*this);
        }
        message->show();
        return message;
    }
    std::function<void()> onSend;
};

template <typename T> T* child(QWidget* window, const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class ComposingWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void addMessageOpensWithItsInitialContentsAndLayout() {
        RecordingMain main;
        AddMessageWindow* w = main.openMessageWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Quillet Add Message"));
        QCOMPARE(w->size(), QSize(577, 95));
        QCOMPARE(child<QLineEdit>(w, "toStation")->text(), QStringLiteral("BLN"));
        QCOMPARE(child<QLineEdit>(w, "port")->text(), QStringLiteral("1"));
        QVERIFY(child<QLineEdit>(w, "digi")->text().isEmpty());
        QVERIFY(child<QLineEdit>(w, "message")->text().isEmpty());
        auto* combo = child<QComboBox>(w, "Combo1");
        QCOMPARE(combo->count(), 35);
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->itemText(0), QStringLiteral("1"));
        QCOMPARE(combo->itemText(8), QStringLiteral("9"));
        QCOMPARE(combo->itemText(9), QStringLiteral("A"));
        QCOMPARE(combo->itemText(34), QStringLiteral("Z"));
        QCOMPARE(child<QWidget>(w, "message")->geometry(), QRect(32, 40, 537, 19));
        QCOMPARE(child<QPushButton>(w, "Command2")->text(), QStringLiteral("Send"));
        QCOMPARE(child<QPushButton>(w, "Command1")->text(), QStringLiteral("Close"));
        auto* label = child<QLabel>(w, "Label4");
        QCOMPARE(label->text(), QStringLiteral("Text"));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(255, 255, 0));
        QVERIFY(label->font().bold());

        // focus order: To, Port, Digi, Text, Close, Send, Combo1
        const char* order[] = {"toStation", "port",     "digi",   "message",
                               "Command1",  "Command2", "Combo1", "toStation"};
        QWidget* widget = child<QWidget>(w, order[0]);
        for (std::size_t i = 1; i < std::size(order); ++i) {
            widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus)) {
                widget = widget->nextInFocusChain();
            }
            QCOMPARE(widget->objectName(), QString::fromLatin1(order[i]));
        }
        delete w;
    }

    void aCodePickedFromTheListRewritesTheAddressee() {
        RecordingMain main;
        AddMessageWindow* w = main.openMessageWindow();
        auto* to = child<QLineEdit>(w, "toStation");
        auto* combo = child<QComboBox>(w, "Combo1");
        to->setText(QStringLiteral("BLN1EU"));
        QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 6));
        QCOMPARE(to->text(), QStringLiteral("BLN7"));
        QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 34));
        QCOMPARE(to->text(), QStringLiteral("BLNZ"));
        delete w;
    }

    void enterInTheTextSendsTheFieldsUnchangedRefreshesAndCloses() {
        RecordingMain main;
        QPointer<AddMessageWindow> w = main.openMessageWindow();
        child<QLineEdit>(w, "toStation")->setText(QStringLiteral("BLN "));
        child<QLineEdit>(w, "port")->setText(QStringLiteral("2.5"));
        child<QLineEdit>(w, "digi")->setText(QStringLiteral("WIDE1-1"));
        auto* text = child<QLineEdit>(w, "message");
        text->setText(QString::fromUtf8(" Caf\xC3\xA9 open "));
        QTest::keyClick(child<QLineEdit>(w, "digi"), Qt::Key_Return); // not here
        QVERIFY(main.events.empty());
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(main.events,
                 (std::vector<std::string>{"send <BLN > 2 <WIDE1-1> < Caf\xE9 open >", "refresh"}));
        QTRY_VERIFY(w.isNull()); // closed and gone
    }

    void sixtySeventhCharacterIsTakenTheKeyAfterTheSixtyEighthSends() {
        RecordingMain main;
        QPointer<AddMessageWindow> w = main.openMessageWindow();
        auto* text = child<QLineEdit>(w, "message");
        text->setFocus();
        text->setText(QString(66, QLatin1Char('a')));
        QTest::keyClick(text, Qt::Key_B); // 67
        QTest::keyClick(text, Qt::Key_C); // 68: still taken, the text held 67
        QVERIFY(main.events.empty());
        QCOMPARE(text->text().size(), 68);
        QTest::keyClick(text, Qt::Key_Backspace); // any key now sends the 68
        QCOMPARE(main.events.size(), 2u);
        QCOMPARE(main.events[0], "send <BLN> 1 <> <" + std::string(66, 'a') + "bc>");
        QTRY_VERIFY(w.isNull());
    }

    void movingKeysDoNotSendALongText() {
        RecordingMain main;
        AddMessageWindow* w = main.openMessageWindow();
        auto* text = child<QLineEdit>(w, "message");
        text->setText(QString(80, QLatin1Char('x'))); // put in without typing
        QTest::keyClick(text, Qt::Key_Left);
        QTest::keyClick(text, Qt::Key_Home);
        QTest::keyClick(text, Qt::Key_Shift);
        QVERIFY(main.events.empty());
        QTest::keyClick(text, Qt::Key_Z);
        QCOMPARE(main.events[0], "send <BLN> 1 <> <" + std::string(80, 'x') + ">");
    }

    void aPortThatIsNoSixteenBitNumberSendsNothingAndKeepsTheWindow() {
        for (const char* bad : {"", "abc", "40000", "-32769"}) {
            RecordingMain main;
            QPointer<AddMessageWindow> w = main.openMessageWindow();
            child<QLineEdit>(w, "port")->setText(QString::fromLatin1(bad));
            // the warning box is closed as soon as it shows
            QTimer::singleShot(0, [] {
                if (QWidget* box = QApplication::activeModalWidget()) {
                    box->close();
                }
            });
            w->sendAndClose();
            QVERIFY(main.events.empty());
            QVERIFY(!w.isNull() && w->isVisible());
            delete w;
        }
    }

    void aSecondSendWhileTheFirstIsTypingIsRefused() {
        RecordingMain main;
        QPointer<AddMessageWindow> w = main.openMessageWindow();
        main.onSend = [&] {
            QVERIFY(!w->isEnabled()); // nothing can be typed or pressed meanwhile
            w->sendAndClose();        // as a key press arriving during a pause
        };
        w->sendAndClose();
        QCOMPARE(std::count_if(main.events.begin(), main.events.end(),
                               [](const std::string& e) { return e.starts_with("send"); }),
                 1);
    }

    void closeSendsNothing() {
        RecordingMain main;
        QPointer<AddMessageWindow> w = main.openMessageWindow();
        child<QLineEdit>(w, "message")->setText(QStringLiteral("typed"));
        QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
        QTRY_VERIFY(w.isNull());
        QVERIFY(main.events.empty());
    }

    void theBoardShowsOwnBulletinsAndHandsARowOver() {
        RecordingMain main;
        main.own = {{"BLN", "General"}, {"BLNQ", "Q\ttabbed"}, {"BLN1EU", "group"}};
        AddMultipleWindow board(main);
        QCOMPARE(board.windowTitle(), QStringLiteral("Quillet Add Multiple Messages"));
        auto* list = child<QListWidget>(&board, "List1");
        QCOMPARE(list->count(), 36);
        QCOMPARE(list->item(0)->text(), QStringLiteral("BLN >\tGeneral"));
        QCOMPARE(list->item(26)->text(), QStringLiteral("BLNQ>\tQ\ttabbed"));
        QCOMPARE(list->currentRow(), -1);
        QCOMPARE(main.lookups, 36);

        auto click = [&](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        };
        board.show();
        AddMessageWindow* message = main.openMessageWindow();
        child<QLineEdit>(message, "port")->setText(QStringLiteral("3"));
        click(0);
        QCOMPARE(child<QLineEdit>(message, "toStation")->text(), QStringLiteral("BLN "));
        QCOMPARE(child<QLineEdit>(message, "message")->text(), QStringLiteral("General"));
        click(5);
        QCOMPARE(main.message.data(), message); // still the one window
        QCOMPARE(child<QLineEdit>(message, "toStation")->text(), QStringLiteral("BLN5"));
        QVERIFY(child<QLineEdit>(message, "message")->text().isEmpty()); // the placeholder
        QCOMPARE(child<QLineEdit>(message, "port")->text(), QStringLiteral("3"));
        click(26);
        QCOMPARE(child<QLineEdit>(message, "message")->text(), QStringLiteral("Q\ttabbed"));

        // the timer refills every 30 s and the selection goes
        auto* timer = board.findChild<QTimer*>(QStringLiteral("Timer1"));
        QCOMPARE(timer->interval(), 30000);
        QVERIFY(timer->isActive());
        main.own["BLN5"] = "new five";
        timer->start(1);
        QTRY_COMPARE(list->item(5)->text(), QStringLiteral("BLN5>\tnew five"));
        QCOMPARE(list->currentRow(), -1);
        delete message;
    }
};

QTEST_MAIN(ComposingWindowsTest)
#include "composing_windows_test.moc"
