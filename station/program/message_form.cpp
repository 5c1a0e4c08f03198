#include "station/program/message_form.h"

#include "station/program/host_station.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillet::station {

MessageForm::MessageForm(HostStation& host, QWidget* parent) : QDialog(parent), m_host(host) {
    setWindowTitle(tr("Messages - %1").arg(host.stationCallsign()));
    auto* layout = new QVBoxLayout(this);

    m_pages = new QTabWidget;
    m_pages->addTab(buildLogPage(), tr("&Log"));
    m_pages->addTab(buildTransmitPage(), tr("&Transmit"));
    layout->addWidget(m_pages, 1);

    m_status = new QLabel;
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText); // texts from the air are never markup
    layout->addWidget(m_status);

    // Send and Hide are for the mouse and their Alt keys only: a stray Space or Enter typed
    // while one of them had the focus must not send anything.
    m_send = new QPushButton(tr("&Send"));
    m_hide = new QPushButton(tr("&Hide"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {m_send, m_hide}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);

    connect(m_pages, &QTabWidget::currentChanged, this, &MessageForm::pageChanged);
    connect(m_text, &QLineEdit::returnPressed, this, &MessageForm::requestSend);
    connect(m_send, &QPushButton::clicked, this, &MessageForm::requestSend);
    connect(m_hide, &QPushButton::clicked, this, &MessageForm::hide);
    resize(460, 420);
}

QWidget* MessageForm::buildLogPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* caption = new QLabel(tr("Messages logged from this terminal:"));
    layout->addWidget(caption);
    m_logList = new QListWidget;
    caption->setBuddy(m_logList);
    m_logList->setAccessibleName(tr("Messages logged from this terminal"));
    layout->addWidget(m_logList, 1);
    return page;
}

QWidget* MessageForm::buildTransmitPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);

    // Eight controls come before the To field; the host's automation counts on it.
    m_template = new QComboBox;
    m_template->addItems({tr("(no template)"), tr("Net tonight 20:00 on 145.500"),
                          tr("Club meeting Friday 19:30"), tr("Test, please ignore")});
    m_acknowledge = new QCheckBox(tr("Request &acknowledgement"));
    m_acknowledge->setChecked(true);
    m_retries = new QSpinBox;
    m_retries->setRange(0, 20);
    m_retries->setValue(5);
    m_interval = new QSpinBox;
    m_interval->setRange(10, 600);
    m_interval->setValue(30);
    m_interval->setSuffix(tr(" s"));
    m_beep = new QCheckBox(tr("&Beep on reply"));
    m_recent = new QComboBox;
    m_recent->addItem(tr("(recent destinations)"));
    m_clear = new QPushButton(tr("Clear &fields"));
    m_clear->setAutoDefault(false);
    m_keepPath = new QCheckBox(tr("&Keep path after sending"));
    m_keepPath->setChecked(true);

    m_to = new QLineEdit;
    m_port = new QLineEdit(QStringLiteral("0"));
    m_digi = new QLineEdit;
    m_text = new QLineEdit;
    m_to->setPlaceholderText(tr("BLN1, station..."));
    m_digi->setPlaceholderText(tr("WIDE2-2"));
    // The form's labels name the fields too; these stay when a label is reworded.
    m_retries->setAccessibleName(tr("Retries"));
    m_interval->setAccessibleName(tr("Retry interval"));
    m_to->setAccessibleName(tr("To"));
    m_port->setAccessibleName(tr("Port"));
    m_port->setAccessibleDescription(tr("The port to send on, a whole number"));
    m_digi->setAccessibleName(tr("Digi path"));
    m_digi->setAccessibleDescription(
        tr("Digipeaters separated by commas, such as WIDE1-1,WIDE2-1; empty to send direct"));
    m_text->setAccessibleName(tr("Text"));
    m_text->setAccessibleDescription(tr("Enter asks whether to send"));

    form->addRow(tr("Template:"), m_template);
    form->addRow(QString(), m_acknowledge);
    form->addRow(tr("Retries:"), m_retries);
    form->addRow(tr("Retry interval:"), m_interval);
    form->addRow(QString(), m_beep);
    form->addRow(tr("Recent:"), m_recent);
    form->addRow(QString(), m_clear);
    form->addRow(QString(), m_keepPath);
    form->addRow(tr("To:"), m_to);
    form->addRow(tr("Port:"), m_port);
    form->addRow(tr("Digi path:"), m_digi);
    form->addRow(tr("Text:"), m_text);

    const QList<QWidget*> order{m_template, m_acknowledge, m_retries, m_interval, m_beep, m_recent,
                                m_clear,    m_keepPath,    m_to,      m_port,     m_digi, m_text};
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    connect(m_template, &QComboBox::activated, this, [this](int index) {
        if (index > 0) {
            m_text->setText(m_template->itemText(index));
        }
    });
    connect(m_recent, &QComboBox::activated, this, [this](int index) {
        if (index > 0) {
            m_to->setText(m_recent->itemText(index));
        }
    });
    connect(m_clear, &QPushButton::clicked, this, &MessageForm::clearFields);
    return page;
}

