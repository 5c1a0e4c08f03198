#include "app/locale_date_time_formatter.h"
#include "app/main_window.h"
#include "composing/qt_send_pacer.h"
#include "host/dbus_host.h"
#include "host/ini_host_settings.h"
#include "host/xdo_keystroke_sender.h"
#include "notifications/dbus/dbus_notifier.h"
#include "publishing/curl/curl_transfer_control.h"
#include "publishing/qt/qt_transfer_wait.h"
#include "settings/window/message_boxes.h"

#include <QFile>
#include <QFileInfo>

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
    quillet::CurlTransferControl inet1;
    quillet::QtTransferWait transferWait;
    const quillet::IniHostSettings hostSettings;
    quillet::QtMessageBoxes boxes;
    quillet::DBusNotifier notifier;
    const std::string executableName =
        QFile::encodeName(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
            .toStdString();
    quillet::MainWindow window({host, keys, pacer, clock, formatter, endProgram,
                                QCoreApplication::applicationDirPath(), inet1, transferWait,
                                hostSettings, executableName, boxes, notifier});
    window.startUp();
    window.show();
    return QApplication::exec();
}
