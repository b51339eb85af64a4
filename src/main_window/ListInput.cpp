#include "ListInput.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>

namespace quelm
{

namespace
{

// The mouse buttons held, as the list's press handling takes them.
int ButtonMask(Qt::MouseButtons Buttons)
{
    return ((Buttons & Qt::LeftButton) ? 1 : 0) | ((Buttons & Qt::RightButton) ? 2 : 0) |
           ((Buttons & Qt::MiddleButton) ? 4 : 0);
}

} // namespace

ListInput::ListInput(QTableView& List, QScrollBar& Length, QObject* Parent)
    : QObject(Parent), m_list(List), m_length(Length), m_viewport(List.viewport())
{
    List.viewport()->installEventFilter(this);
    List.installEventFilter(this);
    Length.installEventFilter(this);
    connect(&Length, &QScrollBar::actionTriggered, this, &ListInput::LengthAction);
}

int ListInput::SelectedPosition() const
{
    const QModelIndexList rows = m_list.selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.front().row() + 1;
}

bool ListInput::eventFilter(QObject* Watched, QEvent* Event)
{
    const auto type = Event->type();
    if (Watched == m_viewport) {
        if (type == QEvent::MouseButtonPress) {
            ListPressed(*static_cast<QMouseEvent*>(Event));
            return true;
        }
        // The press made the click. The second press of a double-click
        // adds nothing, and a drag selects nothing: one row at a time.
        if (type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) {
            return true;
        }
    } else if (Watched == &m_list && type == QEvent::KeyPress) {
        return ListKeyPressed(*static_cast<QKeyEvent*>(Event));
    } else if (Watched == &m_length && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                                        type == QEvent::MouseButtonRelease)) {
        // A quick second click on an arrow arrives as a double-click.
        m_lengthHeld = static_cast<QMouseEvent*>(Event)->buttons() != Qt::NoButton;
    }
    return QObject::eventFilter(Watched, Event);
}

void ListInput::ListPressed(const QMouseEvent& Mouse)
{
    m_list.setFocus(Qt::MouseFocusReason);
    emit MouseDown(ButtonMask(Mouse.buttons()));
    const QModelIndex index = m_list.indexAt(Mouse.position().toPoint());
    if (!index.isValid()) {
        return;
    }
    // The row click goes with its press, as the list raised it inside one
    // button-down: nothing that runs before the release (a scan's yield
    // scrolling the list, an auto-read tick) can change what it does.
    emit RowPressed(index.row() + 1);
}

bool ListInput::ListKeyPressed(const QKeyEvent& Key)
{
    const auto modifiers = Key.modifiers() & ~Qt::KeypadModifier;
    int button = 0;
    if ((Key.key() == Qt::Key_Return || Key.key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        button = 1; // plays, as a left click
    } else if ((Key.key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
               (Key.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
        button = 2; // saves, as a right click
    } else {
        return false;
    }
    const int selected = SelectedPosition();
    if (selected != 0) {
        emit MouseDown(button);
        emit RowClicked(selected);
    }
    return true;
}

void ListInput::LengthAction(int Action)
{
    // The arrows (and the trough beside them) are turned round while the
    // mouse holds them; keys and the wheel go up already, by
    // setInvertedControls(false). The value itself is not yet changed here.
    if (!m_lengthHeld) {
        return;
    }
    using Slider = QAbstractSlider;
    const bool single = Action == Slider::SliderSingleStepAdd || Action == Slider::SliderSingleStepSub;
    const bool page = Action == Slider::SliderPageStepAdd || Action == Slider::SliderPageStepSub;
    if (!single && !page) {
        return;
    }
    const int step = single ? m_length.singleStep() : m_length.pageStep();
    const bool add = Action == Slider::SliderSingleStepAdd || Action == Slider::SliderPageStepAdd;
    m_length.setSliderPosition(m_length.value() + (add ? -step : step));
}

} // namespace quelm
