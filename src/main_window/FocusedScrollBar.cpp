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

} // namespace quelm
