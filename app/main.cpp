#include "app/folder_lock.h"
#include "app/locale_date_time_formatter.h"
#include "app/main_window.h"
#include "app/program_files.h"
#include "app/qt_work_queue.h"
#include "base/qt_text.h"
#include "composing/sleeping_send_pacer.h"
#include "hostlink/dbus_host.h"
#include "hostlink/ini_host_settings.h"
#include "hostlink/xdo_keystroke_sender.h"
#include "notifications/dbus/dbus_notifier.h"
#include "publishing/curl/curl_uploader.h"
#include "settings/window/message_boxes.h"
#include "widgets/status_line.h"
#include "widgets/twips.h"
#include "widgets/x11_display.h"

#include <QFile>

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>

#include <atomic>
#include <memory>

namespace {

// A problem that ends the start: on stderr, and in a box when there is a screen to show it.
int endWith(const QString& message) {
    std::fprintf(stderr, "quillet: %s\n", qPrintable(message));
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Quillet"), message);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    // Qt aborts when it cannot reach the display; Quillet says so in a sentence instead.
    if (!quillet::x11DisplayReachableOrSaid("quillet")) {
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    quillet::installAccessibleInterfaces();
    quillet::followDesktopFont();

    // Beside the executable, or in the user's folder for an install under /usr. A folder that
    // cannot be written ends the start before anything is written.
    const quillet::Result<quillet::ProgramFolder> folder = quillet::quilletProgramFolder();
    if (!folder) {
        return endWith(QFile::decodeName(folder.error().c_str()));
    }
    const QString programFolder = QFile::decodeName(folder->folder.c_str());
    const QString folderNote = quillet::programFolderNote(*folder);
    if (!folderNote.isEmpty()) {
        std::fprintf(stderr, "quillet: %s\n", qPrintable(folderNote));
    }

    // The settings file, the page's temporary file and the extras file live in the program
    // folder: a second copy from the same folder would fight the first over them.
    const quillet::FolderLock lock(
        QFile::encodeName(programFolder + QStringLiteral("/quillet.lock")).toStdString());
    if (lock.state() == quillet::FolderLock::State::takenByAnother) {
        return endWith(
            QStringLiteral("Quillet is already running from this folder (%1).").arg(programFolder));
    }
    if (lock.state() == quillet::FolderLock::State::unavailable) {
        // The folder was writable a moment ago; the window reports what fails next. The
        // start goes on, unguarded.
        std::fprintf(stderr, "quillet: %s\n", lock.problem().c_str());
    }

    // Exit and the host's closing event end the program at once: every event loop, nested
    // ones included, stops, a send in progress types no further key and an upload in
    // progress stops, so that the window need not wait for either on its way out.
    std::atomic<bool> ending = false; // read by the send's worker
    quillet::CurlUploader uploader;
    auto endProgram = [&ending, &uploader] {
        ending = true;
        uploader.cancel();
        QCoreApplication::exit(0);
    };

    quillet::DBusHost host;
    quillet::XdoKeystrokeSender keys;
    quillet::SleepingSendPacer pacer([&ending] { return ending.load(); });
    const quillet::SystemClock clock;
    const quillet::LocaleDateTimeFormatter formatter;
    const quillet::IniHostSettings hostSettings;
    quillet::QtMessageBoxes boxes;
    quillet::DBusNotifier notifier;
    // The host starts the program from where its executable is, not from its files' folder.
    const std::filesystem::path executable(
        QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    quillet::MainWindow window({host, keys, pacer, clock, formatter, endProgram, programFolder,
                                uploader, hostSettings, executable, boxes, notifier},
                               {std::make_unique<quillet::QtWorkQueue>(QStringLiteral("host")),
                                std::make_unique<quillet::QtWorkQueue>(QStringLiteral("send")),
                                std::make_unique<quillet::QtWorkQueue>(QStringLiteral("publish"))});
    window.startUp();
    if (!folderNote.isEmpty()) {
        window.showNote(quillet::toWindows1252(folderNote));
    }
    window.show();
    return QApplication::exec();
}
