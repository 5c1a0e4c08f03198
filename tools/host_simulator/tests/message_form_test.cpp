// Drives the simulator's windows in-process with the keys the program types into the host,
// one call's keys at a time, as the window system would deliver them.

#include "host/keystroke_notation.h"
#include "host/text_codec.h"
#include "tools/host_simulator/host_simulator.h"
#include "tools/host_simulator/main_window.h"
#include "tools/host_simulator/message_form.h"

#include <QApplication>
#include <QDBusConnection>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillet::simulator {
namespace {

// After an Alt key, long enough for a button's animated click (100 ms) to complete; after
// other rows, time for queued window events only.
constexpr int kAltRowPauseMs = 130;
constexpr int kRowPauseMs = 5;

// The rows the program hands to the host for one message, with the number of tabs that
// should reach the To field as a parameter.
std::vector<std::string> hostRows(const std::string& to, const std::string& port,
                                  const std::string& digi, const std::string& text, int tabs = 8) {
    std::vector<std::string> rows{"%M", "%t", "%t"};
    for (int i = 0; i < tabs; ++i) {
        rows.emplace_back("\t");
    }
    for (const std::string& row :
         {escapeKeystrokeText(to), std::string("\t"), port, std::string("\t"),
          escapeKeystrokeText(digi), std::string("\t"), escapeKeystrokeText(text)}) {
        rows.push_back(row);
    }
    rows.insert(rows.end(), {"{enter}", "%y", "%H"});
    return rows;
}

// Where a key pressed now would go: an open menu, else the focused widget.
QWidget* keyTarget() {
    if (QWidget* popup = QApplication::activePopupWidget()) {
        return popup->focusWidget() != nullptr ? popup->focusWidget() : popup;
    }
    if (QWidget* focus = QApplication::focusWidget()) {
        return focus;
    }
    return QApplication::activeWindow();
}

Qt::Key keyFor(QChar c) {
    const char16_t upper = c.toUpper().unicode();
    return upper < 0x100 ? static_cast<Qt::Key>(upper) : Qt::Key_unknown;
}

void pressKey(const std::string& sequence) {
    Qt::KeyboardModifiers modifiers;
    std::string rest = sequence;
    for (const auto& [prefix, modifier] :
         {std::pair{"ctrl+", Qt::ControlModifier}, std::pair{"alt+", Qt::AltModifier},
          std::pair{"shift+", Qt::ShiftModifier}}) {
        if (rest.starts_with(prefix)) {
            modifiers |= modifier;
            rest.erase(0, std::string(prefix).size());
        }
    }
    Qt::Key key = Qt::Key_unknown;
    if (rest == "Tab") {
        key = modifiers & Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab;
    } else if (rest == "Return") {
        key = Qt::Key_Return;
    } else if (rest == "Escape") {
        key = Qt::Key_Escape;
    } else if (rest.size() == 1) {
        key = keyFor(QChar::fromLatin1(rest[0]));
    }
    ASSERT_NE(key, Qt::Key_unknown) << "the test cannot press " << sequence;
    // The modifier keys are pressed and released on their own, before and after the key, as a
    // real keyboard (and libxdo) does: a window may react to Alt alone.
    const std::vector<std::pair<Qt::KeyboardModifier, Qt::Key>> modifierKeys{
        {Qt::ControlModifier, Qt::Key_Control},
        {Qt::AltModifier, Qt::Key_Alt},
        {Qt::ShiftModifier, Qt::Key_Shift}};
    Qt::KeyboardModifiers held;
    for (const auto& [modifier, modifierKey] : modifierKeys) {
        if (modifiers & modifier) {
            held |= modifier;
            QWidget* target = keyTarget();
            ASSERT_NE(target, nullptr) << "no window has the focus for " << sequence;
            QTest::sendKeyEvent(QTest::Press, target, modifierKey, QString(), held);
        }
    }
    QWidget* target = keyTarget();
    ASSERT_NE(target, nullptr) << "no window has the focus for " << sequence;
    const QString text = rest.size() == 1 ? QString::fromLatin1(rest.data(), 1) : QString();
    QTest::sendKeyEvent(QTest::Click, target, key, text, modifiers);
    for (auto it = modifierKeys.rbegin(); it != modifierKeys.rend(); ++it) {
        if (held & it->first) {
            held &= ~it->first;
            if (QWidget* releaseTarget = keyTarget()) {
                QTest::sendKeyEvent(QTest::Release, releaseTarget, it->second, QString(), held);
            }
        }
    }
}

void typeRow(const std::string& keys) {
    const ParsedKeystrokes parsed = parseKeystrokes(keys);
    ASSERT_TRUE(parsed.ok()) << keys << ": " << parsed.error;
    for (const KeyAction& action : parsed.actions) {
        if (action.kind == KeyAction::Kind::Key) {
            pressKey(action.text);
            continue;
        }
        for (const QChar c : fromWindows1252(action.text)) {
            QWidget* target = keyTarget();
            ASSERT_NE(target, nullptr);
            QTest::sendKeyEvent(QTest::Click, target, keyFor(c), QString(c), Qt::NoModifier);
        }
    }
    QTest::qWait(keys.find('%') != std::string::npos && keys.find("{%}") == std::string::npos
                     ? kAltRowPauseMs
                     : kRowPauseMs);
}

class SimulatorWindowTest : public ::testing::Test {
protected:
    SimulatorWindowTest()
        : m_host(QStringLiteral("G4SIM"), QStringLiteral("/maps/demo.gif"),
                 QDBusConnection(QStringLiteral("quillet-no-bus"))),
          m_window(m_host, QStringLiteral("UI-View32 V2.03 [Test]")) {}

