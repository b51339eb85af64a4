#include "MarkIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <numbers>

namespace quelm
{

namespace
{

constexpr int kSide = 16;

void DrawStar(QPainter& Painter, QPointF Centre)
{
    QPainterPath star;
    for (int point = 0; point < 10; ++point) {
        const double radius = point % 2 == 0 ? 7.0 : 3.0;
        const double angle = -std::numbers::pi / 2 + point * std::numbers::pi / 5;
        const QPointF at = Centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
        point == 0 ? star.moveTo(at) : star.lineTo(at);
    }
    star.closeSubpath();
    Painter.setPen(QPen(QColor(0x8a, 0x60, 0x00), 1));
    Painter.setBrush(QColor(0xf5, 0xb8, 0x00));
    Painter.drawPath(star);
}

void DrawNote(QPainter& Painter, QPointF Origin)
{
    // A page with lines on it.
    const QRectF page(Origin + QPointF(3, 1.5), QSizeF(10, 13));
    Painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    Painter.setBrush(QColor(0xff, 0xf8, 0xc0));
    Painter.drawRect(page);
    for (int line = 0; line < 3; ++line) {
        const double y = page.top() + 3.5 + line * 3;
        Painter.drawLine(QPointF(page.left() + 2, y), QPointF(page.right() - 2, y));
    }
}

} // namespace

QIcon MarkIcons::Icon(const QIcon& Playing, bool Star, bool Note)
{
    const int signs = (Playing.isNull() ? 0 : 1) + (Star ? 1 : 0) + (Note ? 1 : 0);
    if (signs == 0) {
        return {};
    }
    QPixmap pixmap(kSide * signs, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    int x = 0;
    if (!Playing.isNull()) {
        painter.drawPixmap(x, 0, Playing.pixmap(kSide, kSide));
        x += kSide;
    }
    if (Star) {
        DrawStar(painter, QPointF(x + kSide / 2.0, kSide / 2.0 + 0.5));
        x += kSide;
    }
    if (Note) {
        DrawNote(painter, QPointF(x, 0));
    }
    painter.end();
    return QIcon(pixmap);
}

} // namespace quelm
