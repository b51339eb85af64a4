// The small parsers and builders of segment output, on any input: offsets
// from a row's tag, default names, the ID3v1 tag and the media commands.
// Nothing may crash or overflow (UBSan watches), and each keeps its
// promise. The first byte picks the target.
#include "mapped_file/Failure.h"
#include "segment_output/DefaultName.h"
#include "segment_output/Extraction.h"
#include "segment_output/Id3Tag.h"
#include "segment_output/MediaCommand.h"

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

namespace
{

void Check(bool Condition)
{
    if (!Condition) {
        __builtin_trap();
    }
}

void Offsets(const std::string& Text)
{
    try {
        const auto offsets = quelm::ParseOffsets(Text);
        Check(!offsets || Text.find('/') != std::string::npos);
        if (offsets) {
            const auto again = quelm::ParseOffsets(std::to_string(offsets->p1) + "/" + std::to_string(offsets->p2));
            Check(again && again->p1 == offsets->p1 && again->p2 == offsets->p2);
            quelm::PlaybackRange(*offsets);
            quelm::SavingRange(*offsets);
        }
    } catch (const quelm::Failure&) {
    }
}

void Names(const std::string& Text)
{
    // The record file's path, the start and the end stamps, split at NUL.
    std::string parts[3];
    std::size_t index = 0;
    for (const char c : Text) {
        if (c == '\0' && index < 2) {
            ++index;
        } else {
            parts[index] += c;
        }
    }
    quelm::SegmentRow row;
    row.text = "00000001";
    row.subItems = {parts[1], parts[2], "5"};
    row.tag = "29/99";
    const std::string name = quelm::DefaultSegmentName(parts[0], row);
    Check(name.find('/') == std::string::npos && name.find('\0') == std::string::npos);
    Check(name.size() >= 4 && name.compare(name.size() - 4, 4, ".mp3") == 0);
}

void Tag(const std::string& Text)
{
    // Any moment from year 1 to 9999, as the clock could give it.
    std::int64_t seconds = 0;
    std::memcpy(&seconds, Text.data(), std::min(sizeof seconds, Text.size()));
    constexpr std::int64_t kFirst = -62135596800; // 0001-01-01
    constexpr std::int64_t kSpan = 253402300800 - kFirst;
    const std::time_t moment =
        static_cast<std::time_t>(kFirst + static_cast<std::int64_t>(static_cast<std::uint64_t>(seconds) % kSpan));
    std::tm local{};
    if (::gmtime_r(&moment, &local) == nullptr) {
        return;
    }
    const quelm::Id3Tag tag = quelm::MakeID3(local);
    Check(tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G');
    quelm::DateTimeText(local);
}

void Media(const std::string& Text)
{
    quelm::ParseMediaCommand(Text);
    // What the program writes, it reads back (paths with a double quote
    // are left to the layer's own tests).
    if (!Text.empty() && Text.find('"') == std::string::npos && Text.find('\0') == std::string::npos) {
        const quelm::MediaCommand open = quelm::ParseMediaCommand(quelm::OpenCommand(Text));
        Check(open.kind != quelm::MediaCommand::Kind::Open || open.path == Text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size < 1) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(Data + 1), Size - 1);
    switch (Data[0] % 4) {
    case 0:
        Offsets(text);
        break;
    case 1:
        Names(text);
        break;
    case 2:
        Tag(text);
        break;
    default:
        Media(text);
        break;
    }
    return 0;
}
