#include "composing/add_multiple_window.h"

#include "base/qt_text.h"
#include "composing/add_message_window.h"
#include "composing/main_window_operations.h"
#include "composing/own_bulletin_board.h"
#include "widgets/tab_columns_delegate.h"
#include "widgets/twips.h"
#include "widgets/window_style.h"

#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace quillet {

namespace {
constexpr int kRefillIntervalMs = 30000;
}

AddMultipleWindow::AddMultipleWindow(MainWindowOperations& main, QWidget* parent)
    : QWidget(parent, Qt::Window), m_main(main) {
    setObjectName(QStringLiteral("multiMessages"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quillet Add Multiple Messages"));
    setFixedSize(twipsToPixels(10335), twipsToPixels(7530));
    paintGrey(this);

    auto* exit =
        makeButton(this, "Command1", QStringLiteral("Exit"), twipsRect(120, 120, 975, 255));
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    m_list1 = makeList(this, "List1", twipsRect(0, 480, 10335, 7050));
    auto* columns = new TabColumnsDelegate(m_list1);
    columns->setColumnStarts(
        {QFontMetrics(m_list1->font()).horizontalAdvance(QStringLiteral("BLNW>")) + 12});
    m_list1->setItemDelegate(columns);
    connect(m_list1, &QListWidget::itemClicked, this, &AddMultipleWindow::rowClicked);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kRefillIntervalMs);
    connect(m_timer1, &QTimer::timeout, this, &AddMultipleWindow::fillBulletinList);
    fillBulletinList();
    m_timer1->start();
}

void AddMultipleWindow::fillBulletinList() {
    m_list1->setUpdatesEnabled(false);
    m_list1->clear();
    for (const std::string& row : ownBulletinBoardRows(
             [this](const std::string& code) { return m_main.getMyMessageForBLN(code); })) {
        m_list1->addItem(fromWindows1252(row));
    }
    m_list1->setCurrentRow(-1); // a selection made before the refill is gone
    m_list1->setUpdatesEnabled(true);
}

void AddMultipleWindow::rowClicked() {
    if (m_rowClickBusy) {
        return;
    }
    const QListWidgetItem* item = m_list1->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return; // nothing selected: nothing to hand over
    }
    m_rowClickBusy = true;
    const BoardSelection selection = boardSelection(toWindows1252(item->text()));
    if (AddMessageWindow* message = m_main.openMessageWindow()) {
        message->setToStation(selection.toStation);
        message->setMessage(selection.message);
    }
    m_rowClickBusy = false;
}

} // namespace quillet
