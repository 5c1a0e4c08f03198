#include "main_window.h"

#include "base/qt_text.h"
#include "bulletins/bulletin_list.h"
#include "bulletins/group_list.h"
#include "bulletins/text_rules.h"
#include "composing/add_message_window.h"
#include "composing/add_multiple_window.h"
#include "composing/message_sender.h"
#include "composing/own_bulletin_board.h"
#include "hostlink/extras_registration.h"
#include "settings/settings_file.h"
#include "settings/window/setup_window.h"
#include "widgets/status_line.h"
#include "widgets/tab_columns_delegate.h"
#include "widgets/twips.h"
#include "widgets/window_style.h"

#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <array>

namespace quillet {

namespace {

constexpr int kRefreshIntervalMs = 30000;
constexpr int kPublishTickMs = 60000;
// The least time between two refreshes that the host's log changes start: a busy channel
// brings bulletins every few hundred milliseconds, and a host that cannot tell new lines
// apart answers each refresh with the whole log.
constexpr int kLogChangeRestMs = 1000;

} // namespace

QString versionText() {
    return QStringLiteral("V%1.%2.%3")
        .arg(QUILLET_VERSION_MAJOR)
        .arg(QUILLET_VERSION_MINOR)
        .arg(QUILLET_VERSION_PATCH);
}

MainWindow::MainWindow(Services services, Workers workers, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)),
      m_settings(std::filesystem::path(QFile::encodeName(m_services.programDir).toStdString())),
      m_link(m_services.host), m_store(std::make_shared<BulletinStore>(m_services.clock)),
      m_publisher(m_services.uploader, m_services.clock, m_services.formatter,
                  [this](const std::string& text) {
                      if (text.starts_with(kPublishErrorPrefix)) {
                          showError(text);
                      } else {
                          showNews(text); // a run starting empties the line, or was skipped
                      }
                  }),
      m_pacing(m_services.clock),
      m_announcer(m_services.notifier, [this](const std::string& text) { showError(text); }),
      m_workers(std::move(workers)) {
    buildControls();
}

MainWindow::~MainWindow() {
    // A host call or a send still running is waited for here, with the window gone; what
    // the queues would still hand back is dropped.
    hide();
    m_services.host.setLogChangedHandler({});
    m_workers = {};
}

