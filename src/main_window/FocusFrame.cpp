#include "FocusFrame.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWidget>

namespace quelm
{

void FocusFrame::Draw(const QWidget& Control, QPainter& Painter, const QRect& Frame)
{
    QStyleOptionFocusRect option;
    option.initFrom(&Control);
    option.rect = Frame;
    option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    option.backgroundColor = Control.palette().color(QPalette::Base);
    Control.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &Painter, &Control);
}

} // namespace quelm
