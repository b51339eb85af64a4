#pragma once

#include <set>
#include <string>
#include <vector>

namespace quelm::cli
{

// The files one split run has saved. Two record files can share a base name
// and a message's time stamps (two channels' files, say): the later segment
// then goes to "NAME (2).mp3" (or " (3)", ...), never over the earlier one.
class SavedNames
{
  public:
    // The name to save Target's segment under, taken for this run; kept
    // against later clashes only when Remember (a later record file of the
    // run could make the same name).
    std::string Claim(const std::string& Target, bool Remember = true);
    // Forgets the names that begin with none of Prefixes: no record file
    // still to come can make them, so the set stays as small as it can.
    void KeepOnly(const std::vector<std::string>& Prefixes);

  private:
    std::set<std::string> m_names;
};

} // namespace quelm::cli
