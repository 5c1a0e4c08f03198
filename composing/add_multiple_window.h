#pragma once

#include <QWidget>

class QListWidget;
class QTimer;

namespace quillet {

class MainWindowOperations;

// The operator's board of own bulletins, one row per bulletin code, refilled every 30 s.
// A row click hands its code and text to the Add Message window.
class AddMultipleWindow final : public QWidget {
    Q_OBJECT

public:
    explicit AddMultipleWindow(MainWindowOperations& main, QWidget* parent = nullptr);

    void fillBulletinList();

protected:
    // Space or Enter on a row hands it over, as a click does.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape closes the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rowClicked();

    MainWindowOperations& m_main;
    QListWidget* m_list1 = nullptr;
    QTimer* m_timer1 = nullptr;
    bool m_rowClickBusy = false;
};

} // namespace quillet
