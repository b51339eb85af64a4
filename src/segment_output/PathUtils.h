#pragma once

#include <string>

namespace quelm
{

// True when Path names a file that can be opened for reading right now; a
// folder, a missing file, an empty path or an unreadable file give false.
bool FileExists(const std::string& Path);

// A "/"-separated path as its folder and its last component: the folder is
// "." for a path without "/" and "/" for one right under the root; the name
// is empty for a path that ends with "/" (or is empty).
struct PathParts {
    std::string folder;
    std::string name;
};
PathParts SplitPath(const std::string& Path);

// The last component of a "/"-separated path: the whole text without a
// "/", the empty text for a path that ends with "/" (or is empty).
std::string GetFilename(const std::string& Path);

} // namespace quelm
