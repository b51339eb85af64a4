#pragma once

#include <QString>
#include <deque>
#include <optional>

class QWidget;

namespace quelm
{

// Asks the user for a line of text (a time to go to, a note) behind one
// small seam: tests queue the next answers (a text, or nothing for a
// cancel) and no dialog is shown.
class TextPrompt
{
  public:
    void QueueAnswer(std::optional<QString> Answer) { m_answers.push_back(std::move(Answer)); }

    // The text entered, or nothing when the user cancelled.
    std::optional<QString> Ask(QWidget* Parent, const QString& Title, const QString& Label,
                               const QString& Initial = {});

    int TimesShown() const { return m_shown; }
    const QString& LastLabel() const { return m_lastLabel; }

  private:
    std::deque<std::optional<QString>> m_answers;
    int m_shown = 0;
    QString m_lastLabel;
};

} // namespace quelm
