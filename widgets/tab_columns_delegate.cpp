#include "widgets/tab_columns_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

namespace quillet {

QStringList tabColumns(const QString& row, qsizetype maxColumns) {
    static const QRegularExpression tabs(QStringLiteral("\t+"));
    QStringList columns = row.split(tabs);
    // Tabs inside the last column's text (a bulletin may hold some) open no new columns.
    // The last column is taken out before the new last one is named, so that the text is
    // joined to the column it came from.
    while (columns.size() > std::max<qsizetype>(maxColumns, 1)) {
        const QString tail = columns.takeLast();
        columns.last() += QStringLiteral("    ") + tail;
    }
    return columns;
}

void TabColumnsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStyle::State focus = opt.state & QStyle::State_HasFocus;
    opt.state &= ~QStyle::State_HasFocus; // drawn below, where it can be seen
    const QStringList columns = tabColumns(opt.text, m_starts.size() + 1);
    opt.text.clear();
    const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget); // background

    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget);
    const bool selected = opt.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(
        opt.palette.color(QPalette::Normal, selected ? QPalette::HighlightedText : QPalette::Text));
    for (int i = 0; i < columns.size(); ++i) {
        const int left = i == 0 ? 0 : m_starts[i - 1];
        const int right = i < m_starts.size() ? m_starts[i] : textRect.width();
        QRect cell(textRect.left() + left, textRect.top(), right - left, textRect.height());
        if (i + 1 == columns.size()) {
            cell.setRight(textRect.right()); // the message runs to the edge
        }
        painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, columns[i]);
    }
    // The style's own focus mark is hard to see on a black list: a frame in the text's colour
    // shows which row the keys act on.
    if (focus) {
        painter->setPen(QPen(opt.palette.color(QPalette::Normal, QPalette::Text), 2));
        painter->drawRect(opt.rect.adjusted(1, 1, -1, -1));
    }
    painter->restore();
}

} // namespace quillet
