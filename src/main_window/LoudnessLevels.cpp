#include "LoudnessLevels.h"

#include "segment_output/Levelling.h"
#include "segment_output/Loudness.h"

#include <QMetaObject>
#include <QPointer>

namespace quelm
{

LoudnessLevels::LoudnessLevels(QObject* Parent) : QObject(Parent)
{
    // One at a time: measuring ahead must not take both cores from a scan.
    m_pool.setMaxThreadCount(1);
}

LoudnessLevels::~LoudnessLevels()
{
    m_pool.clear();
    m_pool.waitForDone();
}

void LoudnessLevels::Forget()
{
    m_pool.clear();
    m_known.clear();
    m_pending.clear();
    ++m_generation;
}

double LoudnessLevels::GainFor(const std::string& RecordFile, const SegmentTable& Table, std::int64_t StartOffset,
                               const std::optional<SegmentOffsets>& Offsets)
{
    if (const auto known = Known(StartOffset)) {
        return LevelGain(*known);
    }
    if (Offsets) {
        Measure(RecordFile, StartOffset, *Offsets);
    }
    for (int position = Table.PositionAfter(StartOffset), ahead = 0; position != 0 && ahead < kAhead;
         position = Table.PositionAfter(Table.Row(position).StartPosition()), ++ahead) {
        if (const auto next = Table.Row(position).Offsets()) {
            Measure(RecordFile, Table.Row(position).StartPosition(), *next);
        }
    }
    return 1.0;
}

void LoudnessLevels::Measure(const std::string& RecordFile, std::int64_t StartOffset, const SegmentOffsets& Offsets)
{
    if (m_known.count(StartOffset) != 0 || !m_pending.insert(StartOffset).second) {
        return;
    }
    const int generation = m_generation;
    QPointer<LoudnessLevels> self(this);
    m_pool.start([self, generation, RecordFile, StartOffset, Offsets] {
        std::optional<double> loudness;
        try {
            loudness = MessageLoudness(RecordFile, Offsets);
        } catch (const std::exception&) {
            // A file that cannot be read plays as it is: nothing to level by.
        }
        // The pool is waited for before this object goes: self is alive.
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, StartOffset, loudness] {
                if (self == nullptr || generation != self->m_generation) {
                    return;
                }
                self->m_pending.erase(StartOffset);
                self->m_known[StartOffset] = loudness;
                emit self->Measured(StartOffset);
            },
            Qt::QueuedConnection);
    });
}

std::optional<std::optional<double>> LoudnessLevels::Known(std::int64_t StartOffset) const
{
    const auto found = m_known.find(StartOffset);
    if (found == m_known.end()) {
        return std::nullopt;
    }
    return std::optional<std::optional<double>>(std::in_place, found->second);
}

void LoudnessLevels::WaitForMeasures()
{
    m_pool.waitForDone();
}

} // namespace quelm
