#include "ReadAll.h"

#include "SegmentPlayer.h"
#include "record/SegmentTable.h"

namespace quelm
{

ReadAll::ReadAll(SegmentPlayer& Player, const SegmentTable& Table, Window Owner, QObject* Parent)
    : QObject(Parent), m_player(Player), m_table(Table), m_window(std::move(Owner))
{
    connect(&m_player, &SegmentPlayer::Ended, this, [this] {
        if (m_running && m_player.Current()) {
            m_after = static_cast<std::int64_t>(m_player.Current()->startOffset);
            Advance();
        }
    });
    connect(&m_player, &SegmentPlayer::Failed, this, &ReadAll::End);
}

void ReadAll::Start(int Position)
{
    if (Position < 1 || Position > m_table.RowCount()) {
        return;
    }
    m_after = m_table.Row(Position).StartPosition() - 1;
    if (!m_running) {
        m_running = true;
        emit RunningChanged(true);
    }
    Advance();
}

void ReadAll::End()
{
    m_waiting = false;
    if (m_running) {
        m_running = false;
        emit RunningChanged(false);
    }
}

void ReadAll::RowsChanged()
{
    if (Waiting()) {
        Advance();
    }
}

void ReadAll::Advance()
{
    m_waiting = false;
    for (int position = m_table.PositionAfter(m_after); position != 0; position = m_table.PositionAfter(m_after)) {
        if (m_window.play(position)) {
            return;
        }
        if (!m_running) {
            return; // the play ended the reading (a failure, a save)
        }
        if (position == m_table.RowCount() && m_window.live()) {
            m_waiting = true; // the recorder has not written its end yet
            return;
        }
        m_after = m_table.Row(position).StartPosition(); // it never will: a row left open
    }
    if (m_window.live()) {
        m_waiting = true;
        return;
    }
    End();
}

} // namespace quelm
