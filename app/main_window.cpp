#include "main_window.h"

#include "base/qt_text.h"
#include "bulletins/bulletin_list.h"
#include "bulletins/group_list.h"
#include "composing/add_message_window.h"
#include "composing/add_multiple_window.h"
#include "composing/message_sender.h"
#include "composing/own_bulletin_board.h"
#include "host/extras_registration.h"
#include "settings/settings_file.h"
#include "settings/window/setup_window.h"
#include "widgets/tab_columns_delegate.h"
#include "widgets/twips.h"
#include "widgets/window_style.h"

#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace quillet {

namespace {

constexpr int kRefreshIntervalMs = 30000;
constexpr int kPublishTickMs = 60000;

} // namespace

QString versionText() {
    return QStringLiteral("V%1.%2.%3")
        .arg(QUILLET_VERSION_MAJOR)
        .arg(QUILLET_VERSION_MINOR)
        .arg(QUILLET_VERSION_PATCH);
}

MainWindow::MainWindow(Services services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)), m_store(m_services.clock),
      m_settings(settingDefaults()),
      m_publisher(m_services.inet1, m_services.transferWait, m_services.clock, m_services.formatter,
                  [this](const std::string& text) { setStatus(text); }),
      m_announcer(m_services.notifier, [this](const std::string& text) { setStatus(text); }) {
    buildControls();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillet"));
    setFixedSize(twipsToPixels(11190), twipsToPixels(7950));
    paintGrey(this);

    m_command2 =
        makeButton(this, "Command2", QStringLiteral("Add Single"), twipsRect(120, 120, 1095, 255));
    m_command3 = makeButton(this, "Command3", QStringLiteral("Add Multiple"),
                            twipsRect(1200, 120, 1215, 255));
    m_updateButton = makeButton(this, "updateButton", QStringLiteral("Update Message"),
                                twipsRect(2520, 120, 1455, 255));
    m_updateButton->setEnabled(false);

    // One row high: the groups sit side by side and scroll sideways.
    m_list2 = makeList(this, "List2", twipsRect(4080, 120, 4695, 225));
    m_list2->setFlow(QListView::LeftToRight);
    m_list2->setWrapping(false);
    m_list2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list2->setSpacing(0);

    m_command5 =
        makeButton(this, "Command5", QStringLiteral("Setup"), twipsRect(8880, 120, 1095, 255));
    m_command1 =
        makeButton(this, "Command1", QStringLiteral("Exit"), twipsRect(10080, 120, 1095, 255));
    m_list1 = makeList(this, "List1", twipsRect(0, 480, 11175, 7245));
    // Columns sized for a long callsign with SSID and for the locale's widest date.
    auto* columns = new TabColumnsDelegate(m_list1);
    const QFontMetrics metrics(m_list1->font());
    const int callsignWidth = metrics.horizontalAdvance(QStringLiteral("R WW0WWW-15")) + 12;
    const std::string widestDate =
        m_services.formatter.format(makeLocalDateTime(2028, 12, 28, 20, 58, 58));
    const int dateWidth = metrics.horizontalAdvance(fromWindows1252(widestDate)) + 16;
    columns->setColumnStarts({callsignWidth, callsignWidth + dateWidth});
    m_list1->setItemDelegate(columns);

    m_picture1 = new QFrame(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setGeometry(twipsRect(0, 7695, 11190, 255));
    m_picture1->setFrameShape(QFrame::Panel);
    m_picture1->setFrameShadow(QFrame::Sunken);
    m_picture1->setAutoFillBackground(true);
    QPalette barPalette = m_picture1->palette();
    barPalette.setColor(QPalette::Window, barPalette.color(QPalette::Button));
    m_picture1->setPalette(barPalette);
    m_status = new QLabel(m_picture1);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setGeometry(twipsRect(0, 0, 11055, 255));
    m_status->setFont(windowFont(false));
    m_status->setIndent(2);
    m_status->setTextFormat(Qt::PlainText); // bulletin texts come from the air: never markup

    m_applicationDir = new QLabel(QStringLiteral("Label1"), this);
    m_applicationDir->setObjectName(QStringLiteral("applicationDir"));
    m_applicationDir->setGeometry(twipsRect(1200, 7800, 6015, 495));
    m_applicationDir->hide();

    connect(m_command1, &QPushButton::clicked, this, [this] { m_services.endProgram(); });
    connect(m_command2, &QPushButton::clicked, this, &MainWindow::openFreshMessageWindow);
    connect(m_command3, &QPushButton::clicked, this, &MainWindow::openMultipleWindow);
    connect(m_updateButton, &QPushButton::clicked, this, &MainWindow::updateMessage);
    connect(m_command5, &QPushButton::clicked, this, &MainWindow::openSetupWindow);
    // A selection made from code counts as a click, as the operator's does; the busy flags
    // make the nested ones return at once.
    connect(m_list1, &QListWidget::currentRowChanged, this, &MainWindow::bulletinClicked);
    connect(m_list2, &QListWidget::currentRowChanged, this, &MainWindow::groupClicked);
    // A click on the row that is already current changes no row, yet the operator means it:
    // "ALL" stays current when the filtered group has left the table.
    connect(m_list2, &QListWidget::itemClicked, this, &MainWindow::groupClicked);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kRefreshIntervalMs);
    connect(m_timer1, &QTimer::timeout, this, &MainWindow::refreshMessages);

    // Counts minutes and publishes every WEBPAGE_UPDATE_EVERY of them.
    m_timer60Sec = new QTimer(this);
    m_timer60Sec->setObjectName(QStringLiteral("Timer60Sec"));
    m_timer60Sec->setInterval(kPublishTickMs);
    connect(m_timer60Sec, &QTimer::timeout, this, [this] {
        if (m_schedule.tick(m_settings)) {
            webpageAction();
        }
    });
}

