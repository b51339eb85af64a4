#pragma once

#include <optional>

namespace quelm
{

// Levelled playback: every message is played at one loudness, speech's
// usual -20 LUFS, loud enough over a laptop's speakers without clipping the
// loud ones. A near-silent message (squelch noise) would need a huge gain:
// it gets at most +18 dB (a weak station at -38 LUFS still comes up to the
// target), so that silence stays a hiss rather than a roar.
inline constexpr double kLevelTargetLufs = -20.0;
inline constexpr double kLevelCeilingDb = 18.0;

// The linear gain that brings a message measured at Lufs to the target,
// within the ceiling; 1 for a message not (or not yet) measured.
double LevelGain(std::optional<double> Lufs);

} // namespace quelm
