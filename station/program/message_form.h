#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace quillet::station {

class HostStation;

// The host's message terminal. The main window's Messages > Terminal opens it on its Log page;
// Alt+T turns to the Transmit page and puts the focus on its first control, eight Tab stops
// before the To field. Enter in the Text field (or Send) asks for confirmation, and only Yes
// there logs the message, as the station's own, in the host's log.
class MessageForm : public QDialog {
    Q_OBJECT
public:
    explicit MessageForm(HostStation& host, QWidget* parent = nullptr);

    // Shows and activates the form on its Log page, whatever state it was left in; a pending
    // confirmation is dropped unanswered.
    void openTerminal();

    QLineEdit* toField() const { return m_to; }
    QLineEdit* portField() const { return m_port; }
    QLineEdit* digiField() const { return m_digi; }
    QLineEdit* textField() const { return m_text; }
    QPushButton* sendButton() const { return m_send; }
    // The confirmation while it is asked; null otherwise.
    QDialog* confirmation() const { return m_confirmation; }
    QString statusText() const;

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Message {
        QString to;
        QString port;
        QString digi;
        QString text;
    };

    QWidget* buildLogPage();
    QWidget* buildTransmitPage();
    void pageChanged(int index);
    void requestSend();
    void confirmed(const Message& message);
    void cancelConfirmation();
    void clearFields();
    void showStatus(const QString& text, bool problem);

    HostStation& m_host;
    QTabWidget* m_pages = nullptr;
    QListWidget* m_logList = nullptr;
    QComboBox* m_template = nullptr;
    QCheckBox* m_acknowledge = nullptr;
    QSpinBox* m_retries = nullptr;
    QSpinBox* m_interval = nullptr;
    QCheckBox* m_beep = nullptr;
    QComboBox* m_recent = nullptr;
    QPushButton* m_clear = nullptr;
    QCheckBox* m_keepPath = nullptr;
    QLineEdit* m_to = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_digi = nullptr;
    QLineEdit* m_text = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_hide = nullptr;
    QLabel* m_status = nullptr;
    QDialog* m_confirmation = nullptr;
};

} // namespace quillet::station
