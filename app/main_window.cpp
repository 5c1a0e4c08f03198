#include "main_window.h"

#include "bulletins/bulletin_list.h"
#include "bulletins/group_list.h"
#include "host/text_codec.h"
#include "tab_columns_delegate.h"
#include "twips.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace quillet {

namespace {

constexpr int kRefreshIntervalMs = 30000;
constexpr int kPublishTickMs = 60000;

QFont windowFont(bool bold) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

QListWidget* makeList(QWidget* parent, const char* name, const QRect& geometry) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(geometry);
    list->setFont(windowFont(true));
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 0));
    palette.setColor(QPalette::Text, QColor(0, 255, 0));
    list->setPalette(palette);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFont(windowFont(false));
    return button;
}

} // namespace

QString versionText() {
    return QStringLiteral("V%1.%2.%3")
        .arg(QUILLET_VERSION_MAJOR)
        .arg(QUILLET_VERSION_MINOR)
        .arg(QUILLET_VERSION_PATCH);
}

MainWindow::MainWindow(Services services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)), m_store(m_services.clock) {
    buildControls();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillet"));
    setFixedSize(twipsToPixels(11190), twipsToPixels(7950));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(palette);

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

    m_applicationDir = new QLabel(QStringLiteral("Label1"), this);
    m_applicationDir->setObjectName(QStringLiteral("applicationDir"));
    m_applicationDir->setGeometry(twipsRect(1200, 7800, 6015, 495));
    m_applicationDir->hide();

    connect(m_command1, &QPushButton::clicked, this, [this] { m_services.endProgram(); });

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kRefreshIntervalMs);
    connect(m_timer1, &QTimer::timeout, this, &MainWindow::refreshMessages);

    // Publishing on a schedule arrives with the web page; until then the tick does nothing.
    m_timer60Sec = new QTimer(this);
    m_timer60Sec->setObjectName(QStringLiteral("Timer60Sec"));
    m_timer60Sec->setInterval(kPublishTickMs);
}

void MainWindow::startUp() {
    // 1. Every file of the program lives beside the executable, wherever it is started from.
    m_applicationDir->setText(m_services.programDir);
    // 2. Log lines end with CR LF; the bulletin table splits the log on that itself.
    // 3. Scrambling table and settings file: not part of this version yet (no-op).
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
    // 7. Registration with the host's extras: not part of this version yet (no-op).
    // 8. and 9. A host failure stays in the status line instead of the version.
    if (!m_hostLost) {
        updateCaption();
    }
    if (!m_hostLost) {
        m_status->setText(versionText());
    }
    m_timer1->start();
    m_timer60Sec->start();
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
}

void MainWindow::updateCaption() {
    try {
        const std::string callsign = m_services.host.stationCallsign();
        setWindowTitle(QStringLiteral("Quillet [") + fromWindows1252(callsign) + QLatin1Char(']'));
    } catch (const HostError& error) {
        hostFailed(error);
    }
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
