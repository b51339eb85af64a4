#pragma once

#include <QScrollBar>

namespace quelm
{

// A scroll bar that shows when it has the focus, as a spinner does: the
// style draws none on a scroll bar. A change of focus repaints any widget.
class FocusedScrollBar : public QScrollBar
{
    Q_OBJECT
  public:
    using QScrollBar::QScrollBar;

  protected:
    void paintEvent(QPaintEvent* Event) override;
};

} // namespace quelm
