#include "tools/host/main_window.h"

#include "tools/host/host_station.h"
#include "tools/host/message_form.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillet::hostapp {
namespace {

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

MainWindow::MainWindow(HostStation& host, const QString& caption) : m_host(host) {
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
    callsignLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* mapLabel = new QLabel(host.mapPath());
    mapLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    station->addRow(tr("Station:"), callsignLabel);
    station->addRow(tr("Map:"), mapLabel);
    layout->addLayout(station);

    m_log = new QTreeWidget;
    m_log->setHeaderLabels({tr("From"), tr("To"), tr("Text")});
    m_log->setRootIsDecorated(false);
    m_log->setUniformRowHeights(true);
    m_log->setSelectionMode(QAbstractItemView::NoSelection);
    m_log->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_log->header()->setStretchLastSection(true);
    m_log->setColumnWidth(0, 90);
    m_log->setColumnWidth(1, 80);
    layout->addWidget(m_log, 1);

    // Bulletins from any station, by hand. Only a click adds one: keys typed into this window
    // must never log a bulletin except through the message terminal.
    auto* form = new QGroupBox(tr("Log a bulletin"));
    auto* formLayout = new QHBoxLayout(form);
    m_callsign = new QLineEdit(host.stationCallsign());
    m_callsign->setPlaceholderText(tr("Callsign"));
    m_callsign->setMaximumWidth(100);
    m_addressee = new QLineEdit;
    m_addressee->setPlaceholderText(tr("Addressee"));
    m_addressee->setMaximumWidth(90);
    m_text = new QLineEdit;
    m_text->setPlaceholderText(tr("Bulletin text"));
    m_add = new QPushButton(tr("Add"));
    m_add->setFocusPolicy(Qt::NoFocus);
    formLayout->addWidget(m_callsign);
    formLayout->addWidget(m_addressee);
    formLayout->addWidget(m_text, 1);
    formLayout->addWidget(m_add);
    layout->addWidget(form);

    setCentralWidget(central);
    resize(640, 420);

    connect(m_add, &QPushButton::clicked, this, &MainWindow::addFromForm);
    connect(m_callsign, &QLineEdit::textChanged, this, &MainWindow::updateAddButton);
    connect(m_addressee, &QLineEdit::textChanged, this, &MainWindow::updateAddButton);
    connect(&host, &HostStation::bulletinsAdded, this, &MainWindow::showBulletins);
    updateAddButton();
    showBulletins(0, static_cast<int>(host.log().bulletins().size()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    m_host.quit();
}

void MainWindow::showBulletins(int first, int count) {
    const auto& bulletins = m_host.log().bulletins();
    QList<QTreeWidgetItem*> items;
    items.reserve(count);
    for (int i = first; i < first + count; ++i) {
        const FeedBulletin& b = bulletins[static_cast<std::size_t>(i)];
        items.append(new QTreeWidgetItem(QStringList{b.callsign, b.addressee, b.text}));
    }
    m_log->addTopLevelItems(items);
    m_log->scrollToBottom();
}

void MainWindow::addFromForm() {
    if (!m_add->isEnabled()) {
        return;
    }
    m_host.addBulletin(
        {m_callsign->text().trimmed(), m_addressee->text().trimmed(), m_text->text()});
    m_text->clear();
}

void MainWindow::updateAddButton() {
    m_add->setEnabled(!m_callsign->text().trimmed().isEmpty() &&
                      !m_addressee->text().trimmed().isEmpty());
}

} // namespace quillet::hostapp
