#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <exception>

class QLabel;

namespace quelm
{

class Failure;

// Says what failed in the window's "Filename" panel for a few seconds, then
// gives the panel back the file name it covered. The panel is narrow: it
// shows the reason first and paths by their last name only, so that what
// went wrong survives the cut at its edge; its tooltip and standard error
// carry the whole message.
class FailurePanel : public QObject
{
    Q_OBJECT
  public:
    static constexpr int kShownMs = 8000;

    explicit FailurePanel(QLabel& Panel, QObject* Parent = nullptr);

    // Shows "Reason: Context" with the failure's path by its last name, or
    // the message as it is, with its absolute paths shortened, when the
    // failure has no separate reason.
    void Show(const Failure& What);
    // A Failure as above; running out of memory says so plainly, and any
    // other error shows its message.
    void Show(const std::exception& Error);
    // A message of the window's own, with no separate reason.
    void Show(const QString& Message);

    // Gives the panel back what the failure covered, unless a load has
    // named its file there meanwhile. The timer calls it.
    void End();

    // The whole text of the failure shown, for as long as it is shown.
    QString LastFailure() const { return m_lastFailure; }
    QTimer& Timer() { return m_shown; }

  private:
    void Present(const QString& Message, const QString& Short);

    QLabel& m_panel;
    QTimer m_shown;
    QString m_lastFailure;
    QString m_failureText;     // as the panel shows it
    QString m_coveredFileName; // what the failure covers there
    QString m_coveredTip;
};

} // namespace quelm
