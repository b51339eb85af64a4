#pragma once

#include "record/SegmentRow.h"
#include "record/SegmentTable.h"

#include <QObject>
#include <QThreadPool>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace quelm
{

// Each message's loudness for levelled playback, measured on a thread of
// its own (decoding takes a while; a click never waits for it) and kept
// for the loaded file.
class LoudnessLevels : public QObject
{
    Q_OBJECT
  public:
    explicit LoudnessLevels(QObject* Parent = nullptr);
    ~LoudnessLevels() override;

    // Another file: what was measured goes, and measures still running are
    // no longer heard of.
    void Forget();
    // Starts measuring the message whose start marker lies at StartOffset,
    // unless it was measured or is being measured.
    void Measure(const std::string& RecordFile, std::int64_t StartOffset, const SegmentOffsets& Offsets);
    // Measured: its loudness in LUFS, or nothing for a message too short
    // or too quiet to measure. Not measured yet: nothing at all.
    std::optional<std::optional<double>> Known(std::int64_t StartOffset) const;

    // The gain that levels the message of Table whose start marker lies at
    // StartOffset: 1 (as recorded) until it is measured. Starts measuring it
    // when it has an end, and the next kAhead messages, so that the next
    // click is levelled at once.
    double GainFor(const std::string& RecordFile, const SegmentTable& Table, std::int64_t StartOffset,
                   const std::optional<SegmentOffsets>& Offsets);
    static constexpr int kAhead = 3;

    // Waits for the measures running (tests).
    void WaitForMeasures();

  signals:
    void Measured(qint64 StartOffset);

  private:
    QThreadPool m_pool;
    std::map<std::int64_t, std::optional<double>> m_known;
    std::set<std::int64_t> m_pending;
    int m_generation = 0;
};

} // namespace quelm