void MainWindow::buildControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillet"));
    setFixedSize(twipsToPixels(11190), twipsToPixels(7950));
    paintGrey(this);
    showFocusAlways(this);

    m_addSingleButton =
        makeButton(this, "Command2", QStringLiteral("&Add Single"), twipsRect(120, 120, 1095, 255));
    m_addSingleButton->setAccessibleDescription(QStringLiteral("Write a new bulletin"));
    m_addMultipleButton = makeButton(this, "Command3", QStringLiteral("Add &Multiple"),
                                     twipsRect(1200, 120, 1215, 255));
    m_addMultipleButton->setAccessibleDescription(
        QStringLiteral("The station's own bulletins, one row for each code"));
    m_updateButton = makeButton(this, "updateButton", QStringLiteral("&Update Message"),
                                twipsRect(2520, 120, 1455, 255));
    m_updateButton->setAccessibleDescription(
        QStringLiteral("Change the chosen bulletin, when it is one of the station's own"));
    m_updateButton->setEnabled(false);

    // One row high: the groups sit side by side and scroll sideways.
    m_groupList = makeList(this, "List2", twipsRect(4080, 120, 4695, 225));
    m_groupList->setFlow(QListView::LeftToRight);
    m_groupList->setWrapping(false);
    m_groupList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_groupList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_groupList->setSpacing(0);
    m_groupList->setAccessibleName(QStringLiteral("Group filter"));

    m_setupButton =
        makeButton(this, "Command5", QStringLiteral("&Setup"), twipsRect(8880, 120, 1095, 255));
    m_exitButton =
        makeButton(this, "Command1", QStringLiteral("E&xit"), twipsRect(10080, 120, 1095, 255));
    m_bulletinList = makeList(this, "List1", twipsRect(0, 480, 11175, 7245));
    m_bulletinList->setAccessibleName(QStringLiteral("Received bulletins"));
    m_bulletinList->setAccessibleDescription(
        QStringLiteral("Space or Enter marks the bulletin read and shows its text below"));
    // Space and Enter act on the current row, as a click does.
    m_bulletinList->installEventFilter(this);
    // Columns sized for a long callsign with SSID and for the locale's widest date.
    auto* columns = static_cast<TabColumnsDelegate*>(m_bulletinList->itemDelegate());
    const QFontMetrics metrics(m_bulletinList->font());
    const int callsignWidth = metrics.horizontalAdvance(QStringLiteral("R WW0WWW-15")) + 12;
    const std::string widestDate =
        m_services.formatter.format(makeLocalDateTime(2028, 12, 28, 20, 58, 58));
    const int dateWidth = metrics.horizontalAdvance(fromWindows1252(widestDate)) + 16;
    columns->setColumnStarts({callsignWidth, callsignWidth + dateWidth});

    m_statusBar = new StatusLine(this);
    m_statusBar->setObjectName(QStringLiteral("Picture1"));
    m_statusBar->setGeometry(twipsRect(0, 7695, 11190, 255));
    QPalette barPalette = m_statusBar->palette();
    barPalette.setColor(QPalette::Window, barPalette.color(QPalette::Button));
    m_statusBar->setPalette(barPalette);
    m_status = m_statusBar->label();
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setGeometry(twipsRect(0, 0, 11055, 255));

    // Reading order: the buttons and the group list along the top, then the bulletins.
    const std::array<QWidget*, 7> tabOrder{m_addSingleButton, m_addMultipleButton, m_updateButton,
                                           m_groupList,       m_setupButton,       m_exitButton,
                                           m_bulletinList};
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

    m_applicationDir = new QLabel(QStringLiteral("Label1"), this);
    m_applicationDir->setObjectName(QStringLiteral("applicationDir"));
    m_applicationDir->setGeometry(twipsRect(1200, 7800, 6015, 495));
    m_applicationDir->hide();

    connect(m_exitButton, &QPushButton::clicked, this, [this] { m_services.endProgram(); });
    // Connected before the buttons' own actions, which run after it and may report anew.
    for (QPushButton* button :
         {m_addSingleButton, m_addMultipleButton, m_updateButton, m_setupButton}) {
        connect(button, &QPushButton::clicked, this, &MainWindow::operatorActed);
    }
    connect(m_addSingleButton, &QPushButton::clicked, this, &MainWindow::openFreshMessageWindow);
    connect(m_addMultipleButton, &QPushButton::clicked, this, &MainWindow::openMultipleWindow);
    connect(m_updateButton, &QPushButton::clicked, this, &MainWindow::updateMessage);
    connect(m_setupButton, &QPushButton::clicked, this, &MainWindow::openSetupWindow);
    // A selection made from code counts as a click, as the operator's does; the busy flags
    // make the nested ones return at once.
    connect(m_bulletinList, &QListWidget::currentRowChanged, this, &MainWindow::bulletinClicked);
    connect(m_groupList, &QListWidget::currentRowChanged, this, &MainWindow::groupClicked);
    // A click on the row that is already current changes no row, yet the operator means it:
    // "ALL" stays current when the filtered group has left the table.
    connect(m_groupList, &QListWidget::itemClicked, this, &MainWindow::groupClicked);

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setObjectName(QStringLiteral("Timer1"));
    m_refreshTimer->setInterval(kRefreshIntervalMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &MainWindow::refreshMessages);

    // Counts minutes and publishes every WEBPAGE_UPDATE_EVERY of them.
    m_publishTimer = new QTimer(this);
    m_publishTimer->setObjectName(QStringLiteral("Timer60Sec"));
    m_publishTimer->setInterval(kPublishTickMs);
    connect(m_publishTimer, &QTimer::timeout, this, [this] {
        const Settings& settings = m_settings.settings();
        if (!m_schedule.tick(settings)) {
            return;
        }
        if (!settings.publishOnChange) {
            webpageAction();
            return;
        }
        // The scheduled run keeps to the upload's minute like the others.
        m_pacing.scheduled(settings.autoCopyEnabled, settings.ftpEnabled);
        publishWhenDue();
    });

    m_publishPace = new QTimer(this);
    m_publishPace->setObjectName(QStringLiteral("publishPace"));
    m_publishPace->setSingleShot(true);
    connect(m_publishPace, &QTimer::timeout, this, &MainWindow::publishWhenDue);

    m_logChangeRest = new QTimer(this);
    m_logChangeRest->setObjectName(QStringLiteral("logChangeRest"));
    m_logChangeRest->setSingleShot(true);
    m_logChangeRest->setInterval(kLogChangeRestMs);
    connect(m_logChangeRest, &QTimer::timeout, this, [this] {
        m_logChangeResting = false;
        refreshForLogChange();
    });
}

