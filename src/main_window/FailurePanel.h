#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <exception>

class QAction;
class QLabel;

namespace quelm
{

class Failure;

// Says what failed in the window's "Filename" panel, then gives the panel
// back the file name it covered. The panel shows the reason first and
// paths by their last name, cut in the middle when it is too narrow, so
// that both what went wrong and the file it concerns stay in view. The
// whole message is its tooltip and accessible description, goes to
// standard error, is announced to assistive technology, and the "Details"
// action (Ctrl+D, or the panel's context menu) shows it in a box.
class FailurePanel : public QObject
{
    Q_OBJECT
  public:
    // A failure stays at least this long, and then until the user acts.
    static constexpr int kShownMs = 8000;
    // A note that something worked stays this long.
    static constexpr int kNoteMs = 4000;

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
    // The failure shown stays where the file name would be, until a load
    // names its file there: the window has no file of its own to show.
    void KeepShown();
    // A word that something worked, briefly, in the same place.
    void Note(const QString& Message);

    // Gives the panel back what the failure covered, unless a load has
    // named its file there meanwhile. The user's next action after the
    // timer calls it.
    void End();

    // The whole text of the failure shown, for as long as it is shown.
    QString LastFailure() const { return m_lastFailure; }
    QTimer& Timer() { return m_shown; }
    QAction& Details() { return *m_details; }

  signals:
    // A failure was announced to assistive technology, with its whole text.
    void Announced(const QString& Message);

  protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

  private:
    void Present(const QString& Message, const QString& Short, bool IsFailure = true);
    void Elide();
    void TimeUp();
    void StopWaiting();
    void ShowDetails();

    QLabel& m_panel;
    QTimer m_shown;
    QAction* m_details;
    QString m_lastFailure;
    QString m_detailsText;     // the whole text of the last failure, for Details
    QString m_presented;       // the whole text of what is shown, the panel's tooltip
    QString m_shortText;       // what is shown, before the cut
    QString m_failureText;     // as the panel shows it; empty when it shows something else
    QString m_coveredFileName; // what the failure covers there
    QString m_coveredTip;
    QString m_keptShort; // a failure that stays once the time is up
    QString m_keptTip;
    bool m_note = false;    // what is shown is a note, not a failure
    bool m_waiting = false; // the time is up: the user's next action ends it
};

} // namespace quelm
