#include "SegmentTableModel.h"

#include "MarkIcons.h"
#include "WindowMarks.h"
#include "record/RowTexts.h"

#include <QGuiApplication>
#include <QPalette>

namespace quelm
{

SegmentTableModel::SegmentTableModel(const SegmentTable& Table, QObject* Parent)
    : QAbstractTableModel(Parent), m_table(Table)
{
}

int SegmentTableModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : m_shown;
}

int SegmentTableModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : 4;
}

QVariant SegmentTableModel::data(const QModelIndex& Index, int Role) const
{
    if (!Index.isValid() || Index.row() >= m_shown) {
        return {};
    }
    if (Role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignVCenter | (Index.column() == 3 ? Qt::AlignRight : Qt::AlignLeft));
    }
    const std::int32_t position = m_table.FirstHeldRow() + Index.row();
    if (Role == Qt::DecorationRole || Role == Qt::AccessibleDescriptionRole || Role == Qt::ToolTipRole ||
        Role == Qt::ForegroundRole) {
        return MarkData(position, Index.column(), Role);
    }
    if (Role != Qt::DisplayRole) {
        return {};
    }
    const CompactRow& row = m_table.Compact(position);
    const RowTexts texts(row, m_table.Whole(row));
    const std::string_view text =
        Index.column() == 0 ? texts.Text() : texts.SubItem(static_cast<std::size_t>(Index.column()));
    // One byte is one character, as the recorder wrote it.
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QVariant SegmentTableModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Section < 0 || Section > 3) {
        return {};
    }
    if (Role == Qt::DisplayRole) {
        static const char* const kHeaders[] = {"Record", "Start", "End", "s"};
        return QString::fromLatin1(kHeaders[Section]);
    }
    if (Role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignVCenter | (Section == 3 ? Qt::AlignRight : Qt::AlignLeft));
    }
    return {};
}

Qt::ItemFlags SegmentTableModel::flags(const QModelIndex& Index) const
{
    return Index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QVariant SegmentTableModel::MarkData(std::int32_t Position, int Column, int Role) const
{
    const bool playing = m_playing && m_table.StartPosition(Position) == *m_playing;
    const Mark* mark =
        m_marks != nullptr && m_marks->Any() ? &m_marks->Of(MarkStore::KeyOf(m_table.Row(Position))) : nullptr;
    if (Role == Qt::ForegroundRole) {
        // Heard rows step back so that the ones still to hear stand out.
        return mark != nullptr && mark->heard ? QVariant(QGuiApplication::palette().brush(QPalette::PlaceholderText))
                                              : QVariant();
    }
    if (Column != 0 || (!playing && (mark == nullptr || mark->Empty()))) {
        return {};
    }
    const bool star = mark != nullptr && mark->star;
    const bool note = mark != nullptr && !mark->note.empty();
    if (Role == Qt::ToolTipRole) {
        return note ? QVariant(QString::fromStdString(mark->note)) : QVariant();
    }
    if (Role == Qt::AccessibleDescriptionRole) {
        QStringList words;
        if (playing) {
            words << m_playingWord;
        }
        if (star) {
            words << "starred";
        }
        if (mark != nullptr && mark->heard) {
            words << "heard";
        }
        if (note) {
            words << "note: " + QString::fromStdString(mark->note);
        }
        return words.join(", ");
    }
    return MarkIcons::Icon(playing ? m_playingIcon : QIcon(), star, note);
}

void SegmentTableModel::SetMarks(const WindowMarks* Marks)
{
    m_marks = Marks;
    if (m_shown > 0) {
        emit dataChanged(index(0, 0), index(m_shown - 1, columnCount() - 1));
    }
}

void SegmentTableModel::RowMarked(std::int64_t StartOffset)
{
    const int position = m_table.PositionAfter(StartOffset - 1);
    if (position != 0 && position <= m_shown) {
        emit dataChanged(index(position - 1, 0), index(position - 1, columnCount() - 1));
    }
}

void SegmentTableModel::SetNowPlaying(std::optional<std::int64_t> StartOffset, const QIcon& Icon, const QString& Word)
{
    const auto changed = [this](std::optional<std::int64_t> Offset) {
        if (!Offset) {
            return;
        }
        const int position = m_table.PositionAfter(*Offset - 1);
        if (position != 0 && position <= m_shown) {
            const QModelIndex index = this->index(position - 1, 0);
            emit dataChanged(index, index, {Qt::DecorationRole, Qt::AccessibleDescriptionRole});
        }
    };
    const std::optional<std::int64_t> before = m_playing;
    m_playing = StartOffset;
    m_playingIcon = Icon;
    m_playingWord = Word;
    changed(before);
    if (StartOffset != before) {
        changed(StartOffset);
    }
}

void SegmentTableModel::Sync()
{
    const int rows = m_table.RowCount();
    if (rows > m_shown) {
        beginInsertRows(QModelIndex(), m_shown, rows - 1);
        m_shown = rows;
        endInsertRows();
    }
}

void SegmentTableModel::BeginClear()
{
    beginResetModel();
}

void SegmentTableModel::EndClear()
{
    m_shown = 0;
    endResetModel();
}

void SegmentTableModel::BeginRemove(int Position)
{
    m_removing = Position <= m_shown;
    if (m_removing) {
        beginRemoveRows(QModelIndex(), Position - 1, Position - 1);
    }
}

void SegmentTableModel::EndRemove()
{
    if (m_removing) {
        --m_shown;
        endRemoveRows();
        m_removing = false;
    }
}

void SegmentTableModel::Changed(int Position)
{
    if (Position <= m_shown) {
        emit dataChanged(index(Position - 1, 0), index(Position - 1, 3));
    }
}

} // namespace quelm
