// The Setup window over the settings core: what lands in quillet.ini is what the program writes.

#include "settings/scrambler.h"
#include "settings/settings_file.h"
#include "settings/window/setup_operations.h"
#include "settings/window/setup_window.h"
#include "testsupport/recording_message_boxes.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace quillet;

namespace {

// The main window as the Setup window sees it, over quillet.ini in a temporary directory;
// `hook` runs before each key is written and before each publishing pass.
struct FileBackedMain final : SetupOperations {
    QTemporaryDir dir;
    Settings loaded;
    Scrambler scrambler;
    std::vector<Settings> published; // the settings each publishing pass saw
    std::function<void(const std::string& key)> hook;

    QString iniPath(const char* suffix = "") const {
        return dir.filePath(QStringLiteral("quillet.ini") + QLatin1String(suffix));
    }
    QByteArray fileBytes() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "(unreadable)";
    }
    const Settings& settings() const override { return loaded; }
    Status changeConfig(const std::string& key, const std::string& value, bool upCase) override {
        if (hook) {
            hook(key);
        }
        return quillet::changeConfig(dir.path().toStdString(), key, value, upCase, scrambler,
                                     loaded);
    }
    std::filesystem::path settingsFile() const override { return iniPath().toStdString(); }
    std::string encrypt(const std::string& data) const override { return scrambler.encrypt(data); }
    Status outcome; // of every publishing pass
    void webpageAction(std::function<void(const Status&)> ended) override {
        if (hook) {
            hook("publishing");
        }
        published.push_back(loaded);
        ended(outcome);
    }
};

template <typename T = QLineEdit> T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    return found ? found : (qFatal("no control %s", name), nullptr);
}

void click(QWidget* window, const char* button) {
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // a closed one goes
}

} // namespace

class SetupWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FileBackedMain> m_main;
    RecordingMessageBoxes m_boxes;
    QPointer<SetupWindow> m_slot;

    // Starts from the given settings file (none: the first start) and opens Setup.
    SetupWindow* openWith(const QByteArray* file = nullptr) {
        m_main = std::make_unique<FileBackedMain>();
        m_boxes = RecordingMessageBoxes();
        QFile ini(m_main->iniPath());
        if (file && !(ini.open(QIODevice::WriteOnly) && ini.write(*file) > 0)) {
            qFatal("cannot write the settings file");
        }
        ini.close();
        (void)loadSettings(m_main->dir.path().toStdString(), m_main->scrambler, m_main->loaded);
        return SetupWindow::open(m_slot, *m_main, m_boxes);
    }

