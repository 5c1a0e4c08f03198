// Drives the simulator's windows in-process with the keys the program types into the host,
// one call's keys at a time, as the window system would deliver them.

#include "base/qt_text.h"
#include "host/keystroke_notation.h"
#include "tools/host/host_station.h"
#include "tools/host/main_window.h"
#include "tools/host/message_form.h"

#include <QApplication>
#include <QDBusConnection>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace quillet::hostapp {
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
    rows.insert(rows.end(), tabs, "\t");
    rows.insert(rows.end(), {escapeKeystrokeText(to), "\t", port, "\t", escapeKeystrokeText(digi),
                             "\t", escapeKeystrokeText(text), "{enter}", "%y", "%H"});
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
    static const std::tuple<std::string, Qt::KeyboardModifier, Qt::Key> kModifiers[] = {
        {"ctrl+", Qt::ControlModifier, Qt::Key_Control},
        {"alt+", Qt::AltModifier, Qt::Key_Alt},
        {"shift+", Qt::ShiftModifier, Qt::Key_Shift}};
    static const std::map<std::string, Qt::Key> kNamed{
        {"Tab", Qt::Key_Tab}, {"Return", Qt::Key_Return}, {"Escape", Qt::Key_Escape}};
    // The modifier keys are pressed and released on their own, before and after the key, as a
    // real keyboard (and libxdo) does: a window may react to Alt alone.
    std::string rest = sequence;
    Qt::KeyboardModifiers held;
    std::vector<std::pair<Qt::KeyboardModifier, Qt::Key>> pressed;
    for (const auto& [prefix, modifier, modifierKey] : kModifiers) {
        if (rest.starts_with(prefix)) {
            rest.erase(0, prefix.size());
            held |= modifier;
            pressed.emplace_back(modifier, modifierKey);
            QWidget* target = keyTarget();
            ASSERT_NE(target, nullptr) << "no window has the focus for " << sequence;
            QTest::sendKeyEvent(QTest::Press, target, modifierKey, QString(), held);
        }
    }
    Qt::Key key = rest.size() == 1        ? keyFor(QChar::fromLatin1(rest[0]))
                  : kNamed.contains(rest) ? kNamed.at(rest)
                                          : Qt::Key_unknown;
    if (key == Qt::Key_Tab && (held & Qt::ShiftModifier)) {
        key = Qt::Key_Backtab;
    }
    ASSERT_NE(key, Qt::Key_unknown) << "the test cannot press " << sequence;
    QWidget* target = keyTarget();
    ASSERT_NE(target, nullptr) << "no window has the focus for " << sequence;
    const QString text = rest.size() == 1 ? QString::fromLatin1(rest.data(), 1) : QString();
    QTest::sendKeyEvent(QTest::Click, target, key, text, held);
    for (auto it = pressed.rbegin(); it != pressed.rend(); ++it) {
        held &= ~it->first;
        if (QWidget* releaseTarget = keyTarget()) {
            QTest::sendKeyEvent(QTest::Release, releaseTarget, it->second, QString(), held);
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
    std::vector<FeedBulletin> logged() const { return m_host.bulletins(); }

    HostStation m_host;
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

// Sequences that differ from the program's in one step or one field; none may log.
struct WrongSequence {
    const char* name;
    std::vector<std::string> rows;
};

std::vector<WrongSequence> wrongSequences() {
    using Rows = std::vector<std::string>;
    const auto changed = [](void (*change)(Rows&)) {
        Rows rows = hostRows("BLN1", "1", "", "text");
        change(rows);
        return rows;
    };
    return {
        // without Alt+Y, Alt+H lands on the question, which ignores it
        {"NoAltY", changed([](Rows& r) { r.erase(r.end() - 2); })},
        {"AltN", changed([](Rows& r) { r[r.size() - 2] = "%n"; })},
        // Enter once too often lands on the question, whose default is No
        {"EnterTwice", changed([](Rows& r) { r.insert(r.end() - 2, "{enter}"); })},
        {"NoAltM", changed([](Rows& r) { r.erase(r.begin()); })},
        {"OneAltT", changed([](Rows& r) { r.erase(r.begin() + 1); })},
        {"AltTFirst", changed([](Rows& r) { std::swap(r[0], r[1]); })},
        {"SevenTabs", hostRows("BLN1", "1", "WIDE2-2", "shifted", 7)},
        {"NineTabs", hostRows("BLN1", "1", "WIDE2-2", "shifted", 9)},
        {"NoTabs", hostRows("BLN1", "1", "WIDE2-2", "shifted", 0)},
        {"BadPort", hostRows("BLN1", "port", "", "text")},
        {"BlankDestination", hostRows("   ", "1", "", "text")},
        {"BlankInsideDestination", hostRows("BLN 1", "1", "", "text")},
    };
}

void PrintTo(const WrongSequence& sequence, std::ostream* out) {
    *out << sequence.name;
}

class WrongSequenceTest : public SimulatorWindowTest,
                          public ::testing::WithParamInterface<WrongSequence> {};

TEST_P(WrongSequenceTest, LogsNothing) {
    send(GetParam().rows);
    EXPECT_TRUE(logged().empty()) << form().statusText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(SimulatorWindow, WrongSequenceTest, ::testing::ValuesIn(wrongSequences()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(SimulatorWindowTest, AnOutOfRangePortIsReportedAndNotConfirmed) {
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
    const auto buttons = question->findChildren<QPushButton*>();
    const auto yes = std::find_if(buttons.begin(), buttons.end(), [](QPushButton* button) {
        return button->text() == QStringLiteral("&Yes");
    });
    ASSERT_NE(yes, buttons.end());
    QTest::mouseClick(*yes, Qt::LeftButton);
    ASSERT_EQ(logged().size(), 1u);
    EXPECT_EQ(logged()[0], (FeedBulletin{QStringLiteral("G4SIM"), QStringLiteral("BLN3"),
                                         QStringLiteral("by hand")}));
    EXPECT_TRUE(form().textField()->text().isEmpty());
}

} // namespace
} // namespace quillet::hostapp

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
