#include "composing/add_message_window.h"

#include "base/qt_text.h"
#include "composing/main_window_operations.h"
#include "composing/port_text.h"
#include "widgets/twips.h"
#include "widgets/window_style.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <array>

namespace quillet {

namespace {

QLineEdit* makeField(QWidget* parent, const char* name, const QString& text,
                     const QRect& geometry) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(geometry);
    field->setFont(windowFont(false));
    field->setMaxLength(32767); // no limit of the window's own
    return field;
}

// Keys that type, delete or confirm something raise the send test; keys that only move the
// cursor or focus do not.
bool isCharacterKey(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Escape:
        return false;
    default:
        return !key.text().isEmpty();
    }
}

} // namespace

QStringList bulletinCodeCharacters() {
    QStringList codes;
    for (char c = '1'; c <= '9'; ++c) {
        codes << QString(QLatin1Char(c));
    }
    for (char c = 'A'; c <= 'Z'; ++c) {
        codes << QString(QLatin1Char(c));
    }
    return codes;
}

AddMessageWindow::AddMessageWindow(MainWindowOperations& main, QWidget* parent)
    : QWidget(parent, Qt::Window), m_main(main) {
    setObjectName(QStringLiteral("message"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quillet Add Message"));
    setFixedSize(twipsToPixels(8655), twipsToPixels(1425));
    paintGrey(this);
    showFocusAlways(this);

    const QColor yellow(255, 255, 0);
    QLabel* toLabel =
        makeLabel(this, "Label1", QStringLiteral("To"), twipsRect(120, 120, 375, 255), yellow);
    m_toStation =
        makeField(this, "toStation", QStringLiteral("BLN"), twipsRect(480, 120, 1095, 285));
    toLabel->setBuddy(m_toStation);
    m_toStation->setAccessibleName(QStringLiteral("To"));
    m_toStation->setAccessibleDescription(
        QStringLiteral("The addressee: BLN and its code, perhaps with a group, such as BLN1EU"));
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setGeometry(twipsRect(1680, 120, 615, 315));
    m_combo1->setFont(windowFont(false));
    m_combo1->addItems(bulletinCodeCharacters());
    m_combo1->setCurrentIndex(-1);
    m_combo1->setAccessibleName(QStringLiteral("Bulletin code"));
    // Screen readers on Linux name a combo box by its current item and take its label from a
    // label that names it as its buddy: an unseen one, as the window shows no caption there.
    auto* codeLabel = new QLabel(QStringLiteral("Bulletin code"), this);
    codeLabel->setObjectName(QStringLiteral("codeLabel"));
    codeLabel->setBuddy(m_combo1);
    codeLabel->hide();
    m_combo1->setAccessibleDescription(
        QStringLiteral("1 to 9 or A to Z; picking one writes BLN and the code into To"));
    // A little wider than drawn, up to the field: Debian's bold sans is wider than the
    // caption's width allows by a pixel.
    QLabel* portLabel =
        makeLabel(this, "Label2", QStringLiteral("Port"), twipsRect(2400, 120, 465, 255), yellow);
    m_port = makeField(this, "port", QStringLiteral("1"), twipsRect(2880, 120, 615, 285));
    portLabel->setBuddy(m_port);
    m_port->setAccessibleName(QStringLiteral("Port"));
    m_port->setAccessibleDescription(
        QStringLiteral("The host's port to send on, a whole number from -32768 to 32767"));
    QLabel* digiLabel =
        makeLabel(this, "Label3", QStringLiteral("Digi"), twipsRect(3480, 120, 495, 255), yellow);
    m_digi = makeField(this, "digi", QString(), twipsRect(4080, 120, 4455, 285));
    digiLabel->setBuddy(m_digi);
    m_digi->setAccessibleName(QStringLiteral("Digi path"));
    m_digi->setAccessibleDescription(QStringLiteral(
        "Digipeaters separated by commas, such as WIDE1-1,WIDE2-1; empty to send direct"));
    QLabel* textLabel =
        makeLabel(this, "Label4", QStringLiteral("Text"), twipsRect(0, 600, 495, 255), yellow);
    m_message = makeField(this, "message", QString(), twipsRect(480, 600, 8055, 285));
    textLabel->setBuddy(m_message);
    m_message->setAccessibleName(QStringLiteral("Text"));
    m_message->setAccessibleDescription(QStringLiteral("The bulletin's text; Enter sends it"));
    m_send =
        makeButton(this, "Command2", QStringLiteral("&Send"), twipsRect(3480, 1080, 1455, 255));
    m_close =
        makeButton(this, "Command1", QStringLiteral("&Close"), twipsRect(7080, 1080, 1455, 255));

    // From the code to the text and on to Send, where a person writes; then the rest of the
    // window in reading order.
    const std::array<QWidget*, 7> tabOrder{m_combo1,    m_message, m_send, m_close,
                                           m_toStation, m_port,    m_digi};
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    m_combo1->setFocus();

    // Only a pick from the list rewrites the addressee, also when the same code is picked
    // again after the field was edited by hand.
    connect(m_combo1, &QComboBox::activated, this, [this](int index) {
        m_toStation->setText(QStringLiteral("BLN") + m_combo1->itemText(index));
    });
    connect(m_send, &QPushButton::clicked, this, &AddMessageWindow::sendAndClose);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    m_message->installEventFilter(this);
}

void AddMessageWindow::setToStation(const std::string& toStation) {
    m_toStation->setText(fromWindows1252(toStation));
}

void AddMessageWindow::setMessage(const std::string& message) {
    m_message->setText(fromWindows1252(message));
    // A bulletin to change: the code is chosen, the text is where the writing starts.
    m_message->setFocus();
}

void AddMessageWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool AddMessageWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_message && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // The key that triggers the send is not part of the text sent.
        if (isCharacterKey(*key) && (enter || m_message->text().size() > kMaxTypedLength)) {
            sendAndClose();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AddMessageWindow::sendAndClose() {
    if (m_sending) {
        return; // one send at a time: its keystrokes must not interleave with another's
    }
    const std::string toStation = toWindows1252(m_toStation->text());
    const std::string digi = toWindows1252(m_digi->text());
    const std::string msg = toWindows1252(m_message->text());
    const auto port = convertPort(toWindows1252(m_port->text()));
    if (!port) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("The port must be a whole number from -32768 to "
                                            "32767. Nothing was sent."));
        m_port->setFocus();
        m_port->selectAll();
        return;
    }
    m_sending = true;
    setEnabled(false); // the fields stay as they are while the keystrokes are typed
    // The send runs on while the window waits: the table is refreshed once it has ended, and
    // the window closed when the bulletin went out. After a failure the window stays, with
    // what the operator wrote, for another try; the status line says what went wrong.
    m_main.sendMessage(toStation, *port, digi, msg,
                       [self = QPointer<AddMessageWindow>(this)](bool sent) {
                           if (!self) {
                               return;
                           }
                           self->m_main.refreshMessages();
                           if (sent) {
                               self->close();
                           } else {
                               self->m_sending = false;
                               self->setEnabled(true);
                               self->m_message->setFocus();
                           }
                       });
}

} // namespace quillet
