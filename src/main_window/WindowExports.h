#pragma once

#include "FileDialog.h"
#include "segment_output/AudioExport.h"

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace quelm
{

class FailurePanel;
class SegmentTable;
class TextPrompt;
struct SegmentRow;

// File > Save messages… and File > Export: the loaded list as one record
// file of several messages, as labels, chapters or a CUE sheet. The audio's
// timeline is walked on a thread of its own, so that a long file never
// freezes the window; the file is written whole or not at all.
class WindowExports : public QObject
{
    Q_OBJECT
  public:
    struct Window {
        QWidget* parent;
        FileDialog& dialogs;
        TextPrompt& prompt;
        FailurePanel& failures;
        const SegmentTable& table;
        std::function<const std::string&()> recordFile;
        // The dialog's settings for a file name and a title.
        std::function<FileDialogSettings(const QString& FileName, const QString& Title)> settings;
    };

    explicit WindowExports(Window Owner, QObject* Parent = nullptr);

    // Asks for the messages (FIRST-LAST, or a time range HH:MM-HH:MM) and a
    // file name, and saves them as one record file.
    void SaveMessages(int Selected);
    // Asks for a file name and writes the list in Format.
    void Export(ExportFormat Format);

    // Waits for an export being made (tests).
    void WaitForExport();

  signals:
    void Exported(const QString& Path);

  private:
    // The rows that Answer names, in the list's order; empty with the
    // reason said when it names none.
    std::vector<SegmentRow> RowsNamed(const QString& Answer) const;

    Window m_window;
    std::function<void()> m_wait;
};

} // namespace quelm
