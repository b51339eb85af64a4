#include "RecordFolder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

namespace quelm
{

namespace
{

bool IsMp3Name(const std::string& Name)
{
    if (Name.size() < 4) {
        return false;
    }
    std::string extension = Name.substr(Name.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char Letter) { return static_cast<char>(std::tolower(Letter)); });
    return extension == ".mp3";
}

} // namespace

std::optional<std::string> NeighbourRecordFile(const std::string& Path, int Step)
{
    namespace fs = std::filesystem;
    const fs::path path(Path);
    const std::string name = path.filename().string();
    std::error_code failed;
    std::vector<std::string> names;
    for (fs::directory_iterator entry(path.parent_path().empty() ? "." : path.parent_path(), failed), end;
         !failed && entry != end; entry.increment(failed)) {
        const std::string other = entry->path().filename().string();
        std::error_code noType;
        if (IsMp3Name(other) && entry->is_regular_file(noType)) {
            names.push_back(other);
        }
    }
    if (failed) {
        return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    // The loaded file may have gone or not be named *.mp3: its place in the
    // order still tells its neighbours.
    const auto at = std::lower_bound(names.begin(), names.end(), name);
    const bool listed = at != names.end() && *at == name;
    if (Step > 0) {
        const auto next = listed ? at + 1 : at;
        return next == names.end() ? std::nullopt : std::optional((path.parent_path() / *next).string());
    }
    return at == names.begin() ? std::nullopt : std::optional((path.parent_path() / *(at - 1)).string());
}

} // namespace quelm
