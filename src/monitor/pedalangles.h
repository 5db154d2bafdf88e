// How far each pedal picture turns for a live value, given the value range set on its page.
// Pure code, so the geometry rules are tested without scenes.
#pragma once

#include <optional>

namespace Monitor {

inline constexpr float kExpressionUpAngle = 15.0f; // at the lower end of the range
inline constexpr float kHiHatRestAngle = 3.0f;     // the pedal let go, value 0
inline constexpr float kHiHatDownAngle = -5.0f;    // at the upper end of the range
inline constexpr float kSwitchDownAngle = 8.0f;    // a tap starts here and springs back to 0
inline constexpr int kSwitchResetMs = 150;
inline constexpr int kSwitchTapMs = 400;

struct ValueRange
{
    int lower = 0;
    int upper = 0;
};

// The smaller and the larger of two selector positions.
ValueRange orderedRange(int first, int second);

// Degrees of the Expression pedal top: 15 at the lower end, 0 at the upper end, clamped.
// No value when the range is a single point: the picture stays as it is.
std::optional<float> expressionAngle(int value, ValueRange range);

// Degrees of the Hi-Hat pedal top: 3 at rest (value 0), otherwise 0 at the lower end down
// to -5 at the upper end, not clamped. No value when the range is a single point.
std::optional<float> hiHatAngle(int value, ValueRange range);

// Target of the switch in "Reset" mode. `lo` is absent in the "Single" mode and for events
// without a value range; `hi` is then unused.
float switchResetAngle(int value, std::optional<int> lo, int hi);

} // namespace Monitor
