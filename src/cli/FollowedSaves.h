#pragma once

#include "record/SegmentRow.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quelm::cli
{

// What split --follow has saved, so that the folder ends as a plain split
// of the file leaves it: a file read anew (an rsync-style update renamed
// over it) does not save again a segment saved with the same markers, and a
// row that a later marker changed (a second end marker renames it) or
// dropped (too short for the filter) takes its earlier file away. Keeps
// eight bytes per record number and the name of the last row saved: only the
// last row can still change.
class FollowedSaves
{
  public:
    // The markers' texts and offsets of a row that has its end, in 64 bits.
    static std::uint64_t KeyOf(const SegmentRow& Row);

    struct Decision {
        bool save = true;
        std::string remove; // an earlier save of the row to remove first
    };
    // Row Record, whose key is Key, is to be saved as Name.
    Decision Consider(std::int32_t Record, std::uint64_t Key, const std::string& Name) const;
    // Row Record was saved as Name.
    void Saved(std::int32_t Record, std::uint64_t Key, const std::string& Name);
    // Row Record is no longer a row: the name of its earlier save, or empty.
    std::string Withdraw(std::int32_t Record);

  private:
    std::vector<std::uint64_t> m_keys; // by record number - 1; 0: not saved
    std::int32_t m_lastRecord = 0;
    std::string m_lastName;
};

} // namespace quelm::cli
