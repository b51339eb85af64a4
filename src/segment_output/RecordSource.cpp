#include "RecordSource.h"

#include "../mapped_file/Failure.h"
#include "../mapped_file/FaultGuard.h"
#include "../mapped_file/FileIo.h"
#include "../mapped_file/ReadOnlyFile.h"
#include "../record/MarkerFormat.h"
#include "FileWriting.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace quelm
{

namespace
{

constexpr std::size_t kPiece = 1 << 20;

// The first ten bytes of a marker (signature and keyword): what a range is
// checked against when its whole markers are not known.
std::string MarkerHead(std::string_view Keyword)
{
    return std::string(kMarkerSignatureText) + std::string(Keyword);
}

Failure Changed(const std::string& Path)
{
    return {"the record file " + Path + " has changed since it was scanned; load it again", Path, std::string()};
}

} // namespace

RecordSource::RecordSource(const std::string& File, const std::optional<FileId>& Scanned) : m_path(File)
{
    ReadOnlyFile file(File);
    m_info = file.Info();
    m_otherFile = Scanned && !(*Scanned == FileId::Of(m_info));
    m_view = m_memory.MapFile(std::move(file));
}

bool RecordSource::Is(const struct stat& Info) const
{
    return Info.st_dev == m_info.st_dev && Info.st_ino == m_info.st_ino;
}

namespace
{

struct Comparison {
    const std::uint8_t* at;
    std::string_view expected;
    bool same;
};

void Compare(void* Context)
{
    auto& comparison = *static_cast<Comparison*>(Context);
    comparison.same = std::memcmp(comparison.at, comparison.expected.data(), comparison.expected.size()) == 0;
}

} // namespace

bool RecordSource::Holds(std::string_view Expected, std::uint64_t Offset) const
{
    if (Expected.size() > kMarkerSize) {
        return false;
    }
    if (Offset + Expected.size() <= m_view.Size()) {
        Comparison comparison{m_view.Data() + Offset, Expected, false};
        return RunGuarded(m_view.Data(), m_view.Size(), Compare, &comparison) && comparison.same;
    }
    std::array<char, kMarkerSize> bytes{};
    return ReadAt(bytes.data(), Expected.size(), static_cast<off_t>(Offset)) == Expected.size() &&
           std::string_view(bytes.data(), Expected.size()) == Expected;
}

std::size_t RecordSource::ReadAt(char* Data, std::size_t Size, off_t Offset) const
{
    const ssize_t done = ReadFullyAt(Fd(), Data, Size, Offset);
    if (done < 0) {
        SystemFailure("cannot read", m_path, static_cast<int>(-done));
    }
    return static_cast<std::size_t>(done);
}

void RecordSource::CheckMarkers(const SegmentOffsets& Offsets, const SegmentMarkers* Whole) const
{
    if (m_otherFile) {
        throw Changed(m_path);
    }
    const std::string heads[] = {MarkerHead(kStartKeyword), MarkerHead(kEndKeyword)};
    const std::pair<std::int64_t, std::string_view> markers[] = {
        {Offsets.p1, Whole != nullptr ? std::string_view(Whole->start) : std::string_view(heads[0])},
        {Offsets.p2, Whole != nullptr ? std::string_view(Whole->end) : std::string_view(heads[1])}};
    for (const auto& [last, expected] : markers) {
        const std::int64_t first = last - kMarkerLastByte;
        if (first < 0 || !Holds(expected, static_cast<std::uint64_t>(first))) {
            throw Changed(m_path);
        }
    }
}

void RecordSource::CopyRange(const ByteRange& Range, int Out, const std::string& OutPath) const
{
    if (Range.first < 0 || Range.length <= 0) {
        throw Failure("the segment's positions do not form a byte range of " + m_path, m_path, std::string());
    }
    off_t from = static_cast<off_t>(Range.first);
    std::int64_t left = Range.length;
    // In the kernel first: no user buffer at all.
    while (left > 0) {
        const ssize_t n = ::copy_file_range(Fd(), &from, Out, nullptr, static_cast<std::size_t>(left), 0);
        if (n > 0) {
            left -= n;
            continue;
        }
        if (n == 0) {
            throw Changed(m_path);
        }
        if (errno == EINTR) {
            continue;
        }
        // Refused for this pair of files (another file system, a kernel or
        // file system without it): copy the rest in pieces.
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) {
            break;
        }
        if (errno == ENOSPC || errno == EFBIG || errno == EDQUOT) {
            SystemFailure("cannot write", OutPath, errno);
        }
        SystemFailure("cannot copy from " + m_path + " to", OutPath, errno);
    }
    if (left == 0) {
        return;
    }
    const std::unique_ptr<char[]> piece(new char[kPiece]);
    while (left > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kPiece));
        if (ReadAt(piece.get(), want, from) < want) {
            throw Changed(m_path);
        }
        WriteAll(Out, piece.get(), want, OutPath);
        from += static_cast<off_t>(want);
        left -= static_cast<std::int64_t>(want);
    }
}

} // namespace quelm
