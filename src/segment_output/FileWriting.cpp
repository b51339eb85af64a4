#include "FileWriting.h"

#include "../mapped_file/Failure.h"
#include "../mapped_file/FileIo.h"

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

} // namespace quelm
