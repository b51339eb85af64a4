#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>

namespace quelm
{

class SegmentPlayer;
class SegmentTable;

// Reads every message to its end, one after another, from a given row:
// when one ends the next row in the list plays. At the last row it waits
// for the rows that a growing file appends while the file is live, and
// otherwise ends. Knows no widget: the window plays a row when asked.
class ReadAll : public QObject
{
    Q_OBJECT
  public:
    struct Window {
        // Plays the row at Position as a left click would, selected and
        // shown; false when it did not start (a row with no end yet).
        std::function<bool(int Position)> play;
        // The file is still being written: more rows may come.
        std::function<bool()> live;
    };

    ReadAll(SegmentPlayer& Player, const SegmentTable& Table, Window Owner, QObject* Parent = nullptr);

    // Starts reading at the row at Position (1-based).
    void Start(int Position);
    void End();
    bool Running() const { return m_running; }
    // Running, with nothing playing until rows come.
    bool Waiting() const { return m_running && m_waiting; }

    // The list gained rows or a row got its end: a waiting read goes on.
    void RowsChanged();

  signals:
    void RunningChanged(bool Running);

  private:
    // Plays the first playable row after m_after, or waits, or ends.
    void Advance();

    SegmentPlayer& m_player;
    const SegmentTable& m_table;
    Window m_window;
    bool m_running = false;
    bool m_waiting = false;
    std::int64_t m_after = -1; // the start offset of the row read last
};

} // namespace quelm
