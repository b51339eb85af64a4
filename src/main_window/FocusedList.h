#pragma once

#include <QTableView>

namespace quelm
{

// The segment list, showing where the keyboard is: while it has the focus
// it frames its current row, or itself when it has none.
class FocusedList : public QTableView
{
    Q_OBJECT
  public:
    using QTableView::QTableView;

  protected:
    void paintEvent(QPaintEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void currentChanged(const QModelIndex& Current, const QModelIndex& Previous) override;
};

} // namespace quelm
