#include "settings/window/setup_window.h"

#include "base/qt_text.h"
#include "settings/settings_size_limit.h"
#include "settings/window/message_boxes.h"
#include "settings/window/setup_operations.h"
#include "widgets/twips.h"
#include "widgets/window_style.h"

#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <string_view>

namespace quillet {

namespace {

// Labels and check boxes are bold, text boxes and buttons regular; colours stay the system's.
// The caption names its field for screen readers too.
void makeCaption(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                 QWidget* field) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(windowFont(true));
    label->setBuddy(field);
    field->setAccessibleName(text);
}

QLineEdit* makeField(QWidget* parent, const char* name, const QRect& geometry) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(geometry);
    field->setFont(windowFont(false));
    return field;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const QString& text,
                     const QRect& geometry) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QString::fromLatin1(name));
    check->setGeometry(geometry);
    check->setFont(windowFont(true));
    return check;
}

// Neither OK nor Cancel answers Enter: a key pressed in a text box must not save or discard.
QPushButton* makePlainButton(QWidget* parent, const char* name, const QString& caption,
                             const QRect& geometry) {
    QPushButton* button = makeButton(parent, name, caption, geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// A separator across the whole width, drawn in the system's text colour.
void makeLine(QWidget* parent, const char* name, int top) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    line->setGeometry(twipsRect(0, top, 5760, 15));
}

const char* switchText(const QCheckBox* box) {
    return box->isChecked() ? "TRUE" : "FALSE";
}

} // namespace

SetupWindow::SetupWindow(SetupOperations& main, MessageBoxes& boxes, QWidget* parent)
    : QWidget(parent, Qt::Window), m_main(main), m_boxes(boxes) {
    setObjectName(QStringLiteral("Setup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Setup"));
    setFixedSize(twipsToPixels(5775), twipsToPixels(4170));
    showFocusAlways(this);

    m_text15 = makeField(this, "Text15", twipsRect(120, 360, 1095, 285));
    makeCaption(this, "Label17", QStringLiteral("FTP Username"), twipsRect(120, 120, 1455, 255),
                m_text15);
    m_text13 = makeField(this, "Text13", twipsRect(1680, 360, 1095, 285));
    makeCaption(this, "Label16", QStringLiteral("FTP Password"), twipsRect(1680, 120, 1335, 255),
                m_text13);
    m_text13->setEchoMode(QLineEdit::Password);
    // Masked with "*", whatever mask character the style would pick.
    m_text13->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_text16 = makeField(this, "Text16", twipsRect(3000, 360, 2655, 285));
    makeCaption(this, "Label14", QStringLiteral("FTP Host"), twipsRect(3000, 120, 975, 255),
                m_text16);
    m_text17 = makeField(this, "Text17", twipsRect(120, 960, 2655, 285));
    makeCaption(this, "Label19", QStringLiteral("FTP Change Directory"),
                twipsRect(120, 720, 2055, 255), m_text17);
    m_check4 = makeCheck(this, "Check4", QStringLiteral("Auto &FTP Enabled"),
                         twipsRect(3000, 960, 1935, 255));
    makeLine(this, "Line1", 1440);
    m_text18 = makeField(this, "Text18", twipsRect(120, 2040, 2655, 285));
    makeCaption(this, "Label20", QStringLiteral("Copy to Directory (Weblantern)"),
                twipsRect(120, 1680, 3135, 255), m_text18);
    m_check9 = makeCheck(this, "Check9", QStringLiteral("Auto Cop&y Enabled"),
                         twipsRect(3000, 2040, 2535, 255));
    makeLine(this, "Line2", 2520);
    m_text1 = makeField(this, "Text1", twipsRect(120, 3120, 2655, 285));
    makeCaption(this, "Label1", QStringLiteral("HTML FileName"), twipsRect(120, 2760, 1455, 255),
                m_text1);
    m_check10 = makeCheck(this, "Check10", QStringLiteral("Use the &desktop's colours"),
                          twipsRect(2880, 3120, 2805, 255));
    m_check10->setAccessibleDescription(QStringLiteral(
        "For high-contrast themes: the desktop's colours instead of green on black"));
    m_publishOnChange =
        makeCheck(this, "publishOnChange", QStringLiteral("&Publish when the board changes"),
                  twipsRect(1800, 2760, 3915, 255));
    m_publishOnChange->setAccessibleDescription(QStringLiteral(
        "Publishes the page and its feeds within seconds of a new, replaced or removed bulletin"));
    makeLine(this, "Line3", 3600);
    m_command2 = makePlainButton(this, "Command2", QStringLiteral("&Cancel"),
                                 twipsRect(3240, 3720, 1215, 375));
    m_command1 =
        makePlainButton(this, "Command1", QStringLiteral("&OK"), twipsRect(4560, 3720, 1095, 375));
    m_command3 = makePlainButton(this, "Command3", QStringLiteral("&Test Webpage"),
                                 twipsRect(120, 3720, 1695, 375));

    const std::array<QWidget*, 13> tabOrder{
        m_text15, m_text13,          m_text16,  m_text17,   m_check4,   m_text18,  m_check9,
        m_text1,  m_publishOnChange, m_check10, m_command2, m_command1, m_command3};
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    m_text15->setFocus();

    connect(m_command1, &QPushButton::clicked, this, &SetupWindow::save);
    connect(m_command2, &QPushButton::clicked, this, &QWidget::close);
    connect(m_command3, &QPushButton::clicked, this, &SetupWindow::testWebpage);
}

