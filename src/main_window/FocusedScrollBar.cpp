#include "FocusedScrollBar.h"

#include "FocusFrame.h"

#include <QPainter>

namespace quelm
{

void FocusedScrollBar::paintEvent(QPaintEvent* Event)
{
    QScrollBar::paintEvent(Event);
    if (hasFocus()) {
        QPainter painter(this);
        FocusFrame::Draw(*this, painter, rect());
    }
}

void FocusedScrollBar::focusInEvent(QFocusEvent* Event)
{
    QScrollBar::focusInEvent(Event);
    update();
}

void FocusedScrollBar::focusOutEvent(QFocusEvent* Event)
{
    QScrollBar::focusOutEvent(Event);
    update();
}

} // namespace quelm
