#pragma once

#include "bulletins/bulletin_store.h"
#include "bulletins/clock.h"
#include "bulletins/date_time_formatter.h"
#include "host/host.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace quillet {

// The program's main window: it holds the bulletin table and the host link for the
// whole run, and every other window is opened from it.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    struct Services {
        Host& host;
        const Clock& clock;
        const DateTimeFormatter& formatter;
        std::function<void()> endProgram; // ends the program at once
        QString programDir;               // the folder that holds the executable
    };

    explicit MainWindow(Services services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs once, before the window first shows.
    void startUp();

    // One refresh of the bulletin display: host log into the table, sort, both lists.
    void refreshMessages();

    const BulletinStore& store() const { return m_store; }
    const std::string& groupFilter() const { return m_groupFilter; }
    QString statusText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    bool ensureHost();
    void hostFailed(const HostError& error);
    void updateCaption();
    void showBulletins();
    void fillGroupList();
    void setStatus(const std::string& text);

    Services m_services;
    BulletinStore m_store;
    std::string m_groupFilter;
    std::unique_ptr<HostMap> m_uivMap;
    bool m_hostLost = false; // the last host call failed; the next refresh reconnects
    bool m_groupListBusy = false;

    QPushButton* m_command2 = nullptr; // Add Single
    QPushButton* m_command3 = nullptr; // Add Multiple
    QPushButton* m_updateButton = nullptr;
    QListWidget* m_list2 = nullptr;    // group filter
    QPushButton* m_command5 = nullptr; // Setup
    QPushButton* m_command1 = nullptr; // Exit
    QListWidget* m_list1 = nullptr;    // received bulletins
    QFrame* m_picture1 = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_applicationDir = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer60Sec = nullptr;
};

// "V1.0.6": major, minor and revision as plain decimal numbers.
QString versionText();

} // namespace quillet
