// The Setup window against a real settings file in a temporary program directory: the main
// window's side is the settings core itself, so what lands in the file is what the program
// would write.

#include "settings/scrambler.h"
#include "settings/settings_file.h"
#include "settings/window/recording_message_boxes.h"
#include "settings/window/setup_operations.h"
#include "settings/window/setup_window.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace quillet;

namespace {

// The main window as the Setup window sees it, over quillet.ini in a temporary directory.
class FileBackedMain final : public SetupOperations {
public:
    FileBackedMain() { m_dirPath = m_dir.path().toStdString(); }

    bool valid() const { return m_dir.isValid(); }
    QString filePath(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QString iniPath() const { return filePath("quillet.ini"); }

    // Writes the file as a test wants it and loads it as start-up would; no file at all
    // gives the one the program creates on its first start.
    bool start() { return loadSettings(m_dirPath, m_scrambler, m_settings).ok(); }
    bool start(const QByteArray& content) {
        QFile file(iniPath());
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
               file.flush() && start();
    }

    QByteArray fileBytes() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    const Settings& settings() const override { return m_settings; }
    std::optional<std::string> changeConfig(const std::string& key, const std::string& value,
                                            bool upCase) override {
        if (beforeChange) {
            beforeChange(key);
        }
        changes.push_back(key + (upCase ? " up" : " as is"));
        const Status changed =
            quillet::changeConfig(m_dirPath, key, value, upCase, m_scrambler, m_settings);
        return changed ? std::nullopt : std::optional<std::string>(changed.error());
    }
    std::string encrypt(const std::string& data) const override {
        return m_scrambler.encrypt(data);
    }
    void webpageAction() override {
        if (duringPass) {
            duringPass();
        }
        published.push_back(m_settings);
    }

    std::vector<std::string> changes;
    std::vector<Settings> published; // the settings each publishing pass saw
    std::function<void(const std::string& key)> beforeChange;
    std::function<void()> duringPass;
    Scrambler m_scrambler;

private:
    QTemporaryDir m_dir;
    std::string m_dirPath;
    Settings m_settings;
};

template <typename T> T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no control %s", name);
    }
    return found;
}

QLineEdit* field(QWidget* window, const char* name) {
    return child<QLineEdit>(window, name);
}

// Runs the deletion that closing a window with WA_DeleteOnClose schedules.
void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Clicks a button and lets a window it closed go.
void click(QWidget* window, const char* button) {
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
    settle();
}

// Replaces a text box's contents as the operator would, by typing.
void retype(QWidget* window, const char* name, const QString& text) {
    QLineEdit* box = field(window, name);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(box, c.toLatin1());
        } else {
            box->insert(c); // QtTest types ASCII only
        }
    }
}

const std::vector<std::string> kEightKeysInOrder{
    "FTP_ENABLED= up",          "FTP_HOST= as is",      "FTP_USERNAME= as is",
    "FTP_PASSWORD= as is",      "FTP_DIRECTORY= as is", "AUTO_COPY_ENABLED= up",
    "COPY_TO_DIRECTORY= as is", "HTML_FILENAME= as is"};

} // namespace

class SetupWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FileBackedMain> m_main;
    RecordingMessageBoxes m_boxes;
    QPointer<SetupWindow> m_slot;

    // Starts from the given settings file (none: the program's first start) and opens the
    // window as the main window's "Setup" button does.
    SetupWindow* openWith(const QByteArray* file = nullptr) {
        if (!(m_main->valid() && (file ? m_main->start(*file) : m_main->start()))) {
            qFatal("cannot set up the settings file");
        }
        return SetupWindow::open(m_slot, *m_main, m_boxes);
    }
    QCheckBox* check(const char* name) { return child<QCheckBox>(m_slot, name); }

