#include "FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>

namespace quelm
{

namespace
{

// "*.MP3" should find .mp3 in any case, as it does on the recorder's side.
QStringList AnyCase(const QString& Filter)
{
    const auto open = Filter.lastIndexOf('(');
    const auto close = Filter.lastIndexOf(')');
    QStringList patterns;
    if (open < 0 || close <= open) {
        return patterns;
    }
    for (const QString& pattern : Filter.mid(open + 1, close - open - 1).split(' ', Qt::SkipEmptyParts)) {
        if (pattern == "*.*" || pattern == "*") {
            return {"*"};
        }
        QString any;
        for (const QChar c : pattern) {
            any += c.isLetter() ? QString("[%1%2]").arg(c.toLower(), c.toUpper()) : QString(c);
        }
        patterns << any;
    }
    return patterns;
}

} // namespace

std::optional<QString> FileDialog::ShowOpen(QWidget* Parent, const FileDialogSettings& Settings)
{
    return Show(Parent, Settings, false);
}

std::optional<QString> FileDialog::ShowSave(QWidget* Parent, const FileDialogSettings& Settings)
{
    return Show(Parent, Settings, true);
}

bool FileDialog::AskUntilTaken(QWidget* Parent, FileDialogSettings Settings, bool Save, const Taker& Take)
{
    for (;;) {
        const auto answer = Show(Parent, Settings, Save);
        if (!answer || answer->isEmpty()) {
            return false; // a cancel ends the command without a word
        }
        const auto refused = Take(*answer);
        if (!refused) {
            return true;
        }
        Settings.fileName = *answer;
        Settings.notice = *refused;
    }
}

std::optional<QString> FileDialog::Show(QWidget* Parent, const FileDialogSettings& Settings, bool Save)
{
    auto answer = Ask(Parent, Settings, Save);
    // A typed name without an extension gets the default one, unless it
    // names a file (or a folder) as it stands: a record file may have none.
    if (answer && !answer->isEmpty() && !Settings.defaultExt.isEmpty()) {
        const QFileInfo info(*answer);
        if (!info.fileName().contains('.') && !info.exists()) {
            *answer += "." + Settings.defaultExt;
        }
    }
    return answer;
}

std::optional<QString> FileDialog::Ask(QWidget* Parent, const FileDialogSettings& Settings, bool Save)
{
    m_last = Settings;
    ++m_shown;
    if (!m_answers.empty()) {
        const bool cancelled = !m_answers.front().has_value();
        const QString path = cancelled ? QString() : *m_answers.front();
        m_answers.pop_front();
        return cancelled ? std::nullopt : std::optional<QString>(path);
    }
    QFileDialog dialog(Parent, Settings.title, Settings.initialDir);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The dialog's own default suffix and existence check would turn an
    // existing file without an extension into "not found"; Show adds the
    // extension and the caller checks the file.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(Settings.filters);
    if (!Settings.notice.isEmpty()) {
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            auto* notice = new QLabel(Settings.notice, &dialog);
            notice->setObjectName("Notice");
            notice->setWordWrap(true);
            notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(notice, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }
    // Replacing without a question is what saving has always done.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    auto applyFilter = [&dialog](const QString& Filter) {
        if (auto* model = dialog.findChild<QFileSystemModel*>()) {
            model->setNameFilters(AnyCase(Filter));
        }
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, applyFilter);
    if (!Settings.filters.isEmpty()) {
        applyFilter(Settings.filters.front());
    }
    if (!Settings.fileName.isEmpty() && !Settings.fileName.contains('*')) {
        dialog.selectFile(Settings.fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

} // namespace quelm
