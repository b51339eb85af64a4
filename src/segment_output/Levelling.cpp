#include "Levelling.h"

#include <algorithm>
#include <cmath>

namespace quelm
{

double LevelGain(std::optional<double> Lufs)
{
    if (!Lufs || !std::isfinite(*Lufs)) {
        return 1.0;
    }
    const double decibels = std::min(kLevelTargetLufs - *Lufs, kLevelCeilingDb);
    return std::pow(10.0, decibels / 20);
}

} // namespace quelm
