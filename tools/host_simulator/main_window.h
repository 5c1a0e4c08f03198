#pragma once

#include <QMainWindow>

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace quillet::simulator {

class HostSimulator;

// The simulated host's window: station, map and the growing log, plus a form to log a
// bulletin by hand. Closing it closes the host.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(HostSimulator& host, const QString& caption);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showBulletins(int first, int count);
    void addFromForm();
    void updateAddButton();

    HostSimulator& m_host;
    QTreeWidget* m_log = nullptr;
    QLineEdit* m_callsign = nullptr;
    QLineEdit* m_addressee = nullptr;
    QLineEdit* m_text = nullptr;
    QPushButton* m_add = nullptr;
};

} // namespace quillet::simulator
