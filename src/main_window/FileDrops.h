#pragma once

#include <QObject>
#include <QString>

class QDropEvent;
class QWidget;

namespace quelm
{

// Lets one local file be dropped onto a window. Drops are refused while
// Gate is disabled (the window's Load button: no drop during a scan), and
// so are several files at once and anything that is not a local file; a
// refusal says why through Refused.
class FileDrops : public QObject
{
    Q_OBJECT
  public:
    FileDrops(QWidget& Window, const QWidget& Gate);

  signals:
    void Dropped(const QString& Path);
    void Refused(const QString& Message);

  protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

  private:
    // The local file that Event carries; empty, with Why set, when it is
    // not to be taken.
    QString FileOf(const QDropEvent& Event, QString& Why) const;

    const QWidget& m_gate;
};

} // namespace quelm
