#include "app/locale_date_time_formatter.h"
#include "app/main_window.h"
#include "host/dbus_host.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));

    quillet::DBusHost host;
    const quillet::SystemClock clock;
    const quillet::LocaleDateTimeFormatter formatter;
    // Exit and the host's closing event end the program at once: every event loop, nested
    // ones included, stops and nothing more runs.
    quillet::MainWindow window({host, clock, formatter, [] { QCoreApplication::exit(0); },
                                QCoreApplication::applicationDirPath()});
    window.startUp();
    window.show();
    return QApplication::exec();
}
