#pragma once

#include <QMainWindow>

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace quillet::hostapp {

class HostStation;
class MessageForm;

// The simulated host's window: station, map and the growing log, a form to log any station's
// bulletin by hand, and the Messages menu with the keyboard-driven message terminal. Closing it
// closes the host.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(HostStation& host, const QString& caption);

    MessageForm* messageForm() const { return m_messageForm; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showBulletins(int first, int count);
    void addFromForm();
    void updateAddButton();

    HostStation& m_host;
    QTreeWidget* m_log = nullptr;
    QLineEdit* m_callsign = nullptr;
    QLineEdit* m_addressee = nullptr;
    QLineEdit* m_text = nullptr;
    QPushButton* m_add = nullptr;
    MessageForm* m_messageForm = nullptr;
};

} // namespace quillet::hostapp