void MainWindow::startUp() {
    // Every file of the program lives in its program folder, wherever it is started from.
    m_applicationDir->setText(m_services.programDir);
    // The settings file is created when missing; on a failure the defaults apply and the
    // program goes on.
    const Status loaded = m_settings.load();
    followColourSetting();
    m_groupFilter = std::string(kAllGroups);
    // The host's closing event; the map object comes with the first refresh.
    m_services.host.setClosingHandler([this] { m_services.endProgram(); });
    // A host of our own says when its log changes; any other leaves it to the timer.
    m_services.host.setLogChangedHandler([this] { hostLogChanged(); });
    // The lists show their heading and "ALL" until the host has answered.
    showBulletins();
    fillGroupList();
    // The host learns of the program through a file in its folder, written once.
    const Status registered =
        registerExtra(m_services.hostSettings, m_services.executable.parent_path(),
                      m_services.executable.filename().string());
    // A problem met on the way stays in the status line instead of the version.
    if (!loaded) {
        showError(loaded.error());
    } else if (!registered) {
        showError(registered.error());
    } else {
        m_statusBar->setText(versionText());
    }
    m_refreshTimer->start();
    m_publishTimer->start();
    // The table, both lists and the caption follow when the host answers; a host that does
    // not leaves its failure in the status line.
    refreshMessages();
}

std::filesystem::path MainWindow::programDir() const {
    return std::filesystem::path(QFile::encodeName(m_services.programDir).toStdString());
}

void MainWindow::refreshMessages() {
    if (m_refreshPending) {
        return; // the one under way shows the table when the host answers
    }
    m_refreshPending = true;
    m_logChangePending = false; // this refresh reads what the host logged so far
    // The intake and the sort run on the worker too, on a copy of the table: a 3 MB log
    // takes milliseconds there. Clicks meanwhile work on the table as shown.
    auto store = std::make_shared<BulletinStore>(*m_store);
    m_workers.host->post([this, store]() -> WorkQueue::Apply {
        Result<HostReading> reading = m_link.refresh(store->logPosition());
        if (reading) {
            store->storeLogLines(reading->log);
            store->sortBulletins();
            reading.value().log = {};
        }
        return [this, store, reading = std::move(reading)] { applyRefresh(reading, store); };
    });
}

