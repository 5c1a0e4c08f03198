#include "composing/add_multiple_window.h"

#include "base/qt_text.h"
#include "composing/add_message_window.h"
#include "composing/main_window_operations.h"
#include "composing/own_bulletin_board.h"
#include "widgets/tab_columns_delegate.h"
#include "widgets/twips.h"
#include "widgets/window_style.h"

#include <QKeyEvent>
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
    showFocusAlways(this);

    auto* exit =
        makeButton(this, "Command1", QStringLiteral("E&xit"), twipsRect(120, 120, 975, 255));
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    m_list1 = makeList(this, "List1", twipsRect(0, 480, 10335, 7050));
    m_list1->setAccessibleName(QStringLiteral("Own bulletins"));
    m_list1->setAccessibleDescription(
        QStringLiteral("One row for each bulletin code; Space or Enter opens it in Add Message"));
    auto* columns = static_cast<TabColumnsDelegate*>(m_list1->itemDelegate());
    columns->setColumnStarts(
        {QFontMetrics(m_list1->font()).horizontalAdvance(QStringLiteral("BLNW>")) + 12});
    connect(m_list1, &QListWidget::itemClicked, this, &AddMultipleWindow::rowClicked);
    m_list1->installEventFilter(this);

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
        auto* item = new QListWidgetItem(fromWindows1252(row), m_list1);
        // Read out as "BLN1> text", without the tab that lines the columns up.
        item->setData(Qt::AccessibleTextRole, tabColumns(item->text()).join(QLatin1Char(' ')));
    }
    m_list1->setCurrentRow(-1); // a selection made before the refill is gone
    m_list1->setUpdatesEnabled(true);
}

bool AddMultipleWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (QListWidgetItem* item = m_list1->currentItem()) {
                item->setSelected(true);
                rowClicked();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AddMultipleWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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
