#include "WindowExports.h"

#include "FailurePanel.h"
#include "TextPrompt.h"
#include "record/SegmentTable.h"
#include "record/TimeRange.h"
#include "segment_output/DefaultName.h"
#include "segment_output/FileWriting.h"
#include "segment_output/PathUtils.h"
#include "segment_output/SegmentSaver.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentRun>

namespace quelm
{

namespace
{

std::string LocalPath(const QString& Path)
{
    return QFile::encodeName(Path).toStdString();
}

// Stamps and names as the window shows them, in UTF-8: valid UTF-8 stays,
// other bytes are Latin-1 as the list reads them.
std::string AsUtf8(std::string_view Bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(Bytes.data(), static_cast<qsizetype>(Bytes.size())));
    if (utf8.hasError()) {
        text = QString::fromLatin1(Bytes.data(), static_cast<qsizetype>(Bytes.size()));
    }
    return text.toUtf8().toStdString();
}

struct Made {
    std::string text;
    std::int64_t leftOut = 0;
    QString failure;
};

} // namespace

WindowExports::WindowExports(Window Owner, QObject* Parent) : QObject(Parent), m_window(std::move(Owner))
{
}

std::vector<SegmentRow> WindowExports::RowsNamed(const QString& Answer) const
{
    const QString asked = Answer.trimmed();
    const auto dash = asked.indexOf('-');
    std::vector<SegmentRow> rows;
    if (dash < 0) {
        m_window.failures.Show(QString("Say which messages: FIRST-LAST or HH:MM-HH:MM, not \"%1\"").arg(asked));
        return rows;
    }
    const QString first = asked.left(dash).trimmed();
    const QString last = asked.mid(dash + 1).trimmed();
    const SegmentTable& table = m_window.table;
    if (first.contains(':') || last.contains(':')) {
        const auto from = TimeRange::ParseClock(first.toStdString());
        const auto to = TimeRange::ParseClock(last.toStdString());
        if (!from || !to) {
            m_window.failures.Show(QString("Not a time range: \"%1\" (HH:MM-HH:MM)").arg(asked));
            return rows;
        }
        const TimeRange range(from, to);
        for (std::int32_t position = table.FirstHeldRow(); position <= table.RowCount(); ++position) {
            if (range.KeepsStamp(table.Row(position).SubItem(1))) {
                rows.push_back(table.Row(position));
            }
        }
    } else {
        bool firstRead = false;
        bool lastRead = false;
        const int from = first.toInt(&firstRead);
        const int to = last.toInt(&lastRead);
        if (!firstRead || !lastRead || from < 1 || to < from) {
            m_window.failures.Show(QString("Not a range of messages: \"%1\" (FIRST-LAST)").arg(asked));
            return rows;
        }
        for (std::int32_t position = std::max(from, table.FirstHeldRow()); position <= std::min(to, table.RowCount());
             ++position) {
            rows.push_back(table.Row(position));
        }
    }
    if (rows.empty()) {
        m_window.failures.Show(QString("No message in %1").arg(asked));
    }
    return rows;
}

void WindowExports::SaveMessages(int Selected)
{
    const QString initial = Selected != 0 ? QString("%1-%1").arg(Selected) : QString();
    const auto answer =
        m_window.prompt.Ask(m_window.parent, "Save messages",
                            "Messages to save as one file: FIRST-LAST, or a time range HH:MM-HH:MM", initial);
    if (!answer) {
        return;
    }
    const std::vector<SegmentRow> rows = RowsNamed(*answer);
    if (rows.empty()) {
        return;
    }
    const std::string recordFile = m_window.recordFile();
    const std::optional<FileId> scanned = m_window.table.ScannedFile();
    const std::string name = DefaultSegmentName(recordFile, rows.front());
    m_window.dialogs.AskUntilTaken(
        m_window.parent,
        m_window.settings(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                          "Select Quelm MP3 filename to be save ..."),
        true, [this, &rows, &scanned, &recordFile](const QString& Target) -> std::optional<QString> {
            try {
                const auto leftOut = SaveSegmentRange(recordFile, rows, scanned, LocalPath(Target));
                QString note = "Saved " + QFileInfo(Target).fileName();
                if (!leftOut.empty()) {
                    note += QString(" (%1 without an end left out)").arg(leftOut.size());
                }
                m_window.failures.Note(note);
            } catch (const std::exception& failure) {
                m_window.failures.Show(failure);
                return QString::fromLocal8Bit(failure.what());
            }
            return std::nullopt;
        });
}

void WindowExports::Export(ExportFormat Format)
{
    const std::string recordFile = m_window.recordFile();
    if (recordFile.empty()) {
        return;
    }
    const QString base = QFileInfo(QFile::decodeName(QByteArray::fromStdString(recordFile))).completeBaseName();
    const QString name = Format == ExportFormat::Cue        ? base + ".cue"
                         : Format == ExportFormat::Chapters ? base + "-chapters.txt"
                                                            : base + "-labels.txt";
    FileDialogSettings settings =
        m_window.settings(name, Format == ExportFormat::Cue        ? "Export a CUE sheet"
                                : Format == ExportFormat::Chapters ? "Export chapters (FFMETADATA)"
                                                                   : "Export labels (Audacity)");
    settings.defaultExt = Format == ExportFormat::Cue ? "cue" : "txt";
    settings.filters = {Format == ExportFormat::Cue ? "CUE Sheets (*.cue)" : "Text Files (*.txt)", "All Files (*)"};
    const auto target = m_window.dialogs.ShowSave(m_window.parent, settings);
    if (!target) {
        return;
    }
    // The rows as they are now: the list may grow while the audio is walked.
    const SegmentTable& table = m_window.table;
    std::vector<SegmentRow> rows;
    for (std::int32_t position = table.FirstHeldRow(); position <= table.RowCount(); ++position) {
        rows.push_back(table.Row(position));
    }
    auto* watcher = new QFutureWatcher<Made>(this);
    const QString& path = *target;
    connect(watcher, &QFutureWatcher<Made>::finished, this, [this, watcher, path] {
        const Made made = watcher->result();
        watcher->deleteLater();
        m_wait = nullptr;
        if (!made.failure.isEmpty()) {
            m_window.failures.Show(made.failure);
            return;
        }
        QString note = "Saved " + QFileInfo(path).fileName();
        if (made.leftOut > 0) {
            note = QString("Saved %1: a CUE sheet holds %2 tracks, %3 messages left out")
                       .arg(QFileInfo(path).fileName())
                       .arg(AudioExport::kCueTracks)
                       .arg(made.leftOut);
        }
        m_window.failures.Note(note);
        emit Exported(path);
    });
    const std::string local = LocalPath(path);
    watcher->setFuture(QtConcurrent::run([Format, recordFile, rows = std::move(rows), local] {
        Made made;
        try {
            AudioExport exporter(Format, recordFile, AsUtf8);
            made.text = exporter.Header();
            for (const SegmentRow& row : rows) {
                made.text += exporter.Row(row);
            }
            made.leftOut = exporter.LeftOut();
            SaveTextFile(local, made.text, recordFile);
        } catch (const std::exception& failure) {
            made.failure = QString::fromLocal8Bit(failure.what());
        }
        return made;
    }));
    m_wait = [watcher] { watcher->waitForFinished(); };
}

void WindowExports::WaitForExport()
{
    if (m_wait) {
        m_wait();
    }
}

} // namespace quelm
