#include "FileWriting.h"

#include "../mapped_file/Failure.h"
#include "../mapped_file/FileIo.h"
#include "../mapped_file/UniqueFd.h"
#include "TemporaryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelm
{

void SystemFailure(const std::string& What, const std::string& Path, int Error)
{
    throw Failure::System(What, Path, Error);
}

void WriteAll(int Fd, const void* Data, std::size_t Size, const std::string& Path)
{
    if (const int error = WriteFully(Fd, std::string_view(static_cast<const char*>(Data), Size)); error != 0) {
        SystemFailure("cannot write", Path, error);
    }
}

void SaveTextFile(const std::string& Target, std::string_view Text, const std::string& Protected)
{
    struct stat target {
    };
    struct stat kept {
    };
    if (::stat(Target.c_str(), &target) == 0 && ::stat(Protected.c_str(), &kept) == 0 && target.st_dev == kept.st_dev &&
        target.st_ino == kept.st_ino) {
        std::string why = "refusing to write over the record file itself: ";
        throw Failure(why.append(Target));
    }
    const auto slash = Target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : Target.substr(0, slash);
    const std::string name = slash == std::string::npos ? Target : Target.substr(slash + 1);
    UniqueFd handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!handle) {
        SystemFailure("cannot open the folder", folder, errno);
    }
    ClaimSaveFolder(handle.Get());
    TemporaryFile temporary(handle.Get(), folder);
    WriteAll(temporary.Fd(), Text.data(), Text.size(), Target);
    if (::fdatasync(temporary.Fd()) != 0) {
        SystemFailure("cannot write", Target, errno);
    }
    temporary.Close(Target);
    temporary.PutInPlace(name, Target);
}

} // namespace quelm
