#pragma once

#include <sys/stat.h>
#include <sys/types.h>

namespace quelm
{

// Which file a path named when it was looked at: its device and inode. A
// file renamed over the path, or copied in its place, has another.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;

    static FileId Of(const struct stat& Info) { return {Info.st_dev, Info.st_ino}; }
    bool operator==(const FileId&) const = default;
};

} // namespace quelm