void MainWindow::startUp() {
    // 1. Every file of the program lives beside the executable, wherever it is started from.
    m_applicationDir->setText(m_services.programDir);
    // 2. Log lines end with CR LF; the bulletin table splits the log on that itself.
    // 3. The scrambling table, then the settings file (created when missing).
    m_scrambler.initScrambleOffsets();
    if (const Status loaded = loadSettings(programDir(), m_scrambler, m_settings); !loaded) {
        m_startUpProblem = loaded.error(); // the defaults apply and the program goes on
    }
    // 4.
    m_groupFilter = std::string(kAllGroups);
    // 5. The host object, its closing event, and its current map.
    m_services.host.setClosingHandler([this] { m_services.endProgram(); });
    // 6. The table and both lists are filled before the window first shows. Without a
    //    host they still show their heading and "ALL", and the host is not asked twice.
    showBulletins();
    fillGroupList();
    if (ensureHost()) {
        refreshMessages();
    }
    // 7. The host learns of the program through a file in its folder, written once.
    if (const auto error =
            registerExtra(m_services.hostSettings, programDir(), m_services.executableName)) {
        if (m_startUpProblem.empty()) {
            m_startUpProblem = *error;
        }
    }
    // 8. and 9. A problem met on the way stays in the status line instead of the version.
    if (!m_hostLost) {
        updateCaption();
    }
    if (m_hostLost) {
        m_startUpProblem = toWindows1252(m_status->text());
    }
    if (m_startUpProblem.empty()) {
        m_status->setText(versionText());
    } else {
        setStatus(m_startUpProblem);
    }
    m_timer1->start();
    m_timer60Sec->start();
}

std::filesystem::path MainWindow::programDir() const {
    return std::filesystem::path(QFile::encodeName(m_services.programDir).toStdString());
}

void MainWindow::webpageAction() {
    m_publisher.webpageAction({programDir(), m_settings, m_store.bulletins(),
                               [this]() -> std::optional<std::string> {
                                   try {
                                       return m_services.host.stationCallsign();
                                   } catch (const HostError& error) {
                                       hostFailed(error);
                                       return std::nullopt;
                                   }
                               },
                               toWindows1252(versionText())});
}

std::optional<std::string> MainWindow::changeConfig(const std::string& key,
                                                    const std::string& value, bool upCase) {
    const Status changed =
        quillet::changeConfig(programDir(), key, value, upCase, m_scrambler, m_settings);
    if (!changed) {
        setStatus(changed.error());
        return changed.error();
    }
    return std::nullopt;
}

std::filesystem::path MainWindow::settingsFile() const {
    return programDir() / kSettingsFileName;
}

SetupWindow* MainWindow::openSetupWindow() {
    return SetupWindow::open(m_setup, *this, m_services.boxes, this);
}

bool MainWindow::ensureHost() {
    if (m_uivMap && !m_hostLost) {
        return true;
    }
    try {
        m_uivMap = m_services.host.currentMap();
        return true;
    } catch (const HostError& error) {
        hostFailed(error);
        return false;
    }
}

void MainWindow::hostFailed(const HostError& error) {
    // Keep running and show what went wrong; the next refresh asks the host again and
    // fetches a fresh map object, since a restarted host has a new one.
    m_hostLost = true;
    m_uivMap.reset();
    setStatus(error.what());
}

void MainWindow::refreshMessages() {
    const bool wasLost = m_hostLost;
    if (!ensureHost()) {
        return;
    }
    try {
        m_store.readMessageLog(m_services.host);
    } catch (const HostError& error) {
        hostFailed(error);
        return;
    }
    m_hostLost = false;
    m_store.sortBulletins();
    showBulletins();
    fillGroupList();
    if (wasLost) {
        // The host is back, perhaps restarted under another station.
        updateCaption();
        if (!m_hostLost) {
            setStatus("Connected to the host again");
        }
    }
    m_announcer.afterRefresh(m_store.bulletins(), m_groupFilter,
                             isSwitchOn(m_settings.notifyNewBulletins),
                             [this] { return stationCallsign(); });
}

