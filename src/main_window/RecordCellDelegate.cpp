#include "RecordCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace quelm
{

namespace
{

constexpr int kSmallestMark = 8; // pixels: less would be a smudge

} // namespace

void RecordCellDelegate::paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const
{
    QStyleOptionViewItem option = Option;
    initStyleOption(&option, Index);
    const QIcon marks = option.icon;
    option.features &= ~QStyleOptionViewItem::HasDecoration;
    option.icon = QIcon();
    option.decorationSize = QSize();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &option, Painter, widget);
    if (marks.isNull()) {
        return;
    }
    const QString& text = option.text;
    qsizetype zeros = 0;
    while (zeros + 1 < text.size() && text[zeros] == '0') {
        ++zeros;
    }
    const QRect textArea = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
    const int room = option.fontMetrics.horizontalAdvance(text.left(zeros));
    const int height = std::min(textArea.height(), option.rect.height());
    if (room < kSmallestMark || height < kSmallestMark) {
        return;
    }
    const QSize natural = marks.actualSize(QSize(1024, 16));
    const QSize fitted = natural.scaled(QSize(room, std::min(height, 16)), Qt::KeepAspectRatio);
    // The text starts a margin into its area: the zeros end there.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area(textArea.left(), option.rect.top(), margin + room, option.rect.height());
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QPalette::ColorGroup group =
        (option.state & QStyle::State_Active) != 0 ? QPalette::Active : QPalette::Inactive;
    Painter->save();
    Painter->fillRect(area, selected ? option.palette.brush(group, QPalette::Highlight)
                            : option.backgroundBrush.style() != Qt::NoBrush ? option.backgroundBrush
                            : (option.features & QStyleOptionViewItem::Alternate) != 0
                                ? option.palette.brush(group, QPalette::AlternateBase)
                                : option.palette.brush(group, QPalette::Base));
    const QPixmap pixmap = marks.pixmap(natural).scaled(fitted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    Painter->drawPixmap(area.left() + margin, area.top() + (area.height() - pixmap.height()) / 2, pixmap);
    Painter->restore();
}

QSize RecordCellDelegate::sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const
{
    // The marks take no room of their own.
    QStyleOptionViewItem option = Option;
    initStyleOption(&option, Index);
    option.features &= ~QStyleOptionViewItem::HasDecoration;
    option.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), widget);
}

} // namespace quelm
