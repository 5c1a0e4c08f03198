#pragma once

#include "base/work_queue.h"
#include "bulletins/bulletin_store.h"
#include "bulletins/clock.h"
#include "bulletins/date_time_formatter.h"
#include "composing/main_window_operations.h"
#include "composing/send_pacer.h"
#include "hostlink/host.h"
#include "hostlink/host_link.h"
#include "hostlink/host_settings.h"
#include "hostlink/keystroke_sender.h"
#include "notifications/bulletin_announcer.h"
#include "notifications/notifier.h"
#include "publishing/publish_pacing.h"
#include "publishing/schedule.h"
#include "publishing/uploader.h"
#include "publishing/webpage_publisher.h"
#include "settings/settings_keeper.h"
#include "settings/window/message_boxes.h"
#include "settings/window/setup_operations.h"

#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace quillet {

class AddMessageWindow;
class AddMultipleWindow;
class SetupWindow;
class StatusLine;

// The program's main window: the layout, the timers and the wiring between the bulletin
// table, the host link, the settings and the other windows. Nothing here waits for the
// host, a send or an upload: they run on work queues and their results come back here.
class MainWindow final : public QWidget, public MainWindowOperations, public SetupOperations {
    Q_OBJECT

public:
    struct Services {
        Host& host;
        KeystrokeSender& keys;
        SendPacer& pacer; // used by a send on the send and host queues' threads, in turn
        const Clock& clock;
        const DateTimeFormatter& formatter;
        std::function<void()> endProgram; // ends the program at once
        QString programDir;               // the folder the program keeps its files in
        Uploader& uploader;               // used on the publishing queue's thread
        const HostSettings& hostSettings; // where the host keeps its program folder
        std::filesystem::path executable; // the program itself, which the host's extras name
        MessageBoxes& boxes;
        Notifier& notifier; // desktop notices of new bulletins
    };
    // One queue each, so that a ten-second send or a slow upload never holds up a refresh.
    struct Workers {
        std::unique_ptr<WorkQueue> host; // every host call, one at a time
        std::unique_ptr<WorkQueue> send;
        std::unique_ptr<WorkQueue> publish;
    };

