#include "FocusedList.h"

#include "FocusFrame.h"

#include <QPainter>

namespace quelm
{

void FocusedList::paintEvent(QPaintEvent* Event)
{
    QTableView::paintEvent(Event);
    if (!hasFocus()) {
        return;
    }
    const QModelIndex current = currentIndex();
    QRect frame = viewport()->rect();
    if (current.isValid()) {
        const int columns = model()->columnCount();
        frame = visualRect(current.siblingAtColumn(0)).united(visualRect(current.siblingAtColumn(columns - 1)));
    }
    QPainter painter(viewport());
    FocusFrame::Draw(*this, painter, frame);
}

void FocusedList::focusInEvent(QFocusEvent* Event)
{
    QTableView::focusInEvent(Event);
    viewport()->update();
}

void FocusedList::focusOutEvent(QFocusEvent* Event)
{
    QTableView::focusOutEvent(Event);
    viewport()->update();
}

void FocusedList::currentChanged(const QModelIndex& Current, const QModelIndex& Previous)
{
    QTableView::currentChanged(Current, Previous);
    viewport()->update(); // the old row's frame goes too
}

} // namespace quelm
