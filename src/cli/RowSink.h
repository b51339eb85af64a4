#pragma once

#include "record/SegmentRow.h"

namespace quelm::cli
{

// Where a listing's rows go once they are ready: the output, or the saves
// of a followed split.
class RowSink
{
  public:
    virtual ~RowSink() = default;
    virtual void Take(const SegmentRow& Row) = 0;
};

} // namespace quelm::cli