    MainWindow(Services services, Workers workers, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs once, before the window first shows.
    void startUp();

    // One refresh of the bulletin display: host log into the table, sort, both lists. Starts
    // it and returns; one that is still waiting for the host is not started twice.
    void refreshMessages() override;
    bool refreshPending() const { return m_refreshPending; }
    bool sending() const { return m_sending; }
    bool publishing() const { return m_publisher.busy(); }

    // The station's callsign is the one the last refresh fetched.
    std::string getMyMessageForBLN(const std::string& blnCode) override;
    void sendMessage(const std::string& toStation, std::int16_t port, const std::string& digi,
                     const std::string& msg, std::function<void(bool sent)> done) override;
    AddMessageWindow* openMessageWindow() override;
    // "Add Single": the Add Message window afresh, whatever it held.
    AddMessageWindow* openFreshMessageWindow();
    AddMultipleWindow* openMultipleWindow();

    // Sets one key of the settings file and reloads the settings; a failure is reported in
    // the status line and returned, and leaves file and settings as they were.
    Status changeConfig(const std::string& key, const std::string& value, bool upCase) override;
    std::string encrypt(const std::string& text) const override { return m_settings.encrypt(text); }
    const Settings& settings() const override { return m_settings.settings(); }
    std::filesystem::path settingsFile() const override;

    // One publishing run: the page from the template, then its copy and upload as the
    // settings say, on a snapshot of the table. Outcomes go to the status line, and to
    // `ended` when there is one.
    void webpageAction(std::function<void(const Status& outcome)> ended) override;
    void webpageAction() { webpageAction(nullptr); }
    // Whether a publishing run waits for its time (the board changed, or the upload's minute
    // has not ended yet).
    bool publishWaiting() const { return m_pacing.untilDue().has_value(); }
    SetupWindow* openSetupWindow();

    const BulletinStore& store() const { return *m_store; }
    const std::string& groupFilter() const { return m_groupFilter; }
    QString statusText() const;
    // A note from the start, such as where the files are kept; a problem the start met keeps
    // the status line.
    void showNote(const std::string& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Identity = std::pair<std::string, std::string>; // callsign, addressee

    void buildControls();
    void applyRefresh(const Result<HostReading>& reading, std::shared_ptr<BulletinStore> store);
    void sendEnded(const Status& outcome, const std::string& sentLine);
    // The bulletin through the host's own interface: no window activation, no keystrokes.
    void sendDirect(const std::string& toStation, std::int16_t port, const std::string& digi,
                    const std::string& msg);
    // The host said that its log changed: a refresh at once, at most one a second, never
    // while another is under way.
    void hostLogChanged();
    void refreshForLogChange();
    void showBulletins();
    void fillGroupList();
    // Screen readers hear which group the list shows.
    void describeChosenGroup();
    // The windows take the desktop's colours or their own, as the settings say.
    void followColourSetting();
    // The status line. What the operator asked for (a clicked bulletin's text, a send's
    // outcome) shows at once. An error stays until the operator acts or a newer error
    // replaces it: news (the host answering again, a publishing run starting or skipped) never
    // erases it, so a send that failed a moment before a reconnect can still be read. Only a
    // lost host's own error gives way to the news that the host is back.
    enum class Held { Nothing, Error, HostLost };
    void setStatus(const std::string& text);
    void showError(const std::string& text, Held until = Held::Error);
    void showNews(const std::string& text, bool hostBack = false);
    // Bulletins that a refresh brought: shown unless the line holds an error, or what the
    // operator asked for (a bulletin's text, a send's outcome) before the refresh came.
    void showArrivals(const std::string& text);
    // The operator acted: a click on one of this window's buttons, on a bulletin or a group,
    // opening the Add Message window (also from the board), or a new send. An error still
    // shown has been seen then, and the line is emptied for what comes next.
    void operatorActed();
    std::filesystem::path programDir() const;
    // A run with `settings` as they stand for it; `ended` gets its outcome.
    void publishRun(const Settings& settings, bool quiet,
                    std::function<void(const Status& outcome)> ended);
    // Starts the run the pacing says is due, or sets the timer for when one will be.
    void publishWhenDue();
    void bulletinClicked();
    void groupClicked();
    void updateMessage();
    void selectRowOf(const Identity& bulletin);

    Services m_services;
    SettingsKeeper m_settings;
    HostLink m_link; // used on the host queue only
    std::shared_ptr<BulletinStore> m_store;
    std::string m_groupFilter;
    std::string m_callsign; // as the last refresh fetched it
    bool m_captionSet = false;
    WebpagePublisher m_publisher;
    PublishingSchedule m_schedule;
    PublishPacing m_pacing;
    BulletinAnnouncer m_announcer;
    bool m_refreshPending = false;
    std::vector<Identity> m_readWhilePending; // marks the pending refresh must carry over
    std::optional<Identity> m_follow;         // the clicked bulletin, reselected after it
    bool m_groupListBusy = false;
    bool m_bulletinListBusy = false;
    Held m_held = Held::Nothing;     // what the status line shows, and what may replace it
    bool m_asked = false;            // the line shows what the operator asked for
    bool m_sending = false;          // a send is typing into the host
    bool m_hostDirect = false;       // the host offers its own interface, as the last refresh found
    bool m_logChangePending = false; // the host's log changed after the last refresh started
    bool m_logChangeResting = false; // a refresh for a change started less than a second ago
    std::function<void(bool sent)> m_sendDone;
    std::string m_sendNotice; // the keystroke layer's notice, shown with the send's outcome
    QPointer<AddMessageWindow> m_message;
    QPointer<AddMultipleWindow> m_multiMessages;
    QPointer<SetupWindow> m_setup;
    Workers m_workers; // last: stopped first, before what their jobs use

    QPushButton* m_addSingleButton = nullptr;   // Command2
    QPushButton* m_addMultipleButton = nullptr; // Command3
    QPushButton* m_updateButton = nullptr;
    QListWidget* m_groupList = nullptr;    // List2
    QPushButton* m_setupButton = nullptr;  // Command5
    QPushButton* m_exitButton = nullptr;   // Command1
    QListWidget* m_bulletinList = nullptr; // List1
    StatusLine* m_statusBar = nullptr;     // Picture1
    QLabel* m_status = nullptr;
    QLabel* m_applicationDir = nullptr;
    QTimer* m_refreshTimer = nullptr; // Timer1
    QTimer* m_publishTimer = nullptr; // Timer60Sec
    QTimer* m_logChangeRest = nullptr;
    QTimer* m_publishPace = nullptr; // the next run the board's changes wait for
};

// "V" and the version: major, minor and revision as plain decimal numbers ("V1.0.6").
QString versionText();

} // namespace quillet