private slots:
    void init() {
        m_main = std::make_unique<FileBackedMain>();
        m_boxes.shown.clear();
        m_boxes.onShow = nullptr;
    }
    void cleanup() { delete m_slot.data(); }

    void opensFromFirstStartSettingsTabsInOrderAndIgnoresEnterAndEscape() {
        SetupWindow* w = openWith();
        QVERIFY(w->isVisible() && !w->isModal());
        QVERIFY(!check("Check4")->isChecked());
        QVERIFY(!check("Check9")->isChecked());
        const std::pair<const char*, QString> defaults[] = {
            {"Text16", QString::fromLatin1(kDefaultFtpHost)},
            {"Text15", ""},
            {"Text13", ""},
            {"Text17", ""},
            {"Text18", QString::fromLatin1(kDefaultCopyToDirectory)},
            {"Text1", "quillet.htm"}};
        for (const auto& [name, text] : defaults) {
            QCOMPARE(field(w, name)->text(), text);
        }

        // Tab visits the eleven controls in order, skipping labels and lines, and comes back
        // round to the first, which has the focus when the window opens.
        const QStringList expected{"Text15", "Text13", "Text16",   "Text17",   "Check4",  "Text18",
                                   "Check9", "Text1",  "Command2", "Command1", "Command3"};
        QStringList visited;
        QWidget* at = field(w, "Text15");
        do {
            visited << at->objectName();
            do {
                at = at->nextInFocusChain();
            } while ((at->focusPolicy() & Qt::TabFocus) == 0 || at == w);
        } while (at != field(w, "Text15") && visited.size() < 20);
        QCOMPARE(visited, expected);
        QCOMPARE(w->focusWidget(), field(w, "Text15"));

        // Enter and Escape neither save nor close.
        const QByteArray file = m_main->fileBytes();
        for (const char* name : {"Text15", "Text13", "Text1"}) {
            QTest::keyClick(field(w, name), Qt::Key_Return);
            QTest::keyClick(field(w, name), Qt::Key_Escape);
        }
        QTest::keyClick(w, Qt::Key_Escape);
        settle();
        QVERIFY(w->isVisible());
        QVERIFY(m_main->changes.empty());
        QCOMPARE(m_main->fileBytes(), file);

        w->setFTPPassword("pa55");
        QCOMPARE(field(w, "Text13")->displayText(), QStringLiteral("****"));
    }

    void onlyExactTrueTicksAndOkStoresFalseForTheRest() {
        const QByteArray file("FTP_ENABLED=True\r\nAUTO_COPY_ENABLED=true\r\n");
        SetupWindow* w = openWith(&file);
        QVERIFY(!check("Check4")->isChecked());
        QVERIFY(!check("Check9")->isChecked());
        for (const char* text : {"TRUE", "TRUE ", "", "FALSE"}) {
            w->setFTPEnabled(text);
            w->setCopyToEnabled(text);
            QCOMPARE(check("Check4")->isChecked(), std::string(text) == "TRUE");
            QCOMPARE(check("Check9")->isChecked(), std::string(text) == "TRUE");
        }
        click(w, "Command1");
        QVERIFY(m_slot.isNull());
        QVERIFY(m_main->fileBytes().startsWith("FTP_ENABLED=FALSE\r\nAUTO_COPY_ENABLED=FALSE\r\n"));
        QVERIFY(m_boxes.shown.isEmpty());
    }

    void okStoresEveryBoxUnderItsKey() {
        SetupWindow* w = openWith();
        retype(w, "Text15", QStringLiteral("a,b"));
        retype(w, "Text13", QStringLiteral("s3cret"));
        retype(w, "Text16", QStringLiteral("ftp.example.org"));
        retype(w, "Text17", QString::fromUtf8("/pub/K\xC3\xB6ln"));
        retype(w, "Text18", QStringLiteral(" /srv/www "));
        retype(w, "Text1", QString());
        QTest::mouseClick(check("Check4"), Qt::LeftButton);
        click(w, "Command1");
        QVERIFY(m_slot.isNull());

        // The eight keys in their order, the two switches upper-cased, texts untrimmed and in
        // Windows-1252, the password scrambled.
        QCOMPARE(m_main->changes, kEightKeysInOrder);
        const QByteArray expected =
            "FTP_HOST=ftp.example.org\r\nFTP_ENABLED=TRUE\r\nFTP_USERNAME=a|b\r\nFTP_PASSWORD=" +
            QByteArray::fromStdString(m_main->m_scrambler.encrypt("s3cret")) +
            "\r\nFTP_DIRECTORY=/pub/K\xF6ln\r\nAUTO_COPY_ENABLED=FALSE\r\n"
            "COPY_TO_DIRECTORY= /srv/www \r\nHTML_FILENAME=\r\n";
        QCOMPARE(m_main->fileBytes(), expected);
        QVERIFY(!m_main->fileBytes().contains("s3cret"));

        // Opened again, the window shows what was saved, read back through the file.
        SetupWindow* again = SetupWindow::open(m_slot, *m_main, m_boxes);
        QCOMPARE(field(again, "Text15")->text(), QStringLiteral("a,b"));
        QCOMPARE(field(again, "Text13")->text(), QStringLiteral("s3cret"));
        QCOMPARE(field(again, "Text17")->text(), QString::fromUtf8("/pub/K\xC3\xB6ln"));
        QVERIFY(field(again, "Text1")->text().isEmpty());
        QVERIFY(check("Check4")->isChecked());
    }

    void okAppendsMissingKeysInOrderAndKeepsOtherLines() {
        const QByteArray file("# my notes\r\nFTP_DIRECTORY=/pub\r\nWEBPAGE_UPDATE_EVERY=5\r\n"
                              "\r\nOTHER=1\r\nHTML_FILENAME=board.htm\r\n");
        click(openWith(&file), "Command1");
        QCOMPARE(m_main->fileBytes(),
                 file + "FTP_ENABLED=FALSE\r\nFTP_HOST=localhost\r\nFTP_USERNAME=\r\n"
                        "FTP_PASSWORD=\r\nAUTO_COPY_ENABLED=FALSE\r\n"
                        "COPY_TO_DIRECTORY=//server/share/quillet\r\n");
        QCOMPARE(m_main->settings().webpageUpdateEvery, std::string("5"));
    }

    void cancelAndTitleBarCloseWriteNothing() {
        for (const bool byTitleBar : {false, true}) {
            init();
            const QByteArray file("FTP_HOST=old.example\r\nFTP_ENABLED=True\r\nx,y\r\n");
            SetupWindow* w = openWith(&file);
            retype(w, "Text16", QStringLiteral("new.example"));
            QTest::mouseClick(check("Check9"), Qt::LeftButton);
            if (byTitleBar) {
                QVERIFY(w->close());
            } else {
                click(w, "Command2");
            }
            settle();
            QVERIFY(m_slot.isNull());
            QCOMPARE(m_main->fileBytes(), file);
            QVERIFY(m_main->changes.empty());
        }
    }

    void openingAgainKeepsTheOneWindowAndRefillsIt() {
        const QByteArray file("FTP_USERNAME=me\r\n");
        SetupWindow* first = openWith(&file);
        retype(first, "Text15", QStringLiteral("typed, not saved"));
        QCOMPARE(SetupWindow::open(m_slot, *m_main, m_boxes), first);
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<SetupWindow*>(w); }),
                 1);
        QCOMPARE(field(first, "Text15")->text(), QStringLiteral("me"));
    }

    void testWebpageUsesTheSavedSettingsAndSaysDone() {
        const QByteArray file("FTP_HOST=saved.example\r\nFTP_ENABLED=FALSE\r\n");
        SetupWindow* w = openWith(&file);
        retype(w, "Text16", QStringLiteral("unsaved.example"));
        QTest::mouseClick(check("Check4"), Qt::LeftButton);
        QTest::mouseClick(check("Check9"), Qt::LeftButton);
        std::size_t passesWhenShown = 0;
        m_boxes.onShow = [&] { passesWhenShown = m_main->published.size(); };
        click(w, "Command3");
        // One pass, over the saved settings with both switches off, before the box.
        QCOMPARE(m_main->published.size(), std::size_t(1));
        QCOMPARE(passesWhenShown, std::size_t(1));
        QCOMPARE(m_main->published[0].ftpHost, std::string("saved.example"));
        QVERIFY(!isSwitchOn(m_main->published[0].ftpEnabled));
        QVERIFY(!isSwitchOn(m_main->published[0].autoCopyEnabled));
        QCOMPARE(m_boxes.shown, QStringList{QStringLiteral("information: done.")});
        // Nothing saved; the window stays open with what was typed.
        QCOMPARE(m_main->fileBytes(), file);
        QVERIFY(w->isVisible());
        QCOMPARE(field(w, "Text16")->text(), QStringLiteral("unsaved.example"));
    }

    void testWebpageSurvivesTheWindowClosingDuringThePass() {
        // An upload waits with the event loop running; the operator presses Cancel meanwhile.
        bool closedDuringPass = false;
        m_main->duringPass = [&] {
            click(m_slot, "Command2");
            closedDuringPass = m_slot.isNull();
        };
        click(openWith(), "Command3");
        QVERIFY(closedDuringPass);
        QCOMPARE(m_boxes.shown, QStringList{QStringLiteral("information: done.")});
    }

    void aRewriteFailingPartWayKeepsTheWindowOpenAndTheEarlierKeys() {
        SetupWindow* w = openWith();
        retype(w, "Text16", QStringLiteral("ftp.example.org"));
        retype(w, "Text15", QStringLiteral("me"));
        retype(w, "Text17", QStringLiteral("/pub"));
        // From the password on, the new file cannot be written: a directory takes its
        // temporary name.
        const QString blocker = m_main->filePath("quillet.ini.new");
        m_main->beforeChange = [&](const std::string& key) {
            if (key == "FTP_PASSWORD=") {
                QDir().mkdir(blocker);
            }
        };
        click(w, "Command1");
        QVERIFY(w->isVisible());
        QCOMPARE(m_boxes.shown.size(), 1);
        QVERIFY2(m_boxes.shown[0].startsWith(QStringLiteral("warning: Not all settings")) &&
                     m_boxes.shown[0].contains(QStringLiteral("FTP_PASSWORD")),
                 qPrintable(m_boxes.shown[0]));
        // Stopped at the failing key: the three before it written, none after it tried.
        QCOMPARE(m_main->changes.size(), std::size_t(4));
        QCOMPARE(
            m_main->fileBytes(),
            QByteArray("FTP_HOST=ftp.example.org\r\nFTP_ENABLED=FALSE\r\nFTP_USERNAME=me\r\n"));

        // Once the obstacle is gone, OK saves everything and closes.
        QVERIFY(QDir(blocker).removeRecursively());
        m_main->beforeChange = nullptr;
        click(w, "Command1");
        QVERIFY(m_slot.isNull());
        QCOMPARE(m_main->settings().ftpDirectory, std::string("/pub"));
    }
};

QTEST_MAIN(SetupWindowTest)
#include "setup_window_test.moc"
