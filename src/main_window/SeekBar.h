#pragma once

#include <QProgressBar>
#include <QString>

class QMouseEvent;

namespace quelm
{

// The playback bar: shows where the playing message is ("0:12 / 1:28") and
// takes a click or a drag as a wish to go there.
class SeekBar : public QProgressBar
{
    Q_OBJECT
  public:
    explicit SeekBar(QWidget* Parent = nullptr);

    // The time shown, in whole seconds; nothing is shown before a play.
    void ShowTimes(qint64 ElapsedSeconds, qint64 TotalSeconds);
    void ClearTimes();
    // "1:28", "1:02:03" past an hour.
    static QString Clock(qint64 Seconds);

    QString text() const override { return m_text; }

  signals:
    // A press or drag at Fraction (0 to 1) of the bar's width.
    void SeekRequested(double Fraction);

  protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;

  private:
    void Request(const QMouseEvent& Event);

    QString m_text;
};

} // namespace quelm