SetupWindow* SetupWindow::open(QPointer<SetupWindow>& window, SetupOperations& main,
                               MessageBoxes& boxes, QWidget* parent) {
    if (!window) {
        window = new SetupWindow(main, boxes, parent);
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    window->fillFrom(main.settings());
    return window;
}

void SetupWindow::setFTPEnabled(bool ftpEnabled) {
    m_check4->setChecked(ftpEnabled);
}

void SetupWindow::setFTPHost(const std::string& ftpHost) {
    m_text16->setText(fromWindows1252(ftpHost));
}

void SetupWindow::setFTPUserName(const std::string& ftpUserName) {
    m_text15->setText(fromWindows1252(ftpUserName));
}

void SetupWindow::setFTPPassword(const std::string& ftpPassword) {
    m_text13->setText(fromWindows1252(ftpPassword));
}

void SetupWindow::setFTPDirectory(const std::string& ftpDirectory) {
    m_text17->setText(fromWindows1252(ftpDirectory));
}

void SetupWindow::setCopyToEnabled(bool copy) {
    m_check9->setChecked(copy);
}

void SetupWindow::fillFrom(const Settings& settings) {
    setFTPEnabled(settings.ftpEnabled);
    setFTPHost(settings.ftpHost);
    setFTPUserName(settings.ftpUserName);
    setFTPPassword(settings.ftpPassword);
    setFTPDirectory(settings.ftpDirectory);
    setCopyToEnabled(settings.autoCopyEnabled);
    m_text18->setText(fromWindows1252(settings.copyToDirectory));
    m_text1->setText(fromWindows1252(settings.htmlFileName));
    m_publishOnChange->setChecked(settings.publishOnChange);
    m_check10->setChecked(settings.useDesktopColours);
}

void SetupWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SetupWindow::save() {
    struct Change {
        std::string_view key;
        std::string value;
        bool upCase;
    };
    // Texts go as typed, untrimmed and unchecked; an empty box stores an empty value.
    const std::array<Change, 10> changes{{
        {kFtpEnabledKey, switchText(m_check4), true},
        {kFtpHostKey, toWindows1252(m_text16->text()), false},
        {kFtpUserNameKey, toWindows1252(m_text15->text()), false},
        {kFtpPasswordKey, m_main.encrypt(toWindows1252(m_text13->text())), false},
        {kFtpDirectoryKey, toWindows1252(m_text17->text()), false},
        {kAutoCopyEnabledKey, switchText(m_check9), true},
        {kCopyToDirectoryKey, toWindows1252(m_text18->text()), false},
        {kHtmlFileNameKey, toWindows1252(m_text1->text()), false},
        {kPublishOnChangeKey, switchText(m_publishOnChange), true},
        {kUseDesktopColoursKey, switchText(m_check10), true},
    }};
    // A file far too large for a settings file is refused before the first rewrite.
    Status outcome = checkSettingsFileSize(m_main.settingsFile());
    std::size_t failed = 0;
    for (; outcome && failed < changes.size(); ++failed) {
        const Change& change = changes[failed];
        outcome = m_main.changeConfig(std::string(change.key), change.value, change.upCase);
        if (!outcome) {
            break;
        }
    }
    if (outcome) {
        close();
        return;
    }
    // The keys before the failed one are in the file already; OK again retries them all.
    const auto names = [&](std::size_t from, std::size_t to) {
        QStringList list;
        for (std::size_t i = from; i < to; ++i) {
            list << fromWindows1252(changes[i].key).chopped(1); // without its "="
        }
        return list.join(QStringLiteral(", "));
    };
    const QString saved = failed == 0 ? QStringLiteral("No setting was saved.")
                                      : QStringLiteral("Saved: %1.").arg(names(0, failed));
    m_boxes.warning(
        this, QStringLiteral("Not all settings were saved:\n%1\n\n%2\nNot saved: %3.")
                  .arg(fromWindows1252(outcome.error()), saved, names(failed, changes.size())));
}

void SetupWindow::testWebpage() {
    // The pass runs on while the window waits, and the operator may close this window
    // meanwhile: the box then shows on its own. "done." only after a pass that succeeded.
    MessageBoxes& boxes = m_boxes;
    m_main.webpageAction([&boxes, self = QPointer<SetupWindow>(this)](const Status& outcome) {
        if (outcome) {
            boxes.information(self.data(), QStringLiteral("done."));
        } else {
            boxes.warning(self.data(), fromWindows1252(outcome.error()));
        }
    });
}

} // namespace quillet