private slots:
    void cleanup() { delete m_slot.data(); }

    void opensFilledFromTheFileAndOnlyExactTrueTicks() {
        const QByteArray file("FTP_ENABLED=True\r\nAUTO_COPY_ENABLED=TRUE\r\nFTP_PASSWORD=" +
                              QByteArray::fromStdString(Scrambler().encrypt("pa55")) + "\r\n");
        SetupWindow* w = openWith(&file);
        QVERIFY(!child<QCheckBox>(w, "Check4")->isChecked());
        QVERIFY(child<QCheckBox>(w, "Check9")->isChecked());
        QCOMPARE(child(w, "Text13")->displayText(), QStringLiteral("****"));
        QCOMPARE(child(w, "Text16")->text(), QString::fromLatin1(kDefaultFtpHost));
        // Enter neither saves nor closes.
        QTest::keyClick(child(w, "Text16"), Qt::Key_Return);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w->isVisible());
        QCOMPARE(m_main->fileBytes(), file);
        // Opening again keeps the one window and refills it: what was typed is gone.
        child(w, "Text16")->setText(QStringLiteral("typed.example"));
        QCOMPARE(SetupWindow::open(m_slot, *m_main, m_boxes), w);
        QCOMPARE(child(w, "Text16")->text(), QString::fromLatin1(kDefaultFtpHost));
        // Escape closes it as Cancel does.
        child(w, "Text16")->setText(QStringLiteral("typed.example"));
        QTest::keyClick(child(w, "Text16"), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(m_slot.isNull());
        QCOMPARE(m_main->fileBytes(), file);
    }

    void okStoresEveryBoxUnderItsKeyAndCancelStoresNothing() {
        const QByteArray file("# notes, kept\r\nFTP_ENABLED=True\r\n");
        SetupWindow* w = openWith(&file);
        child(w, "Text16")->setText(QStringLiteral("new.example"));
        click(w, "Command2"); // Cancel
        QVERIFY(m_slot.isNull());
        QCOMPARE(m_main->fileBytes(), file);

        w = SetupWindow::open(m_slot, *m_main, m_boxes);
        const char* typed[] = {
            "Text15",          "a,b",    "Text13",           "s3cret", "Text16",
            "ftp.example.org", "Text17", "/pub/K\xC3\xB6ln", "Text18", " /srv/www ",
            "Text1",           ""};
        for (std::size_t i = 0; i < std::size(typed); i += 2) {
            child(w, typed[i])->setText(QString::fromUtf8(typed[i + 1]));
        }
        QTest::mouseClick(child<QCheckBox>(w, "Check9"), Qt::LeftButton);
        QTest::mouseClick(child<QCheckBox>(w, "publishOnChange"), Qt::LeftButton);
        QTest::mouseClick(child<QCheckBox>(w, "Check10"), Qt::LeftButton);
        click(w, "Command1"); // OK
        QVERIFY(m_slot.isNull());
        // The switches upper-cased ("True" is not ticked, so FALSE), texts untrimmed and in
        // Windows-1252, the password scrambled, missing keys appended in their order.
        QCOMPARE(m_main->fileBytes(),
                 "# notes, kept\r\nFTP_ENABLED=FALSE\r\nFTP_HOST=ftp.example.org\r\n"
                 "FTP_USERNAME=a|b\r\nFTP_PASSWORD=" +
                     QByteArray::fromStdString(m_main->scrambler.encrypt("s3cret")) +
                     "\r\nFTP_DIRECTORY=/pub/K\xF6ln\r\nAUTO_COPY_ENABLED=TRUE\r\n"
                     "COPY_TO_DIRECTORY= /srv/www \r\nHTML_FILENAME=\r\nPUBLISH_ON_CHANGE=FALSE\r\n"
                     "USE_DESKTOP_COLOURS=TRUE\r\n");
    }

    void testWebpageSaysDoneOnlyAfterASuccessfulPassAndSurvivesTheWindowClosing() {
        const QByteArray file("FTP_HOST=saved.example\r\n");
        SetupWindow* w = openWith(&file); // Test Webpage
        child(w, "Text16")->setText(QStringLiteral("unsaved.example"));
        std::size_t passesWhenShown = 0;
        m_boxes.onShow = [&] { passesWhenShown = m_main->published.size(); };
        click(w, "Command3");
        QCOMPARE(passesWhenShown, std::size_t(1)); // the pass, then "done."
        QCOMPARE(m_main->published[0].ftpHost, std::string("saved.example"));
        QCOMPARE(m_boxes.shown, QStringList{QStringLiteral("information: done.")});
        QCOMPARE(m_main->fileBytes(), file);
        // A pass that failed says what failed instead.
        m_main->outcome = fail("Error doing web page update -> no such folder");
        click(w, "Command3");
        QCOMPARE(m_boxes.shown.last(),
                 QStringLiteral("warning: Error doing web page update -> no such folder"));
        m_main->outcome = {};
        // An upload waits with the event loop running; the operator presses Cancel meanwhile.
        m_boxes.onShow = nullptr;
        m_main->hook = [&](const std::string&) { click(m_slot, "Command2"); };
        click(w, "Command3");
        QVERIFY(m_slot.isNull());
        QCOMPARE(m_boxes.shown.size(), 3);
    }

    void aFailedOkSaysWhichSettingsWereAndWereNotSaved() {
        const QString none = QStringLiteral(
            "No setting was saved.\nNot saved: FTP_ENABLED, FTP_HOST, FTP_USERNAME, FTP_PASSWORD, "
            "FTP_DIRECTORY, AUTO_COPY_ENABLED, COPY_TO_DIRECTORY, HTML_FILENAME, "
            "PUBLISH_ON_CHANGE, USE_DESKTOP_COLOURS.");
        const QByteArray big(100000, '#'); // far beyond a settings file: refused at once
        const std::tuple<const char*, const QByteArray*, QString> cases[] = {
            {"FTP_ENABLED=", nullptr, none},
            {"FTP_PASSWORD=", nullptr,
             "Saved: FTP_ENABLED, FTP_HOST, FTP_USERNAME.\nNot saved: FTP_PASSWORD, "
             "FTP_DIRECTORY, AUTO_COPY_ENABLED, COPY_TO_DIRECTORY, HTML_FILENAME, "
             "PUBLISH_ON_CHANGE, USE_DESKTOP_COLOURS."},
            {"", &big, none}};
        for (const auto& [key, file, saved] : cases) {
            const std::string failingKey = key;
            SetupWindow* w = openWith(file);
            child(w, "Text15")->setText(QStringLiteral("me"));
            // From the failing key on, a directory takes the new file's temporary name.
            const QString blocker = m_main->iniPath(".new");
            m_main->hook = [&](const std::string& changing) {
                if (changing == failingKey) {
                    QDir().mkdir(blocker);
                }
            };
            click(w, "Command1");
            QVERIFY(w->isVisible());
            QVERIFY2(m_boxes.shown.size() == 1 && m_boxes.shown[0].endsWith(saved),
                     qPrintable(m_boxes.shown.join(u'\n')));
            QVERIFY(!file || m_main->fileBytes() == *file);
            // Once the obstacle is gone, OK saves everything and closes.
            QVERIFY(QDir(blocker).removeRecursively() && QFile::resize(m_main->iniPath(), 0));
            m_main->hook = nullptr;
            click(w, "Command1");
            QVERIFY(m_slot.isNull());
            QCOMPARE(m_main->settings().ftpUserName, std::string("me"));
        }
    }
};

QTEST_MAIN(SetupWindowTest)
#include "setup_window_test.moc"
