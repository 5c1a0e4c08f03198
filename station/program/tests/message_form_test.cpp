// Drives the host's windows in-process with the keys the program types into the host,
// one call's keys at a time, as the window system would deliver them.

#include "base/qt_text.h"
#include "hostlink/keystroke_notation.h"
#include "station/program/host_station.h"
#include "station/program/message_form.h"
#include "station/program/station_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryFile>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace quillet::station {
namespace {

// The rows the program hands to the host for one message: eight tabs reach the To field.
std::vector<std::string> hostRows(const std::string& to, const std::string& port,
                                  const std::string& digi, const std::string& text) {
    std::vector<std::string> rows{"%M", "%t", "%t"};
    rows.insert(rows.end(), 8, "\t");
    rows.insert(rows.end(), {escapeKeystrokeText(to), "\t", port, "\t", escapeKeystrokeText(digi),
                             "\t", escapeKeystrokeText(text), "{enter}", "%y", "%H"});
    return rows;
}

// Where a key pressed now would go: an open menu, else the focused widget.
QWidget* keyTarget() {
    QWidget* popup = QApplication::activePopupWidget();
    QWidget* target = popup != nullptr ? (popup->focusWidget() ? popup->focusWidget() : popup)
                                       : QApplication::focusWidget();
    return target != nullptr ? target : QApplication::activeWindow();
}

Qt::Key keyFor(QChar c) {
    const char16_t upper = c.toUpper().unicode();
    return upper < 0x100 ? static_cast<Qt::Key>(upper) : Qt::Key_unknown;
}

// Alt+letter, Tab and Return. Alt goes down and up on its own around the key, as on a real
// keyboard (and libxdo): a window may react to Alt alone.
void pressKey(const std::string& sequence) {
    const bool alt = sequence.starts_with("alt+");
    const std::string rest = alt ? sequence.substr(4) : sequence;
    const Qt::Key key = rest.size() == 1   ? keyFor(QChar::fromLatin1(rest[0]))
                        : rest == "Tab"    ? Qt::Key_Tab
                        : rest == "Return" ? Qt::Key_Return
                                           : Qt::Key_unknown;
    ASSERT_NE(key, Qt::Key_unknown) << "the test cannot press " << sequence;
    ASSERT_NE(keyTarget(), nullptr) << "no window has the focus for " << sequence;
    const Qt::KeyboardModifiers held = alt ? Qt::AltModifier : Qt::NoModifier;
    if (alt) {
        QTest::sendKeyEvent(QTest::Press, keyTarget(), Qt::Key_Alt, QString(), held);
    }
    const QString text = rest.size() == 1 ? QString::fromLatin1(rest.data(), 1) : QString();
    QTest::sendKeyEvent(QTest::Click, keyTarget(), key, text, held);
    if (alt && keyTarget() != nullptr) {
        QTest::sendKeyEvent(QTest::Release, keyTarget(), Qt::Key_Alt, QString(), Qt::NoModifier);
    }
}

void typeRow(const std::string& keys) {
    const Result<std::vector<KeyAction>> parsed = parseKeystrokes(keys);
    ASSERT_TRUE(parsed) << keys << ": " << parsed.error();
    for (const KeyAction& action : *parsed) {
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
    // The row is taken once its queued window events have run and a button pressed through
    // its Alt key has ended its animated click, which only then clicks it.
    QCoreApplication::processEvents();
    const auto clicking = [] {
        const QWidgetList widgets = QApplication::allWidgets();
        return std::any_of(widgets.begin(), widgets.end(), [](QWidget* widget) {
            const auto* button = qobject_cast<QAbstractButton*>(widget);
            return button != nullptr && button->isDown();
        });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !clicking(); }, 2000)) << keys;
    QCoreApplication::processEvents();
}

