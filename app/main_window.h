#pragma once

#include "bulletins/bulletin_store.h"
#include "bulletins/clock.h"
#include "bulletins/date_time_formatter.h"
#include "composing/main_window_operations.h"
#include "composing/send_pacer.h"
#include "host/host.h"
#include "host/host_settings.h"
#include "host/keystroke_sender.h"
#include "notifications/bulletin_announcer.h"
#include "notifications/notifier.h"
#include "publishing/schedule.h"
#include "publishing/transfer_control.h"
#include "publishing/webpage_publisher.h"
#include "settings/scrambler.h"
#include "settings/settings.h"
#include "settings/window/message_boxes.h"
#include "settings/window/setup_operations.h"

#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace quillet {

class AddMessageWindow;
class AddMultipleWindow;
class SetupWindow;

// The program's main window: it holds the bulletin table and the host link for the
// whole run, and every other window is opened from it.
class MainWindow final : public QWidget, public MainWindowOperations, public SetupOperations {
    Q_OBJECT

public:
    struct Services {
        Host& host;
        KeystrokeSender& keys;
        SendPacer& pacer;
        const Clock& clock;
        const DateTimeFormatter& formatter;
        std::function<void()> endProgram; // ends the program at once
        QString programDir;               // the folder that holds the executable
        TransferControl& inet1;           // uploads the page
        TransferWait& transferWait;       // lets window events run while it does
        const HostSettings& hostSettings; // where the host keeps its program folder
        std::string executableName;       // the program's file name, for the host's extras
        MessageBoxes& boxes;
        Notifier& notifier; // desktop notices of new bulletins
    };

    explicit MainWindow(Services services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs once, before the window first shows.
    void startUp();

    // One refresh of the bulletin display: host log into the table, sort, both lists.
    void refreshMessages() override;

    std::string getMyMessageForBLN(const std::string& blnCode) override;
    void sendMessage(const std::string& toStation, std::int16_t port, const std::string& digi,
                     const std::string& msg) override;
    AddMessageWindow* openMessageWindow() override;
    // "Add Single": the Add Message window afresh, whatever it held.
    AddMessageWindow* openFreshMessageWindow();
    AddMultipleWindow* openMultipleWindow();

    // Sets one key of the settings file and reloads the settings; a failure is reported in
    // the status line and returned, and leaves file and settings as they were.
    std::optional<std::string> changeConfig(const std::string& key, const std::string& value,
                                            bool upCase) override;
    std::filesystem::path settingsFile() const override;
    std::string encrypt(const std::string& text) const override {
        return m_scrambler.encrypt(text);
    }
    std::string decrypt(const std::string& text) const { return m_scrambler.decrypt(text); }
    const Settings& settings() const override { return m_settings; }

    // One publishing run: the page from the template, then its copy and upload as the
    // settings say. Outcomes go to the status line.
    void webpageAction() override;
    SetupWindow* openSetupWindow();

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
    std::string stationCallsign();
    std::filesystem::path programDir() const;
    void bulletinClicked();
    void groupClicked();
    void updateMessage();
    void selectRowOf(const std::string& callsign, const std::string& addressee);

    Services m_services;
    BulletinStore m_store;
    std::string m_groupFilter;
    Scrambler m_scrambler;
    Settings m_settings;
    std::string m_startUpProblem; // shown instead of the version when start-up hit one
    WebpagePublisher m_publisher;
    PublishingSchedule m_schedule;
    BulletinAnnouncer m_announcer;
    std::unique_ptr<HostMap> m_uivMap;
    bool m_hostLost = false; // the last host call failed; the next refresh reconnects
    bool m_groupListBusy = false;
    bool m_bulletinListBusy = false;
    bool m_sending = false; // a send is typing into the host
    QPointer<AddMessageWindow> m_message;
    QPointer<AddMultipleWindow> m_multiMessages;
    QPointer<SetupWindow> m_setup;

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
