#pragma once

#include <QMainWindow>
#include <QStringList>

#include <cstddef>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace quillet::station {

class HostStation;
class MessageForm;

// The host's window: station, map, the state of each link, the packets heard last, the log, a
// form to log any station's bulletin by hand, and the Messages menu with the keyboard-driven
// message terminal. Closing it closes the host.
class StationWindow : public QMainWindow {
    Q_OBJECT
public:
    StationWindow(HostStation& host, const QString& caption);

    MessageForm* messageForm() const { return m_messageForm; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showLog();
    void showLinks();
    void showHeard();
    void addFromForm();
    void updateAddButton();

    HostStation& m_host;
    QTreeWidget* m_log = nullptr;
    std::size_t m_shownEnd =
        0; // the log lines ever logged when the list was last brought up to date
    QLabel* m_links = nullptr;
    QLabel* m_lastProblem = nullptr;
    QListWidget* m_heard = nullptr;
    QTimer* m_heardTimer = nullptr;
    QTimer* m_logTimer = nullptr;
    QLineEdit* m_callsign = nullptr;
    QLineEdit* m_addressee = nullptr;
    QLineEdit* m_text = nullptr;
    QPushButton* m_add = nullptr;
    MessageForm* m_messageForm = nullptr;
};

} // namespace quillet::station