void MainWindow::applyRefresh(const Result<HostReading>& reading,
                              std::shared_ptr<BulletinStore> store) {
    m_refreshPending = false;
    const std::vector<Identity> readMarks = std::exchange(m_readWhilePending, {});
    const std::optional<Identity> follow = std::exchange(m_follow, std::nullopt);
    if (!reading) {
        // What was shown stays; the next refresh asks the host again.
        showError(reading.error(), Held::HostLost);
        refreshForLogChange(); // a change that came in meanwhile
        return;
    }
    m_hostDirect = reading->direct;
    const bool changed = boardChanged(m_store->bulletins(), store->bulletins());
    m_store = std::move(store);
    for (const Identity& marked : readMarks) {
        const BulletinTable& table = m_store->bulletins();
        for (int slot = 0; slot < m_store->usedCount(); ++slot) {
            if (table[slot].callsign == marked.first && table[slot].addressee == marked.second) {
                m_store->markRead(slot);
            }
        }
    }
    m_callsign = reading->callsign;
    showBulletins();
    fillGroupList();
    if (follow) {
        // Reselecting the clicked row is not a click of its own.
        const bool wasBusy = std::exchange(m_bulletinListBusy, true);
        selectRowOf(*follow);
        m_bulletinListBusy = wasBusy;
    }
    if (!m_captionSet || reading->reconnected) {
        // The host is there, perhaps restarted under another station.
        m_captionSet = true;
        setWindowTitle(QStringLiteral("Quillet [") + fromWindows1252(m_callsign) +
                       QLatin1Char(']'));
    }
    if (reading->reconnected) {
        showNews("Connected to the host again", true);
    }
    const std::size_t news = m_announcer.afterRefresh(m_store->bulletins(), m_groupFilter,
                                                      m_settings.settings().notifyNewBulletins,
                                                      [this] { return m_callsign; });
    // Also for a screen reader, which follows the status line of the window it is in. The
    // host being back, said above, is the bigger news.
    if (!reading->reconnected && news > 0) {
        showArrivals(news == 1 ? std::string("1 new bulletin")
                               : std::to_string(news) + " new bulletins");
    }
    if (changed && m_settings.settings().publishOnChange) {
        const Settings& settings = m_settings.settings();
        m_pacing.changed(settings.autoCopyEnabled, settings.ftpEnabled);
        publishWhenDue();
    }
    m_asked = false;       // kept through one refresh; news that comes later may replace it
    refreshForLogChange(); // a change that came in meanwhile
}

void MainWindow::hostLogChanged() {
    m_logChangePending = true;
    refreshForLogChange();
}

void MainWindow::refreshForLogChange() {
    if (!m_logChangePending || m_logChangeResting || m_refreshPending) {
        return; // the rest's end, or the refresh under way, comes back here
    }
    m_logChangeResting = true;
    m_logChangeRest->start();
    refreshMessages();
}

void MainWindow::webpageAction(std::function<void(const Status& outcome)> ended) {
    publishRun(m_settings.settings(), false, std::move(ended));
}

void MainWindow::publishWhenDue() {
    if (m_publisher.busy()) {
        return; // the run under way comes back here when it ends
    }
    if (const std::optional<PublishPacing::Run> run = m_pacing.start()) {
        // A run for a change leaves the status line alone unless it fails, so that a bulletin
        // arriving does not wipe what the operator reads there.
        publishRun(run->settings(m_settings.settings()), !run->scheduled,
                   [this](const Status&) { m_pacing.ended(); });
        return;
    }
    if (const std::optional<std::chrono::milliseconds> wait = m_pacing.untilDue()) {
        m_publishPace->start(static_cast<int>(wait->count()));
    }
}

