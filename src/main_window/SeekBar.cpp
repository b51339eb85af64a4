#include "SeekBar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <algorithm>

namespace quelm
{

namespace
{

// Assistive technology reads the bar's value as the bar shows it, a time
// and a length, rather than as a bare number of seconds.
class SeekBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
  public:
    explicit SeekBarAccessible(SeekBar* Bar) : QAccessibleWidget(Bar, QAccessible::ProgressBar) {}

    QString text(QAccessible::Text Kind) const override
    {
        return Kind == QAccessible::Value ? Bar()->text() : QAccessibleWidget::text(Kind);
    }
    void* interface_cast(QAccessible::InterfaceType Type) override
    {
        return Type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(Type);
    }
    QVariant currentValue() const override { return Bar()->value(); }
    void setCurrentValue(const QVariant& /*Value*/) override {}
    QVariant maximumValue() const override { return Bar()->maximum(); }
    QVariant minimumValue() const override { return Bar()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

  private:
    SeekBar* Bar() const { return static_cast<SeekBar*>(widget()); }
};

QAccessibleInterface* MakeAccessible(const QString& /*Key*/, QObject* Object)
{
    auto* bar = qobject_cast<SeekBar*>(Object);
    return bar != nullptr ? new SeekBarAccessible(bar) : nullptr;
}

} // namespace

SeekBar::SeekBar(QWidget* Parent) : QProgressBar(Parent)
{
    static const bool kInstalled = [] {
        QAccessible::installFactory(MakeAccessible);
        return true;
    }();
    (void)kInstalled;
}

QString SeekBar::Clock(qint64 Seconds)
{
    Seconds = std::max<qint64>(Seconds, 0);
    const qint64 hours = Seconds / 3600;
    const qint64 minutes = Seconds / 60 % 60;
    const QString rest = QString("%1:%2").arg(minutes).arg(Seconds % 60, 2, 10, QChar('0'));
    return hours == 0 ? rest : QString("%1:%2").arg(hours).arg(rest.rightJustified(5, '0'));
}

void SeekBar::ShowTimes(qint64 ElapsedSeconds, qint64 TotalSeconds)
{
    const QString text = Clock(ElapsedSeconds) + " / " + Clock(TotalSeconds);
    if (text == m_text) {
        return;
    }
    m_text = text;
    setAccessibleDescription(m_text);
    update();
    QAccessibleValueChangeEvent event(this, m_text);
    QAccessible::updateAccessibility(&event);
}

void SeekBar::ClearTimes()
{
    m_text.clear();
    setAccessibleDescription(m_text);
    update();
}

void SeekBar::mousePressEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::LeftButton) {
        QProgressBar::mousePressEvent(Event);
        return;
    }
    Request(*Event);
}

void SeekBar::mouseMoveEvent(QMouseEvent* Event)
{
    if ((Event->buttons() & Qt::LeftButton) == 0) {
        QProgressBar::mouseMoveEvent(Event);
        return;
    }
    Request(*Event);
}

void SeekBar::Request(const QMouseEvent& Event)
{
    const double width = std::max(1, this->width());
    emit SeekRequested(std::clamp(Event.position().x() / width, 0.0, 1.0));
}

} // namespace quelm
