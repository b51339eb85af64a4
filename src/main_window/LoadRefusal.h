#pragma once

#include <QString>
#include <string>

namespace quelm
{

// Why the file Path cannot be loaded, in the user's words ("No such file or
// directory", "it is a folder" ...), for a path that FileExists refused.
QString WhyUnreadable(const std::string& Path);

} // namespace quelm
