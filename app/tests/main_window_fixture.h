#pragma once

// A main window over the fakes, with the locale-free formatter, in a temporary program
// directory. The work queues run each job at once unless the test asks for threads.

#include "app/main_window.h"
#include "app/qt_work_queue.h"
#include "contract/host_bus.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_host.h"
#include "testsupport/fake_host_settings.h"
#include "testsupport/fake_keystroke_sender.h"
#include "testsupport/fake_send_pacer.h"
#include "testsupport/fake_uploader.h"
#include "testsupport/named_child.h"
#include "testsupport/recording_message_boxes.h"
#include "testsupport/recording_notifier.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace quillet::testing {

inline std::string logLine(const std::string& callsign, const std::string& addressee,
                           const std::string& text) {
    return callsign + kFieldSeparator + addressee + kFieldSeparator + text + "\r\n";
}

// The rows' text or, with heads, only each row's first column (read mark and callsign).
inline QStringList entries(const QListWidget* list, bool heads = false) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->item(i)->text().section(QLatin1Char('\t'), 0, heads ? 0 : -1);
    }
    return out;
}

inline void clickRow(QListWidget* list, int row) {
    list->show();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

// The tests that type into a real X window fail without a display unless told to skip.
inline bool skipWithoutDisplay() {
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        return false;
    }
    if (qgetenv("QUILLET_SKIP_X11_TESTS") != "1") {
        qFatal("DISPLAY is not set: this test types into a real X window. Run the tests with "
               "scripts/test.sh, or set QUILLET_SKIP_X11_TESTS=1 to skip it.");
    }
    return true;
}

template <typename Queue> MainWindow::Workers workers() {
    return {std::make_unique<Queue>(), std::make_unique<Queue>(), std::make_unique<Queue>()};
}
template <> inline MainWindow::Workers workers<QtWorkQueue>() {
    return {std::make_unique<QtWorkQueue>(QStringLiteral("host")),
            std::make_unique<QtWorkQueue>(QStringLiteral("send")),
            std::make_unique<QtWorkQueue>(QStringLiteral("publish"))};
}

// What a main window takes besides its host, keystrokes, pauses and clock: fakes and a
// temporary program directory.
struct WindowServices {
    QTemporaryDir dir;
    IsoDateTimeFormatter formatter;
    FakeUploader uploader;
    FakeHostSettings hostSettings;
    RecordingMessageBoxes boxes;
    RecordingNotifier notifier;
    MainWindow::Services services(
        Host& host, KeystrokeSender& keys, SendPacer& pacer, const Clock& clock,
        std::function<void()> ending = [] {}) {
        return {host,       keys,     pacer,        clock,     formatter, ending,
                dir.path(), uploader, hostSettings, "quillet", boxes,     notifier};
    }
};

template <typename Queue = InlineWorkQueue> struct BasicWindowFixture : WindowServices {
    FakeHost host;
    FakeKeystrokeSender keys;
    FakeSendPacer pacer;
    FakeClock clock;
    int endings = 0;
    MainWindow window{services(host, keys, pacer, clock, [this] { ++endings; }), workers<Queue>()};
    template <typename T> T* control(const char* name) { return child<T>(&window, name); }
    QListWidget* list(const char* name) { return control<QListWidget>(name); }
    QPushButton* button(const char* name) { return control<QPushButton>(name); }
    QByteArray fileBytes(const char* name) const {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool writeFile(const char* name, const QByteArray& bytes) const {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
};

using WindowFixture = BasicWindowFixture<>;

} // namespace quillet::testing