class StationWindowTest : public ::testing::Test {
protected:
    void SetUp() override { restart(); }
    // A fresh host with its main window shown and active.
    void restart() {
        m_window.reset();
        m_host =
            std::make_unique<HostStation>(QStringLiteral("G4SIM"), QStringLiteral("/maps/demo.gif"),
                                          QDBusConnection(QStringLiteral("quillet-no-bus")));
        m_window =
            std::make_unique<StationWindow>(*m_host, QStringLiteral("UI-View32 V2.03 [Test]"));
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    // As the program does: activate the host's main window, then type the rows.
    void send(const std::vector<std::string>& rows) {
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        for (const std::string& row : rows) {
            ASSERT_NO_FATAL_FAILURE(typeRow(row));
        }
    }

    MessageForm& form() { return *m_window->messageForm(); }
    std::vector<FeedBulletin> logged() const { return m_host->bulletins(); }
    std::unique_ptr<HostStation> m_host;
    std::unique_ptr<StationWindow> m_window;
};

// A feed file is UTF-8, whatever the locale.
TEST_F(StationWindowTest, AFeedIsReadAsUtf8) {
    QTemporaryFile feed;
    ASSERT_TRUE(feed.open() && feed.write("F5XYZ|BLN1EU|R\xC3\xA9union\n") > 0 && feed.flush());
    const Result<int> loaded = m_host->loadFeed(feed.fileName());
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(*loaded, 1);
    EXPECT_EQ(logged(),
              (std::vector<FeedBulletin>{{QStringLiteral("F5XYZ"), QStringLiteral("BLN1EU"),
                                          QString::fromUtf8("R\xC3\xA9union")}}));
}

TEST_F(StationWindowTest, TheHostSequenceLogsOneOwnBulletin) {
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
    EXPECT_TRUE(form().textField()->text().isEmpty()) << "a sent text is cleared";
}

// Sequences that differ from the program's in one step or one field; none may log.
TEST_F(StationWindowTest, AWrongSequenceLogsNothing) {
    using Rows = std::vector<std::string>;
    const auto changed = [](void (*change)(Rows&)) {
        Rows rows = hostRows("BLN1", "1", "", "text");
        change(rows);
        return rows;
    };
    const std::pair<const char*, Rows> cases[] = {
        // without Alt+Y, Alt+H lands on the question, which ignores it
        {"NoAltY", changed([](Rows& r) { r.erase(r.end() - 2); })},
        {"AltN", changed([](Rows& r) { r[r.size() - 2] = "%n"; })},
        // Enter once too often lands on the question, whose default is No
        {"EnterTwice", changed([](Rows& r) { r.insert(r.end() - 2, "{enter}"); })},
        {"NoAltM", changed([](Rows& r) { r.erase(r.begin()); })},
        {"OneAltT", changed([](Rows& r) { r.erase(r.begin() + 1); })},
        {"AltTFirst", changed([](Rows& r) { std::swap(r[0], r[1]); })},
        {"BadPort", hostRows("BLN1", "port", "", "text")},
        {"BlankDestination", hostRows("   ", "1", "", "text")},
        {"BlankInsideDestination", hostRows("BLN 1", "1", "", "text")},
    };
    for (const auto& [name, rows] : cases) {
        send(rows);
        EXPECT_TRUE(logged().empty()) << name << ": " << form().statusText().toStdString();
        restart();
    }
}

// An out-of-range port stays in the open form with the reason until it is hidden; a form
// closed while it asks logs nothing.
TEST_F(StationWindowTest, AnOutOfRangePortOrAFormClosedWhileAskedLogsNothing) {
    std::vector<std::string> rows = hostRows("BLN1", "70000", "", "out of range");
    rows.pop_back();
    send(rows);
    EXPECT_TRUE(logged().empty());
    EXPECT_TRUE(form().isVisible());
    EXPECT_TRUE(form().statusText().contains(QStringLiteral("70000")));
    EXPECT_EQ(form().confirmation(), nullptr);
    restart();
    rows = hostRows("BLN1", "1", "", "closed");
    rows.resize(rows.size() - 2); // up to and with Enter
    send(rows);
    ASSERT_NE(form().confirmation(), nullptr);
    form().close();
    EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get())) << "the main window takes over";
    send({"%y", "%H"});
    EXPECT_TRUE(logged().empty());
}

} // namespace
} // namespace quillet::station

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