void MainWindow::publishRun(const Settings& runSettings, bool quiet,
                            std::function<void(const Status& outcome)> ended) {
    if (!m_publisher.begin(runSettings, quiet)) {
        if (ended) {
            ended(fail(std::string(m_publisher.busy() ? kPublishSkipped : kPublishOff)));
        }
        if (!m_publisher.busy()) {
            publishWhenDue();
        }
        return;
    }
    m_workers.host->post([this, ended, runSettings]() -> WorkQueue::Apply {
        const Result<std::string> callsign = m_link.stationCallsign();
        return [this, callsign, ended, runSettings] {
            // The page is made from the table as it is now, whatever refreshes come later.
            m_workers.publish->post([this, callsign, ended, dir = programDir(),
                                     table = m_store->bulletins(),
                                     settings = runSettings]() -> WorkQueue::Apply {
                const Status outcome =
                    m_publisher.run({dir, settings, table,
                                     [&callsign]() -> std::optional<std::string> {
                                         return callsign ? std::optional(*callsign) : std::nullopt;
                                     },
                                     toWindows1252(versionText())});
                return [this, outcome, ended] {
                    m_publisher.end(outcome);
                    if (ended) {
                        ended(outcome ? outcome
                                      : fail(std::string(kPublishErrorPrefix) + outcome.error()));
                    }
                    publishWhenDue(); // a change that came in meanwhile
                };
            });
        };
    });
}

Status MainWindow::changeConfig(const std::string& key, const std::string& value, bool upCase) {
    Status changed = m_settings.changeConfig(key, value, upCase);
    if (!changed) {
        showError(changed.error());
    }
    followColourSetting();
    return changed;
}

std::filesystem::path MainWindow::settingsFile() const {
    return programDir() / kSettingsFileName;
}

SetupWindow* MainWindow::openSetupWindow() {
    return SetupWindow::open(m_setup, *this, m_services.boxes, this);
}

std::string MainWindow::getMyMessageForBLN(const std::string& blnCode) {
    // The callsign is the one the last refresh fetched: a fill of the board asks the host
    // nothing, and a change at the host shows from the next refresh on.
    if (m_callsign.empty()) {
        return {};
    }
    for (const Bulletin& b : m_store->bulletins()) {
        if (b.inUse && b.callsign == m_callsign && b.addressee == blnCode) {
            return b.text;
        }
    }
    return {};
}

void MainWindow::bulletinClicked() {
    if (m_bulletinListBusy) {
        return;
    }
    m_bulletinListBusy = true;
    const QListWidgetItem* item = m_bulletinList->currentItem();
    const int slot = item ? item->data(Qt::UserRole).toInt() : -1;
    if (slot >= 0 && slot < m_store->usedCount()) {
        m_store->markRead(slot);
        const Bulletin clicked = m_store->bulletins()[slot];
        const Identity identity{clicked.callsign, clicked.addressee};
        if (m_refreshPending) {
            m_readWhilePending.push_back(identity);
        }
        // The row shows its mark at once. The refresh may move the bulletin to another slot
        // and row; it is followed by its identity, so the selection stays with it.
        showBulletins();
        selectRowOf(identity);
        m_updateButton->setEnabled(!m_callsign.empty() && clicked.callsign == m_callsign);
        setStatus(clicked.text);
        m_asked = true;
        m_follow = identity;
        refreshMessages();
    }
    m_bulletinListBusy = false;
}

void MainWindow::selectRowOf(const Identity& bulletin) {
    for (int row = 1; row < m_bulletinList->count(); ++row) {
        const int slot = m_bulletinList->item(row)->data(Qt::UserRole).toInt();
        const Bulletin& b = m_store->bulletins()[slot];
        if (b.callsign == bulletin.first && b.addressee == bulletin.second) {
            m_bulletinList->setCurrentRow(row);
            return;
        }
    }
}

void MainWindow::groupClicked() {
    if (m_groupListBusy || m_groupList->currentItem() == nullptr) {
        return;
    }
    operatorActed();
    m_groupFilter = toWindows1252(m_groupList->currentItem()->text());
    describeChosenGroup();
    showBulletins();
}

void MainWindow::updateMessage() {
    // The heading row, or no row, holds no bulletin: then there is nothing to edit and the
    // window is not opened.
    const QListWidgetItem* item = m_bulletinList->currentItem();
    UpdateFields fields;
    if (item == nullptr || !updateFieldsFromRow(toWindows1252(item->text()), fields)) {
        return;
    }
    if (AddMessageWindow* window = openMessageWindow()) {
        window->setToStation(fields.toStation);
        window->setMessage(fields.message);
    }
}

