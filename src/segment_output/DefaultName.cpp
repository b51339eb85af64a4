#include "DefaultName.h"

#include "../record/TimeOfDay.h"
#include "PathUtils.h"

namespace quelm
{

namespace
{

std::string Without(std::string Text, char Gone)
{
    std::erase(Text, Gone);
    return Text;
}

std::string Before(const std::string& Text, char Stop)
{
    const auto at = Text.find(Stop);
    return at == std::string::npos ? Text : Text.substr(0, at);
}

} // namespace

std::string SegmentNameBase(const std::string& RecordFile)
{
    // A name without "." has no extension to drop: its base is what
    // stands before the first "-", as for any other name.
    return Before(Before(GetFilename(RecordFile), '.'), '-');
}

std::string DefaultSegmentName(const std::string& RecordFile, const SegmentRow& Row)
{
    const std::string base = SegmentNameBase(RecordFile);

    std::string start = Without(Without(Row.SubItem(1), '/'), ':');
    for (char& c : start) {
        if (c == ' ') {
            c = '-';
        }
    }
    const std::string end = Without(std::string(TimeOfDay(Row.SubItem(2))), ':');

    std::string name = base + "-" + start + "-" + end + "-" + Row.text + ".mp3";
    for (char& c : name) {
        if (c == '/' || c == '\0') {
            c = '_';
        }
    }
    return name;
}

} // namespace quelm
