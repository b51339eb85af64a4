#include "SavedNames.h"

#include <algorithm>

namespace quelm::cli
{

std::string SavedNames::Claim(const std::string& Target, bool Remember)
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
    if (Remember) {
        m_names.insert(name);
    }
    return name;
}

void SavedNames::KeepOnly(const std::vector<std::string>& Prefixes)
{
    std::erase_if(m_names, [&](const std::string& Name) {
        return std::none_of(Prefixes.begin(), Prefixes.end(),
                            [&](const std::string& Prefix) { return Name.starts_with(Prefix); });
    });
}

} // namespace quelm::cli