void MessageForm::openTerminal() {
    cancelConfirmation();
    m_status->clear();
    m_pages->setCurrentIndex(0);
    show();
    raise();
    activateWindow();
    m_logList->setFocus(Qt::OtherFocusReason);
}

QString MessageForm::statusText() const {
    return m_status->text();
}

void MessageForm::hideEvent(QHideEvent* event) {
    // A confirmation is a separate window that would outlive the hidden form; hiding or
    // closing the form answers it with No.
    cancelConfirmation();
    QDialog::hideEvent(event);
    // Back to the main window, as closing a tool window in the host does.
    if (!event->spontaneous() && parentWidget() != nullptr && parentWidget()->isVisible()) {
        parentWidget()->activateWindow();
    }
}

void MessageForm::keyPressEvent(QKeyEvent* event) {
    // QDialog would pass an Enter that no field took to a default button, and it searches its
    // children, the confirmation's No among them. Only the Text field's Enter means anything.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MessageForm::pageChanged(int index) {
    if (m_pages->widget(index) != nullptr && m_pages->widget(index)->isAncestorOf(m_to)) {
        m_template->setFocus(Qt::ShortcutFocusReason);
    }
}

void MessageForm::requestSend() {
    if (m_confirmation != nullptr || !isVisible()) {
        return;
    }
    const Message message{m_to->text().trimmed(), m_port->text().trimmed(), m_digi->text(),
                          m_text->text()};
    if (const QString problem =
            sendFieldsProblem({message.to, message.port, message.digi, message.text});
        !problem.isEmpty()) {
        showStatus(problem, true);
        return;
    }
    showStatus(QString(), false);

    // No is the default so that an Enter pressed once too often cancels instead of sending.
    // While the question is open the form does not ask again.
    auto* dialog = new QDialog(this);
    dialog->setWindowTitle(tr("Send message"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(dialog);
    auto* question =
        new QLabel(tr("Send this message?\n\nTo: %1\nPort: %2\nPath: %3\nText: %4")
                       .arg(message.to, message.port,
                            message.digi.isEmpty() ? tr("(direct)") : message.digi, message.text));
    question->setTextFormat(Qt::PlainText);
    layout->addWidget(question);
    auto* yes = new QPushButton(tr("&Yes"));
    auto* no = new QPushButton(tr("&No"));
    yes->setAutoDefault(false);
    no->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(yes);
    buttons->addWidget(no);
    layout->addLayout(buttons);
    connect(yes, &QPushButton::clicked, dialog, &QDialog::accept);
    connect(no, &QPushButton::clicked, dialog, &QDialog::reject);
    connect(dialog, &QDialog::finished, this, [this, message](int result) {
        m_confirmation = nullptr;
        if (result == QDialog::Accepted) {
            confirmed(message);
        } else {
            showStatus(tr("Not sent."), false);
        }
        if (isVisible()) {
            activateWindow();
            m_text->setFocus(Qt::OtherFocusReason);
        }
    });
    dialog->setMinimumWidth(320);
    m_confirmation = dialog;
    // Not modal: a window manager may hand the focus to a modal child when the program
    // activates the main window, and the next message must start there.
    dialog->show();
    no->setFocus(Qt::OtherFocusReason);
    dialog->activateWindow();
}

void MessageForm::confirmed(const Message& message) {
    const SendOutcome outcome =
        m_host.sendFields({message.to, message.port, message.digi, message.text});
    if (!outcome.logged) {
        showStatus(outcome.status, true);
        return;
    }
    m_logList->addItem(
        QStringLiteral("%1 > %2 (port %3%4): %5")
            .arg(m_host.stationCallsign(), message.to, message.port,
                 message.digi.isEmpty() ? QString() : QStringLiteral(", ") + message.digi,
                 message.text));
    if (m_recent->findText(message.to) < 0) {
        m_recent->addItem(message.to);
    }
    m_text->clear();
    if (!m_keepPath->isChecked()) {
        m_digi->clear();
    }
    showStatus(outcome.status, false);
}

void MessageForm::cancelConfirmation() {
    if (m_confirmation != nullptr) {
        m_confirmation->reject();
    }
}

void MessageForm::clearFields() {
    m_to->clear();
    m_port->setText(QStringLiteral("0"));
    m_digi->clear();
    m_text->clear();
    m_template->setCurrentIndex(0);
}

void MessageForm::showStatus(const QString& text, bool problem) {
    m_status->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
    m_status->setText(text);
}

} // namespace quillet::station