AddMessageWindow* MainWindow::openMessageWindow() {
    operatorActed();
    if (m_sending) {
        showError("A bulletin is being sent; wait until it is done");
        return nullptr;
    }
    if (!m_message) {
        m_message = new AddMessageWindow(*this, this);
    }
    m_message->show();
    m_message->raise();
    m_message->activateWindow();
    return m_message;
}

AddMessageWindow* MainWindow::openFreshMessageWindow() {
    if (m_message && !m_sending) {
        delete m_message; // whatever it held is discarded
    }
    return openMessageWindow();
}

AddMultipleWindow* MainWindow::openMultipleWindow() {
    if (!m_multiMessages) {
        m_multiMessages = new AddMultipleWindow(*this, this);
    }
    m_multiMessages->show();
    m_multiMessages->raise();
    m_multiMessages->activateWindow();
    return m_multiMessages;
}

void MainWindow::sendMessage(const std::string& toStation, std::int16_t port,
                             const std::string& digi, const std::string& msg,
                             std::function<void(bool sent)> done) {
    operatorActed();
    if (m_sending) {
        showError("A bulletin is being sent; wait until it is done");
        if (done) {
            done(false);
        }
        return;
    }
    m_sending = true;
    m_sendDone = std::move(done);
    if (m_hostDirect) {
        sendDirect(toStation, port, digi, msg);
        return;
    }
    const std::string sentLine = sentText(toStation, msg);
    // On the host queue: the map's path, the host's process and what its log holds before
    // the send. Then the keystrokes with their pauses on the send queue, and back on the host
    // queue the wait for the host to log the bulletin. The window answers throughout.
    m_workers.host->post([=, this]() -> WorkQueue::Apply {
        const Result<std::string> mapFile = m_link.mapFileName();
        const std::int64_t hostProcess = m_services.host.processId();
        const Result<HostReading> before = mapFile ? m_link.refresh() : fail(mapFile.error());
        return [=, this] {
            if (!before) {
                sendEnded(fail("Error Sending Message: " + before.error()), sentLine);
                return;
            }
            const TypedBulletin typed{
                before->callsign, toStation, msg,
                loggedCopies(before->log.lines, before->callsign, toStation, msg)};
            m_workers.send->post([=, this]() -> WorkQueue::Apply {
                MessageSender sender(m_services.keys, m_services.pacer);
                const Status outcome =
                    sender.sendMessage(*mapFile, hostProcess, toStation, port, digi, msg);
                const std::string notice = m_services.keys.takeNotice();
                return [=, this] {
                    m_sendNotice = notice;
                    if (!outcome) {
                        sendEnded(outcome, sentLine);
                        return;
                    }
                    m_workers.host->post([=, this]() -> WorkQueue::Apply {
                        const auto readLog = [this]() -> Result<std::string> {
                            Result<HostReading> reading = m_link.refresh();
                            if (!reading) {
                                return fail(reading.error());
                            }
                            return std::move(reading.value().log.lines);
                        };
                        const Status logged = confirmLogged(readLog, m_services.pacer, typed);
                        return [=, this] { sendEnded(logged, sentLine); };
                    });
                };
            });
        };
    });
}

void MainWindow::sendDirect(const std::string& toStation, std::int16_t port,
                            const std::string& digi, const std::string& msg) {
    // The host logs the bulletin before it answers: "Sent:" comes only after that. A host
    // that refused says why, and its words go to the status line.
    m_workers.host->post([=, this]() -> WorkQueue::Apply {
        const Result<DirectSend> sent = m_link.sendBulletin(toStation, port, digi, msg);
        Status outcome;
        if (!sent) {
            // A host that did not answer in time may have the bulletin and go on to send and
            // log it; the refresh its log change brings shows it like any other.
            const bool mayStillSend = sent.error().starts_with(kNoAnswer);
            outcome = fail("Error Sending Message: " + sent.error() +
                           (mayStillSend ? " (the host may still send it: the list shows it "
                                           "once the host logs it)"
                                         : ""));
        } else if (!sent->sent) {
            outcome =
                fail(sent->status.empty() ? "The host did not send the bulletin" : sent->status);
        }
        return
            [this, outcome, sentLine = sentText(toStation, msg)] { sendEnded(outcome, sentLine); };
    });
}

