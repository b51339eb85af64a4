#include "SavedNames.h"

namespace quelm::cli
{

std::string SavedNames::Claim(const std::string& Target)
{
    // The number goes before the extension of the file's own name.
    const std::size_t slash = Target.rfind('/');
    const std::size_t dot = Target.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::size_t stem = hasExtension ? dot : Target.size();
    std::string name = Target;
    for (int copy = 2; m_names.contains(name); ++copy) {
        name = Target.substr(0, stem) + " (" + std::to_string(copy) + ")" + Target.substr(stem);
    }
    m_names.insert(name);
    return name;
}

} // namespace quelm::cli
