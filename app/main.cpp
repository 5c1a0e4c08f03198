#include "app/locale_date_time_formatter.h"
#include "app/main_window.h"
#include "composing/qt_send_pacer.h"
#include "host/dbus_host.h"
#include "host/xdo_keystroke_sender.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));

    // Exit and the host's closing event end the program at once: every event loop, nested
    // ones included, stops, and a send in progress types no further key.
    bool ending = false;
    auto endProgram = [&ending] {
        ending = true;
        QCoreApplication::exit(0);
    };

    quillet::DBusHost host;
    quillet::XdoKeystrokeSender keys;
    quillet::QtSendPacer pacer([&ending] { return ending; });
    const quillet::SystemClock clock;
    const quillet::LocaleDateTimeFormatter formatter;
    quillet::MainWindow window(
        {host, keys, pacer, clock, formatter, endProgram, QCoreApplication::applicationDirPath()});
    window.startUp();
    window.show();
    return QApplication::exec();
}
