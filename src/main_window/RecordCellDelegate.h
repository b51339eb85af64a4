#pragma once

#include <QStyledItemDelegate>

namespace quelm
{

// Draws the record number as the list writes it, whole, and the row's
// marks (the player's, a star, a note) over its leading zeros, so that a
// mark never cuts the number short in its narrow column. A number with
// too few leading zeros shows no mark; the marks are still read out and
// in the tooltip.
class RecordCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;
    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;
};

} // namespace quelm
