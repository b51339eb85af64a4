#include "PathUtils.h"

#include "../mapped_file/ReadOnlyFile.h"

namespace quelm
{

bool FileExists(const std::string& Path)
{
    return !ReadOnlyFile::Unreadable(Path).has_value();
}

std::string GetFilename(const std::string& Path)
{
    const auto slash = Path.rfind('/');
    return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

} // namespace quelm
