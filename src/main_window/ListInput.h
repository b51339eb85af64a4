#pragma once

#include <QObject>

class QKeyEvent;
class QMouseEvent;
class QScrollBar;
class QTableView;

namespace quelm
{

// Turns the user's presses and keys on the segment list into row clicks,
// one row at a time, and makes the Length spinner's arrows step upwards
// while the mouse holds them. What a click does is for the window to say.
class ListInput : public QObject
{
    Q_OBJECT
  public:
    ListInput(QTableView& List, QScrollBar& Length, QObject* Parent = nullptr);

    // The selected row's position, 0 when none is selected.
    int SelectedPosition() const;

  signals:
    // A press on the list, or a key that stands for one: the buttons held,
    // 1 left, 2 right, 4 middle, added up.
    void MouseDown(int Button);
    // The row under a press, to be selected and then clicked.
    void RowPressed(int Position);
    // The selected row, clicked from the keyboard.
    void RowClicked(int Position);

  protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

  private:
    void ListPressed(const QMouseEvent& Mouse);
    bool ListKeyPressed(const QKeyEvent& Key);
    void LengthAction(int Action);

    QTableView& m_list;
    QScrollBar& m_length;
    const QObject* m_viewport; // compared only: events may come while it is destroyed
    bool m_lengthHeld = false; // the mouse holds Length's arrow
};

} // namespace quelm
