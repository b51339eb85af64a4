#pragma once

#include "../mapped_file/ByteView.h"
#include "../mapped_file/FileId.h"
#include "../mapped_file/Memory.h"
#include "Extraction.h"

#include <optional>
#include <string>
#include <sys/stat.h>

namespace quelm
{

// The record file opened for copying segments out of it. Opened once
// (without blocking, so a FIFO put in its place cannot hang the program)
// and refused unless it is a regular file; mapped as well, so that markers
// are checked in memory rather than by a read each.
class RecordSource
{
  public:
    // Throws Failure when File is missing, unreadable or not a regular file.
    // Scanned, when known, is the file the segments were scanned from:
    // another file at the path fails every CheckMarkers.
    explicit RecordSource(const std::string& File, const std::optional<FileId>& Scanned = std::nullopt);

    const std::string& Path() const { return m_path; }

    // True when Info describes this very file (same device and inode).
    bool Is(const struct stat& Info) const;

    // Throws Failure "the record file PATH has changed since it was
    // scanned; load it again" unless the file is the one scanned and the
    // start marker still ends at P1 and the end marker at P2: all 30 bytes
    // of Whole when given (another day of the same recorder puts its
    // markers at the same offsets), else their signature and keyword.
    void CheckMarkers(const SegmentOffsets& Offsets, const SegmentMarkers* Whole = nullptr) const;

    // Appends the bytes of Range to Out (named OutPath in messages), in
    // the kernel where it can and through a small fixed buffer where it
    // cannot: the memory used never depends on the length. Throws Failure
    // when the file no longer holds the whole range or a write fails.
    void CopyRange(const ByteRange& Range, int Out, const std::string& OutPath) const;

  private:
    // Reads Size bytes at Offset; fewer only at the end of the file.
    std::size_t ReadAt(char* Data, std::size_t Size, off_t Offset) const;
    // True when the file holds Expected at Offset. In the mapping (a file
    // cut short under it reads as a mismatch), or by a read for bytes
    // appended since it was mapped.
    bool Holds(std::string_view Expected, std::uint64_t Offset) const;
    int Fd() const { return m_memory.Descriptor(); }

    std::string m_path;
    struct stat m_info {
    };
    Memory m_memory;
    ByteView m_view;
    bool m_otherFile = false; // not the file scanned
};

} // namespace quelm
