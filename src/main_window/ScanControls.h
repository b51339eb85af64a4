#pragma once

#include <QPointer>
#include <QWidget>

namespace quelm
{

class DisplayForm;

// The controls' states around a scan: only Stop works while it runs. The
// control that started it (Filter, Length) gets the focus back afterwards,
// so that its next key press does not land on the control the focus
// passed to while it was disabled.
class ScanControls
{
  public:
    explicit ScanControls(const DisplayForm& Form) : m_form(Form) {}

    void Begin();
    void End();

  private:
    const DisplayForm& m_form;
    QPointer<QWidget> m_focus; // the control to give the focus back to
};

} // namespace quelm
