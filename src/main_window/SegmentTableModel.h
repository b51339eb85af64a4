#pragma once

#include "record/SegmentTable.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <optional>

namespace quelm
{

class WindowMarks;

// The segment list as the window shows it: the columns "Record", "Start",
// "End" and "s" over the core's table. New rows are announced in batches
// (Sync) so that a scan of tens of thousands of rows costs the view little;
// rows already shown follow every change at once.
class SegmentTableModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    explicit SegmentTableModel(const SegmentTable& Table, QObject* Parent = nullptr);

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

    // Announces the rows the table has gained since the last call.
    void Sync();

    void BeginClear();
    void EndClear();
    void BeginRemove(int Position);
    void EndRemove();
    void Changed(int Position);

    // Marks the row whose start marker lies at StartOffset as the one
    // playing, with Icon beside its record number and Word for assistive
    // technology; the row's text stays as it is. Nothing: no row plays.
    void SetNowPlaying(std::optional<std::int64_t> StartOffset, const QIcon& Icon = {}, const QString& Word = {});

    // The user's marks, drawn beside the record numbers (a star, a note
    // sign, heard rows dimmer) and read out with the record number; the
    // note is the record number's tooltip. Null: none.
    void SetMarks(const WindowMarks* Marks);
    // Repaints the row whose start marker lies at StartOffset.
    void RowMarked(std::int64_t StartOffset);

  private:
    const SegmentTable& m_table;
    int m_shown = 0;
    bool m_removing = false;
    QVariant MarkData(std::int32_t Position, int Column, int Role) const;

    const WindowMarks* m_marks = nullptr;
    std::optional<std::int64_t> m_playing;
    QIcon m_playingIcon;
    QString m_playingWord;
};

} // namespace quelm
