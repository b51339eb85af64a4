#pragma once

class QPainter;
class QRect;
class QWidget;

namespace quelm
{

// The style's focus frame, for the controls whose style draws none.
class FocusFrame
{
  public:
    // Draws it around Frame on Control, whichever way the focus came: a
    // list or a spinner shows where the keys go also after a click.
    static void Draw(const QWidget& Control, QPainter& Painter, const QRect& Frame);
};

} // namespace quelm
