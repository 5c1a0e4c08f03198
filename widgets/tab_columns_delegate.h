#pragma once

#include <QStyledItemDelegate>
#include <QVector>

#include <limits>

namespace quillet {

// Draws list rows whose columns are separated by tabs at fixed column positions, so that
// the heading and the rows line up however wide a callsign or a date is. A run of tabs
// counts as one separator.
class TabColumnsDelegate final : public QStyledItemDelegate {
public:
    explicit TabColumnsDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

    // Left edges, in pixels from the row's text start, of the second column onwards.
    void setColumnStarts(QVector<int> starts) { m_starts = std::move(starts); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    QVector<int> m_starts;
};

// The columns of a tab-separated row, runs of tabs taken as one separator. Beyond
// maxColumns, the rest of the row stays in the last column, its tabs shown as blanks.
QStringList tabColumns(const QString& row,
                       qsizetype maxColumns = std::numeric_limits<qsizetype>::max());

} // namespace quillet
