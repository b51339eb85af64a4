#include "ScanControls.h"

#include "DisplayForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QScrollBar>

namespace quelm
{

void ScanControls::Begin()
{
    QWidget* focus = QApplication::focusWidget();
    m_focus = focus == m_form.filter || focus == m_form.length ? focus : nullptr;
    m_form.stopIt->setEnabled(true);
    m_form.load->setEnabled(false);
    m_form.filter->setEnabled(false);
    m_form.length->setEnabled(false);
    m_form.quit->setEnabled(false);
}

void ScanControls::End()
{
    m_form.stopIt->setEnabled(false);
    m_form.load->setEnabled(true);
    m_form.filter->setEnabled(true);
    m_form.length->setEnabled(true);
    m_form.quit->setEnabled(true);
    if (m_focus != nullptr && m_focus->window()->isActiveWindow()) {
        m_focus->setFocus(Qt::OtherFocusReason);
    }
    m_focus = nullptr;
}

} // namespace quelm
