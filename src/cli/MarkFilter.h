#pragma once

#include "RowSink.h"
#include "marks/MarkStore.h"

#include <map>

namespace quelm::cli
{

// Passes on only the starred rows, or only the rows not heard, as the user
// asked; the rows keep their record numbers.
class MarkFilter : public RowSink
{
  public:
    MarkFilter(bool StarredOnly, bool UnheardOnly, RowSink& Next)
        : m_starredOnly(StarredOnly), m_unheardOnly(UnheardOnly), m_next(Next)
    {
    }

    // The marks of the file whose rows come next; nothing for none.
    void SetMarks(const std::map<MarkKey, Mark>* Marks) { m_marks = Marks; }
    void Take(const SegmentRow& Row) override;

  private:
    bool m_starredOnly;
    bool m_unheardOnly;
    RowSink& m_next;
    const std::map<MarkKey, Mark>* m_marks = nullptr;
};

} // namespace quelm::cli
