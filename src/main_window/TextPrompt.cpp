#include "TextPrompt.h"

#include <QInputDialog>
#include <QPointer>

namespace quelm
{

std::optional<QString> TextPrompt::Ask(QWidget* Parent, const QString& Title, const QString& Label,
                                       const QString& Initial)
{
    ++m_shown;
    m_lastLabel = Label;
    if (!m_answers.empty()) {
        const bool cancelled = !m_answers.front().has_value();
        const QString text = cancelled ? QString() : *m_answers.front();
        m_answers.pop_front();
        return cancelled ? std::nullopt : std::optional<QString>(text);
    }
    // The window may go while the dialog runs its event loop.
    QPointer<QInputDialog> dialog = new QInputDialog(Parent);
    dialog->setObjectName("TextPrompt");
    dialog->setWindowTitle(Title);
    dialog->setLabelText(Label);
    dialog->setTextValue(Initial);
    const bool taken = dialog->exec() == QDialog::Accepted;
    if (dialog == nullptr) {
        return std::nullopt;
    }
    const QString text = dialog->textValue();
    delete dialog;
    return taken ? std::optional(text) : std::nullopt;
}

} // namespace quelm
