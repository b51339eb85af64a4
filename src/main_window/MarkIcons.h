#pragma once

#include <QIcon>

namespace quelm
{

// The signs drawn beside a record number: the player's mark (play or
// pause), then a star, then a note sign, side by side in one icon.
class MarkIcons
{
  public:
    static QIcon Icon(const QIcon& Playing, bool Star, bool Note);
};

} // namespace quelm
