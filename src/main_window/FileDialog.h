#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

class QWidget;

namespace quelm
{

struct FileDialogSettings {
    QString initialDir;
    QString fileName;
    QString defaultExt;
    QStringList filters;
    QString title;
    // Shown in the dialog when it is asked again: why the last answer
    // would not do.
    QString notice;
};

// The open and save dialogs behind one small seam: tests queue the next
// answers (a path, or nothing for a cancel) and no dialog is shown. Either
// dialog takes any name; the default extension goes only onto a name that
// has none and names nothing that exists, and the caller checks the file.
class FileDialog
{
  public:
    void QueueAnswer(std::optional<QString> Answer) { m_answers.push_back(std::move(Answer)); }

    // The chosen path, or nothing when the user cancelled.
    std::optional<QString> ShowOpen(QWidget* Parent, const FileDialogSettings& Settings);
    std::optional<QString> ShowSave(QWidget* Parent, const FileDialogSettings& Settings);

    // Asks until Take takes the answer or the user cancels: Take returns
    // why an answer would not do, and the dialog comes back with that
    // notice and the answer. True when an answer was taken.
    using Taker = std::function<std::optional<QString>(const QString& Answer)>;
    bool AskUntilTaken(QWidget* Parent, FileDialogSettings Settings, bool Save, const Taker& Take);

    const FileDialogSettings& LastSettings() const { return m_last; }
    int TimesShown() const { return m_shown; }

  private:
    std::optional<QString> Show(QWidget* Parent, const FileDialogSettings& Settings, bool Save);
    std::optional<QString> Ask(QWidget* Parent, const FileDialogSettings& Settings, bool Save);

    std::deque<std::optional<QString>> m_answers;
    FileDialogSettings m_last;
    int m_shown = 0;
};

} // namespace quelm
