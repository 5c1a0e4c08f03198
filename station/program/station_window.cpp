#include "station/program/station_window.h"

#include "station/program/host_station.h"
#include "station/program/message_form.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet::station {
namespace {

constexpr int kHeardRows = static_cast<int>(HostStation::kHeardKept);
constexpr std::size_t kShownLogRows = 1000;

// In the host an open menu stays open while Alt is pressed, so Alt plus a letter picks its
// item. Qt's menu closes on Alt alone; this one ignores it.
class HostMenu : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Alt) {
            event->accept();
            return;
        }
        QMenu::keyPressEvent(event);
    }
};

} // namespace

StationWindow::StationWindow(HostStation& host, const QString& caption) : m_host(host) {
    setWindowTitle(caption);

    // Alt+M opens this menu and Alt+T its Terminal item, as in the host.
    m_messageForm = new MessageForm(host, this);
    auto* messages = new HostMenu(tr("&Messages"), this);
    menuBar()->addMenu(messages);
    messages->addAction(tr("&Terminal..."), m_messageForm, &MessageForm::openTerminal);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* station = new QFormLayout;
    auto* callsignLabel = new QLabel(host.stationCallsign());
    callsignLabel->setTextFormat(Qt::PlainText);
    callsignLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* mapLabel = new QLabel(host.mapPath());
    mapLabel->setTextFormat(Qt::PlainText);
    mapLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    station->addRow(tr("Station:"), callsignLabel);
    station->addRow(tr("Map:"), mapLabel);
    m_links = new QLabel;
    m_links->setTextFormat(Qt::PlainText);
    station->addRow(tr("Links:"), m_links);
    if (!host.links().empty()) {
        // Why a link may wait minutes before its next attempt.
        auto* rule = new QLabel(QString::fromStdString(retryRule()));
        rule->setWordWrap(true);
        rule->setEnabled(false);
        station->addRow(QString(), rule);
    }
    m_lastProblem = new QLabel;
    m_lastProblem->setTextFormat(Qt::PlainText); // may quote text from the air
    m_lastProblem->setWordWrap(true);
    station->addRow(tr("Last problem:"), m_lastProblem);
    layout->addLayout(station);

    // What the links hear, newest last; shown in batches so a busy feed costs little.
    m_heard = new QListWidget;
    m_heard->setUniformItemSizes(true);
    m_heard->setSelectionMode(QAbstractItemView::NoSelection);
    m_heard->setMaximumHeight(110);
    auto* heardLabel = new QLabel(tr("Heard last:"));
    heardLabel->setBuddy(m_heard);
    m_heard->setAccessibleName(tr("Heard last"));
    layout->addWidget(heardLabel);
    layout->addWidget(m_heard);
    m_heardTimer = new QTimer(this);
    m_heardTimer->setSingleShot(true);
    m_heardTimer->setInterval(1000);
    connect(m_heardTimer, &QTimer::timeout, this, &StationWindow::showHeard);

    m_log = new QTreeWidget;
    m_log->setHeaderLabels({tr("From"), tr("To"), tr("Text")});
    m_log->setRootIsDecorated(false);
    m_log->setUniformRowHeights(true);
    m_log->setSelectionMode(QAbstractItemView::NoSelection);
    m_log->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_log->header()->setStretchLastSection(true);
    m_log->setColumnWidth(0, 90);
    m_log->setColumnWidth(1, 80);
    m_log->setAccessibleName(tr("Message log"));
    m_log->setAccessibleDescription(tr("The bulletins the host has logged, newest last"));
    layout->addWidget(m_log, 1);

    // Bulletins from any station, by hand. Only a click adds one: keys typed into this window
    // must never log a bulletin except through the message terminal.
    auto* form = new QGroupBox(tr("Log a bulletin"));
    auto* formLayout = new QHBoxLayout(form);
    m_callsign = new QLineEdit(host.stationCallsign());
    m_callsign->setPlaceholderText(tr("Callsign"));
    m_callsign->setMaximumWidth(100);
    m_callsign->setAccessibleName(tr("Callsign"));
    m_callsign->setAccessibleDescription(tr("The station the bulletin comes from"));
    m_addressee = new QLineEdit;
    m_addressee->setPlaceholderText(tr("Addressee"));
    m_addressee->setMaximumWidth(90);
    m_addressee->setAccessibleName(tr("Addressee"));
    m_addressee->setAccessibleDescription(tr("BLN and its code, such as BLN1 or BLN1EU"));
    m_text = new QLineEdit;
    m_text->setPlaceholderText(tr("Bulletin text"));
    m_text->setAccessibleName(tr("Bulletin text"));
    m_add = new QPushButton(tr("Add"));
    m_add->setAccessibleDescription(tr("Logs the bulletin; only a click adds one"));
    m_add->setFocusPolicy(Qt::NoFocus);
    formLayout->addWidget(m_callsign);
    formLayout->addWidget(m_addressee);
    formLayout->addWidget(m_text, 1);
    formLayout->addWidget(m_add);
    layout->addWidget(form);

    setCentralWidget(central);
    resize(720, 600); // room for a dozen log lines below the links

    connect(m_add, &QPushButton::clicked, this, &StationWindow::addFromForm);
    connect(m_callsign, &QLineEdit::textChanged, this, &StationWindow::updateAddButton);
    connect(m_addressee, &QLineEdit::textChanged, this, &StationWindow::updateAddButton);
    // Bulletins arrive in bursts (a log read at start, a server's backlog): the list is brought
    // up to date once per burst, not once per line.
    m_logTimer = new QTimer(this);
    m_logTimer->setSingleShot(true);
    m_logTimer->setInterval(200);
    connect(m_logTimer, &QTimer::timeout, this, &StationWindow::showLog);
    connect(&host, &HostStation::logChanged, this, [this] {
        if (!m_logTimer->isActive()) {
            m_logTimer->start();
        }
    });
    connect(&host, &HostStation::linksChanged, this, &StationWindow::showLinks);
    connect(&host, &HostStation::problem, m_lastProblem, &QLabel::setText);
    connect(&host, &HostStation::packetsHeard, this, [this] {
        if (!m_heardTimer->isActive()) {
            m_heardTimer->start();
        }
    });
    updateAddButton();
    showLinks();
    showLog();
}

void StationWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    m_host.quit();
}

void StationWindow::showLog() {
    // The newest lines only: the log itself may hold 32,767, and a list that long makes every
    // change costly.
    const MessageStore& store = m_host.store();
    const auto& bulletins = store.bulletins();
    const std::size_t end = store.droppedCount() + bulletins.size();
    const std::size_t first = std::max(
        {m_shownEnd, store.droppedCount(), end - std::min<std::size_t>(end, kShownLogRows)});
    QList<QTreeWidgetItem*> items;
    for (std::size_t i = first; i < end; ++i) {
        const LoggedBulletin& b = bulletins[i - store.droppedCount()];
        items.append(new QTreeWidgetItem(QStringList{QString::fromStdString(b.sender),
                                                     QString::fromStdString(b.addressee),
                                                     QString::fromStdString(b.text)}));
    }
    m_shownEnd = end;
    if (items.isEmpty()) {
        return;
    }
    m_log->addTopLevelItems(items);
    while (m_log->topLevelItemCount() > static_cast<int>(kShownLogRows)) {
        delete m_log->takeTopLevelItem(0);
    }
    m_log->scrollToBottom();
}

void StationWindow::showLinks() {
    QStringList lines;
    for (const auto& link : m_host.links()) {
        lines << QStringLiteral("%1 %2: %3")
                     .arg(QString::fromStdString(link->name()),
                          QString::fromStdString(link->address()),
                          QString::fromStdString(link->stateText()));
    }
    m_links->setText(lines.isEmpty() ? tr("none (the log comes from the feed)")
                                     : lines.join(QLatin1Char('\n')));
}

void StationWindow::showHeard() {
    m_heard->addItems(m_host.takeHeard());
    while (m_heard->count() > kHeardRows) {
        delete m_heard->takeItem(0);
    }
    m_heard->scrollToBottom();
}

void StationWindow::addFromForm() {
    if (!m_add->isEnabled()) {
        return;
    }
    m_host.addBulletin(
        {m_callsign->text().trimmed(), m_addressee->text().trimmed(), m_text->text()});
    m_text->clear();
}

void StationWindow::updateAddButton() {
    m_add->setEnabled(!m_callsign->text().trimmed().isEmpty() &&
                      !m_addressee->text().trimmed().isEmpty());
}

} // namespace quillet::station
