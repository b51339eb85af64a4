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
    void TakeFrom(const SegmentTable& Table, std::int32_t Position) override;
    // What is said of the rows is passed on whole: a row left out here was
    // never taken, and withdrawing it is harmless.
    void ScannedFrom(const std::optional<FileId>& File) override { m_next.ScannedFrom(File); }
    void Withdrawn(std::int32_t Record) override { m_next.Withdrawn(Record); }

  private:
    bool m_starredOnly;
    bool m_unheardOnly;
    RowSink& m_next;
    const std::map<MarkKey, Mark>* m_marks = nullptr;
};

} // namespace quelm::cli
