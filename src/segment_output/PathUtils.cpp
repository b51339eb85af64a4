#include "PathUtils.h"

#include "../mapped_file/ReadOnlyFile.h"

namespace quelm
{

bool FileExists(const std::string& Path)
{
    return !ReadOnlyFile::Unreadable(Path).has_value();
}

PathParts SplitPath(const std::string& Path)
{
    const auto slash = Path.rfind('/');
    if (slash == std::string::npos) {
        return {".", Path};
    }
    return {slash == 0 ? "/" : Path.substr(0, slash), Path.substr(slash + 1)};
}

std::string GetFilename(const std::string& Path)
{
    return SplitPath(Path).name;
}

} // namespace quelm