    void SetUp() override {
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    // As the program does: activate the host's main window, then type the rows.
    void send(const std::vector<std::string>& rows) {
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
        typeRows(rows);
    }

    void typeRows(const std::vector<std::string>& rows) {
        for (const std::string& row : rows) {
            typeRow(row);
            if (::testing::Test::HasFatalFailure()) {
                return;
            }
        }
    }

    MessageForm& form() { return *m_window.messageForm(); }
    const std::vector<FeedBulletin>& logged() const { return m_host.log().bulletins(); }

    HostSimulator m_host;
    MainWindow m_window;
};

TEST_F(SimulatorWindowTest, TheHostSequenceLogsOneOwnBulletin) {
    send(hostRows(" BLN1 ", "1", "WIDE2-2",
                  " 50% off {x} [a] ~ Caf\xE9 21\xB0"
                  "C "));
    ASSERT_EQ(logged().size(), 1u) << form().statusText().toStdString();
    EXPECT_EQ(logged()[0], (FeedBulletin{QStringLiteral("G4SIM"), QStringLiteral("BLN1"),
                                         QString::fromUtf8(" 50% off {x} [a] ~ Caf\xC3\xA9 "
                                                           "21\xC2\xB0"
                                                           "C ")}));
    EXPECT_FALSE(form().isVisible()) << "Alt+H hides the form";

    // A second message the same way, with a negative port and no path: the form is found in
    // the state the first one left it in.
    send(hostRows("BLN2EU", "-1", "", "Second"));
    ASSERT_EQ(logged().size(), 2u) << form().statusText().toStdString();
    EXPECT_EQ(logged()[1],
              (FeedBulletin{QStringLiteral("G4SIM"), QStringLiteral("BLN2EU"), "Second"}));
    EXPECT_EQ(form().portField()->text(), QStringLiteral("-1"));
}

TEST_F(SimulatorWindowTest, UnansweredOrRefusedConfirmationLogsNothing) {
    std::vector<std::string> rows = hostRows("BLN1", "0", "", "no answer");
    rows.erase(rows.end() - 2); // no Alt+Y: Alt+H lands on the question, which ignores it
    send(rows);
    EXPECT_TRUE(logged().empty());
    EXPECT_TRUE(form().isVisible());
    EXPECT_NE(form().confirmation(), nullptr);

    rows = hostRows("BLN1", "0", "", "refused");
    rows[rows.size() - 2] = "%n";
    send(rows);
    EXPECT_TRUE(logged().empty());

    // Enter once too often lands on the question, whose default is No.
    rows = hostRows("BLN1", "0", "", "twice");
    rows.insert(rows.end() - 2, "{enter}");
    send(rows);
    EXPECT_TRUE(logged().empty());
}

TEST_F(SimulatorWindowTest, TextInTheWrongFieldsIsNeverLogged) {
    for (const int tabs : {7, 9, 0}) {
        send(hostRows("BLN1", "1", "WIDE2-2", "shifted by a field", tabs));
        EXPECT_TRUE(logged().empty()) << tabs << " tabs logged " << logged().size();
        form().hide();
    }
}

TEST_F(SimulatorWindowTest, MissingOrReorderedStepsLogNothing) {
    std::vector<std::string> rows = hostRows("BLN1", "1", "", "no menu");
    rows.erase(rows.begin()); // no Alt+M: everything goes to the main window
    send(rows);
    EXPECT_TRUE(logged().empty());
    EXPECT_FALSE(form().isVisible());

    rows = hostRows("BLN1", "1", "", "one Alt+T");
    rows.erase(rows.begin() + 1);
    send(rows);
    EXPECT_TRUE(logged().empty());
    form().hide();

    rows = hostRows("BLN1", "1", "", "Alt+T first");
    std::swap(rows[0], rows[1]);
    send(rows);
    EXPECT_TRUE(logged().empty());
}

TEST_F(SimulatorWindowTest, BadFieldsAreReportedAndNotConfirmed) {
    send(hostRows("BLN1", "port", "", "bad port"));
    EXPECT_TRUE(logged().empty());
    send(hostRows("   ", "1", "", "no destination"));
    EXPECT_TRUE(logged().empty());
    send(hostRows("BLN 1", "1", "", "blank inside"));
    EXPECT_TRUE(logged().empty());

    // The form stays open with the reason until it is hidden.
    std::vector<std::string> rows = hostRows("BLN1", "70000", "", "out of range");
    rows.pop_back();
    send(rows);
    EXPECT_TRUE(logged().empty());
    EXPECT_TRUE(form().isVisible());
    EXPECT_TRUE(form().statusText().contains(QStringLiteral("70000")));
    EXPECT_EQ(form().confirmation(), nullptr);
}

TEST_F(SimulatorWindowTest, ClosingTheFormWhileAskedLogsNothing) {
    std::vector<std::string> rows = hostRows("BLN1", "1", "", "closed");
    rows.resize(rows.size() - 2); // up to and with Enter
    send(rows);
    ASSERT_NE(form().confirmation(), nullptr);
    form().close();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&m_window)) << "the main window takes over";
    typeRows({"%y", "%H"});
    EXPECT_TRUE(logged().empty());
}

TEST_F(SimulatorWindowTest, TheFormWorksByMouse) {
    form().openTerminal();
    form().toField()->setText(QStringLiteral("BLN3"));
    form().portField()->setText(QStringLiteral("2"));
    form().textField()->setText(QStringLiteral("by hand"));
    QTest::mouseClick(form().sendButton(), Qt::LeftButton);
    QDialog* question = form().confirmation();
    ASSERT_NE(question, nullptr);
    QPushButton* yes = nullptr;
    for (QPushButton* button : question->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("&Yes")) {
            yes = button;
        }
    }
    ASSERT_NE(yes, nullptr);
    QTest::mouseClick(yes, Qt::LeftButton);
    ASSERT_EQ(logged().size(), 1u);
    EXPECT_EQ(logged()[0], (FeedBulletin{QStringLiteral("G4SIM"), QStringLiteral("BLN3"),
                                         QStringLiteral("by hand")}));
    EXPECT_TRUE(form().textField()->text().isEmpty());
}

} // namespace
} // namespace quillet::simulator

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
