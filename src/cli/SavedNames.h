#pragma once

#include <set>
#include <string>

namespace quelm::cli
{

// The files one split run has saved. Two record files can share a base name
// and a message's time stamps (two channels' files, say): the later segment
// then goes to "NAME (2).mp3" (or " (3)", ...), never over the earlier one.
class SavedNames
{
  public:
    // The name to save Target's segment under, taken for this run.
    std::string Claim(const std::string& Target);

  private:
    std::set<std::string> m_names;
};

} // namespace quelm::cli
