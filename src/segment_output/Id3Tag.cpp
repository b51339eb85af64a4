#include "Id3Tag.h"

#include "FileWriting.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace quelm
{

namespace
{

void Put(Id3Tag& Tag, std::size_t Offset, std::size_t Field, std::string_view Text)
{
    // A text longer than its field is cut at the field's end.
    std::memcpy(Tag.data() + Offset, Text.data(), std::min(Field, Text.size()));
}

} // namespace

std::string DateTimeText(const std::tm& Local)
{
    char text[64];
    if (Local.tm_hour == 0 && Local.tm_min == 0 && Local.tm_sec == 0) {
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", Local.tm_mday, Local.tm_mon + 1, Local.tm_year + 1900);
    } else {
        std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", Local.tm_mday, Local.tm_mon + 1,
                      Local.tm_year + 1900, Local.tm_hour, Local.tm_min, Local.tm_sec);
    }
    return text;
}

Id3Tag MakeID3(const std::tm& Local)
{
    Id3Tag tag{};
    Put(tag, 0, 3, "TAG");
    Put(tag, 3, 30, "QuelmRdr");
    Put(tag, 33, 30, "Quelm Segment");
    Put(tag, 63, 30, "Start " + DateTimeText(Local));
    Put(tag, 93, 4, std::to_string(Local.tm_year + 1900));
    Put(tag, 97, 26, "MP3: 1 segment (extracted)");
    tag[125] = 1;
    tag[126] = 1;
    tag[127] = 12; // genre "Other"
    return tag;
}

void WriteID3(int Desc, const std::string& Path)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const Id3Tag tag = MakeID3(local);
    WriteAll(Desc, tag.data(), tag.size(), Path);
}

} // namespace quelm
