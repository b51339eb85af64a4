#pragma once

#include <QScrollBar>

namespace quelm
{

// A scroll bar that shows when it has the focus, as a spinner does: the
// style draws none on a scroll bar.
class FocusedScrollBar : public QScrollBar
{
    Q_OBJECT
  public:
    using QScrollBar::QScrollBar;

  protected:
    void paintEvent(QPaintEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
};

} // namespace quelm