void MainWindow::sendEnded(const Status& outcome, const std::string& sentLine) {
    m_sending = false;
    // What the keystroke layer has to tell once (how the host's window was recognised)
    // follows the outcome on the same line.
    const std::string notice = std::exchange(m_sendNotice, std::string());
    const auto noted = [&](const std::string& line) {
        return notice.empty() ? line : line + "; " + notice;
    };
    if (outcome) {
        show();
        raise();
        activateWindow();
        setStatus(noted(sentLine));
        m_asked = true;
    } else {
        showError(noted(outcome.error()));
    }
    if (auto done = std::exchange(m_sendDone, nullptr)) {
        done(outcome.ok());
    }
}

void MainWindow::showBulletins() {
    // Updates are held back while the list is refilled, so it never shows half a table.
    m_bulletinList->setUpdatesEnabled(false);
    m_bulletinList->clear();
    for (const BulletinRow& row :
         quillet::showBulletins(m_store->bulletins(), m_groupFilter, m_services.formatter)) {
        auto* item = new QListWidgetItem(fromWindows1252(row.text), m_bulletinList);
        item->setData(Qt::UserRole, row.slot);
        item->setData(Qt::AccessibleTextRole, fromWindows1252(row.spoken));
    }
    m_bulletinList->setUpdatesEnabled(true);
    m_bulletinList->setCurrentRow(0);
}

void MainWindow::fillGroupList() {
    m_groupListBusy = true;
    m_groupList->setUpdatesEnabled(false);
    m_groupList->clear();
    const GroupList groups = quillet::fillGroupList(m_store->bulletins(), m_groupFilter);
    for (const std::string& entry : groups.entries) {
        m_groupList->addItem(fromWindows1252(entry));
    }
    m_groupList->setCurrentRow(groups.selected);
    m_groupList->setUpdatesEnabled(true);
    describeChosenGroup();
    m_groupListBusy = false;
}

void MainWindow::setStatus(const std::string& text) {
    m_held = Held::Nothing;
    m_asked = false;
    // A bulletin may be megabytes long: the label gets its start and a note that it was cut.
    m_statusBar->setText(fromWindows1252(shownText(text)));
}

void MainWindow::showError(const std::string& text, Held until) {
    setStatus(text);
    m_held = until;
}

void MainWindow::showNews(const std::string& text, bool hostBack) {
    if (m_held == Held::Error || (m_held == Held::HostLost && !hostBack)) {
        return;
    }
    setStatus(text);
}

void MainWindow::showArrivals(const std::string& text) {
    if (m_held == Held::Nothing && !m_asked) {
        setStatus(text);
    }
}

void MainWindow::operatorActed() {
    if (m_held != Held::Nothing) {
        setStatus({});
    }
}

void MainWindow::showNote(const std::string& text) {
    if (m_status->text() == versionText()) {
        setStatus(text);
    }
}

QString MainWindow::statusText() const {
    return m_status->text();
}

void MainWindow::followColourSetting() {
    if (m_settings.settings().useDesktopColours != desktopColours()) {
        setDesktopColours(m_settings.settings().useDesktopColours);
        applyColours(this); // the open windows are this window's children
    }
}

void MainWindow::describeChosenGroup() {
    m_groupList->setAccessibleDescription(QStringLiteral("Showing ") +
                                          fromWindows1252(m_groupFilter));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_bulletinList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            bulletinClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the window through its frame ends the program like "Exit".
    event->accept();
    m_services.endProgram();
}

} // namespace quillet
