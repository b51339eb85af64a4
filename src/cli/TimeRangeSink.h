#pragma once

#include "RowSink.h"
#include "record/TimeRange.h"

namespace quelm::cli
{

// Passes on only the rows whose start time of day lies in a range; the
// rows keep their record numbers.
class TimeRangeSink : public RowSink
{
  public:
    TimeRangeSink(const TimeRange& Range, RowSink& Next) : m_range(Range), m_next(Next) {}

    // True when Range keeps Row, by its start time of day.
    static bool Keeps(const TimeRange& Range, const SegmentRow& Row);

    void Take(const SegmentRow& Row) override;
    void TakeFrom(const SegmentTable& Table, std::int32_t Position) override;
    // What is said of the rows is passed on whole: a row left out here was
    // never taken, and withdrawing it is harmless.
    void ScannedFrom(const std::optional<FileId>& File) override { m_next.ScannedFrom(File); }
    void Withdrawn(std::int32_t Record) override { m_next.Withdrawn(Record); }

  private:
    TimeRange m_range;
    RowSink& m_next;
};

} // namespace quelm::cli