void MainWindow::updateCaption() {
    try {
        const std::string callsign = m_services.host.stationCallsign();
        setWindowTitle(QStringLiteral("Quillet [") + fromWindows1252(callsign) + QLatin1Char(']'));
    } catch (const HostError& error) {
        hostFailed(error);
    }
}

std::string MainWindow::stationCallsign() {
    try {
        return m_services.host.stationCallsign();
    } catch (const HostError& error) {
        hostFailed(error);
        return {};
    }
}

std::string MainWindow::getMyMessageForBLN(const std::string& blnCode) {
    // The callsign is asked once per lookup rather than once per slot: a change at the host
    // still shows at the next lookup, at a fortieth of the calls.
    const std::string callsign = stationCallsign();
    if (callsign.empty()) {
        return {};
    }
    for (const Bulletin& b : m_store.bulletins()) {
        if (b.inUse && b.callsign == callsign && b.addressee == blnCode) {
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
    const QListWidgetItem* item = m_list1->currentItem();
    const int slot = item ? item->data(Qt::UserRole).toInt() : -1;
    if (slot >= 0 && slot < m_store.usedCount()) {
        m_store.markRead(slot);
        // The refresh may move the bulletin to another slot and row; it is followed by its
        // identity, so the mark, the selection and the text stay with what was clicked.
        const Bulletin clicked = m_store.bulletins()[slot];
        refreshMessages();
        selectRowOf(clicked.callsign, clicked.addressee);
        const QListWidgetItem* now = m_list1->currentItem();
        const int nowSlot = now ? now->data(Qt::UserRole).toInt() : -1;
        if (nowSlot >= 0) {
            const Bulletin& shown = m_store.bulletins()[nowSlot];
            const std::string callsign = stationCallsign();
            m_updateButton->setEnabled(!callsign.empty() && shown.callsign == callsign);
            setStatus(shown.text);
        }
    }
    m_bulletinListBusy = false;
}

void MainWindow::selectRowOf(const std::string& callsign, const std::string& addressee) {
    for (int row = 1; row < m_list1->count(); ++row) {
        const int slot = m_list1->item(row)->data(Qt::UserRole).toInt();
        const Bulletin& b = m_store.bulletins()[slot];
        if (b.callsign == callsign && b.addressee == addressee) {
            m_list1->setCurrentRow(row);
            return;
        }
    }
}

void MainWindow::groupClicked() {
    if (m_groupListBusy || m_list2->currentItem() == nullptr) {
        return;
    }
    m_groupFilter = toWindows1252(m_list2->currentItem()->text());
    showBulletins();
}

void MainWindow::updateMessage() {
    // The heading row, or no row, holds no bulletin: then there is nothing to edit and the
    // window is not opened.
    const QListWidgetItem* item = m_list1->currentItem();
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
    if (m_sending) {
        setStatus("A bulletin is being sent; wait until it is done");
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
                             const std::string& digi, const std::string& msg) {
    if (m_sending) {
        setStatus("A bulletin is being sent; wait until it is done");
        return;
    }
    m_sending = true;
    HostMap* map = ensureHost() ? m_uivMap.get() : nullptr;
    MessageSender sender(m_services.keys, m_services.pacer);
    const std::string outcome = sender.sendMessage(map, toStation, port, digi, msg, [this] {
        show();
        raise();
        activateWindow();
    });
    m_sending = false;
    setStatus(outcome);
}

void MainWindow::showBulletins() {
    // Updates are held back while the list is refilled, so it never shows half a table.
    m_list1->setUpdatesEnabled(false);
    m_list1->clear();
    for (const BulletinRow& row :
         quillet::showBulletins(m_store.bulletins(), m_groupFilter, m_services.formatter)) {
        auto* item = new QListWidgetItem(fromWindows1252(row.text), m_list1);
        item->setData(Qt::UserRole, row.slot);
    }
    m_list1->setUpdatesEnabled(true);
    m_list1->setCurrentRow(0);
}

void MainWindow::fillGroupList() {
    m_groupListBusy = true;
    m_list2->setUpdatesEnabled(false);
    m_list2->clear();
    const GroupList groups = quillet::fillGroupList(m_store.bulletins(), m_groupFilter);
    for (const std::string& entry : groups.entries) {
        m_list2->addItem(fromWindows1252(entry));
    }
    m_list2->setCurrentRow(groups.selected);
    m_list2->setUpdatesEnabled(true);
    m_groupListBusy = false;
}

void MainWindow::setStatus(const std::string& text) {
    m_status->setText(fromWindows1252(text));
}

QString MainWindow::statusText() const {
    return m_status->text();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the window through its frame ends the program like "Exit".
    event->accept();
    m_services.endProgram();
}

} // namespace quillet
